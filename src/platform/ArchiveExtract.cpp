#include "platform/ArchiveExtract.h"

#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/OnDemandLibrary.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qel {

void refuseArchive(const QString& text) { throw GameError(encode(text)); }

QString shownPath(const QString& path) { return QDir::toNativeSeparators(path); }

namespace {

// libarchive, loaded as the first archive is opened.
#define ARCHIVE_FUNCTIONS(X)            \
    X(archive_entry_filetype)           \
    X(archive_entry_hardlink)           \
    X(archive_entry_pathname)           \
    X(archive_entry_size)               \
    X(archive_entry_size_is_set)        \
    X(archive_entry_symlink)            \
    X(archive_error_string)             \
    X(archive_format)                   \
    X(archive_read_data)                \
    X(archive_read_data_skip)           \
    X(archive_read_free)                \
    X(archive_read_new)                 \
    X(archive_read_next_header)         \
    X(archive_read_open_filename)       \
    X(archive_read_set_format_option)   \
    X(archive_read_support_format_7zip) \
    X(archive_read_support_format_lha)  \
    X(archive_read_support_format_zip)

struct LibArchive {
    ARCHIVE_FUNCTIONS(QEL_FUNCTION_POINTER)
    bool load(QString* why) { return loadLibrary("libarchive.so.13", {ARCHIVE_FUNCTIONS(QEL_FUNCTION_ENTRY)}, why); }
};

// libarchive's functions, used only once openArchive has loaded them.
const LibArchive& libarchive() { return *loadedOnce<LibArchive>(nullptr); }

// --- messages ---

[[noreturn]] void refuse(const QString& text) { refuseArchive(text); }

QString shown(const QString& path) { return shownPath(path); }

// An entry's name as a refusal shows it: a name of thousands of characters
// (a hostile archive's deep nesting) is cut to its first ones.
constexpr qsizetype kShownNameCharacters = 120;

QString shownEntry(const QString& name) {
    if (name.size() <= kShownNameCharacters) return name;
    return name.left(kShownNameCharacters) + QString::fromUtf8("…");
}

// Deeper or longer names than any scenario has are refused before anything
// is written: file systems refuse paths of more than 4096 bytes anyway, after
// many folders have been made on the way.
constexpr std::size_t kMaxDepth = 64;
constexpr qsizetype kMaxNameBytes = 1024;

[[noreturn]] void refuseEntry(const QString& archivePath, const QString& entry, const char* what) {
    refuse(QString::fromUtf8("アーカイブ %1 の %2 %3")
               .arg(shown(archivePath), shownEntry(entry), QString::fromUtf8(what)));
}

[[noreturn]] void refuseUnreadable(const QString& archivePath, struct archive* a) {
    const char* why = a ? libarchive().archive_error_string(a) : nullptr;
    refuse(QString::fromUtf8("アーカイブ %1 を読めません: %2")
               .arg(shown(archivePath), why ? QString::fromLocal8Bit(why) : QString::fromUtf8("形式が不明です")));
}

// --- reading ---

// libarchive converts entry names through the thread's character set; with a
// UTF-8 character set every name it knows the encoding of (7z, flagged ZIP
// names) arrives as UTF-8, and the others as their own bytes.
class Utf8Locale {
public:
    Utf8Locale() {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            loc_ = ::newlocale(LC_CTYPE_MASK, name, locale_t(nullptr));
            if (loc_) break;
        }
        if (loc_) previous_ = ::uselocale(loc_);
    }
    ~Utf8Locale() {
        if (!loc_) return;
        ::uselocale(previous_);
        ::freelocale(loc_);
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t loc_ = locale_t(nullptr);
    locale_t previous_ = locale_t(nullptr);
};

struct ArchiveCloser {
    void operator()(archive* a) const { libarchive().archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveCloser>;

ArchivePtr openArchive(const QString& path) {
    QString missing;
    if (!loadedOnce<LibArchive>(&missing))
        refuse(QString::fromUtf8("アーカイブ %1 を読めません: %2").arg(shown(path), missing));
    ArchivePtr a(libarchive().archive_read_new());
    if (!a) refuseUnreadable(path, nullptr);
    libarchive().archive_read_support_format_lha(a.get());
    libarchive().archive_read_support_format_zip(a.get());
    libarchive().archive_read_support_format_7zip(a.get());
    // LZH headers carry no character set: take their bytes one for one (as
    // Latin-1) and decide on the encoding here, like for ZIP.
    libarchive().archive_read_set_format_option(a.get(), "lha", "hdrcharset", "ISO-8859-1");
    if (libarchive().archive_read_open_filename(a.get(), QFile::encodeName(path).constData(), 1 << 16) != ARCHIVE_OK)
        refuseUnreadable(path, a.get());
    return a;
}

bool isLha(archive* a) { return (libarchive().archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_LHA; }

// CP932 name bytes as text. A byte (or byte pair) that is no CP932 character
// is written as %XX for each byte, so that two names differing only there stay
// two names (decoding would turn both into the same replacement character).
QString decodeEscaped(const QByteArray& bytes) {
    const std::string_view all(bytes.constData(), std::size_t(bytes.size()));
    QString text = decode(all);
    if (encode(text) == all) return text;
    text.clear();
    for (std::size_t i = 0; i < all.size();) {
        const std::size_t n = isLeadByte(static_cast<unsigned char>(all[i])) && i + 1 < all.size() ? 2 : 1;
        const std::string_view unit = all.substr(i, n);
        const QString ch = decode(unit);
        if (encode(ch) == unit) {
            text += ch;
            i += n;
        } else {  // the byte alone is escaped; its neighbour may still be a character
            const unsigned byte = static_cast<unsigned char>(all[i]);
            text += QLatin1Char('%') + QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
            ++i;
        }
    }
    return text;
}

// The entry's name as text: UTF-8 when its bytes are valid UTF-8, else CP932.
QString entryName(archive* a, archive_entry* e) {
    const char* p = libarchive().archive_entry_pathname(e);
    if (!p) return {};
    QByteArray bytes(p);
    if (isLha(a)) {
        // The reader gave each byte as a Latin-1 character; take the bytes back.
        // (A header that names its code page arrives already converted.)
        const QString asRead = QString::fromUtf8(bytes);
        bool latin1 = true;
        for (QChar c : asRead) latin1 = latin1 && c.unicode() <= 0xFF;
        if (latin1) bytes = asRead.toLatin1();
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    // Old LZH headers separate folders with "\", and the reader turns every
    // such byte into "/", the trail byte of a double-byte character included;
    // a "/" is never a trail byte, so one right after a lead byte was "\".
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i) {
        if (!isLeadByte(static_cast<unsigned char>(bytes[i]))) continue;
        if (bytes[i + 1] == '/') bytes[i + 1] = '\\';
        ++i;
    }
    return decodeEscaped(bytes);
}

// The entry's place under the unpack folder as its folder parts, or a refusal.
std::vector<QString> safeParts(const QString& archivePath, const QString& name) {
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool drive = path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].unicode() < 0x80 &&
                       path[0].isLetter();
    if (path.startsWith(QLatin1Char('/')) || drive) refuseEntry(archivePath, name, "は絶対パスです");
    if (path.size() > kMaxNameBytes || path.count(QLatin1Char('/')) >= qsizetype(kMaxDepth) ||
        path.toUtf8().size() > kMaxNameBytes)
        refuseEntry(archivePath, name, "は名前が長すぎるか、フォルダが深すぎます");
    std::vector<QString> parts;
    for (const QString& part : path.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) {
            if (parts.empty()) refuseEntry(archivePath, name, "はアーカイブのフォルダの外を指しています");
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    return parts;
}

enum class EntryKind { File, Folder };

// Checks one entry's kind; links and special files are refused.
EntryKind kindOf(const QString& archivePath, const QString& name, archive_entry* e) {
    if (libarchive().archive_entry_hardlink(e) || libarchive().archive_entry_symlink(e))
        refuseEntry(archivePath, name, "はリンクです");
    switch (libarchive().archive_entry_filetype(e)) {
    case AE_IFREG: return EntryKind::File;
    case AE_IFDIR: return EntryKind::Folder;
    case AE_IFLNK: refuseEntry(archivePath, name, "はリンクです");
    default: refuseEntry(archivePath, name, "は普通のファイルでもフォルダでもありません");
    }
}

// Steps through the entries; for each calls visit(entry, its name, its parts, kind).
template <typename Visit>
void forEachEntry(archive* a, const QString& archivePath, const ArchiveLimits& limits, Visit visit) {
    std::uint64_t count = 0;
    for (;;) {
        archive_entry* e = nullptr;
        int r = libarchive().archive_read_next_header(a, &e);
        if (r == ARCHIVE_EOF) return;
        if (r == ARCHIVE_RETRY) continue;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) refuseUnreadable(archivePath, a);
        const QString name = entryName(a, e);
        if (name.isEmpty()) refuseUnreadable(archivePath, a);
        if (++count > limits.maxEntries)
            refuse(QString::fromUtf8("アーカイブ %1 は項目が多すぎます（%2 で %3 個を超えます）")
                       .arg(shown(archivePath), shownEntry(name))
                       .arg(limits.maxEntries));
        const EntryKind kind = kindOf(archivePath, name, e);
        std::vector<QString> parts = safeParts(archivePath, name);
        visit(e, name, parts, kind);
    }
}

[[noreturn]] void refuseTooBig(const QString& archivePath, const QString& name, const ArchiveLimits& limits) {
    refuse(QString::fromUtf8("アーカイブ %1 は大きすぎます（%2 で展開後の大きさが %3 バイトを超えます）")
               .arg(shown(archivePath), shownEntry(name))
               .arg(limits.maxBytes));
}

// --- writing ---

struct FdGuard {
    int fd = -1;
    ~FdGuard() {
        if (fd >= 0) ::close(fd);
    }
};

QByteArray joinParts(const QByteArray& root, const std::vector<QString>& parts, std::size_t count) {
    QByteArray path = root;
    for (std::size_t i = 0; i < count; ++i) path += '/' + QFile::encodeName(parts[i]);
    return path;
}

[[noreturn]] void refuseWrite(const QString& archivePath, const QString& name, int err) {
    refuse(QString::fromUtf8("アーカイブ %1 の %2 を書き出せません: %3")
               .arg(shown(archivePath), shownEntry(name), QString::fromLocal8Bit(std::strerror(err))));
}

// Makes the folders of the first count parts under root (none of them is a link:
// nothing this unpack writes is).
void makeFolders(const QByteArray& root, const std::vector<QString>& parts, std::size_t count,
                 const QString& archivePath, const QString& name) {
    for (std::size_t i = 1; i <= count; ++i) {
        QByteArray path = joinParts(root, parts, i);
        if (::mkdir(path.constData(), 0755) == 0) continue;
        struct stat st {};
        if (errno == EEXIST && ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        refuseWrite(archivePath, name, errno == EEXIST ? ENOTDIR : errno);
    }
}

void writeAll(int fd, const char* p, std::size_t n, const QString& archivePath, const QString& name) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            refuseWrite(archivePath, name, errno);
        }
        p += w;
        n -= std::size_t(w);
    }
}

}  // namespace

