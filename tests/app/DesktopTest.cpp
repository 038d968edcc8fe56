// The player on a real X server with a window manager (Xvfb and openbox),
// watched from outside with xdotool, xwininfo and xprop, as a person on a
// desktop would see it: where the message window sits relative to the
// picture in every scene and scale, and that it travels, minimises and
// restores with the main window.
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kReplays = QStringLiteral(QEL_SOURCE_DIR "/tests/app/replays");

QProcessEnvironment displayEnv(const QString& display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    return env;
}

// Runs a tool on the display and returns its standard output.
QString run(const QString& display, const QString& program, const QStringList& args, int timeoutMs = 30000) {
    QProcess p;
    p.setProcessEnvironment(displayEnv(display));
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The first visible window whose name matches the pattern, or empty; with
// sync, waits until there is one.
QString findWindow(const QString& display, const QString& pattern, bool sync = false) {
    QStringList args{"search"};
    if (sync) args << "--sync";
    args << "--onlyvisible"
         << "--name" << pattern;
    return run(display, "xdotool", args).section('\n', 0, 0);
}

// An X server of its own with openbox managing it.
class Screen {
public:
    bool start(QString* why, QSize size = QSize(2000, 1500)) {
        xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0",
                             QString("%1x%2x24").arg(size.width()).arg(size.height()), "-nolisten", "tcp"});
        if (!xvfb_.waitForReadyRead(20000)) {
            *why = "Xvfb did not start";
            return false;
        }
        display_ = ":" + QString::fromLatin1(xvfb_.readAllStandardOutput()).trimmed();
        wm_.setProcessEnvironment(displayEnv(display_));
        wm_.start("openbox", {});
        // The window manager announces itself on the root window once it
        // manages the screen.
        for (int i = 0; i < 200; ++i) {
            if (run(display_, "xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains('#')) return true;
            QTest::qWait(100);
        }
        *why = "openbox did not start";
        return false;
    }
    ~Screen() {
        for (QProcess* p : {&wm_, &xvfb_}) {
            p->kill();
            p->waitForFinished();
        }
    }
    const QString& display() const { return display_; }

private:
    QProcess xvfb_;
    QProcess wm_;
    QString display_;
};

struct Seen {
    QRect client;    // the window's own area on the screen
    QMargins frame;  // the window manager's frame around it
    bool viewable = false;
    QString transientFor;
    QPoint outer() const { return client.topLeft() - QPoint(frame.left(), frame.top()); }
};

Seen inspect(const QString& display, const QString& id) {
    Seen s;
    int x = 0, y = 0, w = 0, h = 0;
    for (const QString& line : run(display, "xwininfo", {"-id", id}).split('\n')) {
        const QString v = line.section(':', 1).trimmed();
        if (line.contains("Absolute upper-left X")) x = v.toInt();
        else if (line.contains("Absolute upper-left Y")) y = v.toInt();
        else if (line.trimmed().startsWith("Width")) w = v.toInt();
        else if (line.trimmed().startsWith("Height")) h = v.toInt();
        else if (line.contains("Map State")) s.viewable = v == "IsViewable";
    }
    s.client = QRect(x, y, w, h);
    const QStringList extents = run(display, "xprop", {"-id", id, "_NET_FRAME_EXTENTS"}).section('=', 1).split(',');
    if (extents.size() == 4)
        s.frame = QMargins(extents[0].trimmed().toInt(), extents[2].trimmed().toInt(), extents[1].trimmed().toInt(),
                           extents[3].trimmed().toInt());
    s.transientFor = run(display, "xprop", {"-id", id, "WM_TRANSIENT_FOR"}).section('#', 1).trimmed();
    return s;
}

// Blocks until the file holds the text or the time is up.
bool waitForText(const QString& path, const QString& text, int timeoutMs) {
    auto holds = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && QString::fromUtf8(f.readAll()).contains(text);
    };
    QFileSystemWatcher watcher({path});
    QEventLoop loop;
    QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, &loop, [&] {
        watcher.addPath(path);  // a rewritten file may have dropped out of the watch
        if (holds()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!holds()) loop.exec();
    return holds();
}

// The first n actions of the full demo replay, then a wait that holds the
// game still at that moment.
QString replayPrefix(int n) {
    QFile f(kReplays + "/demo_full.txt");
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList kept;
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) continue;
        if (kept.size() == n) break;
        kept << line;
    }
    return kept.join('\n') + "\nwait 600000\n";
}

