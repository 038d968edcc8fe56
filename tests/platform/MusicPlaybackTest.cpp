// MP / WP against a recording back end: what is opened, played and closed,
// and when the repeat timer restarts the music.
#include "TestFiles.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/MusicPlayback.h"

#include <QFileInfo>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <vector>

using namespace qel;

namespace {

class FakeAudio : public AudioBackend {
public:
    std::vector<std::string> calls;               // "open M a.mid", "play M", "close S" ...
    std::map<std::string, std::int64_t> lengths;  // by file name as found on disk
    std::map<std::string, QString> failures;      // file name -> error text of a failed open
    std::string openFile[2];

    bool open(AudioChannel c, const QString& path, QString* error) override {
        const std::string name = QFileInfo(path).fileName().toStdString();
        calls.push_back("open " + tag(c) + " " + name);
        openFile[int(c)].clear();
        if (auto f = failures.find(name); f != failures.end()) {
            *error = f->second;
            return false;
        }
        openFile[int(c)] = name;
        return true;
    }
    void play(AudioChannel c) override { calls.push_back("play " + tag(c)); }
    void close(AudioChannel c) override {
        calls.push_back("close " + tag(c));
        openFile[int(c)].clear();
    }
    std::int64_t lengthMs(AudioChannel c) override {
        auto l = lengths.find(openFile[int(c)]);
        return l == lengths.end() ? 0 : l->second;
    }
    void setVolume(AudioChannel, int) override {}
    int plays(AudioChannel c) const { return int(std::count(calls.begin(), calls.end(), "play " + tag(c))); }
    static std::string tag(AudioChannel c) { return c == AudioChannel::Music ? "M" : "S"; }
};

class MusicPlaybackTest : public ::testing::Test {
protected:
    MusicPlaybackTest() {
        for (const char* f : {"a.mid", "b.mid", "c.wav", "silent.mid"}) folder.write(f, "x");
        audio.lengths = {{"a.mid", 1000}, {"b.mid", 40}, {"c.wav", 500}};
    }
    std::string errorOf(auto&& f) {
        try {
            f();
        } catch (const GameError& e) {
            return e.text();
        }
        return "(no error)";
    }

