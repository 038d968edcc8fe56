// End-to-end: the player itself, driven by replay files on the bundled demo.
#include "TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
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
Result runPlayer(const QString& folder, QStringList args, const QString& platform = "offscreen",
                 bool underXvfb = false, int timeoutMs = 120000) {
    QProcess p;
    p.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", platform);
    env.insert("SDL_AUDIODRIVER", "dummy");
    env.insert("XDG_CONFIG_HOME", folder + "/config");  // never the user's own settings
    env.insert("XDG_DATA_HOME", folder + "/data");      // nor the user's read-text memory
    p.setProcessEnvironment(env);
    const QString transcript = folder + "/transcript.txt";
    args = QStringList{"--transcript", transcript} + args;
    if (underXvfb) {
        p.start("xvfb-run", QStringList{"-a", "-s", "-screen 0 1024x768x24", QStringLiteral(QEL_PLAYER_BIN)} + args);
    } else {
        p.start(QStringLiteral(QEL_PLAYER_BIN), args);
    }
    Result r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.errors = "timed out";
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.transcript = readText(transcript);
    r.errors = QString::fromUtf8(p.readAllStandardError());
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

} // namespace

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

TEST(Replay, TheTraceGoesToStandardErrorAndChangesNothingElse) {
    DemoFolder demo;
    Result r = runPlayer(demo.path(), {"--trace", "--replay", kReplays + "/demo_full.txt", "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString();
    expectGolden(r.transcript, "demo_full.transcript");
    for (const char* expected : {"\nOpning.dat:12: .FW,2,星灯りの灯台\n", "\nOpning.dat:22: .\nOpning.dat:22: [wait: page click]\n",
                                 ": [scene: Tower.dat]\nTower.dat:"})
        EXPECT_TRUE(r.errors.contains(QString::fromUtf8(expected))) << expected << "\n" << r.errors.toStdString();
}

TEST(Replay, AScriptErrorNamesItsFileAndLineOnStandardError) {
    DemoFolder demo;
    writeText(demo.path("Opning.dat"), "Beach\r\n;\r\n.Start\r\nhello\r\n.FS,1,x\r\n;\r\n");
    writeText(demo.path("errors.txt"), "ok\nnew\nok\n");
    Result r = runPlayer(demo.path(), {"--replay", demo.path("errors.txt"), "Opning.dat"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.transcript.contains(QString::fromUtf8("error 'x' は整数ではありません\n")))
        << r.transcript.toStdString();
    EXPECT_TRUE(r.errors.contains(QString::fromUtf8("Opning.dat:5: 'x' は整数ではありません\n"))) << r.errors.toStdString();
}

TEST(Replay, AKeyboardOnlyPlayThroughEndsAsTheFullReplayDoes) {
    // Every action of the replay is a key or typed text.
    const QStringList actions = readText(kReplays + "/demo_keys.txt").split('\n');
    for (const QString& a : actions) {
        if (!a.isEmpty() && !a.startsWith('#')) {
            ASSERT_TRUE(a.startsWith("key ") || a.startsWith("type ")) << a.toStdString();
        }
    }
    DemoFolder keys;
    Result r = runPlayer(keys.path(), {"--replay", kReplays + "/demo_keys.txt", "--shots", keys.path("shots"),
                                       "Opning.dat"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString() << r.transcript.toStdString();
    EXPECT_EQ(withoutActions(r.transcript).toStdString(),
              withoutActions(readText(kReplays + "/demo_full.transcript")).toStdString());
    // The same pictures in the same order (their names are transcript line
    // numbers, which the extra action lines shift): no highlight in them.
    const auto pictures = [](const QString& checksums) {
        QStringList out;
        for (const QString& l : checksums.split('\n', Qt::SkipEmptyParts)) out << l.section(' ', 1);
        return out;
    };
    EXPECT_EQ(pictures(shotChecksums(keys.path("shots"))), pictures(readText(kReplays + "/demo_full.shots")));
    // And the same save, byte for byte.
    DemoFolder mouse;
    ASSERT_EQ(runPlayer(mouse.path(), {"--replay", kReplays + "/demo_full.txt", "Opning.dat"}).status, 0);
    QFile a(keys.path("QELP.INI")), b(mouse.path("QELP.INI"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
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
    EXPECT_TRUE(r.transcript.endsWith("replay-error 1: the start menu is not waiting\nend\n")) << r.transcript.toStdString();
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

TEST(Player, HelpAndVersion) {
    QProcess p;
    p.start(QStringLiteral(QEL_PLAYER_BIN), {"--version"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), "QEL Player ver.1.24\n");
    p.start(QStringLiteral(QEL_PLAYER_BIN), {"--help"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QByteArray help = p.readAllStandardOutput();
    EXPECT_TRUE(help.contains("--replay FILE"));
    EXPECT_TRUE(help.contains("Shift+Tab")) << "the keys are listed";
    p.start(QStringLiteral(QEL_PLAYER_BIN), {"--bogus"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    for (const char* bad : {"7", "0", "big"}) {
        p.start(QStringLiteral(QEL_PLAYER_BIN), {"--scale", bad, "--help"});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 2) << bad;
        EXPECT_TRUE(p.readAllStandardError().contains("--scale takes a number from 1 to 6 or auto"));
    }
}

namespace {

// A small MIDI file: one note.
QByteArray tinyMidi() {
    const QByteArray track("\x00\x90\x3C\x40\x60\x80\x3C\x40\x00\xFF\x2F\x00", 12);
    QByteArray m("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk", 18);
    const quint32 n = quint32(track.size());
    for (int shift : {24, 16, 8, 0}) m.append(char((n >> shift) & 0xFF));
    return m + track;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

TEST(Replay, ScriptsThatNeverWaitAreStoppedWithinSeconds) {
    // Each of these ran for minutes before the line count stopped it, the
    // player frozen meanwhile. The bound here is generous; the benchmark
    // runaway.stop_ms has the exact figure.
    struct Case {
        const char* what;
        QByteArray opening;
    };
    const Case cases[] = {
        {"two scenes jumping to each other", "bg\r\n;\r\n.Start\r\n.JS,B\r\n;\r\nend\r\n"},
        {"music started on every pass", "bg\r\n;\r\n.Start\r\n.Loop\r\n.MP,1,m.mid\r\n.JR,Start\r\n;\r\nend\r\n"},
        {"a picture drawn on every pass", "bg\r\n;\r\n.Start\r\n.Loop\r\n.GP,0,0,2,pic\r\n.JR,Start\r\n;\r\nend\r\n"},
        {"a transition that shows its picture at once on every pass",
         "bg\r\n;\r\n.Start\r\n.Loop\r\n.TK,0,pic\r\n.JR,Start\r\n;\r\nend\r\n"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        writeBytes(dir.filePath("bg.BMP"), QByteArray::fromStdString(qel::test::bmpBytes(qel::test::solidImage(64, 48, 0x336699))));
        writeBytes(dir.filePath("pic.bmp"), QByteArray::fromStdString(qel::test::bmpBytes(qel::test::patternImage(32, 32, 1))));
        writeBytes(dir.filePath("m.mid"), tinyMidi());
        writeBytes(dir.filePath("Opning.dat"), c.opening);
        writeBytes(dir.filePath("B.dat"), "bg\r\n;\r\n.Start\r\n.JS,Opning\r\n;\r\nend\r\n");
        writeText(dir.filePath("replay.txt"), "ok\nnew\nok\n");
        Result r = runPlayer(dir.path(), {"--replay", dir.filePath("replay.txt"), "Opning.dat"}, "offscreen", false, 60000);
        EXPECT_EQ(r.status, 0) << c.what << ": " << r.errors.toStdString();
        EXPECT_TRUE(r.transcript.contains(QString::fromUtf8(
            "error スクリプトが待ちのないまま 10000000 行を超えて実行されたため、停止しました\n> ok\n")))
            << c.what << ":\n" << r.transcript.right(2000).toStdString();
    }
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
        writeBytes(dir.filePath("bg.BMP"), QByteArray::fromStdString(qel::test::bmpBytes(qel::test::solidImage(64, 48, 0x336699))));
        writeBytes(dir.filePath("m.mid"), tinyMidi());
        writeBytes(dir.filePath("Opning.dat"), "bg\r\n;\r\n.Start\r\n.MP,3,m.mid\r\nhello\r\n.\r\n;\r\nend\r\n");
        writeText(dir.filePath("replay.txt"), c.replay);
        QProcess p;
        p.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("SDL_AUDIODRIVER", "dummy");
        p.setProcessEnvironment(env);
        // The shell replaces itself with the player, so the number it writes is the player's.
        p.start("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", "sh", "-c",
                             "echo $$ > pid; exec \"$0\" \"$@\"", QStringLiteral(QEL_PLAYER_BIN), "--transcript", "-",
                             "--replay", "replay.txt", "--real-time", "Opning.dat"});
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
