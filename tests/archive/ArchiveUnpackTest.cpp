// Scenario archives: unpacking into the cache, names, the scenario folder and
// the refusal of hostile entries.
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/ArchiveUnpack.h"
#include "platform/FileLookup.h"

#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <locale.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qel;

namespace {

const QString kArchives = QStringLiteral(QEL_TEST_DATA "/archives");

struct Entry {
    Entry(std::string n, std::string d, unsigned t = AE_IFREG, std::string l = {})
        : name(std::move(n)), data(std::move(d)), type(t), link(std::move(l)) {}
    std::string name;  // bytes as stored
    std::string data;
    unsigned type = AE_IFREG;
    std::string link{};  // symbolic link target
};

// Writes a ZIP or 7z archive with libarchive. Names go in as their bytes:
// a ZIP written with the "C" character set keeps CP932 names as they are, the
// way Japanese Windows tools stored them.
void writeArchive(const QString& path, const char* format, const std::vector<Entry>& entries) {
    locale_t loc = ::newlocale(LC_CTYPE_MASK, std::string(format) == "7zip" ? "C.UTF-8" : "C", locale_t(nullptr));
    ASSERT_TRUE(loc);
    locale_t previous = ::uselocale(loc);
    archive* a = archive_write_new();
    archive_write_set_format_by_name(a, format);
    ASSERT_EQ(archive_write_open_filename(a, QFile::encodeName(path).constData()), ARCHIVE_OK);
    for (const Entry& en : entries) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, en.name.c_str());
        archive_entry_set_perm(e, 0644);
        archive_entry_set_filetype(e, en.type);
        if (en.type == AE_IFLNK) archive_entry_set_symlink(e, en.link.c_str());
        if (en.type == AE_IFREG) archive_entry_set_size(e, la_int64_t(en.data.size()));
        EXPECT_EQ(archive_write_header(a, e), ARCHIVE_OK) << en.name << ": " << archive_error_string(a);
        if (!en.data.empty()) archive_write_data(a, en.data.data(), en.data.size());
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
    ::uselocale(previous);
    ::freelocale(loc);
}

std::string readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    QByteArray b = f.readAll();
    return std::string(b.constData(), std::size_t(b.size()));
}

// Every path under root, relative, sorted; folders end in "/".
QStringList tree(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        out << QDir(root).relativeFilePath(it.filePath()) + (it.fileInfo().isDir() ? "/" : "");
    }
    out.sort();
    return out;
}

std::string refusal(const QString& archivePath, const QString& cache, const ArchiveLimits& limits = {}) {
    try {
        UnpackArchive(archivePath, cache, limits);
    } catch (const GameError& e) {
        return decode(e.text()).toStdString();
    }
    return "<unpacked>";
}

const std::string kOpening = "bg,124\r\n;\r\n.Start\r\nhello\r\n;\r\n";

class ArchiveTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString cache() const { return dir.filePath("cache"); }
    QString file(const QString& name) const { return dir.filePath(name); }
};

}  // namespace

TEST(ArchiveNames, KindsByExtension) {
    for (const char* yes : {"a.lzh", "b.LHA", "/x/c.Zip", "d.7z"}) EXPECT_TRUE(IsArchiveName(yes)) << yes;
    for (const char* no : {"a.dat", "lzh", "folder/", "e.tar", "f.zip.txt"}) EXPECT_FALSE(IsArchiveName(no)) << no;
}

// The published form: an LZH archive with CP932 names, a readme beside the
// scenario folder, pictures in a nested folder and a deeper "Opning.dat".
TEST_F(ArchiveTest, LzhScenarioUnpacksOnceWithItsJapaneseNames) {
    UnpackedArchive u = UnpackArchive(kArchives + "/scenario.lzh", cache());
    EXPECT_TRUE(u.unpackedNow);
    EXPECT_EQ(u.contentHash.size(), 64);
    EXPECT_EQ(u.folder, cache() + "/" + u.contentHash);
    EXPECT_EQ(tree(u.folder),
              QStringList({QString::fromUtf8("星の灯台/"), QString::fromUtf8("星の灯台/Opning.dat"),
                           QString::fromUtf8("星の灯台/おまけ/"), QString::fromUtf8("星の灯台/おまけ/Opning.dat"),
                           QString::fromUtf8("星の灯台/絵/"), QString::fromUtf8("星の灯台/絵/表.bmp"),
                           QString::fromUtf8("星の灯台/絵/表紙.txt"), QString::fromUtf8("読んでね.txt")}));
    EXPECT_EQ(u.scenarioFolder, u.folder + QString::fromUtf8("/星の灯台"));
    EXPECT_EQ(readFile(u.folder + QString::fromUtf8("/読んでね.txt")), sj("星の灯台へようこそ。") + "\r\n");

    // The player's own lookup finds the picture by the name the scene uses.
    qel::test::ScratchFolder keep;  // restores the current folder afterwards
    ASSERT_TRUE(QDir::setCurrent(u.scenarioFolder));
    auto found = findFile(sj("絵\\表.bmp"));
    ASSERT_TRUE(found);
    EXPECT_EQ(readFile(*found).substr(0, 2), "BM");

    UnpackedArchive again = UnpackArchive(kArchives + "/scenario.lzh", cache());
    EXPECT_FALSE(again.unpackedNow);
    EXPECT_EQ(again.folder, u.folder);
    EXPECT_EQ(again.scenarioFolder, u.scenarioFolder);
}

