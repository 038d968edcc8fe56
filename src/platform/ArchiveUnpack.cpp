#include "platform/ArchiveUnpack.h"

#include "platform/Cp932.h"
#include "platform/Errors.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#include <archive.h>
#include <archive_entry.h>
#include <openssl/evp.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <memory>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qel {

namespace {

// --- messages ---

[[noreturn]] void refuse(const QString& text) { throw GameError(encode(text)); }

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

[[noreturn]] void refuseEntry(const QString& archivePath, const QString& entry, const char* what) {
    refuse(QString::fromUtf8("アーカイブ %1 の %2 %3").arg(shown(archivePath), entry, QString::fromUtf8(what)));
}

[[noreturn]] void refuseUnreadable(const QString& archivePath, struct archive* a) {
    const char* why = a ? archive_error_string(a) : nullptr;
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
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveCloser>;

ArchivePtr openArchive(const QString& path) {
    ArchivePtr a(archive_read_new());
    if (!a) refuseUnreadable(path, nullptr);
    archive_read_support_format_lha(a.get());
    archive_read_support_format_zip(a.get());
    archive_read_support_format_7zip(a.get());
    // LZH headers carry no character set: take their bytes one for one (as
    // Latin-1) and decide on the encoding here, like for ZIP.
    archive_read_set_format_option(a.get(), "lha", "hdrcharset", "ISO-8859-1");
    if (archive_read_open_filename(a.get(), QFile::encodeName(path).constData(), 1 << 16) != ARCHIVE_OK)
        refuseUnreadable(path, a.get());
    return a;
}

bool isLha(archive* a) { return (archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_LHA; }

// The entry's name as text: UTF-8 when its bytes are valid UTF-8, else CP932.
QString entryName(archive* a, archive_entry* e) {
    const char* p = archive_entry_pathname(e);
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
    return decode(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

// The entry's place under the unpack folder as its folder parts, or a refusal.
std::vector<QString> safeParts(const QString& archivePath, const QString& name) {
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool drive = path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].unicode() < 0x80 &&
                       path[0].isLetter();
    if (path.startsWith(QLatin1Char('/')) || drive) refuseEntry(archivePath, name, "は絶対パスです");
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
    if (archive_entry_hardlink(e) || archive_entry_symlink(e)) refuseEntry(archivePath, name, "はリンクです");
    switch (archive_entry_filetype(e)) {
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
        int r = archive_read_next_header(a, &e);
        if (r == ARCHIVE_EOF) return;
        if (r == ARCHIVE_RETRY) continue;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) refuseUnreadable(archivePath, a);
        const QString name = entryName(a, e);
        if (name.isEmpty()) refuseUnreadable(archivePath, a);
        if (++count > limits.maxEntries)
            refuse(QString::fromUtf8("アーカイブ %1 は項目が多すぎます（%2 で %3 個を超えます）")
                       .arg(shown(archivePath), name)
                       .arg(limits.maxEntries));
        const EntryKind kind = kindOf(archivePath, name, e);
        std::vector<QString> parts = safeParts(archivePath, name);
        visit(e, name, parts, kind);
    }
}

[[noreturn]] void refuseTooBig(const QString& archivePath, const QString& name, const ArchiveLimits& limits) {
    refuse(QString::fromUtf8("アーカイブ %1 は大きすぎます（%2 で展開後の大きさが %3 バイトを超えます）")
               .arg(shown(archivePath), name)
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
               .arg(shown(archivePath), name, QString::fromLocal8Bit(std::strerror(err))));
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

void unpackInto(const QString& archivePath, const QByteArray& root, const ArchiveLimits& limits) {
    Utf8Locale utf8;
    // First pass: names, kinds, the number of entries and the declared sizes,
    // before anything is written.
    {
        ArchivePtr a = openArchive(archivePath);
        std::uint64_t declared = 0;
        forEachEntry(a.get(), archivePath, limits,
                     [&](archive_entry* e, const QString& name, const std::vector<QString>&, EntryKind kind) {
                         if (kind == EntryKind::File && archive_entry_size_is_set(e)) {
                             const la_int64_t size = archive_entry_size(e);
                             if (size < 0) refuseUnreadable(archivePath, a.get());
                             declared += std::uint64_t(size);
                             if (declared > limits.maxBytes) refuseTooBig(archivePath, name, limits);
                         }
                         archive_read_data_skip(a.get());
                     });
    }
    // Second pass: the entries themselves, counting the bytes as they come.
    ArchivePtr a = openArchive(archivePath);
    std::uint64_t written = 0;
    std::vector<char> buffer(std::size_t(1) << 20);
    forEachEntry(a.get(), archivePath, limits,
                 [&](archive_entry*, const QString& name, const std::vector<QString>& parts, EntryKind kind) {
                     if (parts.empty()) return;  // the archive's own folder
                     if (kind == EntryKind::Folder) {
                         makeFolders(root, parts, parts.size(), archivePath, name);
                         return;
                     }
                     makeFolders(root, parts, parts.size() - 1, archivePath, name);
                     const QByteArray path = joinParts(root, parts, parts.size());
                     FdGuard out;
                     out.fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
                     if (out.fd < 0) refuseWrite(archivePath, name, errno);
                     for (;;) {
                         la_ssize_t n = archive_read_data(a.get(), buffer.data(), buffer.size());
                         if (n == 0) break;
                         if (n < 0) refuseUnreadable(archivePath, a.get());
                         written += std::uint64_t(n);
                         if (written > limits.maxBytes) refuseTooBig(archivePath, name, limits);
                         writeAll(out.fd, buffer.data(), std::size_t(n), archivePath, name);
                     }
                     const int fd = out.fd;
                     out.fd = -1;
                     if (::close(fd) != 0) refuseWrite(archivePath, name, errno);
                 });
}

// --- the cache ---

// SHA-256 of the file's bytes, as hex. OpenSSL's is several times faster than
// Qt's, which would otherwise take longer than the unpack itself.
QString hashFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        refuse(QString::fromUtf8("アーカイブ %1 を読めません: %2").arg(shown(path), f.errorString()));
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        refuse(QString::fromUtf8("アーカイブ %1 を読めません").arg(shown(path)));
    std::vector<char> buffer(std::size_t(1) << 20);
    for (;;) {
        const qint64 n = f.read(buffer.data(), qint64(buffer.size()));
        if (n < 0) refuse(QString::fromUtf8("アーカイブ %1 を読めません: %2").arg(shown(path), f.errorString()));
        if (n == 0) break;
        EVP_DigestUpdate(ctx.get(), buffer.data(), std::size_t(n));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), digest, &length);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex());
}

// The key under which the content hash of this very file is remembered: it
// changes whenever the file is replaced or written to.
QString statKey(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    const QByteArray key = QFile::encodeName(QFileInfo(path).absoluteFilePath()) + '\n' +
                           QByteArray::number(qulonglong(st.st_dev)) + ' ' + QByteArray::number(qulonglong(st.st_ino)) +
                           ' ' + QByteArray::number(qlonglong(st.st_size)) + ' ' +
                           QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' +
                           QByteArray::number(qlonglong(st.st_mtim.tv_nsec)) + ' ' +
                           QByteArray::number(qlonglong(st.st_ctim.tv_sec)) + '.' +
                           QByteArray::number(qlonglong(st.st_ctim.tv_nsec));
    return QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(40));
}

