#include "platform/ArchiveExtract.h"
#include "platform/ArchiveUnpack.h"
#include "platform/OnDemandLibrary.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <openssl/evp.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// The cache of unpacked archives: one folder per archive content, named by
// the SHA-256 of the archive's bytes, and an index from the archive file's
// identity (path, inode, size, times) to that hash, so that opening the same
// file again costs neither the unpack nor the hash.

namespace qel {

namespace {

[[noreturn]] void refuse(const QString& text) { refuseArchive(text); }

QString shown(const QString& path) { return shownPath(path); }

// OpenSSL's SHA-256, loaded as the first archive is hashed.
#define CRYPTO_FUNCTIONS(X) \
    X(EVP_MD_CTX_new) X(EVP_MD_CTX_free) X(EVP_DigestInit_ex) X(EVP_DigestUpdate) X(EVP_DigestFinal_ex) X(EVP_sha256)

struct Crypto {
    CRYPTO_FUNCTIONS(QEL_FUNCTION_POINTER)
    bool load(QString* why) { return loadLibrary("libcrypto.so.3", {CRYPTO_FUNCTIONS(QEL_FUNCTION_ENTRY)}, why); }
};

// SHA-256 of the file's bytes, as hex. OpenSSL's is several times faster than
// Qt's, which would otherwise take longer than the unpack itself.
QString hashFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        refuse(QString::fromUtf8("アーカイブ %1 を読めません: %2").arg(shown(path), f.errorString()));
    const Crypto* c = loadedOnce<Crypto>(nullptr);
    if (!c) {  // Qt's, where OpenSSL is missing
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!hash.addData(&f))
            refuse(QString::fromUtf8("アーカイブ %1 を読めません: %2").arg(shown(path), f.errorString()));
        return QString::fromLatin1(hash.result().toHex());
    }
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(c->EVP_MD_CTX_new(), c->EVP_MD_CTX_free);
    if (!ctx || c->EVP_DigestInit_ex(ctx.get(), c->EVP_sha256(), nullptr) != 1)
        refuse(QString::fromUtf8("アーカイブ %1 を読めません").arg(shown(path)));
    std::vector<char> buffer(std::size_t(1) << 20);
    for (;;) {
        const qint64 n = f.read(buffer.data(), qint64(buffer.size()));
        if (n < 0) refuse(QString::fromUtf8("アーカイブ %1 を読めません: %2").arg(shown(path), f.errorString()));
        if (n == 0) break;
        c->EVP_DigestUpdate(ctx.get(), buffer.data(), std::size_t(n));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    c->EVP_DigestFinal_ex(ctx.get(), digest, &length);
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

}  // namespace

bool IsArchiveName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("lzh") || suffix == QLatin1String("lha") || suffix == QLatin1String("zip") ||
           suffix == QLatin1String("7z");
}

QString ArchiveCacheRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/qelplayer/archives");
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
        const QString temp =
            cacheRoot +
            QStringLiteral("/.unpack-%1-%2-%3").arg(out.contentHash.left(16)).arg(qint64(::getpid())).arg(++counter);
        const QByteArray tempPath = QFile::encodeName(temp);
        if (::mkdir(tempPath.constData(), 0755) != 0)
            refuse(QString::fromUtf8("キャッシュフォルダ %1 に書き込めません: %2")
                       .arg(shown(cacheRoot), QString::fromLocal8Bit(std::strerror(errno))));
        try {
            extractArchive(archivePath, tempPath, limits);
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

}  // namespace qel
