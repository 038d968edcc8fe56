// The player under a real Wayland compositor (weston, headless): the stage
// is what it chooses there by itself, the demo plays as it does anywhere, and
// the windows lie where the scenario puts them, seen through --layout.
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QImage>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

const QString kReplays = QStringLiteral(QEL_SOURCE_DIR "/tests/app/replays");
// Every scene of the demo asks for MW 0,322.
const QPoint kMessagePlace(0, 322);

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// weston with its headless back end on a socket of its own, in a private
// runtime folder; stopped with the test.
class Weston {
public:
    bool start(QString* why) {
        if (!runtime_.isValid() ||
            !QFile::setPermissions(runtime_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            *why = "no private runtime folder";
            return false;
        }
        socket_ = QStringLiteral("qel-test-%1").arg(QCoreApplication::applicationPid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        env.remove("WAYLAND_DISPLAY");
        env.remove("DISPLAY");
        p_.setProcessEnvironment(env);
        p_.setProcessChannelMode(QProcess::MergedChannels);
        const QString socketPath = runtime_.filePath(socket_);
        // The socket appears in the folder once weston listens on it.
        QFileSystemWatcher watcher({runtime_.path()});
        QEventLoop loop;
        QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, [&] {
            if (QFile::exists(socketPath)) loop.quit();
        });
        QObject::connect(&p_, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        p_.start("weston", {"--backend=headless-backend.so", "--socket=" + socket_, "--width=1920", "--height=1080",
                            "--idle-time=0", "--no-config"});
        if (!QFile::exists(socketPath)) loop.exec();
        if (QFile::exists(socketPath) && p_.state() == QProcess::Running) return true;
        *why = "weston did not start: " + QString::fromLocal8Bit(p_.readAll());
        return false;
    }
    ~Weston() {
        p_.terminate();
        if (!p_.waitForFinished(5000)) {
            p_.kill();
            p_.waitForFinished();
        }
    }
    QProcessEnvironment clientEnv() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        env.insert("WAYLAND_DISPLAY", socket_);
        env.insert("QT_QPA_PLATFORM", "wayland");
        // Qt 6.4's Wayland input context dereferences the seat's device, and
        // the headless compositor has no seat: painting a focused line edit
        // there (as the window's grab does) would crash in Qt.
        env.insert("QT_IM_MODULE", "none");
        env.remove("DISPLAY");
        // Under the sanitizers: the Wayland client library and the graphics
        // modules Qt loads for it keep memory to the end, some of it in
        // modules already unloaded there, which no suppression can name. The
        // player's own leaks are caught by every other test.
        if (env.contains("ASAN_OPTIONS"))
            env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + QStringLiteral(":detect_leaks=0"));
        return env;
    }

private:
    QTemporaryDir runtime_;
    QString socket_;
    QProcess p_;
};

struct Played {
    int status = -1;
    QString transcript;
    QString errors;
    QString folder;
};

// Plays a replay of the demo (a copy in a scratch folder) on the compositor,
// with the transcript, the shots and the layout.
Played play(const Weston& weston, const QTemporaryDir& dir, const QString& replay, const QStringList& extra = {}) {
    QDirIterator it(QStringLiteral(QEL_SOURCE_DIR "/demo"), QDir::Files);
    while (it.hasNext()) {
        const QString from = it.next();
        QFile::copy(from, dir.filePath(QFileInfo(from).fileName()));
    }
    QProcessEnvironment env = weston.clientEnv();
    env.insert("SDL_AUDIODRIVER", "dummy");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral(QEL_PLAYER_BIN),
            extra + QStringList{"--replay", replay, "--transcript", "transcript.txt", "--shots", "shots", "--layout",
                                "layout", "Opning.dat"});
    Played r;
    r.folder = dir.path();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.errors = "timed out";
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.transcript = readText(dir.filePath("transcript.txt"));
    r.errors = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// One line of layout.txt.
struct Moment {
    int line = 0;
    QString mode;
    int scale = 0;
    bool fullScreen = false;
    QSize window;
    QRect picture;
    std::map<QString, QRect> windows;  // from the picture's corner
};

QRect readRect(const QString& at, const QString& size) {
    const QStringList xy = at.split(',');
    const QStringList wh = size.split('x');
    if (xy.size() != 2 || wh.size() != 2) return {};
    return QRect(xy[0].toInt(), xy[1].toInt(), wh[0].toInt(), wh[1].toInt());
}