void extractArchive(const QString& archivePath, const QByteArray& root, const ArchiveLimits& limits) {
    Utf8Locale utf8;
    // First pass: names, kinds, the number of entries and the declared sizes,
    // before anything is written.
    {
        ArchivePtr a = openArchive(archivePath);
        std::uint64_t declared = 0;
        forEachEntry(a.get(), archivePath, limits,
                     [&](archive_entry* e, const QString& name, const std::vector<QString>&, EntryKind kind) {
                         if (kind == EntryKind::File && libarchive().archive_entry_size_is_set(e)) {
                             const la_int64_t size = libarchive().archive_entry_size(e);
                             if (size < 0) refuseUnreadable(archivePath, a.get());
                             declared += std::uint64_t(size);
                             if (declared > limits.maxBytes) refuseTooBig(archivePath, name, limits);
                         }
                         libarchive().archive_read_data_skip(a.get());
                     });
    }
    // Second pass: the entries themselves, counting the bytes as they come.
    ArchivePtr a = openArchive(archivePath);
    std::uint64_t written = 0;
    std::vector<char> buffer(std::size_t(1) << 20);
    forEachEntry(a.get(), archivePath, limits,
                 [&](archive_entry* e, const QString& name, const std::vector<QString>& parts, EntryKind kind) {
                     if (parts.empty()) return;  // the archive's own folder
                     if (kind == EntryKind::Folder) {
                         makeFolders(root, parts, parts.size(), archivePath, name);
                         return;
                     }
                     makeFolders(root, parts, parts.size() - 1, archivePath, name);
                     const QByteArray path = joinParts(root, parts, parts.size());
                     FdGuard out;
                     // Never over another entry's file: two names that came out
                     // the same are refused rather than merged.
                     out.fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
                     if (out.fd < 0 && errno == EEXIST)
                         refuseEntry(archivePath, name, "と同じ名前の項目がほかにもあります");
                     if (out.fd < 0) refuseWrite(archivePath, name, errno);
                     const bool sized = libarchive().archive_entry_size_is_set(e);
                     const std::uint64_t declared =
                         sized ? std::uint64_t(std::max<la_int64_t>(libarchive().archive_entry_size(e), 0)) : 0;
                     std::uint64_t entryBytes = 0;
                     for (;;) {
                         la_ssize_t n = libarchive().archive_read_data(a.get(), buffer.data(), buffer.size());
                         if (n == 0) break;
                         if (n < 0) refuseUnreadable(archivePath, a.get());
                         written += std::uint64_t(n);
                         entryBytes += std::uint64_t(n);
                         if (sized && entryBytes > declared)
                             refuse(QString::fromUtf8(
                                        "アーカイブ %1 の %2 は書かれた大きさ（%3 バイト）より大きくなっています")
                                        .arg(shown(archivePath), shownEntry(name))
                                        .arg(declared));
                         if (written > limits.maxBytes) refuseTooBig(archivePath, name, limits);
                         writeAll(out.fd, buffer.data(), std::size_t(n), archivePath, name);
                     }
                     const int fd = out.fd;
                     out.fd = -1;
                     if (::close(fd) != 0) refuseWrite(archivePath, name, errno);
                 });
}

}  // namespace qel
