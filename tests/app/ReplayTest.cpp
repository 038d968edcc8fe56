// End-to-end: the player itself, driven by replay files on the bundled demo.
#include "PlayerRun.h"
#include "TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>

namespace {

const QString kReplays = QStringLiteral(QEL_SOURCE_DIR "/tests/app/replays");

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

void writeText(const QString& path, const QString& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

// Compares with a golden file; QEL_UPDATE_GOLDEN=1 rewrites it instead.
void expectGolden(const QString& actual, const QString& goldenName) {
    const QString path = kReplays + "/" + goldenName;
    if (qEnvironmentVariableIsSet("QEL_UPDATE_GOLDEN")) {
        writeText(path, actual);
        return;
    }
    EXPECT_EQ(actual.toStdString(), readText(path).toStdString()) << "golden file " << path.toStdString();
}

// A copy of the demo scenario in a scratch folder, so saves go there.
class DemoFolder {
public:
    DemoFolder() {
        QDirIterator it(QStringLiteral(QEL_SOURCE_DIR "/demo"), QDir::Files);
        while (it.hasNext()) {
            QString from = it.next();
            QFile::copy(from, dir.filePath(QFileInfo(from).fileName()));
        }
    }
    QString path(const QString& name = {}) const { return name.isEmpty() ? dir.path() : dir.filePath(name); }
    QTemporaryDir dir;
};

struct Result {
    int status = -1;
    QString transcript;
    QString errors;
};

// Runs the player in the folder with the arguments; the transcript is read
// from the file it writes.
Result runPlayer(const QString& folder, QStringList args, const QString& platform = "offscreen", bool underXvfb = false,
                 int timeoutMs = 120000) {
    const QProcessEnvironment env = qel::test::playerEnvironment(folder, platform);
    const QString transcript = folder + "/transcript.txt";
    args = QStringList{"--transcript", transcript} + args;
    const qel::test::ProgramRun run =
        underXvfb
            ? qel::test::runProgram("xvfb-run", QStringList{"-a", "-s", "-screen 0 1024x768x24", QEL_PLAYER_BIN} + args,
                                    env, folder, timeoutMs)
            : qel::test::runPlayer(args, env, folder, timeoutMs);
    Result r;
    if (run.timedOut) {
        r.errors = "timed out";
        return r;
    }
    r.status = run.status;
    r.transcript = readText(transcript);
    r.errors = run.err;
    return r;
}

QString withoutActions(const QString& transcript) {
    QStringList kept;
    for (const QString& l : transcript.split('\n'))
        if (!l.startsWith("> ")) kept << l;
    return kept.join('\n');
}

// A checksum of each shot's pixels, one "NAME HASH" line per shot.
QString shotChecksums(const QString& dir) {
    QStringList lines;
    QStringList names = QDir(dir).entryList({"*.png"}, QDir::Files, QDir::Name);
    for (const QString& n : names) {
        QImage img(dir + "/" + n);
        img = img.convertToFormat(QImage::Format_RGB32);
        QCryptographicHash h(QCryptographicHash::Sha1);
        for (int y = 0; y < img.height(); ++y)
            h.addData(QByteArrayView(reinterpret_cast<const char*>(img.constScanLine(y)), img.width() * 4));
        lines << n + " " + QString::fromLatin1(h.result().toHex());
    }
    return lines.join('\n') + "\n";
}

// The pictures of shotChecksums' lines in their order, without their names
// (transcript line numbers, which a replay's extra action lines shift).
QStringList pictures(const QString& checksums) {
    QStringList out;
    for (const QString& l : checksums.split('\n', Qt::SkipEmptyParts)) out << l.section(' ', 1);
    return out;
}

}  // namespace

TEST(Replay, FullPlayThroughOfTheDemoMatchesItsTranscriptShotsAndSave) {
    DemoFolder demo;
    const QString shots = demo.path("shots");
    Result r = runPlayer(demo.path(), {"--replay", kReplays + "/demo_full.txt", "--shots", shots, "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString();
    expectGolden(r.transcript, "demo_full.transcript");
    expectGolden(shotChecksums(shots), "demo_full.shots");
    // The save made on the way: the scene where it was made, then 50 numbers, then 9 strings.
    QFile save(demo.path("QELP.INI"));
    ASSERT_TRUE(save.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = save.readAll().split('\n');
    ASSERT_EQ(lines.size(), 61);  // 60 lines, each ended by CR LF
    EXPECT_EQ(lines[0], "Tower.dat\r");
}

TEST(Replay, EveryScaleAndFullScreenGiveTheSameTranscriptShotsAndSave) {
    const QStringList displays[] = {{"--scale", "2"}, {"--scale", "3", "--fullscreen"}};
    for (const QStringList& display : displays) {
        SCOPED_TRACE(display.join(' ').toStdString());
        DemoFolder demo;
        const QString shots = demo.path("shots");
        Result r = runPlayer(demo.path(), display + QStringList{"--replay", kReplays + "/demo_full.txt", "--shots",
                                                                shots, "Opning.dat"});
        ASSERT_EQ(r.status, 0) << r.errors.toStdString();
        EXPECT_EQ(r.transcript.toStdString(), readText(kReplays + "/demo_full.transcript").toStdString());
        EXPECT_EQ(shotChecksums(shots).toStdString(), readText(kReplays + "/demo_full.shots").toStdString());
        QFile save(demo.path("QELP.INI"));
        EXPECT_TRUE(save.open(QIODevice::ReadOnly));
        EXPECT_EQ(save.readAll().split('\n').value(0), "Tower.dat\r");
        EXPECT_FALSE(QFile::exists(demo.path("config/qelplayer/settings.ini")));  // a replay's choices are not kept
    }
}

// The whole game in one window: every replay of the demo, by mouse and by
// keys, gives the transcript, pictures and save that separate windows give.
TEST(Replay, TheStageGivesTheSameTranscriptsShotsAndSavesAsSeparateWindows) {
    struct Case {
        const char* replay;
        const char* golden;
        bool actions;  // the golden transcript has the replay's own actions
    } cases[] = {{"demo_full", "demo_full", true},
                 {"demo_keys", "demo_full", false},
                 {"history", "history", true},
                 {"skip", "skip", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.replay);
        DemoFolder demo;
        const QString shots = demo.path("shots");
        // skip.txt passes text it has not shown before: it skips all.
        const QStringList skipAll = QString(c.replay) == "skip" ? QStringList{"--set", "skip=all"} : QStringList{};
        Result r = runPlayer(demo.path(),
                             skipAll + QStringList{"--windows", "one", "--replay", kReplays + "/" + c.replay + ".txt",
                                                   "--shots", shots, "Opning.dat"});
        ASSERT_EQ(r.status, 0) << r.errors.toStdString();
        const QString golden = readText(kReplays + "/" + c.golden + ".transcript");
        EXPECT_EQ((c.actions ? r.transcript : withoutActions(r.transcript)).toStdString(),
                  (c.actions ? golden : withoutActions(golden)).toStdString());
        if (QString(c.golden) == "demo_full" && c.actions) {
            EXPECT_EQ(shotChecksums(shots).toStdString(), readText(kReplays + "/demo_full.shots").toStdString());
        }
        if (QString(c.golden) == "demo_full") {
            QFile save(demo.path("QELP.INI"));
            EXPECT_TRUE(save.open(QIODevice::ReadOnly));
            EXPECT_EQ(save.readAll().split('\n').value(0), "Tower.dat\r");
        }
    }
}

// The history grows page by page through the demo; the continue and the new
// game each start it afresh.
TEST(Replay, TheHistoryHoldsTheGamesPagesUntilANewGameOrAContinue) {
    DemoFolder demo;
    Result r = runPlayer(demo.path(), {"--replay", kReplays + "/history.txt", "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString();
    expectGolden(r.transcript, "history.transcript");
}

// Skipping passes pages (a "page" with no action after it), the opening's
// transition and timed wait, and stops at the text input, the idle game, a
// verb window and a question: the replay's actions there would not fit
// otherwise.
TEST(Replay, SkippingPassesPagesAndStopsWhereThePlayerIsAsked) {
    DemoFolder demo;
    Result r = runPlayer(demo.path(), {"--set", "skip=all", "--replay", kReplays + "/skip.txt", "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString() << r.transcript.toStdString();
    expectGolden(r.transcript, "skip.transcript");
}

// A tap of Ctrl turns nothing, a hold stops at the page shown when Ctrl goes
// up, and Ctrl with another key zooms (or does nothing) without turning the
// page; the settings a replay changes are not stored.
TEST(Replay, HoldingCtrlSkipsWhileItIsDownAndCtrlShortcutsTurnNoPage) {
    DemoFolder demo;
    Result r = runPlayer(demo.path(), {"--set", "skip=all", "--replay", kReplays + "/hold_skip.txt", "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString() << r.transcript.toStdString();
    expectGolden(r.transcript, "hold_skip.transcript");
    EXPECT_FALSE(QFile::exists(demo.path("config/qelplayer/settings.ini")));
}

// The first run shows the opening's first two pages; the second, skipping,
// passes them and stops at the first page that run did not show.
TEST(Replay, SkippingStopsAtTextNoEarlierRunShowed) {
    DemoFolder demo;
    writeText(demo.path("first.txt"), "ok\nnew\npage\ninput 太郎\n");
    Result first = runPlayer(demo.path(), {"--replay", demo.path("first.txt"), "Opning.dat"});
    ASSERT_EQ(first.status, 0) << first.errors.toStdString();
    writeText(demo.path("second.txt"), "ok\nskip on\nnew\ninput 太郎\nskip on\npage\n");
    Result second = runPlayer(demo.path(), {"--replay", demo.path("second.txt"), "Opning.dat"});
    ASSERT_EQ(second.status, 0) << second.errors.toStdString() << second.transcript.toStdString();
    expectGolden(second.transcript, "read_memory.transcript");
    EXPECT_FALSE(QFile::exists(demo.path("QELP.INI")));
}

// Auto-forward turns the pages on the game's clock and waits at the name
// input, the idle game and each verb window.
TEST(Replay, AutoForwardTurnsPagesAndLeavesEveryQuestionToThePlayer) {
    DemoFolder demo;
    Result r = runPlayer(demo.path(), {"--replay", kReplays + "/auto.txt", "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString() << r.transcript.toStdString();
    expectGolden(r.transcript, "auto.transcript");
}

// What the player sets for their own comfort is theirs alone: muted, at
// other volumes, copying each page, with the settings window open, the demo
// plays to the same transcript, the same
// pictures and the same save.
TEST(Replay, MuteVolumesCopyTextAndTheSettingsWindowChangeNothingTheGameShows) {
    QString replay = readText(kReplays + "/demo_full.txt");
    replay.replace("\nnew\n", "\nnew\nmute on\n");
    replay.replace(QString::fromUtf8("\ninput 太郎\n"), QString::fromUtf8("\ninput 太郎\nkey M\nkey F2\nmute on\n"));
    DemoFolder demo;
    writeText(demo.path("comfort.txt"), replay);
    Result r = runPlayer(demo.path(),
                         {"--set", "music-volume=10", "--set", "sound-volume=0", "--set", "copy-text=on", "--replay",
                          demo.path("comfort.txt"), "--shots", demo.path("shots"), "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString() << r.transcript.toStdString();
    EXPECT_EQ(withoutActions(r.transcript).toStdString(),
              withoutActions(readText(kReplays + "/demo_full.transcript")).toStdString());
    EXPECT_EQ(pictures(shotChecksums(demo.path("shots"))), pictures(readText(kReplays + "/demo_full.shots")));
    DemoFolder plain;
    ASSERT_EQ(runPlayer(plain.path(), {"--replay", kReplays + "/demo_full.txt", "Opning.dat"}).status, 0);
    const auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    };
    EXPECT_EQ(bytes(demo.path("QELP.INI")), bytes(plain.path("QELP.INI")));
    EXPECT_FALSE(QFile::exists(demo.path("config/qelplayer/settings.ini")));  // a replay's changes are not stored
}

TEST(Replay, TheTraceGoesToStandardErrorAndChangesNothingElse) {
    DemoFolder demo;
    Result r = runPlayer(demo.path(), {"--trace", "--replay", kReplays + "/demo_full.txt", "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString();
    expectGolden(r.transcript, "demo_full.transcript");
    for (const char* expected :
         {"\nOpning.dat:12: .FW,2,星灯りの灯台\n", "\nOpning.dat:22: .\nOpning.dat:22: [wait: page click]\n",
          ": [scene: Tower.dat]\nTower.dat:"})
        EXPECT_TRUE(r.errors.contains(QString::fromUtf8(expected))) << expected << "\n" << r.errors.toStdString();
}

// The trace stands between the game and its windows: every replay plays the
// same with it, picture for picture and byte for byte, and what it writes
// about waits is what happened (skipped, the opening's transition and timed
// wait wait for nothing, and a page that turns by itself is written so).
TEST(Replay, EveryReplayPlaysTheSameWithTheTrace) {
    struct Case {
        const char* replay;
        const char* traceHas;
        const char* traceLacks;
    };
    const Case cases[] = {
        {"demo_full.txt", "\nOpning.dat:15: [wait: 50 ms]\n", "[skip: "},
        {"demo_keys.txt", "\nOpning.dat:22: [wait: page click]\n", "[skip: "},
        {"history.txt", "\nOpning.dat:18: [wait: 2501 ms]\n", "[skip: "},
        {"skip.txt", "\nOpning.dat:22: [skip: page click]\n", "\nOpning.dat:18: [wait: 2501 ms]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.replay);
        DemoFolder plain, traced;
        QStringList args{"--replay", kReplays + "/" + c.replay, "--shots", "shots", "Opning.dat"};
        if (QString(c.replay) == "skip.txt") args = QStringList{"--set", "skip=all"} + args;  // past unread text too
        const Result a = runPlayer(plain.path(), args);
        const Result b = runPlayer(traced.path(), QStringList{"--trace"} + args);
        ASSERT_EQ(a.status, 0) << a.errors.toStdString();
        ASSERT_EQ(b.status, 0) << b.errors.toStdString();
        EXPECT_EQ(b.transcript.toStdString(), a.transcript.toStdString());
        EXPECT_EQ(shotChecksums(traced.path("shots")).toStdString(), shotChecksums(plain.path("shots")).toStdString());
        QFile saveA(plain.path("QELP.INI")), saveB(traced.path("QELP.INI"));
        EXPECT_EQ(saveA.exists(), saveB.exists());
        if (saveA.open(QIODevice::ReadOnly) && saveB.open(QIODevice::ReadOnly)) {
            EXPECT_EQ(saveB.readAll(), saveA.readAll());
        }
        EXPECT_TRUE(b.errors.contains(QString::fromUtf8(c.traceHas))) << b.errors.toStdString();
        EXPECT_FALSE(b.errors.contains(QString::fromUtf8(c.traceLacks))) << b.errors.toStdString();
    }
}

TEST(Replay, AScriptErrorNamesItsFileAndLineOnStandardError) {
    DemoFolder demo;
    writeText(demo.path("Opning.dat"), "Beach\r\n;\r\n.Start\r\nhello\r\n.FS,1,x\r\n;\r\n");
    writeText(demo.path("errors.txt"), "ok\nnew\nok\n");
    Result r = runPlayer(demo.path(), {"--replay", demo.path("errors.txt"), "Opning.dat"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.transcript.contains(QString::fromUtf8("error 'x' は整数ではありません\n")))
        << r.transcript.toStdString();
    EXPECT_TRUE(r.errors.contains(QString::fromUtf8("Opning.dat:5: 'x' は整数ではありません\n")))
        << r.errors.toStdString();
}

TEST(Replay, AKeyboardOnlyOrPadOnlyPlayThroughEndsAsTheFullReplayDoes) {
    // The save of the mouse's play-through, to compare with.
    DemoFolder mouse;
    ASSERT_EQ(runPlayer(mouse.path(), {"--replay", kReplays + "/demo_full.txt", "Opning.dat"}).status, 0);
    QFile mouseSave(mouse.path("QELP.INI"));
    ASSERT_TRUE(mouseSave.open(QIODevice::ReadOnly));
    const QByteArray expectedSave = mouseSave.readAll();
    // Every action of a replay is a key or a pad button, or typed text.
    // The last row presses the pad's buttons on SDL's virtual controller, so
    // they come through the device layer as a real controller's do.
    struct Row {
        const char* replay;
        const char* word;
        QStringList extra;
    };
    for (const auto& [replay, word, extra] : {Row{"demo_keys.txt", "key ", {}}, Row{"demo_pad.txt", "pad ", {}},
                                              Row{"demo_pad.txt", "pad ", {"--virtual-pad"}}}) {
        SCOPED_TRACE(std::string(replay) + " " + extra.join(' ').toStdString());
        const QStringList actions = readText(kReplays + "/" + replay).split('\n');
        for (const QString& a : actions) {
            if (!a.isEmpty() && !a.startsWith('#')) {
                ASSERT_TRUE(a.startsWith(word) || a.startsWith("type ")) << a.toStdString();
            }
        }
        DemoFolder keys;
        Result r = runPlayer(keys.path(), QStringList{"--replay", kReplays + "/" + replay, "--shots",
                                                      keys.path("shots"), "Opning.dat"} +
                                              extra);
        if (r.status == 2 && r.errors.contains("no virtual controller")) {
            ADD_FAILURE() << "SDL gave no virtual controller: " << r.errors.toStdString();
            continue;
        }
        ASSERT_EQ(r.status, 0) << r.errors.toStdString() << r.transcript.toStdString();
        EXPECT_EQ(withoutActions(r.transcript).toStdString(),
                  withoutActions(readText(kReplays + "/demo_full.transcript")).toStdString());
        // The same pictures in the same order: no highlight in them.
        EXPECT_EQ(pictures(shotChecksums(keys.path("shots"))), pictures(readText(kReplays + "/demo_full.shots")));
        // And the same save, byte for byte.
        QFile save(keys.path("QELP.INI"));
        ASSERT_TRUE(save.open(QIODevice::ReadOnly));
        EXPECT_EQ(save.readAll(), expectedSave);
    }
}

TEST(Replay, TouchesPlayAsTheClicksAndTheHistoryTheyStandFor) {
    // The history replay with its clicks tapped, its right clicks held and
    // its history swiped open.
    QString touches;
    for (const QString& a : readText(kReplays + "/history.txt").split('\n')) {
        if (a == "history") touches += "touch swipe2 up\n";
        else if (a.startsWith("click ")) touches += "touch tap " + a.mid(6) + "\n";
        else if (a.startsWith("rclick ")) touches += "touch hold " + a.mid(7) + "\n";
        else touches += a + "\n";
    }
    ASSERT_TRUE(touches.contains("touch tap") && touches.contains("touch hold") && touches.contains("touch swipe2"));
    DemoFolder demo;
    writeText(demo.path("touch.txt"), touches);
    Result r = runPlayer(demo.path(), {"--replay", demo.path("touch.txt"), "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString() << r.transcript.toStdString();
    EXPECT_EQ(withoutActions(r.transcript).toStdString(),
              withoutActions(readText(kReplays + "/history.transcript")).toStdString());
}

TEST(Replay, ARecordedSessionReplaysToTheSameTranscript) {
    // Played with the mouse, and with the keys (whose clicks on objects are
    // recorded as the clicks they make).
    for (const char* replay : {"demo_full.txt", "demo_keys.txt"}) {
        SCOPED_TRACE(replay);
        DemoFolder first;
        Result live = runPlayer(first.path(), {"--replay", kReplays + "/" + replay, "--record",
                                               first.path("recorded.txt"), "Opning.dat"});
        ASSERT_EQ(live.status, 0) << live.errors.toStdString();
        DemoFolder second;
        Result again = runPlayer(second.path(), {"--replay", first.path("recorded.txt"), "Opning.dat"});
        ASSERT_EQ(again.status, 0) << again.errors.toStdString();
        EXPECT_EQ(withoutActions(again.transcript).toStdString(), withoutActions(live.transcript).toStdString());
    }
}

TEST(Replay, AnActionThatDoesNotFitEndsWithStatus3) {
    DemoFolder demo;
    writeText(demo.path("bad.txt"), "ok\nnew\nverb 2\n");
    Result r = runPlayer(demo.path(), {"--replay", demo.path("bad.txt"), "Opning.dat"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.transcript.contains("replay-error 3: no verb window is open\nend\n")) << r.transcript.toStdString();
    // Also while the box of the start menu's creation is open, before the
    // program's main loop has started (it used to start and never end).
    writeText(demo.path("early.txt"), "new\n");
    r = runPlayer(demo.path(), {"--replay", demo.path("early.txt"), "Opning.dat"}, "offscreen", false, 30000);
    EXPECT_EQ(r.status, 3) << r.errors.toStdString();
    EXPECT_TRUE(r.transcript.endsWith("replay-error 1: the start menu is not waiting\nend\n"))
        << r.transcript.toStdString();
}

TEST(Replay, AnUnknownKeyNameEndsWithStatus3) {
    DemoFolder demo;
    writeText(demo.path("bad.txt"), "key Return\nkey Ctrl+Nothing\n");
    Result r = runPlayer(demo.path(), {"--replay", demo.path("bad.txt"), "Opning.dat"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.transcript.contains("replay-error 2: unknown key")) << r.transcript.toStdString();
}

TEST(Replay, AUsedUpReplayEndsAtOnceWithoutSaving) {
    DemoFolder demo;
    writeText(demo.path("short.txt"), "# just start\nok\n\nnew\n");
    Result r = runPlayer(demo.path(), {"--replay", demo.path("short.txt"), "Opning.dat"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.transcript.endsWith("page\nend\n")) << r.transcript.toStdString();
    EXPECT_FALSE(QFile::exists(demo.path("QELP.INI")));
}

TEST(Replay, RunsOnARealXServer) {
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty()) FAIL() << "xvfb-run is not installed";
    DemoFolder demo;
    Result r = runPlayer(demo.path(), {"--replay", kReplays + "/demo_full.txt", "Opning.dat"}, "xcb", true);
    ASSERT_EQ(r.status, 0) << r.errors.toStdString();
    EXPECT_EQ(r.transcript.toStdString(), readText(kReplays + "/demo_full.transcript").toStdString());
}

TEST(Player, ManualPageListsEveryOption) {
    const qel::test::ProgramRun help = qel::test::runPlayer({"--help"}, QProcessEnvironment::systemEnvironment(), {},
                                                            30000);
    ASSERT_FALSE(help.timedOut);
    const QString usage = help.out;
    const QString manual = readText(QStringLiteral(QEL_SOURCE_DIR "/packaging/qelplayer.6"));
    const QRegularExpression option("^  (?:-\\w, )?(--[a-z-]+)", QRegularExpression::MultilineOption);
    int options = 0;
    for (auto m = option.globalMatch(usage); m.hasNext(); ++options) {
        const QString name = m.next().captured(1);
        EXPECT_TRUE(manual.contains(QString(name).replace("-", "\\-"))) << name.toStdString();
    }
    EXPECT_GE(options, 12);
    for (const char* key : {"Shift+F10", "Ctrl+0", "F11", "F8", "F2"}) EXPECT_TRUE(manual.contains(key)) << key;
}

TEST(Player, OptionsAreReadWithoutADisplay) {
    // No display at all: whatever the options say, none is needed to say it.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    struct Case {
        QStringList args;
        int status;
        const char* out;  // part of standard output
        const char* err;  // part of standard error
    };
    const Case cases[] = {
        {{"--version"}, 0, "qelplayer " QEL_VERSION "\nplays scenarios written for QEL Player ver.1.24\n", ""},
        {{"--help"}, 0, "--replay FILE", ""},
        {{"-h"}, 0, "Shift+Tab", ""},
        {{"--bogus"}, 2, "", "unknown option --bogus\nUsage:"},
        {{"-x", "demo"}, 2, "", "unknown option -x"},
        {{"--replay"}, 2, "", "--replay needs a value"},
        {{"--scale", "9"}, 2, "", "--scale takes a number from 1 to 6 or auto"},
        {{"--scale", "0", "--help"}, 2, "", "--scale takes a number from 1 to 6 or auto"},
        {{"--scale", "big"}, 2, "", "--scale takes a number from 1 to 6 or auto"},
        {{"--scale"}, 2, "", "--scale takes a number from 1 to 6 or auto"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const qel::test::ProgramRun p = qel::test::runPlayer(c.args, env, {}, 30000);
        ASSERT_FALSE(p.timedOut);
        EXPECT_EQ(p.status, c.status);
        const QString& out = p.out;
        const QString& err = p.err;
        EXPECT_TRUE(out.contains(QString::fromUtf8(c.out))) << out.toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.err))) << err.toStdString();
    }
}

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

}  // namespace

TEST(Replay, ScriptsThatNeverWaitAreStoppedByTheirOwnWork) {
    // Each of these ran for minutes before the line count stopped it, the
    // player frozen meanwhile. The count of files read stops the ones that
    // read a file on every pass, whatever the machine's speed; the lines
    // stop the rest; music started on every pass is stopped soonest, each
    // start being the slowest. runaway.stop_ms has the time it takes.
    const std::string lines =
        "error スクリプトが待ちのないまま 10000000 行を超えて実行されたため、停止しました\n> ok\n";
    const std::string loads =
        "error スクリプトが待ちのないまま 1000 回を超えてファイルを読み込んだため、停止しました\n> ok\n";
    const std::string sounds =
        "error スクリプトが待ちのないまま 20 回を超えて音楽や効果音を鳴らしたため、停止しました\n> ok\n";
    struct Case {
        const char* what;
        QByteArray opening;
        const std::string& error;
    };
    const Case cases[] = {
        {"two scenes jumping to each other", "bg\r\n;\r\n.Start\r\n.JS,B\r\n;\r\nend\r\n", loads},
        {"music started on every pass", "bg\r\n;\r\n.Start\r\n.Loop\r\n.MP,1,m.mid\r\n.JR,Start\r\n;\r\nend\r\n",
         sounds},
        {"a picture drawn on every pass", "bg\r\n;\r\n.Start\r\n.Loop\r\n.GP,0,0,2,pic\r\n.JR,Start\r\n;\r\nend\r\n",
         loads},
        {"a transition that shows its picture at once on every pass",
         "bg\r\n;\r\n.Start\r\n.Loop\r\n.TK,0,pic\r\n.JR,Start\r\n;\r\nend\r\n", loads},
        {"a jump loop", "bg\r\n;\r\n.Start\r\n.Loop\r\n.FS,1,1\r\n.JR,Start\r\n;\r\nend\r\n", lines},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        writeBytes(dir.filePath("bg.BMP"),
                   QByteArray::fromStdString(qel::test::bmpBytes(qel::test::solidImage(64, 48, 0x336699))));
        writeBytes(dir.filePath("pic.bmp"),
                   QByteArray::fromStdString(qel::test::bmpBytes(qel::test::patternImage(32, 32, 1))));
        writeBytes(dir.filePath("m.mid"), QByteArray::fromStdString(qel::test::tinyMidi()));
        writeBytes(dir.filePath("Opning.dat"), c.opening);
        writeBytes(dir.filePath("B.dat"), "bg\r\n;\r\n.Start\r\n.JS,Opning\r\n;\r\nend\r\n");
        writeText(dir.filePath("replay.txt"), "ok\nnew\nok\n");
        Result r = runPlayer(dir.path(), {"--replay", dir.filePath("replay.txt"), "Opning.dat"}, "offscreen", false,
                             60000);
        EXPECT_EQ(r.status, 0) << c.what << ": " << r.errors.toStdString();
        EXPECT_TRUE(r.transcript.contains(QString::fromStdString(c.error))) << c.what << ":\n"
                                                                            << r.transcript.right(2000).toStdString();
    }
}

TEST(Replay, ScenariosInAFolderOf100000EntriesAreNeverStopped) {
    // Every case-insensitive lookup there used to read the whole folder, and
    // the guard that looked at the clock stopped a scene drawing 200 pictures.
    DemoFolder demo;
    for (int i = 0; i < 100000; ++i) {
        QFile f(demo.path(QString("filler%1.bmp").arg(i)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    writeBytes(demo.path("zbg.BMP"),
               QByteArray::fromStdString(qel::test::bmpBytes(qel::test::solidImage(64, 48, 0x336699))));
    writeBytes(demo.path("zpic.bmp"), QByteArray::fromStdString(qel::test::bmpBytes(qel::test::patternImage(8, 8, 1))));
    QByteArray many = "ZBG\r\n;\r\n.Start\r\n";
    for (int i = 0; i < 200; ++i) many += ".GP," + QByteArray::number(i % 50) + ",0,2,ZPIC\r\n";
    writeBytes(demo.path("Many.dat"), many + "drawn\r\n.\r\n;\r\n");
    writeText(demo.path("many.txt"), "ok\nnew\npage\n");
    Result r = runPlayer(demo.path(), {"--replay", demo.path("many.txt"), "Many.dat"});
    EXPECT_EQ(r.status, 0) << r.errors.toStdString();
    EXPECT_TRUE(r.transcript.contains("text drawn\npage\n> page\n")) << r.transcript.toStdString();
    EXPECT_FALSE(r.transcript.contains("error")) << r.transcript.toStdString();

    r = runPlayer(demo.path(), {"--replay", kReplays + "/demo_full.txt", "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString();
    expectGolden(r.transcript, "demo_full.transcript");
}

TEST(Replay, AReplayThatCanNoLongerActEndsWithAnError) {
    // Timed waits pass at once on the replay's clock: a loop of them never
    // lets the next action come, and ran (and grew) for ever.
    QTemporaryDir dir;
    writeBytes(dir.filePath("bg.BMP"),
               QByteArray::fromStdString(qel::test::bmpBytes(qel::test::solidImage(64, 48, 0x336699))));
    writeBytes(dir.filePath("Opning.dat"), "bg\r\n;\r\n.Start\r\n.Loop\r\n.OS,100\r\n.JR,Start\r\n;\r\nend\r\n");
    writeText(dir.filePath("replay.txt"), "ok\nnew\npage\n");
    Result r = runPlayer(dir.path(), {"--replay", dir.filePath("replay.txt"), "Opning.dat"}, "offscreen", false, 60000);
    EXPECT_EQ(r.status, 3) << r.errors.toStdString();
    EXPECT_TRUE(r.transcript.contains("replay-error 3: the game went on for 600 s of its time"))
        << r.transcript.toStdString();
}

TEST(Replay, LeavingTheGameForTheStartMenuAbandonsItsRun) {
    // The first game is left at its first page (no save, no quit); the second
    // game must play alone up to its first idle moment, where the first run,
    // still blocked in its page wait, used to carry on inside it.
    DemoFolder demo;
    writeText(demo.path("leave.txt"), QString::fromUtf8("ok\nnew\nrclick 5 5\nmenu TopMenu\nno\nno\nnew\npage\n"
                                                        "input 太郎\npage\npage\npage\n"));
    Result r = runPlayer(demo.path(), {"--replay", demo.path("leave.txt"), "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString() << r.transcript.toStdString();
    expectGolden(r.transcript, "leave_and_new_game.transcript");
    EXPECT_FALSE(QFile::exists(demo.path("QELP.INI")));
}

TEST(Player, EndsOnATermSignalWithinTwoSecondsWhilePlayingMusicOrAsking) {
    // Once music had played, the audio library's own signal handlers made
    // SIGTERM, SIGINT and SIGHUP do nothing. The player runs on a real X
    // server; its transcript, on standard output, tells when it has reached
    // the moment to be interrupted (a replayed wait keeps it there).
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
    struct Case {
        const char* what;
        const char* replay;
        const char* reached;  // the transcript line that shows the moment
    };
    const Case cases[] = {
        {"page wait with music", "ok\nnew\nwait 60000\n", "page"},
        {"the quit question open", "ok\nnew\nrclick 5 5\nmenu Exit\nwait 60000\n", "box 確認"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        writeBytes(dir.filePath("bg.BMP"),
                   QByteArray::fromStdString(qel::test::bmpBytes(qel::test::solidImage(64, 48, 0x336699))));
        writeBytes(dir.filePath("m.mid"), QByteArray::fromStdString(qel::test::tinyMidi()));
        writeBytes(dir.filePath("Opning.dat"), "bg\r\n;\r\n.Start\r\n.MP,3,m.mid\r\nhello\r\n.\r\n;\r\nend\r\n");
        writeText(dir.filePath("replay.txt"), c.replay);
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.setProcessEnvironment(qel::test::playerEnvironment(dir.path(), "xcb"));
        // The shell replaces itself with the player, so the number it writes is the player's.
        p.start("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", "sh", "-c", "echo $$ > pid; exec \"$0\" \"$@\"",
                             QStringLiteral(QEL_PLAYER_BIN), "--transcript", "-", "--replay", "replay.txt",
                             "--real-time", "Opning.dat"});
        ASSERT_TRUE(p.waitForStarted()) << c.what;
        QByteArray out;
        bool reached = false;
        while (!reached && p.waitForReadyRead(30000)) {
            out += p.readAllStandardOutput();
            for (const QByteArray& line : out.split('\n'))
                if (line.startsWith(c.reached)) reached = true;
        }
        ASSERT_TRUE(reached) << c.what << ":\n" << out.toStdString() << p.readAllStandardError().toStdString();
        QFile pidFile(dir.filePath("pid"));
        ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly)) << c.what;
        const pid_t pid = pid_t(pidFile.readAll().trimmed().toInt());
        ASSERT_GT(pid, 1) << c.what;
        ASSERT_EQ(::kill(pid, SIGTERM), 0) << c.what;
        const bool ended = p.waitForFinished(2000);
        if (!ended) {
            ::kill(pid, SIGKILL);
            p.waitForFinished();
        }
        EXPECT_TRUE(ended) << c.what << ": still running 2 s after SIGTERM";
        EXPECT_FALSE(QFile::exists(dir.filePath("QELP.INI"))) << c.what;
    }
}
