#pragma once
// An audio back end that opens every file and plays nothing, for tests that
// run the real windows.
#include "platform/AudioBackend.h"

namespace qel::test {

class SilentAudio : public AudioBackend {
public:
    bool open(AudioChannel, const QString&, QString*) override { return true; }
    void play(AudioChannel) override {}
    void close(AudioChannel) override {}
    std::int64_t lengthMs(AudioChannel) override { return 0; }
    void setVolume(AudioChannel, int) override {}
};

}  // namespace qel::test