bool isHash(const QByteArray& text) {
    if (text.size() != 64) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

QString rememberedHash(const QString& indexFile) {
    QFile f(indexFile);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray text = f.read(80).trimmed();
    return isHash(text) ? QString::fromLatin1(text) : QString();
}

void rememberHash(const QString& indexFile, const QString& hash) {
    QDir().mkpath(QFileInfo(indexFile).absolutePath());
    const QString temp = indexFile + QStringLiteral(".%1.tmp").arg(qint64(::getpid()));
    QFile f(temp);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;  // only a shortcut is lost
    f.write(hash.toLatin1() + '\n');
    f.close();
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(indexFile).constData()) != 0)
        QFile::remove(temp);
}

bool isFolder(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Removes what unpacks killed halfway left behind: temporary folders whose
// program is no longer running.
void removeAbandoned(const QString& cacheRoot) {
    const QStringList temps = QDir(cacheRoot).entryList({QStringLiteral(".unpack-*")},
                                                       QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& t : temps) {
        const QStringList fields = t.split(QLatin1Char('-'));
        if (fields.size() < 4) continue;
        bool ok = false;
        const qint64 pid = fields[2].toLongLong(&ok);
        if (!ok || pid <= 0) continue;
        if (pid == ::getpid() || ::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;
        QDir(QDir(cacheRoot).filePath(t)).removeRecursively();
    }
}

bool isOpeningScene(const QString& name) {
    static const char kName[] = "opning.dat";
    if (name.size() != qsizetype(sizeof kName - 1)) return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char16_t c = name[i].unicode();
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
        if (c != char16_t(kName[i])) return false;
    }
    return true;
}

} // namespace

