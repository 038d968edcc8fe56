#pragma once
// The sound hardware as the music commands see it: two channels, one for
// music and one for a sound, each holding at most one open file.
#include <QString>
#include <cstdint>

namespace qel {

enum class AudioChannel { Music, Sound };

class AudioBackend {
public:
    virtual ~AudioBackend() = default;

    // Opens the file at path on the channel, closing whatever the channel had
    // open first. On failure the channel is left closed, false is returned and
    // *error (if given) receives the reason, or stays empty when none is known.
    virtual bool open(AudioChannel channel, const QString& path, QString* error) = 0;
    // Plays the channel's file from its beginning (restarting it if it plays).
    virtual void play(AudioChannel channel) = 0;
    // Stops the channel and closes its file; nothing open: nothing happens.
    virtual void close(AudioChannel channel) = 0;
    // The playing time of the channel's file in milliseconds; 0 when unknown.
    virtual std::int64_t lengthMs(AudioChannel channel) = 0;
    // How loud the channel plays, 0 (silent) to 100 (as the file is), from
    // now on, for the file playing and those opened later.
    virtual void setVolume(AudioChannel channel, int percent) = 0;
};

}  // namespace qel
