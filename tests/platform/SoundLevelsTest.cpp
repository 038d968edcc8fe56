// The volumes the audio back end is given: the two volume settings, mute,
// and silence while the watched window is minimised, each applied the moment
// it changes.
#include "platform/AudioBackend.h"
#include "platform/Settings.h"
#include "platform/SoundLevels.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

using namespace qel;

namespace {

struct VolumeRecorder : AudioBackend {
    int music = -1, sound = -1;
    bool open(AudioChannel, const QString&, QString*) override { return true; }
    void play(AudioChannel) override {}
    void close(AudioChannel) override {}
    std::int64_t lengthMs(AudioChannel) override { return 0; }
    void setVolume(AudioChannel c, int percent) override { (c == AudioChannel::Music ? music : sound) = percent; }
};

struct LevelCase {
    std::vector<const char*> settings;  // NAME=VALUE, set after the levels exist
    bool minimized;
    bool muteKey;  // mute toggled as the key M does
    int music, sound;
};

}  // namespace

TEST(SoundLevels, TheBackEndGetsTheVolumesTheSettingsAndTheWindowLeave) {
    const LevelCase cases[] = {
        {{}, false, false, 100, 100},
        {{"music-volume=40", "sound-volume=75"}, false, false, 40, 75},
        {{"music-volume=0"}, false, false, 0, 100},
        {{"mute=on", "music-volume=40"}, false, false, 0, 0},
        {{"music-volume=40"}, false, true, 0, 0},
        {{"mute=on"}, false, true, 100, 100},  // the key lets them be heard again
        {{"sound-volume=30"}, true, false, 0, 0},
        {{"sound-volume=30", "mute-minimized=off"}, true, false, 100, 30},
        {{"mute-minimized=off"}, true, true, 0, 0},
    };
    for (const LevelCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.settings.size() << " settings, minimised " << c.minimized << ", key "
                                        << c.muteKey);
        Settings::instance().reset();
        VolumeRecorder audio;
        QWidget window;
        SoundLevels levels(audio);
        levels.watchWindow(&window);
        EXPECT_EQ(audio.music, 100);  // the defaults, given at once
        EXPECT_EQ(audio.sound, 100);
        QString why;
        for (const char* s : c.settings) ASSERT_TRUE(Settings::instance().setForRun(QString::fromLatin1(s), &why));
        if (c.minimized) window.setWindowState(Qt::WindowMinimized);
        if (c.muteKey) setMuted(!muted());
        EXPECT_EQ(audio.music, c.music);
        EXPECT_EQ(audio.sound, c.sound);
        // Restored, the window no longer silences anything.
        window.setWindowState(Qt::WindowNoState);
        EXPECT_EQ(audio.music, muted() ? 0 : Settings::instance().number("music-volume"));
    }
    Settings::instance().reset();
}