bool IsArchiveName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("lzh") || suffix == QLatin1String("lha") || suffix == QLatin1String("zip") ||
           suffix == QLatin1String("7z");
}

QString ArchiveCacheRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/qelplayer/archives");
}

bool HasOpeningScene(const QString& folder) {
    for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (isOpeningScene(f)) return true;
    return false;
}

QString FindScenarioFolder(const QString& root) {
    QStringList level{root};
    while (!level.isEmpty()) {
        QStringList next;
        for (const QString& folder : level) {
            QDir dir(folder);
            for (const QString& f : dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name))
                if (isOpeningScene(f)) return folder;
            for (const QString& d :
                 dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name))
                next << dir.filePath(d);
        }
        level = next;
    }
    return {};
}

UnpackedArchive UnpackArchive(const QString& archivePath, const QString& cacheRoot, const ArchiveLimits& limits) {
    UnpackedArchive out;
    if (!QDir().mkpath(cacheRoot))
        refuse(QString::fromUtf8("キャッシュフォルダ %1 を作れません").arg(shown(cacheRoot)));

    const QString key = statKey(archivePath);
    const QString indexFile = key.isEmpty() ? QString() : cacheRoot + QStringLiteral("/index/") + key;
    out.contentHash = indexFile.isEmpty() ? QString() : rememberedHash(indexFile);
    if (out.contentHash.isEmpty() || !isFolder(cacheRoot + QLatin1Char('/') + out.contentHash)) {
        out.contentHash = hashFile(archivePath);
        if (!indexFile.isEmpty()) rememberHash(indexFile, out.contentHash);
    }
    out.folder = cacheRoot + QLatin1Char('/') + out.contentHash;

    if (!isFolder(out.folder)) {
        removeAbandoned(cacheRoot);
        static std::atomic<unsigned> counter{0};
        const QString temp = cacheRoot + QStringLiteral("/.unpack-%1-%2-%3")
                                             .arg(out.contentHash.left(16))
                                             .arg(qint64(::getpid()))
                                             .arg(++counter);
        const QByteArray tempPath = QFile::encodeName(temp);
        if (::mkdir(tempPath.constData(), 0755) != 0)
            refuse(QString::fromUtf8("キャッシュフォルダ %1 に書き込めません: %2")
                       .arg(shown(cacheRoot), QString::fromLocal8Bit(std::strerror(errno))));
        try {
            unpackInto(archivePath, tempPath, limits);
        } catch (...) {
            QDir(temp).removeRecursively();
            throw;
        }
        // Complete: only now does the folder appear under its hash. Another
        // player that got there first has put the same bytes in place.
        if (::rename(tempPath.constData(), QFile::encodeName(out.folder).constData()) != 0) {
            const int err = errno;
            QDir(temp).removeRecursively();
            if (!isFolder(out.folder))
                refuse(QString::fromUtf8("キャッシュフォルダ %1 に書き込めません: %2")
                           .arg(shown(cacheRoot), QString::fromLocal8Bit(std::strerror(err))));
        } else {
            out.unpackedNow = true;
        }
    }
    out.scenarioFolder = FindScenarioFolder(out.folder);
    return out;
}

} // namespace qel