std::vector<Moment> readLayout(const QString& folder) {
    std::vector<Moment> out;
    for (const QString& l : readText(folder + "/layout/layout.txt").split('\n', Qt::SkipEmptyParts)) {
        const QStringList f = l.split(' ');
        Moment m;
        if (f.size() < 9) return {};
        m.line = f[0].toInt();
        m.mode = f[1];
        m.scale = f[2].toInt();
        m.fullScreen = f[3] == "fullscreen";
        const QStringList wh = f[5].split('x');
        m.window = QSize(wh.value(0).toInt(), wh.value(1).toInt());
        m.picture = readRect(f[7], f[8]);
        for (qsizetype i = 9; i + 2 < f.size(); i += 3) m.windows[f[i]] = readRect(f[i + 1], f[i + 2]);
        out.push_back(m);
    }
    return out;
}

std::string pointText(QPoint p) { return std::to_string(p.x()) + "," + std::to_string(p.y()); }
std::string sizeText(QSize s) { return std::to_string(s.width()) + "x" + std::to_string(s.height()); }

std::string sha1Rgb(const QImage& image) {
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (int y = 0; y < img.height(); ++y)
        h.addData(QByteArrayView(reinterpret_cast<const char*>(img.constScanLine(y)), img.width() * 4));
    return h.result().toHex().toStdString();
}

}  // namespace

class Wayland : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("weston").isEmpty()) GTEST_SKIP() << "needs weston (a Wayland compositor)";
        const QString platforms = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms";
        if (QDir(platforms).entryList({"libqwayland*"}, QDir::Files).isEmpty())
            GTEST_SKIP() << "needs Qt's Wayland platform plugin (qt6-wayland) in " << platforms.toStdString();
        QString why;
        ASSERT_TRUE(weston_.start(&why)) << why.toStdString();
    }
    Weston weston_;
};

// The full play-through: the stage chosen by itself, the transcript and the
// pictures of any other run, the message window at MW's place and the verb
// window at the click in every moment, and the picture in the window drawn
// as the game drew it, covered by nothing but the verb window.
TEST_F(Wayland, TheDemoPlaysOnTheStageWithItsWindowsWhereTheScenarioPutsThem) {
    QTemporaryDir dir;
    const Played r = play(weston_, dir, kReplays + "/demo_full.txt");
    ASSERT_EQ(r.status, 0) << r.errors.toStdString();
    EXPECT_EQ(r.transcript.toStdString(), readText(kReplays + "/demo_full.transcript").toStdString());
    const std::vector<Moment> moments = readLayout(r.folder);
    ASSERT_GT(moments.size(), 30u);
    const QStringList lines = r.transcript.split('\n');
    QPoint click;
    int verbMoments = 0;
    int pictureChecks = 0;
    for (const Moment& m : moments) {
        SCOPED_TRACE(QString("transcript line %1: %2").arg(m.line).arg(lines.value(m.line - 1)).toStdString());
        EXPECT_EQ(m.mode, "one") << "auto did not choose the stage on Wayland";
        ASSERT_GE(m.scale, 1);
        const QString action = lines.value(m.line - 1);
        if (m.windows.count("message")) {
            EXPECT_EQ(pointText(m.windows.at("message").topLeft()), pointText(kMessagePlace * m.scale));
        }
        // The window's area counted from the picture's corner.
        const QRect stage(-m.picture.topLeft(), m.window);
        for (const auto& [name, at] : m.windows) EXPECT_TRUE(stage.contains(at)) << name.toStdString();
        if (action.startsWith("> click "))
            click = QPoint(action.section(' ', 2, 2).toInt(), action.section(' ', 3, 3).toInt());
        if (m.windows.count("verbs")) {
            // At the click (the scenario's window keeps clear of the right
            // and bottom edges), moved in only as far as the stage needs.
            ++verbMoments;
            const QRect verbs = m.windows.at("verbs");
            const QPoint wanted(std::clamp(click.x(), 1, 445) * m.scale, std::clamp(click.y(), 1, 260) * m.scale);
            EXPECT_EQ(verbs.x(), std::min(wanted.x(), stage.right() + 1 - verbs.width()));
            EXPECT_EQ(verbs.y(), std::min(wanted.y(), stage.bottom() + 1 - verbs.height()));
        }
        // The shot of the moment the game waits at: the page, idle or box
        // line before the action (a click and its verb window in between).
        int shotLine = m.line - 1;
        while (shotLine > 1 &&
               (lines.value(shotLine - 1).startsWith("verbs ") || lines.value(shotLine - 1).startsWith("> ")))
            --shotLine;
        QImage shot(QString("%1/shots/%2.png").arg(r.folder).arg(shotLine, 4, 10, QChar('0')));
        QImage grab(QString("%1/layout/%2.png").arg(r.folder).arg(m.line, 4, 10, QChar('0')));
        ASSERT_FALSE(grab.isNull());
        EXPECT_EQ(sizeText(grab.size()), sizeText(m.window));
        // A message box lies centred over the game, the picture too.
        if (shot.isNull() || lines.value(shotLine - 1).startsWith("box ")) continue;
        ++pictureChecks;
        ASSERT_EQ(sizeText(m.picture.size()), sizeText(shot.size() * m.scale));
        QImage seen = grab.copy(m.picture).convertToFormat(QImage::Format_RGB32);
        QImage drawn = shot.scaled(shot.size() * m.scale).convertToFormat(QImage::Format_RGB32);
        if (m.windows.count("verbs")) {
            const QRect verbs = m.windows.at("verbs");
            for (QImage* img : {&seen, &drawn})
                for (int y = verbs.top(); y <= verbs.bottom(); ++y)
                    for (int x = verbs.left(); x <= verbs.right(); ++x)
                        if (img->rect().contains(x, y)) img->setPixel(x, y, 0);
        }
        EXPECT_EQ(sha1Rgb(seen), sha1Rgb(drawn)) << "the picture in the window is not the game's picture";
    }
    EXPECT_EQ(verbMoments, 5);
    EXPECT_GT(pictureChecks, 25);
}

