// End-to-end: what the player is given to play. An archive plays from the
// cache and saves to the data folder; nothing to play opens the chooser; a bad
// argument ends with a message, a box and status 2.
#include "PlayerRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString kArchives = QStringLiteral(QEL_TEST_DATA "/archives");

// A home of its own (cache, data and settings folders) for each test.
struct Home {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString cache() const { return path("cache"); }
    QString data() const { return path("data"); }
};

struct Result {
    int status = -1;
    QString transcript;
    QString errors;
};

Result run(const Home& home, const QString& folder, const QString& replay, QStringList args) {
    QFile r(home.path("replay.txt"));
    if (r.open(QIODevice::WriteOnly | QIODevice::Truncate)) r.write(replay.toUtf8());
    r.close();
    const qel::test::ProgramRun p = qel::test::runPlayer(QStringList{"--replay", home.path("replay.txt"),
                                                                     "--transcript", home.path("transcript.txt")} +
                                                             args,
                                                         qel::test::playerEnvironment(home.dir.path()), folder, 60000);
    Result out;
    if (p.timedOut) {
        out.errors = "timed out";
        return out;
    }
    out.status = p.status;
    QFile t(home.path("transcript.txt"));
    if (t.open(QIODevice::ReadOnly)) out.transcript = QString::fromUtf8(t.readAll());
    out.errors = p.err;
    return out;
}

QStringList filesUnder(const QString& root) {
    QStringList out;
    QDir dir(root);
    for (const QString& f : dir.entryList(QDir::Files | QDir::Hidden)) out << f;
    for (const QString& d : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        for (const QString& f : filesUnder(dir.filePath(d))) out << d + "/" + f;
    return out;
}

std::string saveOfTheOpening() {
    std::string s = "Opning.dat\r\n";
    for (int i = 0; i < 50; ++i) s += "0\r\n";
    for (int j = 0; j < 9; ++j) s += "\r\n";
    return s;
}

const QString kOpeningText = QString::fromUtf8("text アーカイブの中から始まりました。");

}  // namespace

// The whole flow of an LZH scenario: played from the cache, saved to the data
// folder (the same bytes as a save beside the scenario), continued from there.
TEST(OpeningScenario, LzhArchivePlaysSavesToTheDataFolderAndContinues) {
    Home home;
    const QString lzh = kArchives + "/scenario.lzh";
    Result first = run(home, home.dir.path(), "new\npage\nrclick 10 10\nmenu Exit\nyes\nyes\n", {lzh});
    EXPECT_EQ(first.status, 0) << first.errors.toStdString();
    EXPECT_TRUE(first.transcript.contains(kOpeningText)) << first.transcript.toStdString();

    // The save, and beside it the read-text memory (which never enters the save).
    QStringList saves = filesUnder(home.data());
    ASSERT_EQ(saves.size(), 2) << saves.join(' ').toStdString();
    EXPECT_EQ(QFileInfo(saves.filter("read-text.bin").value(0)).path(),
              QFileInfo(saves.filter("QELP.INI").value(0)).path());
    saves = saves.filter("QELP.INI");
    ASSERT_EQ(saves.size(), 1) << saves.join(' ').toStdString();
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8("^qelplayer/saves/星の灯台-[0-9a-f]{12}/QELP\\.INI$"))
                    .match(saves.front())
                    .hasMatch())
        << saves.front().toStdString();
    QFile save(home.data() + "/" + saves.front());
    ASSERT_TRUE(save.open(QIODevice::ReadOnly));
    EXPECT_EQ(save.readAll().toStdString(), saveOfTheOpening());
    // Nothing was written into the unpacked scenario.
    for (const QString& f : filesUnder(home.cache())) EXPECT_FALSE(f.endsWith("QELP.INI", Qt::CaseInsensitive));

    // Continue finds the save: no "no save" notice, straight into the scene.
    Result again = run(home, home.dir.path(), "continue\n", {lzh});
    EXPECT_EQ(again.status, 0);
    EXPECT_FALSE(again.transcript.contains(QString::fromUtf8("セーブＤＡＴＡが見当たりません")));
    EXPECT_TRUE(again.transcript.contains("> continue\nscene Opning.dat\n")) << again.transcript.toStdString();
}