// ZIP with CP932 names (as Japanese Windows stored them) and with UTF-8 names,
// and 7z (whose names are always Unicode): the same tree comes out.
TEST_F(ArchiveTest, ZipAnd7zWithJapaneseNamesAndNestedFolders) {
    struct Case {
        const char* file;
        const char* format;
        bool cp932;
    };
    for (const Case& c :
         {Case{"cp932.zip", "zip", true}, Case{"utf8.zip", "zip", false}, Case{"game.7z", "7zip", false}}) {
        SCOPED_TRACE(c.file);
        auto name = [&](const char* utf8) { return c.cp932 ? sj(utf8) : std::string(utf8); };
        writeArchive(file(c.file), c.format,
                     {{name("ゲーム/"), "", AE_IFDIR},
                      {name("ゲーム/OPNING.DAT"), kOpening},
                      {name("ゲーム/ソース\\表.bmp"), "BM"},  // "\" from Windows tools separates too
                      {name("ゲーム/曲/海.mid"), "MThd"}});
        UnpackedArchive u = UnpackArchive(file(c.file), cache());
        EXPECT_EQ(tree(u.folder),
                  QStringList({QString::fromUtf8("ゲーム/"), QString::fromUtf8("ゲーム/OPNING.DAT"),
                               QString::fromUtf8("ゲーム/ソース/"), QString::fromUtf8("ゲーム/ソース/表.bmp"),
                               QString::fromUtf8("ゲーム/曲/"), QString::fromUtf8("ゲーム/曲/海.mid")}));
        EXPECT_EQ(u.scenarioFolder, u.folder + QString::fromUtf8("/ゲーム"));
        EXPECT_EQ(readFile(u.folder + QString::fromUtf8("/ゲーム/OPNING.DAT")), kOpening);
    }
}

TEST_F(ArchiveTest, ArchiveWithoutOpeningSceneHasNoScenarioFolder) {
    writeArchive(file("none.zip"), "zip", {{"readme.txt", "x"}, {"sub/Opning.txt", "y"}});
    UnpackedArchive u = UnpackArchive(file("none.zip"), cache());
    EXPECT_TRUE(u.scenarioFolder.isEmpty());
    EXPECT_TRUE(QFileInfo(u.folder + "/sub/Opning.txt").isFile());
}

