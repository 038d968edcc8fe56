// The installation: cmake --install into a staging folder (DESTDIR), checked
// file by file, validated by the desktop's own tools, and the staged program
// finding its example scenario.
#include "PlayerRun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kAppId = QStringLiteral("io.github.qelplayer.Player");

struct Outcome {
    int status = -1;
    QString out;
};

Outcome run(const QString& program, const QStringList& args,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(), const QString& folder = {}) {
    const qel::test::ProgramRun p = qel::test::runProgram(program, args, env, folder, 120000, true);
    return {p.status, p.timedOut ? QStringLiteral("timed out") : p.out};
}

QStringList filesUnder(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

// One staged installation for all the tests of this file.
class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stage_ = new QTemporaryDir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DESTDIR", stage_->path());
        Outcome r = run("cmake", {"--install", QStringLiteral(QEL_BUILD_DIR), "--prefix", "/usr"}, env);
        installOutput_ = new QString(r.out);
        installStatus_ = r.status;
    }
    static void TearDownTestSuite() {
        delete stage_;
        delete installOutput_;
    }
    void SetUp() override { ASSERT_EQ(installStatus_, 0) << installOutput_->toStdString(); }
    static QString usr(const QString& rel = {}) { return stage_->path() + "/usr" + (rel.isEmpty() ? "" : "/" + rel); }

    static QTemporaryDir* stage_;
    static QString* installOutput_;
    static int installStatus_;
};
QTemporaryDir* Installed::stage_ = nullptr;
QString* Installed::installOutput_ = nullptr;
int Installed::installStatus_ = -1;

}  // namespace

TEST_F(Installed, EveryFileInItsPlace) {
    QStringList expected = {"bin/qelplayer", "share/applications/" + kAppId + ".desktop",
                            "share/metainfo/" + kAppId + ".metainfo.xml",
                            "share/icons/hicolor/scalable/apps/" + kAppId + ".svg", "share/man/man6/qelplayer.6"};
    const QList<int> sizes = {16, 24, 32, 48, 64, 128, 256};
    for (int s : sizes) expected << QString("share/icons/hicolor/%1x%1/apps/%2.png").arg(s).arg(kAppId);
    // The example scenario: every file of demo/ but its generator and a save.
    for (const QString& f : QDir(QStringLiteral(QEL_SOURCE_DIR "/demo")).entryList(QDir::Files))
        if (f.compare("QELP.INI", Qt::CaseInsensitive) != 0) expected << "share/qelplayer/demo/" + f;
    expected.sort();
    EXPECT_EQ(filesUnder(usr()).join('\n').toStdString(), expected.join('\n').toStdString());

    EXPECT_TRUE(QFileInfo(usr("bin/qelplayer")).isExecutable());
    for (int s : sizes) {
        QImage icon(usr(QString("share/icons/hicolor/%1x%1/apps/%2.png").arg(s).arg(kAppId)));
        EXPECT_EQ(icon.size(), QSize(s, s)) << s;
        EXPECT_TRUE(icon.hasAlphaChannel()) << s;
    }
    QFile desktop(usr("share/applications/" + kAppId + ".desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(desktop.readAll());
    for (const char* line : {"Exec=qelplayer %f", "Icon=io.github.qelplayer.Player", "Categories=Game;AdventureGame;",
                             "MimeType=application/x-lha;application/x-lzh-compressed;"
                             "application/zip;application/x-7z-compressed;"})
        EXPECT_TRUE(entry.contains(QString("\n") + line + "\n")) << line;
}

TEST_F(Installed, DesktopEntryAndMetainfoPassTheirValidators) {
    struct Tool {
        const char* program;
        QStringList args;
    };
    const std::vector<Tool> tools = {
        {"desktop-file-validate", {usr("share/applications/" + kAppId + ".desktop")}},
        {"appstreamcli", {"validate", "--no-net", usr("share/metainfo/" + kAppId + ".metainfo.xml")}},
    };
    QStringList missing;
    for (const Tool& t : tools) {
        if (QStandardPaths::findExecutable(t.program).isEmpty()) {
            missing << t.program;
            continue;
        }
        Outcome r = run(t.program, t.args);
        EXPECT_EQ(r.status, 0) << t.program << ":\n" << r.out.toStdString();
    }
    if (!missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.join(", ").toStdString()
                     << " (Debian packages desktop-file-utils, appstream)";
}

// The staged program, started with nothing to play, opens its chooser in its
// own example scenario, and plays it.
TEST_F(Installed, ProgramFindsItsExampleScenario) {
    QTemporaryDir home;
    const QProcessEnvironment env = qel::test::playerEnvironment(home.path());
    const QString demo = QFileInfo(usr("share/qelplayer/demo")).canonicalFilePath();
    QFile replay(home.filePath("replay.txt"));
    ASSERT_TRUE(replay.open(QIODevice::WriteOnly));
    replay.write(("choose " + demo + "/Opning.dat\nnew\n").toUtf8());
    replay.close();

    Outcome r = run(usr("bin/qelplayer"), {"--replay", home.filePath("replay.txt"), "--transcript", "-"}, env,
                    home.path());
    EXPECT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_TRUE(
        r.out.contains("chooser " + demo + "\n> choose " + demo + "/Opning.dat\nmenu\n> new\nscene Opning.dat\n"))
        << r.out.toStdString();
}

// The mixer, SDL, libarchive and OpenSSL are loaded when a game first plays a
// sound, a controller layer starts or an archive is opened; linked, they would
// be loaded (with their own dozens of libraries) before the first window.
TEST_F(Installed, ProgramLinksNoLibraryItLoadsOnUse) {
    if (QStandardPaths::findExecutable("readelf").isEmpty()) GTEST_SKIP() << "no readelf (Debian package binutils)";
    Outcome r = run("readelf", {"--dynamic", usr("bin/qelplayer")});
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    QStringList needed;
    for (const QString& line : r.out.split('\n'))
        if (line.contains("(NEEDED)")) needed << line.section('[', 1).section(']', 0, 0);
    ASSERT_TRUE(needed.contains("libQt6Widgets.so.6")) << needed.join(' ').toStdString();
    for (const QString& lib : needed)
        for (const char* late : {"libSDL2", "libarchive", "libcrypto"})
            EXPECT_FALSE(lib.startsWith(late)) << lib.toStdString();
}
