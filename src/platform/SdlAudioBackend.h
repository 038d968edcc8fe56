#pragma once
// The audio back end on SDL2_mixer: music (WAV, OGG, MP3, MIDI and whatever
// else the mixer decodes) on the mixer's music stream, the sound on a mixer
// channel. MIDI is synthesised with a General MIDI soundfont: the one named by
// the environment variable QEL_SOUNDFONT, else the system's TimGM6mb.
//
// The audio device is opened on first use. When that fails the back end
// stays silent: files are still checked when opened, nothing is heard, and
// one warning is logged.
#include "platform/AudioBackend.h"

#include <memory>

namespace qel {

class SdlAudioBackend final : public AudioBackend {
public:
    SdlAudioBackend();
    ~SdlAudioBackend() override;
    SdlAudioBackend(const SdlAudioBackend&) = delete;
    SdlAudioBackend& operator=(const SdlAudioBackend&) = delete;

    bool open(AudioChannel channel, const QString& path, QString* error) override;
    void play(AudioChannel channel) override;
    void close(AudioChannel channel) override;
    std::int64_t lengthMs(AudioChannel channel) override;
    void setVolume(AudioChannel channel, int percent) override;

    // True once the device is open and sound can be heard; false before the
    // first use and when the back end runs silently.
    bool audible() const;
    // The soundfont used for MIDI ("" when none was found).
    static QString soundFontPath();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace qel