// Each kind of hostile entry is refused with a message naming it, and nothing
// is left in the cache: no folder under the hash, no temporary folder.
TEST_F(ArchiveTest, HostileEntriesAreRefusedByName) {
    struct Case {
        const char* label;
        QString archive;  // a fixture, or empty for the ZIP/7z written from entries
        const char* format;
        std::vector<Entry> entries;
        ArchiveLimits limits;
        const char* expected;  // part of the message (UTF-8)
    };
    const Entry opening{"Opning.dat", kOpening};
    std::string deep;
    for (int i = 0; i < 2100; ++i) deep += "d/";
    deep += "x.txt";
    ArchiveLimits small;
    small.maxBytes = 1000;
    ArchiveLimits few;
    few.maxEntries = 3;
    const std::vector<Case> cases = {
        {"absolute", {}, "zip", {opening, {"/tmp/evil.txt", "x"}}, {}, "/tmp/evil.txt は絶対パスです"},
        {"drive", {}, "zip", {opening, {"C:\\evil.txt", "x"}}, {}, "C:/evil.txt は絶対パスです"},
        {"dotdot", {}, "zip", {opening, {"a/../../evil.txt", "x"}}, {}, "a/../../evil.txt はアーカイブのフォルダの外"},
        {"dotdot 7z", {}, "7zip", {opening, {"../evil.txt", "x"}}, {}, "../evil.txt はアーカイブのフォルダの外"},
        {"dotdot lzh", kArchives + "/escape.lzh", nullptr, {}, {}, "../../外.txt はアーカイブのフォルダの外"},
        {"symlink", {}, "zip", {opening, {"link", "", AE_IFLNK, "/etc/passwd"}}, {}, "link はリンクです"},
        {"fifo", {}, "7zip", {opening, {"pipe", "", AE_IFIFO}}, {}, "pipe は普通のファイルでもフォルダでもありません"},
        {"declared size",
         {},
         "zip",
         {opening, {"big.bin", std::string(2000, 'x')}},
         small,
         "big.bin で展開後の大きさが 1000 バイトを超えます"},
        // Writing stops at the first byte beyond the entry's declared size.
        {"actual size", kArchives + "/understated.lzh", nullptr, {}, {}, "大きい.bin は書かれた大きさ（"},
        {"deep", {}, "zip", {opening, {deep, "x"}}, {}, "は名前が長すぎるか、フォルダが深すぎます"},
        {"entries",
         {},
         "zip",
         {opening, {"1", "1"}, {"2", "2"}, {"3", "3"}},
         few,
         "項目が多すぎます（3 で 3 個を超えます）"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        QTemporaryDir cacheDir;
        QString path = c.archive;
        if (path.isEmpty()) {
            path = file(
                QString("hostile-%1.%2").arg(QString(c.label).replace(' ', '-'), c.format[0] == 'z' ? "zip" : "7z"));
            writeArchive(path, c.format, c.entries);
        }
        QElapsedTimer timer;
        timer.start();
        const std::string message = refusal(path, cacheDir.path(), c.limits);
        EXPECT_LT(timer.elapsed(), 5000) << "refusing takes a moment, never seconds";  // generous under load
        EXPECT_LT(QString::fromStdString(message).size(), 400) << "the entry's name is cut short";
        EXPECT_NE(message.find(QDir::toNativeSeparators(path).toStdString()), std::string::npos) << message;
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        EXPECT_EQ(tree(cacheDir.path()).filter(QRegularExpression("^[^/]+/$")), QStringList({"index/"}));
        EXPECT_TRUE(QDir("/tmp").entryList({"evil.txt"}).isEmpty());
    }
}

TEST_F(ArchiveTest, NamesThatAreNoCp932StayApart) {
    // Both would decode to the same replacement characters.
    writeArchive(file("odd.zip"), "zip", {{"Opning.dat", kOpening}, {"\xff\xfe.txt", "one"}, {"\xfd\xfc.txt", "two"}});
    const UnpackedArchive u = UnpackArchive(file("odd.zip"), cache());
    EXPECT_EQ(readFile(u.folder + "/%FF%FE.txt"), "one");
    EXPECT_EQ(readFile(u.folder + "/%FD%FC.txt"), "two");
}

TEST_F(ArchiveTest, DamagedOrMissingArchiveIsRefused) {
    QFile f(file("broken.zip"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PK\x03\x04 this is not really a zip archive at all");
    f.close();
    EXPECT_NE(refusal(file("broken.zip"), cache()).find("を読めません"), std::string::npos);
    EXPECT_NE(refusal(file("missing.lzh"), cache()).find("missing.lzh を読めません"), std::string::npos);
}

// A folder left by an unpack that was killed is never taken for the archive;
// it is cleared away once its program is gone.
TEST_F(ArchiveTest, HalfUnpackedFolderOfAKilledRunIsNotTrusted) {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);  // a program id that no longer runs

    UnpackedArchive first = UnpackArchive(kArchives + "/scenario.lzh", cache());
    const QString hash = first.contentHash;
    ASSERT_TRUE(QDir(first.folder).removeRecursively());
    const QString stale = cache() + QString("/.unpack-%1-%2-1").arg(hash.left(16)).arg(child);
    ASSERT_TRUE(QDir().mkpath(stale + QString::fromUtf8("/星の灯台")));

    UnpackedArchive u = UnpackArchive(kArchives + "/scenario.lzh", cache());
    EXPECT_TRUE(u.unpackedNow);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo(u.scenarioFolder + "/Opning.dat").isFile());
    EXPECT_EQ(QDir(cache()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({hash, "index"}));
}