// A folder or archive that cannot be played: stderr and the error box name the
// path, and the program ends with status 2. A scene file that does not exist
// keeps its quiet start.
TEST(OpeningScenario, BadArgumentsEndWithAMessageABoxAndStatus2) {
    Home home;
    QDir(home.dir.path()).mkpath("empty");
    const QString escape = kArchives + "/escape.lzh";
    struct Case {
        QString arg;
        QString message;
    };
    const std::vector<Case> cases = {
        {home.path("no/such/folder"), home.path("no/such/folder") + QString::fromUtf8(" が見つかりません")},
        {home.path("gone.lzh"), home.path("gone.lzh") + QString::fromUtf8(" が見つかりません")},
        {home.path("empty"),
         QString::fromUtf8("フォルダ ") + home.path("empty") + QString::fromUtf8(" に Opning.dat がありません")},
        {escape, QString::fromUtf8("アーカイブ ") + escape +
                     QString::fromUtf8(" の ../../外.txt はアーカイブのフォルダの外を指しています")},
        {home.path("pipe.zip"),
         home.path("pipe.zip") + QString::fromUtf8(" は普通のファイルでもフォルダでもありません")},
        {home.path("zero.zip"),
         home.path("zero.zip") + QString::fromUtf8(" は普通のファイルでもフォルダでもありません")},
    };
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.path("pipe.zip")).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", home.path("zero.zip")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg.toStdString());
        Result r = run(home, home.dir.path(), "ok\n", {c.arg});
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.errors.contains("qelplayer: " + c.message)) << r.errors.toStdString();
        EXPECT_EQ(r.transcript, "error " + c.message + "\n> ok\nend\n");
    }

    Result quiet = run(home, home.dir.path(), "quit\n", {"/no/such/Scene9.dat"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.transcript, "menu\n> quit\nend\n");
}

// No argument and no "Opning.dat" here: the chooser opens (in the installed
// example scenario, or at home when there is none); cancelling ends the
// program with status 0, and a chosen archive plays. The next chooser opens
// where the last choice was.
TEST(OpeningScenario, NothingToPlayOpensTheChooser) {
    Home home;
    QDir(home.dir.path()).mkpath("here");
    const QString here = home.path("here");

    Result cancelled = run(home, here, "cancel\n", {});
    EXPECT_EQ(cancelled.status, 0);
    const QStringList lines = cancelled.transcript.split('\n');
    ASSERT_EQ(lines.size(), 4) << cancelled.transcript.toStdString();
    // Run from the build folder: the source tree's example.
    EXPECT_EQ(lines[0], "chooser " + QStringLiteral(QEL_SOURCE_DIR "/demo"));
    EXPECT_EQ(lines.mid(1).join('\n'), "> cancel\nend\n");

    const QString lzh = kArchives + "/scenario.lzh";
    Result chosen = run(home, here, "choose " + lzh + "\nnew\n", {});
    EXPECT_EQ(chosen.status, 0);
    EXPECT_TRUE(chosen.transcript.startsWith(lines[0] + "\n> choose " + lzh + "\nmenu\n> new\n"))
        << chosen.transcript.toStdString();
    EXPECT_TRUE(chosen.transcript.contains(kOpeningText));

    Result next = run(home, here, "cancel\n", {});
    EXPECT_TRUE(next.transcript.startsWith("chooser " + kArchives + "\n")) << next.transcript.toStdString();

    // With "Opning.dat" in the current folder there is something to play.
    QFile(QStringLiteral(QEL_SOURCE_DIR "/demo/Opning.dat")).copy(here + "/Opning.dat");
    Result direct = run(home, here, "quit\n", {});
    EXPECT_EQ(direct.transcript, "menu\n> quit\nend\n");
}
