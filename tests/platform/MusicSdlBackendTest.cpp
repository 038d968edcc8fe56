// The SDL2_mixer back end once for real, on whatever audio driver the test
// environment gives (the dummy driver under CTest): tiny generated files are
// opened, played and closed without a crash, and their lengths are known.
#include "TestFiles.h"
#include "platform/Errors.h"
#include "platform/MusicPlayback.h"
#include "platform/SdlAudioBackend.h"

#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace qel;

namespace {

std::string le(std::uint32_t v, int width) {
    std::string s;
    for (int i = 0; i < width; ++i) s += char((v >> (8 * i)) & 0xFF);
    return s;
}

// ms milliseconds of a quiet 440 Hz square wave, 8 kHz mono 16-bit PCM.
std::string wavBytes(int ms) {
    const std::uint32_t samples = 8 * std::uint32_t(ms);
    std::string data;
    for (std::uint32_t i = 0; i < samples; ++i) data += le((i / 9) % 2 ? 0x0400 : 0xFC00, 2);
    return "RIFF" + le(36 + std::uint32_t(data.size()), 4) + "WAVE" + "fmt " + le(16, 4) + le(1, 2) + le(1, 2) +
           le(8000, 4) + le(16000, 4) + le(2, 2) + le(16, 2) + "data" + le(std::uint32_t(data.size()), 4) + data;
}

// One note lasting 240 ticks at 480 ticks per quarter and 120 bpm: 250 ms.
std::string midiBytes() {
    const std::string events = std::string("\x00\xC0\x00", 3) + std::string("\x00\x90\x3C\x50", 4) +
                               std::string("\x81\x70\x80\x3C\x00", 5) + std::string("\x00\xFF\x2F\x00", 4);
    return std::string("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14) + "MTrk" + std::string("\0\0\0", 3) +
           char(events.size()) + events;
}

TEST(MusicSdlBackendTest, PlaysGeneratedFilesOnBothChannelsWithoutCrashing) {
    test::ScratchFolder folder;
    folder.write("tone.wav", wavBytes(200));
    folder.write("tune.MID", midiBytes());
    folder.write("broken.ogg", "this is not an Ogg stream at all");
    const QString dir = folder.path() + QDir::separator();

    SdlAudioBackend audio;
    QString why;
    ASSERT_TRUE(audio.open(AudioChannel::Music, dir + "tone.wav", &why)) << why.toStdString();
    if (audio.audible()) {
        EXPECT_NEAR(double(audio.lengthMs(AudioChannel::Music)), 200.0, 5.0);
    }
    audio.play(AudioChannel::Music);
    audio.play(AudioChannel::Music);  // a restart while playing

    ASSERT_TRUE(audio.open(AudioChannel::Music, dir + "tune.MID", &why)) << why.toStdString();
    EXPECT_EQ(audio.lengthMs(AudioChannel::Music), 250);  // from the file's own tempo map
    audio.play(AudioChannel::Music);

    ASSERT_TRUE(audio.open(AudioChannel::Sound, dir + "tone.wav", &why)) << why.toStdString();
    if (audio.audible()) {
        EXPECT_NEAR(double(audio.lengthMs(AudioChannel::Sound)), 200.0, 5.0);
    }
    audio.play(AudioChannel::Sound);
    QTest::qWait(50);  // both channels run at once
    audio.close(AudioChannel::Sound);
    audio.close(AudioChannel::Sound);  // closing twice is harmless

    why.clear();
    EXPECT_FALSE(audio.open(AudioChannel::Music, dir + "absent.mp3", &why));
    EXPECT_FALSE(why.isEmpty());
    if (audio.audible()) {
        why.clear();
        EXPECT_FALSE(audio.open(AudioChannel::Sound, dir + "broken.ogg", &why));
        EXPECT_FALSE(why.isEmpty());
    }
    audio.play(AudioChannel::Music);  // nothing open: nothing happens
    EXPECT_EQ(audio.lengthMs(AudioChannel::Music), 0);
}

TEST(MusicSdlBackendTest, MusicCommandsRunOnTheRealBackEnd) {
    test::ScratchFolder folder;
    folder.write("tune.mid", midiBytes());
    folder.write("tone.wav", wavBytes(100));
    SdlAudioBackend audio;
    MusicPlayback mp(audio);
    mp.MP(3, "TUNE.MID");
    EXPECT_TRUE(mp.Timer1().isActive());
    EXPECT_EQ(mp.Timer1().interval(), 250);
    mp.WP(1, "tone.wav");
    mp.Timer1Timer();
    mp.MP(0, "");
    mp.WP(0, "");
    EXPECT_FALSE(mp.Timer1().isActive());
    try {
        mp.MP(1, "broken.mid");
        FAIL() << "a missing file must raise";
    } catch (const GameError&) {
    }
}

TEST(MusicSdlBackendTest, WithoutAnAudioDeviceFilesAreStillCheckedAndNothingPlays) {
    test::ScratchFolder folder;
    folder.write("tune.mid", midiBytes());
    folder.write("tone.wav", wavBytes(100));
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
    qputenv("SDL_AUDIODRIVER", "no-such-audio-driver");
    {
        SdlAudioBackend audio;
        MusicPlayback mp(audio);
        mp.MP(3, "tune.mid");
        EXPECT_FALSE(audio.audible());
        EXPECT_TRUE(mp.midip().open);
        EXPECT_EQ(mp.Timer1().interval(), 250);  // MIDI length still comes from the file
        mp.WP(1, "tone.wav");
        EXPECT_TRUE(mp.MediaPlayer2().open);
        EXPECT_THROW(mp.WP(1, "absent.wav"), GameError);
        mp.MP(0, "");
    }
    qputenv("SDL_AUDIODRIVER", driver);
}

}  // namespace