    test::ScratchFolder folder;
    FakeAudio audio;
    MusicPlayback mp{audio};
};

TEST_F(MusicPlaybackTest, ModeOnePlaysOnceWithoutTheTimer) {
    mp.MP(1, "a.mid");
    EXPECT_EQ(audio.calls, (std::vector<std::string>{"open M a.mid", "play M"}));
    EXPECT_TRUE(mp.midip().open);
    EXPECT_EQ(mp.midip().fileName, "a.mid");
    EXPECT_FALSE(mp.Timer1().isActive());
}

TEST_F(MusicPlaybackTest, ModeThreeArmsTheTimerWithTheLengthAndEachFiringRestarts) {
    mp.MP(3, "a.mid");
    EXPECT_EQ(audio.calls, (std::vector<std::string>{"open M a.mid", "play M"}));
    ASSERT_TRUE(mp.Timer1().isActive());
    EXPECT_EQ(mp.Timer1().interval(), 1000);

    mp.Timer1Timer();
    mp.Timer1Timer();
    EXPECT_EQ(audio.plays(AudioChannel::Music), 3);
    EXPECT_TRUE(mp.Timer1().isActive());
    EXPECT_EQ(mp.Timer1().interval(), 1000);
    EXPECT_EQ(std::count(audio.calls.begin(), audio.calls.end(), "open M a.mid"), 1);  // restarts do not reopen
}

TEST_F(MusicPlaybackTest, TheRealTimerRepeatsThePieceUntilModeZeroStopsIt) {
    mp.MP(3, "b.mid");  // 40 ms
    QTest::qWait(150);
    const int played = audio.plays(AudioChannel::Music);
    EXPECT_GE(played, 3);

    mp.MP(0, "b.mid");
    EXPECT_FALSE(mp.midip().open);
    EXPECT_FALSE(mp.Timer1().isActive());
    EXPECT_EQ(audio.calls.back(), "close M");
    QTest::qWait(100);
    EXPECT_EQ(audio.plays(AudioChannel::Music), played);  // never restarts
}

TEST_F(MusicPlaybackTest, ANewRepeatingPieceReplacesTheOldAndKeepsItsOwnLength) {
    mp.MP(3, "a.mid");
    mp.MP(3, "b.mid");
    EXPECT_EQ(mp.midip().fileName, "b.mid");
    EXPECT_EQ(mp.Timer1().interval(), 40);
    audio.calls.clear();
    mp.Timer1Timer();
    EXPECT_EQ(audio.calls, (std::vector<std::string>{"play M"}));
    EXPECT_EQ(audio.openFile[0], "b.mid");
    EXPECT_EQ(mp.Timer1().interval(), 40);
}

TEST_F(MusicPlaybackTest, APieceWithoutLengthIsNotRepeated) {
    mp.MP(3, "silent.mid");
    EXPECT_EQ(audio.plays(AudioChannel::Music), 1);
    EXPECT_FALSE(mp.Timer1().isActive());
    QTest::qWait(30);
    EXPECT_EQ(audio.plays(AudioChannel::Music), 1);
}

TEST_F(MusicPlaybackTest, ModeOneAfterModeThreeEndsTheRepeat) {
    mp.MP(3, "b.mid");
    mp.MP(1, "a.mid");
    EXPECT_FALSE(mp.Timer1().isActive());
    QTest::qWait(100);
    EXPECT_EQ(audio.plays(AudioChannel::Music), 2);
}

TEST_F(MusicPlaybackTest, StoppingWithNothingOpenDoesNothing) {
    EXPECT_NO_THROW(mp.MP(0, "a.mid"));
    EXPECT_NO_THROW(mp.MP(2, ""));
    EXPECT_NO_THROW(mp.WP(0, "nothere.wav"));
    EXPECT_NO_THROW(mp.WP(-7, ""));
    EXPECT_TRUE(audio.calls.empty());
    EXPECT_FALSE(mp.Timer1().isActive());
}

TEST_F(MusicPlaybackTest, AMissingFileRaisesTheMediaErrorAndLeavesThePlayerClosed) {
    mp.MP(3, "a.mid");
    EXPECT_EQ(errorOf([&] { mp.MP(1, "nothere.mid"); }), sj("ﾌｧｲﾙ nothere.mid は開けません"));
    EXPECT_FALSE(mp.midip().open);
    EXPECT_EQ(audio.calls.back(), "close M");  // the old piece is gone with the open
    EXPECT_FALSE(mp.Timer1().isActive());

    EXPECT_EQ(errorOf([&] { mp.WP(1, sj("音.wav")); }), sj("ﾌｧｲﾙ 音.wav は開けません"));
    EXPECT_FALSE(mp.MediaPlayer2().open);
}

TEST_F(MusicPlaybackTest, AFileTheBackEndCannotOpenShowsThePlayersOwnTextAndTheReasonGoesToTheErrorOutput) {
    // The back end's text is the audio library's, in English ("ModPlug_Load
    // failed"): the player shows its own, and the reason goes to stderr.
    audio.failures = {{"a.mid", QStringLiteral("ModPlug_Load failed")}, {"c.wav", QString()}};
    mp.MP(3, "b.mid");
    testing::internal::CaptureStderr();
    EXPECT_EQ(errorOf([&] { mp.MP(3, "a.mid"); }), sj("ﾌｧｲﾙ a.mid は開けません"));
    EXPECT_FALSE(mp.midip().open);
    EXPECT_FALSE(mp.Timer1().isActive());  // nothing left to repeat
    EXPECT_EQ(errorOf([&] { mp.WP(1, "c.wav"); }), sj("ﾌｧｲﾙ c.wav は開けません"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("a.mid: ModPlug_Load failed"), std::string::npos) << err;
    EXPECT_NE(err.find("c.wav: "), std::string::npos) << err;
}

TEST_F(MusicPlaybackTest, TheTimerOnAClosedPlayerRaisesNoDevice) {
    EXPECT_EQ(errorOf([&] { mp.Timer1Timer(); }), sj("MCI ﾃﾞﾊﾞｲｽがありません"));
    EXPECT_FALSE(mp.Timer1().isActive());
}

TEST_F(MusicPlaybackTest, FileNamesAreFoundWithoutRegardToCaseAndInCp932) {
    folder.write("BGM01.MID", "x");
    folder.write("曲.mid", "x");  // stored with a UTF-8 name
    mp.MP(1, "bgm01.mid");
    EXPECT_EQ(audio.openFile[0], "BGM01.MID");
    EXPECT_EQ(mp.midip().fileName, "bgm01.mid");
    mp.MP(1, sj("曲.MID"));
    EXPECT_EQ(audio.openFile[0], "曲.mid");
}

TEST_F(MusicPlaybackTest, SoundIsIndependentOfMusicAndNeverRepeats) {
    mp.MP(3, "a.mid");
    mp.WP(1, "c.wav");
    EXPECT_TRUE(mp.MediaPlayer2().open);
    EXPECT_EQ(mp.MediaPlayer2().fileName, "c.wav");
    EXPECT_EQ(mp.Timer1().interval(), 1000);  // the sound's length does not touch the timer
    mp.WP(0, "");
    EXPECT_FALSE(mp.MediaPlayer2().open);
    EXPECT_TRUE(mp.midip().open);
    EXPECT_TRUE(mp.Timer1().isActive());
    EXPECT_EQ(audio.calls, (std::vector<std::string>{"open M a.mid", "play M", "open S c.wav", "play S", "close S"}));
}

TEST_F(MusicPlaybackTest, ObserversSeeEveryCommandEvenOneThatFails) {
    std::vector<std::string> seen;
    mp.setMusicObserver(
        [&](std::int32_t m, const std::string& f) { seen.push_back("music " + std::to_string(m) + " " + f); });
    mp.setSoundObserver(
        [&](std::int32_t m, const std::string& f) { seen.push_back("sound " + std::to_string(m) + " " + f); });
    mp.MP(3, "a.mid");
    errorOf([&] { mp.WP(1, "nothere.wav"); });
    mp.MP(0, "x");
    EXPECT_EQ(seen, (std::vector<std::string>{"music 3 a.mid", "sound 1 nothere.wav", "music 0 x"}));
}

}  // namespace