// The player running the demo in a scratch folder until it is killed.
class Player {
public:
    Player(const QString& display, int replayActions, int scale, const QStringList& extra = {})
        : Player(display, replayPrefix(replayActions), scale, extra) {}
    Player(const QString& display, const QString& replay, int scale, const QStringList& extra = {}) {
        QDirIterator it(QStringLiteral(QEL_SOURCE_DIR "/demo"), QDir::Files);
        while (it.hasNext()) {
            const QString from = it.next();
            QFile::copy(from, dir.filePath(QFileInfo(from).fileName()));
        }
        QFile r(dir.filePath("hold.txt"));
        if (r.open(QIODevice::WriteOnly)) r.write(replay.toUtf8());
        r.close();
        QFile(dir.filePath("transcript.txt")).open(QIODevice::WriteOnly);
        QProcessEnvironment env = displayEnv(display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("SDL_AUDIODRIVER", "dummy");
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        const QString scaleText = scale == 0 ? QStringLiteral("auto") : QString::number(scale);
        p.start(QStringLiteral(QEL_PLAYER_BIN), QStringList{"--real-time", "--replay", "hold.txt", "--transcript",
                                                            "transcript.txt", "--scale", scaleText} +
                                                    extra + QStringList{"Opning.dat"});
    }
    ~Player() {
        p.kill();  // SIGKILL: the audio library keeps SIGTERM for itself
        p.waitForFinished();
    }
    bool holding() { return waitForText(dir.filePath("transcript.txt"), "> wait 600000", 60000); }
    QTemporaryDir dir;
    QProcess p;
};

}  // namespace

// Each test gets a screen of its own; without the tools that drive it, the
// test is skipped.
class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        QStringList missing;
        for (const char* t : {"Xvfb", "openbox", "xdotool", "xwininfo", "xprop"})
            if (QStandardPaths::findExecutable(t).isEmpty()) missing << t;
        if (!missing.isEmpty())
            GTEST_SKIP() << "needs a real X server and window manager; missing: " << missing.join(", ").toStdString();
        if (screenSize().isEmpty()) return;
        QString why;
        ASSERT_TRUE(screen_.start(&why, screenSize())) << why.toStdString();
        d = screen_.display();
    }
    // The screen the test runs on; empty: the test starts its own.
    virtual QSize screenSize() const { return QSize(2000, 1500); }
    Screen screen_;
    QString d;  // the display's name
};

class DesktopScreens : public Desktop {
protected:
    QSize screenSize() const override { return {}; }
};

