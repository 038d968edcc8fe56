// The save file: exact bytes, reading rules and a write that fails.
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "shell/SaveFile.h"

#include "FakeHost.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace qel;
using qel::test::errorText;
using qel::test::ScratchFolder;

namespace {

const std::string CRLF = "\r\n";

// A save file's text from its scene line, integer lines and string lines.
std::string saveText(const std::string& scene, const std::vector<std::string>& ints,
                     const std::vector<std::string>& strs, const std::string& end = CRLF) {
    std::string s = scene + end;
    for (const auto& i : ints) s += i + end;
    for (const auto& t : strs) s += t + end;
    return s;
}
std::vector<std::string> fiftyInts(const std::string& v = "0") { return std::vector<std::string>(50, v); }
std::vector<std::string> nineStrs() { return std::vector<std::string>(9, ""); }

QStringList folderEntries(const ScratchFolder& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace

TEST(SaveFile, EmptyGameWritesSixtyLinesWithCrLf) {
    ScratchFolder dir;
    GameState st;
    st.SceneName = "Opning.dat";
    WriteSaveFile(st);
    EXPECT_EQ(dir.read("QELP.INI"), saveText("Opning.dat", fiftyInts(), nineStrs()));
    EXPECT_EQ(folderEntries(dir), QStringList{"QELP.INI"});  // no temporary file left behind
}

TEST(SaveFile, RoundTripKeepsNegativeNumbersAndCp932Bytes) {
    ScratchFolder dir;
    GameState st;
    st.SceneName = sj("部屋２.dat");
    st.IntVars[1] = -7;
    st.IntVars[2] = INT32_MIN;
    st.IntVars[50] = INT32_MAX;
    st.StrVars[1] = sj("太郎");
    st.StrVars[5] = sj("表示\\ソ");  // trail bytes 0x5C and a backslash
    st.StrVars[9] = "a\nb";          // a lone LF is text
    WriteSaveFile(st);

    const std::string bytes = dir.read("QELP.INI");
    EXPECT_NE(bytes.find("\r\n-7\r\n-2147483648\r\n"), std::string::npos);

    GameState back;
    back.IntVars.fill(99);
    back.StrVars.fill("old");
    ReadSaveFile(back);
    EXPECT_EQ(back.SceneName, st.SceneName);
    for (int i = 1; i <= 50; ++i) EXPECT_EQ(back.IntVars[i], st.IntVars[i]) << i;
    for (int j = 1; j <= 9; ++j) EXPECT_EQ(back.StrVars[j], st.StrVars[j]) << j;
    EXPECT_EQ(dir.read("QELP.INI"), bytes);  // reading leaves the file alone
}

TEST(SaveFile, LfOnlyFileIsOneLongSceneName) {
    ScratchFolder dir;
    const std::string text = saveText("Opning.dat", fiftyInts("3"), nineStrs(), "\n");
    dir.write("QELP.INI", text);
    GameState st;
    st.IntVars[1] = 5;
    EXPECT_EQ(errorText([&] { ReadSaveFile(st); }), notIntegerError("").text());
    EXPECT_EQ(st.SceneName, text);
    EXPECT_EQ(st.IntVars[1], 5);  // the error stops the read before the first variable
}

TEST(SaveFile, LoneCrEndsALineAndOnlyOneLfIsSkipped) {
    ScratchFolder dir;
    dir.write("QELP.INI", "s.dat\r1\r\n\n2\r\n");
    GameState st;
    EXPECT_EQ(errorText([&] { ReadSaveFile(st); }), notIntegerError("\n2").text());
    EXPECT_EQ(st.SceneName, "s.dat");
    EXPECT_EQ(st.IntVars[1], 1);
}

TEST(SaveFile, Byte26EndsTheFile) {
    ScratchFolder dir;
    {
        // Inside the integer lines: the line ends at byte 26, the next one is empty.
        dir.write("QELP.INI",
                  "s.dat\r\n1\r\n2\x1a"
                  "3\r\n4\r\n");
        GameState st;
        EXPECT_EQ(errorText([&] { ReadSaveFile(st); }), notIntegerError("").text());
        EXPECT_EQ(st.IntVars[2], 2);
    }
    {
        // Inside the string lines: that slot ends there and every later one is empty.
        std::vector<std::string> strs = {"one", "tw\x1ao", "three", "four", "", "", "", "", ""};
        dir.write("QELP.INI", saveText("s.dat", fiftyInts("8"), strs));
        GameState st;
        st.StrVars.fill("old");
        ReadSaveFile(st);
        EXPECT_EQ(st.StrVars[1], "one");
        EXPECT_EQ(st.StrVars[2], "tw");
        for (int j = 3; j <= 9; ++j) EXPECT_EQ(st.StrVars[j], "") << j;
        EXPECT_EQ(st.IntVars[50], 8);
    }
}

TEST(SaveFile, MissingStringLinesReadEmptyAndExtraLinesAreIgnored) {
    ScratchFolder dir;
    dir.write("QELP.INI", saveText("s.dat", fiftyInts("2"), {"first"}));
    GameState st;
    st.StrVars.fill("old");
    ReadSaveFile(st);
    EXPECT_EQ(st.StrVars[1], "first");
    for (int j = 2; j <= 9; ++j) EXPECT_EQ(st.StrVars[j], "") << j;

    std::vector<std::string> strs = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    dir.write("QELP.INI", saveText("s.dat", fiftyInts(), strs) + "extra\r\nmore\r\n");
    ReadSaveFile(st);
    EXPECT_EQ(st.StrVars[9], "9");
}

TEST(SaveFile, LettersInANumberLineStopTheRead) {
    ScratchFolder dir;
    auto ints = fiftyInts("6");
    ints[3] = "12a";
    dir.write("QELP.INI", saveText("s.dat", ints, nineStrs()));
    GameState st;
    st.IntVars.fill(-1);
    EXPECT_EQ(errorText([&] { ReadSaveFile(st); }), notIntegerError("12a").text());
    EXPECT_EQ(st.IntVars[3], 6);
    EXPECT_EQ(st.IntVars[4], -1);
}

TEST(SaveFile, MissingFileAndHugeOrBinaryFilesGiveErrorsNotCrashes) {
    ScratchFolder dir;
    GameState st;
    EXPECT_EQ(errorText([&] { ReadSaveFile(st); }), ioError(IoCause::NotFound).text());

    std::mt19937 rng(42);
    std::string binary(1 << 20, '\0');
    for (auto& c : binary) c = char(rng());
    dir.write("QELP.INI", binary);
    EXPECT_THROW(ReadSaveFile(st), GameError);

    // One 20 MB line without any CR: the scene name takes it all.
    dir.write("QELP.INI", std::string(20 << 20, 'x'));
    EXPECT_EQ(errorText([&] { ReadSaveFile(st); }), notIntegerError("").text());
    EXPECT_EQ(st.SceneName.size(), std::size_t(20 << 20));
}

TEST(SaveFile, ExistingSaveIsFoundAndReplacedUnderItsOwnName) {
    ScratchFolder dir;
    dir.write("qelp.ini", saveText("old.dat", fiftyInts("4"), nineStrs()));
    ::chmod((dir.path() + "/qelp.ini").toLocal8Bit().constData(), 0640);
    ASSERT_TRUE(SaveFileExists());
    GameState st;
    ReadSaveFile(st);
    EXPECT_EQ(st.SceneName, "old.dat");
    EXPECT_EQ(st.IntVars[7], 4);

    st.SceneName = "new.dat";
    WriteSaveFile(st);
    EXPECT_EQ(folderEntries(dir), QStringList{"qelp.ini"});
    EXPECT_EQ(dir.read("qelp.ini"), saveText("new.dat", fiftyInts("4"), nineStrs()));
    struct stat info {};
    ASSERT_EQ(::stat((dir.path() + "/qelp.ini").toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // the replacement keeps the old permissions
}

TEST(SaveFile, WriteCutShortKeepsTheOldSave) {
    ScratchFolder dir;
    const std::string old = saveText("old.dat", fiftyInts("1"), nineStrs());
    dir.write("QELP.INI", old);
    GameState st;
    st.SceneName = "new.dat";

    // Files may not grow beyond 16 bytes: the write fails part way through.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string err = errorText([&] { WriteSaveFile(st); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(err, ioErrorFromErrno(EFBIG).text());
    EXPECT_EQ(dir.read("QELP.INI"), old);
    EXPECT_EQ(folderEntries(dir), QStringList{"QELP.INI"});
}

TEST(SaveFile, FailedReplaceLeavesNoTemporaryFile) {
    ScratchFolder dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("QELP.INI"));  // the name is taken by a folder
    GameState st;
    EXPECT_THROW(WriteSaveFile(st), GameError);
    EXPECT_EQ(folderEntries(dir), QStringList{"QELP.INI"});
    EXPECT_TRUE(QFileInfo(dir.path() + "/QELP.INI").isDir());
}

TEST(SaveFile, AReadOnlySaveIsRefusedNotReplaced) {
    // The folder is writable, so only the file's own permission can stop the
    // replacement. No write permission for anyone is read-only for every user,
    // the superuser included (tests may well run as root).
    ScratchFolder dir;
    const std::string old = saveText("old.dat", fiftyInts("1"), nineStrs());
    dir.write("QELP.INI", old);
    const QByteArray path = QFile::encodeName(dir.path() + "/QELP.INI");
    ASSERT_EQ(::chmod(path.constData(), 0444), 0);
    GameState st;
    st.SceneName = "new.dat";
    EXPECT_EQ(errorText([&] { WriteSaveFile(st); }), ioError(IoCause::AccessDenied).text());
    EXPECT_EQ(dir.read("QELP.INI"), old);
    EXPECT_EQ(folderEntries(dir), QStringList{"QELP.INI"});

    // Writable again: the save goes through.
    ASSERT_EQ(::chmod(path.constData(), 0644), 0);
    WriteSaveFile(st);
    EXPECT_EQ(dir.read("QELP.INI"), SaveFileBytes(st));
}

TEST(SaveFile, TemporarySavesLeftByAKilledPlayerGoAtTheNextSave) {
    ScratchFolder dir;
    // A process number that no process has, this process's own, and one that runs.
    const std::string gone = ".QELP.INI.2147483646.3.tmp";
    const std::string mine = ".QELP.INI." + std::to_string(::getpid()) + ".999999.tmp";
    const std::string running = ".QELP.INI.1.5.tmp";
    for (const std::string& name : {gone, mine, running, std::string(".QELP.INI.x.1.tmp"),
                                    std::string("QELP.INI.2147483646.1.tmp"), std::string(".other.2147483646.1.tmp")})
        dir.write(name, "partial");
    GameState st;
    WriteSaveFile(st);
    QStringList left = folderEntries(dir);
    left.sort();
    EXPECT_EQ(left, (QStringList{".QELP.INI.1.5.tmp", ".QELP.INI.x.1.tmp", ".other.2147483646.1.tmp", "QELP.INI",
                                 "QELP.INI.2147483646.1.tmp"}));
}
