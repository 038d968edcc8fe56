// Where the save file goes: the scenario folder when the player may write
// there, else (and for archives) the user's data folder, with the same bytes.
#include "platform/Cp932.h"
#include "shell/SaveFile.h"

#include "TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qel;
using qel::test::ScratchFolder;

namespace {

// Points the user's data folder at a scratch folder for the test's life.
class DataHome {
public:
    DataHome() : previous_(qgetenv("XDG_DATA_HOME")) {
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0777);
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir_.path()));
    }
    ~DataHome() {
        if (previous_.isEmpty()) qunsetenv("XDG_DATA_HOME");
        else qputenv("XDG_DATA_HOME", previous_);
        SetSaveFolder({});
    }
    QString saves() const { return dir_.path() + "/qelplayer/saves"; }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};

GameState sampleState() {
    GameState st;
    st.SceneName = sj("灯台.dat");
    st.IntVars[1] = -7;
    st.IntVars[50] = 123;
    st.StrVars[1] = sj("アカリ");
    return st;
}

std::string readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    QByteArray b = f.readAll();
    return std::string(b.constData(), std::size_t(b.size()));
}

QString shortHash(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(12));
}

}  // namespace

TEST(SaveLocation, ScenarioFolderWhenWritableElseDataFolder) {
    DataHome home;
    ScratchFolder dir;
    // A folder the player may write to keeps its save, as always.
    EXPECT_EQ(SaveFolderFor(dir.path()), QString());
    // A scenario from an archive saves under its name and the archive's hash.
    ArchiveOrigin origin{QString::fromUtf8("星の灯台"), QString(64, QLatin1Char('a'))};
    EXPECT_EQ(SaveFolderFor(dir.path(), &origin), home.saves() + QString::fromUtf8("/星の灯台-aaaaaaaaaaaa"));
    // A folder that does not exist (nothing can be written there).
    const QString gone = dir.path() + "/gone/Game";
    EXPECT_EQ(SaveFolderFor(gone), home.saves() + "/Game-" + shortHash(QFile::encodeName(gone)));
}

// The save written to the data folder has the bytes it would have had in the
// scenario folder; continue finds it there; the scenario folder is untouched.
TEST(SaveLocation, DataFolderSaveRoundTrip) {
    DataHome home;
    ScratchFolder dir;
    dir.write("Opning.dat", "x");
    const auto before = dir.snapshot();
    const QString folder = home.saves() + "/game-0123456789ab";
    SetSaveFolder(folder);
    EXPECT_FALSE(SaveFileExists());

    const GameState st = sampleState();
    WriteSaveFile(st);
    EXPECT_EQ(readAll(folder + "/QELP.INI"), SaveFileBytes(st));
    EXPECT_EQ(dir.snapshot(), before);
    EXPECT_TRUE(SaveFileExists());
    GameState back;
    ReadSaveFile(back);
    EXPECT_EQ(SaveFileBytes(back), SaveFileBytes(st));
}

// A save left in the scenario folder (from before it became read-only) can
// still be continued while the data folder holds none.
TEST(SaveLocation, SaveInTheScenarioFolderIsStillRead) {
    DataHome home;
    ScratchFolder dir;
    const GameState st = sampleState();
    dir.write("qelp.ini", SaveFileBytes(st));
    SetSaveFolder(home.saves() + "/game-0123456789ab");
    ASSERT_TRUE(SaveFileExists());
    GameState back;
    ReadSaveFile(back);
    EXPECT_EQ(SaveFileBytes(back), SaveFileBytes(st));
}

// A scenario folder the player may not write to: run as a user the folder's
// permissions bind (an unprivileged user when the tests run as root).
TEST(SaveLocation, ReadOnlyScenarioFolderSavesToTheDataFolder) {
    DataHome home;
    QTemporaryDir top;
    ::chmod(QFile::encodeName(top.path()).constData(), 0755);
    const QString game = top.path() + "/Game";
    ASSERT_TRUE(QDir().mkpath(game));
    {
        QFile f(game + "/Opning.dat");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    ::chmod(QFile::encodeName(game).constData(), 0555);

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // 10: cannot drop privileges; 11: the folder is still writable.
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(10);
        if (::access(QFile::encodeName(game).constData(), W_OK) == 0) ::_exit(11);
        if (!QDir::setCurrent(game)) ::_exit(12);
        const QString folder = SaveFolderFor(game);
        if (folder != home.saves() + "/Game-" + shortHash(QFile::encodeName(game))) ::_exit(13);
        SetSaveFolder(folder);
        try {
            WriteSaveFile(sampleState());
            GameState back;
            ReadSaveFile(back);
            if (SaveFileBytes(back) != SaveFileBytes(sampleState())) ::_exit(14);
        } catch (...) {
            ::_exit(15);
        }
        ::_exit(readAll(folder + "/QELP.INI") == SaveFileBytes(sampleState()) ? 0 : 16);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(QFile::encodeName(game).constData(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 10) GTEST_SKIP() << "cannot run as an unprivileged user here";
    if (WEXITSTATUS(status) == 11) GTEST_SKIP() << "folder permissions do not bind this user";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(QFileInfo::exists(game + "/QELP.INI"));
}