TEST_F(Desktop, MessageWindowKeepsItsPlaceFromThePictureAndTravelsWithTheMainWindow) {

    // Every scene of the demo asks for MW 0,322 under a 486 x 295 picture
    // that sits at the bottom of the main window's client area (the menu bar
    // is above it).
    struct Case {
        const char* moment;
        int actions;
        const char* caption;
        int scale;
    } cases[] = {
        {"first scene", 2, "ものがたり", 1},
        {"second scene", 14, "灯台のてっぺん", 1},
        {"after the start menu and continue", 27, "灯台のてっぺん", 1},
        {"first scene at scale 2", 2, "ものがたり", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.moment);
        Player player(d, c.actions, c.scale);
        ASSERT_TRUE(player.holding()) << "the replay did not reach its wait";
        const QString message = findWindow(d, QString("^%1$").arg(c.caption), true);
        const QString main = findWindow(d, "^星灯りの灯台$");
        ASSERT_FALSE(message.isEmpty());
        ASSERT_FALSE(main.isEmpty());
        QTest::qWait(300);  // the window manager settles the frames it has just drawn
        auto pictureOrigin = [&](const Seen& m) {
            return m.client.topLeft() + QPoint(0, m.client.height() - 295 * c.scale);
        };
        Seen m = inspect(d, main);
        Seen w = inspect(d, message);
        EXPECT_TRUE(w.viewable);
        EXPECT_EQ(w.outer(), pictureOrigin(m) + QPoint(0, 322) * c.scale);
        EXPECT_EQ(w.transientFor.toULongLong(nullptr, 16), main.toULongLong());
        if (c.actions != 2 || c.scale != 1) continue;

        // A drag on the main window's caption bar: the message window keeps
        // its place from the picture.
        const QPoint grab = m.client.topLeft() + QPoint(100, -m.frame.top() / 2);
        const QPoint to = grab + QPoint(150, 80);
        run(d, "xdotool",
            {"mousemove", QString::number(grab.x()), QString::number(grab.y()), "mousedown", "1", "sleep", "0.2",
             "mousemove", QString::number(grab.x() + 20), QString::number(grab.y() + 10), "sleep", "0.2", "mousemove",
             QString::number(to.x()), QString::number(to.y()), "sleep", "0.2", "mouseup", "1"});
        QTest::qWait(500);
        const Seen m2 = inspect(d, main);
        const Seen w2 = inspect(d, message);
        EXPECT_EQ(m2.client.topLeft() - m.client.topLeft(), QPoint(150, 80)) << "the drag did not move the main window";
        EXPECT_EQ(w2.outer(), pictureOrigin(m2) + QPoint(0, 322));

        // Minimised together, restored together.
        run(d, "xdotool", {"windowminimize", "--sync", main});
        QTest::qWait(300);
        EXPECT_FALSE(inspect(d, message).viewable);
        run(d, "xdotool", {"windowactivate", "--sync", main});
        QTest::qWait(300);
        EXPECT_TRUE(inspect(d, main).viewable);
        EXPECT_TRUE(inspect(d, message).viewable);
    }
}

// The whole game in one window: the message window's caption bar lies 27
// rows of backdrop under the picture (MW 0,322 under a 295-row picture), and
// leaving full screen puts it back at the same place in the window.
TEST_F(Desktop, OnTheStageTheMessageWindowLiesUnderThePictureAndKeepsItsPlaceThroughFullScreen) {
    if (QStandardPaths::findExecutable("import").isEmpty())
        GTEST_SKIP() << "needs import (ImageMagick) for screenshots";
    Player player(d, 2, 1, {"--windows", "one"});
    ASSERT_TRUE(player.holding()) << "the replay did not reach its wait";
    const QString main = findWindow(d, "^星灯りの灯台$", true);
    ASSERT_FALSE(main.isEmpty());
    EXPECT_TRUE(findWindow(d, "^ものがたり$").isEmpty()) << "the message window is a panel, not a window of its own";
    // The caption bar's first row below the window's top, with the backdrop above it.
    auto captionRow = [&] {
        QTest::qWait(500);
        const Seen m = inspect(d, main);
        const QString shot = player.dir.filePath("screen.png");
        run(d, "import", {"-window", "root", shot});
        const QImage img(shot);
        const int x = m.client.left() + 3;
        for (int y = m.client.top(); y < m.client.bottom() && y < img.height(); ++y) {
            if (img.pixelColor(x, y) != QColor(0, 0, 128)) continue;
            for (int k = 1; k <= 27; ++k)
                if (img.pixelColor(x, y - k) != QColor(24, 24, 24)) return -1;
            return y - m.client.top();
        }
        return -1;
    };
    const int windowed = captionRow();
    EXPECT_GT(windowed, 295);
    run(d, "xdotool", {"windowactivate", "--sync", main, "key", "F11"});
    QTest::qWait(1000);
    run(d, "xdotool", {"windowactivate", "--sync", main, "key", "F11"});
    EXPECT_EQ(captionRow(), windowed);
}