// F11 while a page waits, and again: full screen on the stage and back, the
// message window at MW's place from the picture throughout.
TEST_F(Wayland, FullScreenWhileAPageWaitsKeepsTheMessageWindowAtItsPlace) {
    QTemporaryDir dir;
    QFile replay(dir.filePath("fullscreen.txt"));
    ASSERT_TRUE(replay.open(QIODevice::WriteOnly));
    // The compositor answers a change of full screen in its own time: the
    // real-time waits give it that.
    replay.write("ok\nnew\npage\ninput 太郎\nkey F11\nwait 1500\nkey F11\nwait 1500\npage\n");
    replay.close();
    const Played r = play(weston_, dir, replay.fileName(), {"--real-time"});
    ASSERT_EQ(r.status, 0) << r.errors.toStdString();
    EXPECT_TRUE(
        r.transcript.contains("> key F11\ndisplay auto fullscreen\n> wait 1500\n> key F11\ndisplay auto windowed\n"))
        << r.transcript.toStdString();
    const QStringList lines = r.transcript.split('\n');
    const std::vector<Moment> moments = readLayout(r.folder);
    std::vector<bool> full;
    QSize windowed;
    int settled = 0;
    for (const Moment& m : moments) {
        if (!m.windows.count("message")) continue;
        SCOPED_TRACE(QString("transcript line %1").arg(m.line).toStdString());
        EXPECT_EQ(m.mode, "one");
        EXPECT_EQ(pointText(m.windows.at("message").topLeft()), pointText(kMessagePlace * m.scale));
        if (full.empty() || full.back() != m.fullScreen) full.push_back(m.fullScreen);
        // Where the compositor has had its time, the window has the size
        // full screen or the window gives it.
        if (lines.value(m.line - 1) == "> key F11" && windowed.isEmpty()) windowed = m.window;
        int before = m.line - 2;
        while (before > 0 && !lines.value(before).startsWith("> ")) --before;
        if (lines.value(before) != "> wait 1500") continue;
        ++settled;
        EXPECT_EQ(sizeText(m.window), sizeText(m.fullScreen ? QSize(1920, 1080) : windowed));
    }
    EXPECT_EQ(settled, 2);
    // Windowed before F11, then full screen, then windowed again.
    EXPECT_EQ(full, (std::vector<bool>{false, true, false})) << readText(r.folder + "/layout/layout.txt").toStdString();
}
