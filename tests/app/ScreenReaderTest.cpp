// The player as a screen reader sees it: on an X server of its own, with a
// private session bus and the accessibility bus, a replay plays the demo to
// its first page and on to the verb window, while a small pyatspi script
// reads the accessible tree from outside, as Orca would.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char* const kBusLauncher = "/usr/libexec/at-spi-bus-launcher";
const char* const kPython = "/usr/bin/python3";  // the system's, which has pyatspi

// Prints "page TEXT" once the message window's text shows the first page, then
// "verbs OBJECT|VERB|VERB... hidden N" for the verb window: the verbs of its
// buttons that are offered, and the empty ones that are not. Gives up after 60 s.
const char* const kReader = R"PY(
import sys, time
import pyatspi

def visible(node):
    return pyatspi.STATE_VISIBLE in node.getState().getStates()

def nodes(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from nodes(child)

def find(test):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None:
            continue
        for node in nodes(app):
            try:
                found = test(node)
            except Exception:
                found = None
            if found:
                return found
    return None

def page(node):
    if node.getRoleName() != "text" or node.name != "メッセージの本文" or not visible(node):
        return None
    text = node.queryText().getText(0, -1)
    return text if "夕暮れ" in text else None

def verbs(node):
    if node.getRoleName() != "dialog" or not visible(node):
        return None
    buttons = [node.getChildAtIndex(i) for i in range(node.childCount)]
    buttons = [b for b in buttons if b.getRoleName() == "push button"]
    if not buttons:
        return None
    offered = [b.name for b in buttons if visible(b)]
    return "%s|%s hidden %d" % (node.description, "|".join(offered), len(buttons) - len(offered))

deadline = time.time() + 60
for label, test in (("page", page), ("verbs", verbs)):
    while True:
        found = find(test)
        if found:
            print(label, found.replace("\n", "\\n"), flush=True)
            break
        if time.time() > deadline:
            print(label, "not found", flush=True)
            sys.exit(1)
        time.sleep(0.2)
)PY";

// The first page waits 10 s of real time for the reader; the verb window
// waits until the reader is done and the player is ended.
const char* const kReplay = "new\nwait 10000\npage\ninput 太郎\npage\npage\npage\nclick 123 253\nwait 120000\n";

// Inside the private session bus: the accessibility bus, the player, the reader.
const char* const kSession = R"SH(
"$BUS_LAUNCHER" --launch-immediately &
launcher=$!
"$PLAYER" --real-time --replay "$WORK/replay.txt" "$DEMO" >"$WORK/player.log" 2>&1 &
player=$!
"$PYTHON" "$WORK/reader.py"
status=$?
kill $player $launcher 2>/dev/null
wait
exit $status
)SH";

bool write(const QString& path, const char* text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == qint64(qstrlen(text));
}

}  // namespace

TEST(ScreenReader, FindsThePageTextAndTheVerbsByName) {
    QStringList missing;
    for (const char* tool : {"Xvfb", "dbus-run-session"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) missing << tool;
    if (!QFileInfo::exists(kBusLauncher)) missing << "at-spi2-core";
    QProcess probe;
    probe.start(kPython, {"-c", "import pyatspi"});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        missing << "python3-pyatspi";
    if (!missing.isEmpty())
        GTEST_SKIP() << "needs an X server and the accessibility bus; missing: " << missing.join(", ").toStdString();

    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    ASSERT_TRUE(write(work.filePath("replay.txt"), kReplay));
    ASSERT_TRUE(write(work.filePath("reader.py"), kReader));
    ASSERT_TRUE(write(work.filePath("session.sh"), kSession));
    for (const char* d : {"data", "config", "runtime"}) ASSERT_TRUE(QDir(work.path()).mkpath(d));
    QFile::setPermissions(work.filePath("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QProcess xvfb;
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1600x1200x24", "-nolisten", "tcp"});
    ASSERT_TRUE(xvfb.waitForReadyRead(20000)) << "Xvfb did not start";
    const QString display = ":" + QString::fromLatin1(xvfb.readAllStandardOutput()).trimmed();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.remove("WAYLAND_DISPLAY");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    env.insert("SDL_AUDIODRIVER", "dummy");
    env.insert("XDG_DATA_HOME", work.filePath("data"));
    env.insert("XDG_CONFIG_HOME", work.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", work.filePath("runtime"));
    env.insert("BUS_LAUNCHER", kBusLauncher);
    env.insert("PYTHON", kPython);
    env.insert("PLAYER", QStringLiteral(QEL_PLAYER_BIN));
    env.insert("DEMO", QStringLiteral(QEL_SOURCE_DIR "/demo"));
    env.insert("WORK", work.path());
    QProcess session;
    session.setProcessEnvironment(env);
    session.start("dbus-run-session", {"--", "sh", work.filePath("session.sh")});
    const bool finished = session.waitForFinished(150000);
    if (!finished) session.kill(), session.waitForFinished();
    xvfb.kill();
    xvfb.waitForFinished();
    const QString seen = QString::fromUtf8(session.readAllStandardOutput());
    QFile log(work.filePath("player.log"));
    const QString playerLog = log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    ASSERT_TRUE(finished) << seen.toStdString() << playerLog.toStdString();
    EXPECT_TRUE(
        seen.contains(QString::fromUtf8("page 夕暮れの岬の町に、最後のバスが着いた。\\n"
                                        "降りたのは、あなたひとりだけ。\\n海からの風が、少しつめたい。\n")))
        << seen.toStdString() << playerLog.toStdString();
    // The bottle's verbs; its three slots without a verb are not offered.
    EXPECT_TRUE(seen.contains(QString::fromUtf8("verbs 瓶|見る|拾う hidden 3\n")))
        << seen.toStdString() << playerLog.toStdString();
}