TEST_F(Desktop, ThePlayerEndsWhenAnotherClientDestroysItsWindow) {
    // Qt is not told when another X client destroys one of its windows; the
    // player ran on with no window, its wait never ending.
    struct Case {
        const char* moment;
        const char* replay;
        const char* window;
    } cases[] = {
        {"the start menu", "ok\nwait 600000\n", "^QEL Player$"},
        {"a page wait", "ok\nnew\nwait 600000\n", "^星灯りの灯台$"},
        {"the quit question open", "ok\nnew\nrclick 5 5\nmenu Exit\nwait 600000\n", "^星灯りの灯台$"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.moment);
        Player player(d, QString::fromUtf8(c.replay), 1);
        ASSERT_TRUE(player.holding()) << "the replay did not reach its wait";
        const QString window =
            run(d, "xdotool", {"search", "--onlyvisible", "--name", QString::fromUtf8(c.window)}).section('\n', 0, 0);
        ASSERT_FALSE(window.isEmpty());
        run(d, "xdotool", {"windowclose", window});
        EXPECT_TRUE(player.p.waitForFinished(2000)) << "still running 2 s after its window was destroyed";
        EXPECT_EQ(player.p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(player.p.exitCode(), 0);
        EXPECT_FALSE(QFile::exists(player.dir.filePath("QELP.INI")));
    }
}

// The automatic scale on a full-HD and a 4K screen: the largest that keeps
// the message window, where MW puts it under the picture, on the screen.
TEST_F(DesktopScreens, TheAutomaticScaleKeepsTheMessageWindowUnderThePictureAndOnTheScreen) {
    struct Case {
        QSize screen;
        int scale;  // the picture's scale there
    } cases[] = {{{1920, 1080}, 2}, {{3840, 2160}, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1x%2").arg(c.screen.width()).arg(c.screen.height()).toStdString());
        Screen screen;
        QString why;
        ASSERT_TRUE(screen.start(&why, c.screen)) << why.toStdString();
        const QString& d = screen.display();
        Player player(d, 2, 0);
        ASSERT_TRUE(player.holding()) << "the replay did not reach its wait";
        const QString message = findWindow(d, "^ものがたり$", true);
        const QString main = findWindow(d, "^星灯りの灯台$");
        ASSERT_FALSE(message.isEmpty());
        ASSERT_FALSE(main.isEmpty());
        QTest::qWait(300);  // the window manager settles the frames it has just drawn
        const Seen m = inspect(d, main);
        const Seen w = inspect(d, message);
        // The picture fills the main window's width and ends at its bottom.
        EXPECT_EQ(m.client.width(), 486 * c.scale);
        const QRect picture(m.client.left(), m.client.bottom() + 1 - 295 * c.scale, 486 * c.scale, 295 * c.scale);
        const QRect outer(w.outer(),
                          w.client.size() + QSize(w.frame.left() + w.frame.right(), w.frame.top() + w.frame.bottom()));
        EXPECT_EQ(outer.topLeft(), picture.topLeft() + QPoint(0, 322) * c.scale);
        EXPECT_FALSE(outer.intersects(picture));
        EXPECT_TRUE(QRect(QPoint(0, 0), c.screen).contains(outer));
        EXPECT_TRUE(QRect(QPoint(0, 0), c.screen).contains(QRect(m.outer(), m.client.size())));
    }
}

// The main window was centred at the scale that fitted before MW gave the
// message window its place, and stayed there, off centre, once the scale
// fell to the one that fits both: as one window and as separate ones.
TEST_F(DesktopScreens, TheMainWindowIsCentredAtTheScaleItEndsAt) {
    for (const char* mode : {"one", "separate"}) {
        SCOPED_TRACE(mode);
        Screen screen;
        QString why;
        ASSERT_TRUE(screen.start(&why, QSize(1920, 1080))) << why.toStdString();
        const QString& d = screen.display();
        Player player(d, 2, 0, {"--windows", mode});
        ASSERT_TRUE(player.holding()) << "the replay did not reach its wait";
        const QString main = findWindow(d, "^星灯りの灯台$", true);
        ASSERT_FALSE(main.isEmpty());
        QTest::qWait(300);  // the window manager settles the frames it has just drawn
        const Seen m = inspect(d, main);
        EXPECT_EQ(m.client.width(), 486 * 2);
        const QSize outer = m.client.size() + QSize(m.frame.left() + m.frame.right(), m.frame.top() + m.frame.bottom());
        EXPECT_NEAR(m.outer().x(), (1920 - outer.width()) / 2, 1);
        // Upright, the frame Qt counted when it centred may differ from the
        // window manager's by a few rows; the window stays on the screen.
        EXPECT_TRUE(QRect(0, 0, 1920, 1080).contains(QRect(m.outer(), outer)));
    }
}
