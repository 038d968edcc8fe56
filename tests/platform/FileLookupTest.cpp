#include "platform/Cp932.h"
#include "platform/FileLookup.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qel;
using qel::test::ScratchFolder;

namespace {

// Creates a file whose name is given as raw bytes (as a CP932 name would be
// stored), with folders as needed; the content tells which file was found.
void writeRaw(const ScratchFolder& dir, const std::string& relBytes, const std::string& content) {
    std::string path = QFile::encodeName(dir.path()).toStdString();
    std::size_t start = 0;
    for (;;) {
        auto slash = relBytes.find('/', start);
        if (slash == std::string::npos) break;
        ::mkdir((path + "/" + relBytes.substr(0, slash)).c_str(), 0755);
        start = slash + 1;
    }
    int fd = ::open((path + "/" + relBytes).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << relBytes;
    ASSERT_EQ(::write(fd, content.data(), content.size()), ssize_t(content.size()));
    ::close(fd);
}

// The content of the file that the lookup picks, or "(none)".
std::string found(const std::string& cp932Name) {
    auto path = findFile(cp932Name);
    if (!path) return "(none)";
    QFile f(*path);
    if (!f.open(QIODevice::ReadOnly)) return "(unreadable " + path->toStdString() + ")";
    return f.readAll().toStdString();
}

}  // namespace

TEST(FileLookup, ExactNameWinsOverCaseVariants) {
    ScratchFolder dir;
    dir.write("room.bmp", "lower");
    dir.write("ROOM.BMP", "upper");
    dir.write("Room.bmp", "mixed");
    EXPECT_EQ(found("room.bmp"), "lower");
    EXPECT_EQ(found("ROOM.BMP"), "upper");
    EXPECT_EQ(found("Room.bmp"), "mixed");
    // No exact match: the first variant in byte order, every time.
    EXPECT_EQ(found("rOOm.Bmp"), "upper");
    EXPECT_EQ(found("rOOm.Bmp"), "upper");
}

TEST(FileLookup, MatchesIgnoringAsciiLetterCaseFolderByFolder) {
    ScratchFolder dir;
    dir.write("Data/Pics/room1.bmp", "room");
    dir.write("scene1.DAT", "scene");
    EXPECT_EQ(found("scene1.dat"), "scene");
    EXPECT_EQ(found("DATA\\PICS\\ROOM1.BMP"), "room");
    EXPECT_EQ(found("data/pics/Room1.Bmp"), "room");
    EXPECT_EQ(found("data\\pics/room1.BMP"), "room");
    EXPECT_EQ(found(".\\Data\\..\\data\\pics\\room1.bmp"), "room");
    EXPECT_EQ(found("room1.bmp"), "(none)");
    EXPECT_EQ(found("data\\pics\\room2.bmp"), "(none)");
    // A name only a letter-case fold away from a different name is no match.
    EXPECT_EQ(found("scene1.da"), "(none)");
}

TEST(FileLookup, WalksOnWhenTheFirstFolderVariantLacksTheFile) {
    ScratchFolder dir;
    QDir().mkpath(dir.path() + "/IMG");
    dir.write("img/a.bmp", "found");
    EXPECT_EQ(found("Img\\A.BMP"), "found");
}

TEST(FileLookup, FindsJapaneseNamesStoredAsCp932OrUtf8) {
    ScratchFolder dir;
    writeRaw(dir, sj("部屋1.bmp"), "cp932");
    dir.write("部屋2.bmp", "utf8");
    writeRaw(dir, sj("画像") + "/" + sj("絵.BMP"), "cp932 folder");
    dir.write("写真/Face.bmp", "utf8 folder");

    EXPECT_EQ(found(sj("部屋1.bmp")), "cp932");
    EXPECT_EQ(found(sj("部屋1.BMP")), "cp932");
    EXPECT_EQ(found(sj("部屋2.bmp")), "utf8");
    EXPECT_EQ(found(sj("部屋2.BMP")), "utf8");
    EXPECT_EQ(found(sj("画像\\絵.bmp")), "cp932 folder");
    EXPECT_EQ(found(sj("写真\\FACE.bmp")), "utf8 folder");
    // Full-width letters are not folded; only ASCII ones are.
    dir.write("ａ.bmp", "full-width");
    EXPECT_EQ(found(sj("Ａ.bmp")), "(none)");
}

TEST(FileLookup, BackslashAsTrailByteIsPartOfTheCharacter) {
    ScratchFolder dir;
    // "ソ" is 83 5C: its second byte is a backslash but separates nothing.
    dir.write("ソフト/表.bmp", "utf8");
    writeRaw(dir, sj("ソ.bmp"), "cp932");
    EXPECT_EQ(found(sj("ソフト\\表.bmp")), "utf8");
    EXPECT_EQ(found(sj("ソフト/表.BMP")), "utf8");
    EXPECT_EQ(found(sj("ソ.bmp")), "cp932");
    EXPECT_EQ(found(sj("ソ.BMP")), "cp932");
    EXPECT_FALSE(findFile(sj("ソフト\\")).has_value());

    // "ア" is 83 41 and "ヂ" is 83 61: a trail byte that looks like a letter is
    // never folded, so the two stay different names.
    writeRaw(dir, sj("ア.bmp"), "a");
    EXPECT_EQ(found(sj("ア.bmp")), "a");
    EXPECT_EQ(found(sj("ヂ.bmp")), "(none)");
}

TEST(FileLookup, AbsolutePathsAndThingsThatAreNotFiles) {
    ScratchFolder dir;
    dir.write("sub/Abs.bmp", "abs");
    std::string absolute = encode(dir.path()) + "/sub/Abs.bmp";
    EXPECT_EQ(found(absolute), "abs");
    std::string windowsStyle = encode(QDir::toNativeSeparators(dir.path()).replace('/', '\\')) + "\\SUB\\abs.BMP";
    EXPECT_EQ(found(windowsStyle), "abs");

    EXPECT_FALSE(findFile("").has_value());
    EXPECT_FALSE(findFile("\\").has_value());
    EXPECT_FALSE(findFile("sub").has_value());  // a folder, not a file
    EXPECT_FALSE(findFile("sub\\abs.bmp\\").has_value());
    EXPECT_FALSE(findFile(std::string("sub/Abs.bmp\0x", 13)).has_value());
    EXPECT_FALSE(findFile("missing.dat").has_value());
    EXPECT_FALSE(findFile("nothing\\missing.dat").has_value());
    EXPECT_TRUE(fileExists("SUB\\ABS.BMP"));
}

TEST(FileLookup, ManySpellingsOfOneFolderKeepTheWalkLinearInTheParts) {
    // Two spellings of a link to the folder itself: every level of the name
    // can be reached both ways, and a walk that tried each combination would
    // take 2^40 steps for the missing file.
    ScratchFolder dir;
    dir.write("end.txt", "end");
    const std::string here = QFile::encodeName(dir.path()).toStdString();
    ASSERT_EQ(::symlink(".", (here + "/a").c_str()), 0);
    ASSERT_EQ(::symlink(".", (here + "/A").c_str()), 0);
    std::string deep;
    for (int i = 0; i < 40; ++i) deep += i % 3 ? "a\\" : "A\\";
    EXPECT_EQ(found(deep + "missing"), "(none)");
    EXPECT_EQ(found(deep + "END.TXT"), "end");
    EXPECT_EQ(found(deep + "a\\missing\\end.txt"), "(none)");
}

TEST(FileLookup, FolderIndexIsRenewedWhenTheFolderChanges) {
    ScratchFolder dir;
    // The folder as if last changed a minute ago, so that its index is kept.
    const auto settle = [] {
        timespec t[2];
        ::clock_gettime(CLOCK_REALTIME, &t[0]);
        t[0].tv_sec -= 60;
        t[1] = t[0];
        ASSERT_EQ(::utimensat(AT_FDCWD, ".", t, 0), 0);
    };
    dir.write("Room.bmp", "first");
    settle();
    EXPECT_EQ(found("ROOM.BMP"), "first");
    EXPECT_EQ(found("OTHER.BMP"), "(none)");
    dir.write("other.bmp", "added");
    EXPECT_EQ(found("OTHER.BMP"), "added");
    settle();
    EXPECT_EQ(found("ROOM.BMP"), "first");
    ASSERT_TRUE(QFile::remove(dir.path() + "/Room.bmp"));
    EXPECT_EQ(found("ROOM.BMP"), "(none)");
}
