#include "shell/SaveFile.h"

#include "script/Script.h"
#include "platform/Errors.h"
#include "platform/FileLookup.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace qel {

namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr char kEndOfFile = 26;

// Reads the save file's lines from an open descriptor, buffered. A line is
// every byte up to the next CR; the CR and one LF right after it are skipped.
// Byte 26 or the physical end ends the file; every line read after that is empty.
class LineReader {
public:
    explicit LineReader(int fd) : fd_(fd) {}

    std::string readLine() {
        std::string line;
        for (;;) {
            int c = next();
            if (c < 0) return line;
            if (c == kCR) {
                if (peek() == kLF) ++pos_;
                return line;
            }
            line += char(c);
        }
    }

private:
    // The next byte, or -1 at the end of the file (byte 26 included).
    int next() {
        int c = peek();
        if (c >= 0) ++pos_;
        return c;
    }
    int peek() {
        if (ended_) return -1;
        if (pos_ == len_) fill();
        if (ended_) return -1;
        if (buf_[pos_] == kEndOfFile) {
            ended_ = true;
            return -1;
        }
        return static_cast<unsigned char>(buf_[pos_]);
    }
    void fill() {
        pos_ = len_ = 0;
        for (;;) {
            ssize_t n = ::read(fd_, buf_, sizeof buf_);
            if (n > 0) {
                len_ = std::size_t(n);
                return;
            }
            if (n == 0) {
                ended_ = true;
                return;
            }
            if (errno != EINTR) throw ioErrorFromErrno(errno);
        }
    }

    int fd_;
    char buf_[65536];
    std::size_t pos_ = 0, len_ = 0;
    bool ended_ = false;
};

// Closes a descriptor when it goes out of scope.
struct FdGuard {
    int fd = -1;
    ~FdGuard() {
        if (fd >= 0) ::close(fd);
    }
};

void writeAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw ioErrorFromErrno(errno);
        }
        if (n == 0) throw ioErrorFromErrno(ENOSPC);
        p += n;
        left -= std::size_t(n);
    }
}

QString& saveFolder() {
    static QString folder;
    return folder;
}

QString inSaveFolder() { return QDir(saveFolder()).absoluteFilePath(QString::fromLatin1(kSaveFileName)); }

// The save file to read: the one in the save folder, else one in the scenario
// folder (whatever its letter case).
std::optional<QString> savePathForReading() {
    if (!saveFolder().isEmpty() && QFileInfo(inSaveFolder()).isFile()) return inSaveFolder();
    return findFile(kSaveFileName);
}

// The path the save is written to: in the save folder when there is one, else
// the existing save file's own name when one is found (whatever its letter
// case), else "QELP.INI" in the current folder.
QString savePathForWriting() {
    if (!saveFolder().isEmpty()) {
        if (!QDir().mkpath(saveFolder())) throw ioError(IoCause::AccessDenied);
        return inSaveFolder();
    }
    if (auto found = findFile(kSaveFileName)) return QFileInfo(*found).absoluteFilePath();
    return QDir::current().absoluteFilePath(QString::fromLatin1(kSaveFileName));
}

// The temporary files of a save: ".QELP.INI.<process id>.<count>.tmp".
QString tempFileName(qint64 pid, unsigned count) {
    return QStringLiteral(".%1.%2.%3.tmp").arg(QString::fromLatin1(kSaveFileName)).arg(pid).arg(count);
}

// The process that wrote a temporary save, or 0 when the name is not one.
qint64 tempFileWriter(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^\\.%1\\.([0-9]{1,10})\\.[0-9]{1,10}\\.tmp$")
                                                .arg(QRegularExpression::escape(QString::fromLatin1(kSaveFileName))));
    const QRegularExpressionMatch m = pattern.match(name);
    return m.hasMatch() ? m.captured(1).toLongLong() : 0;
}

// Removes the temporary saves that a player killed while saving left in the
// folder: those of processes that no longer run, and earlier ones of this
// process (whose own saves always finish or clean up). Other players that are
// saving right now keep theirs; files of any other name are never touched.
void removeStaleTempFiles(const QString& folder) {
    QDir dir(folder);
    const QStringList names = dir.entryList(QStringList{QStringLiteral(".*.tmp")},
                                            QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        const qint64 pid = tempFileWriter(name);
        if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) continue;
        const bool gone = ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
        if (gone || pid == ::getpid()) ::unlink(QFile::encodeName(dir.absoluteFilePath(name)).constData());
    }
}

// Raises the access-denied error when the existing save may not be written:
// the user lacks write permission, or the file is read-only for everyone
// (which even the superuser, who may write anything, is held to, as a
// read-only file is on the system the scenarios come from). The atomic
// replacement would otherwise put a new file in its place regardless.
void checkSaveWritable(const QByteArray& targetPath, const struct stat& old) {
    if ((old.st_mode & 0222) == 0) throw ioError(IoCause::AccessDenied);
    const int fd = ::open(targetPath.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM || errno == EROFS) throw ioErrorFromErrno(errno);
        return;  // anything else shows when the replacement is written
    }
    ::close(fd);
}

// Creates a new, empty temporary file in folder; returns its descriptor and path.
int createTempFile(const QString& folder, QByteArray& tempPath) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = tempFileName(qint64(::getpid()), ++counter);
        tempPath = QFile::encodeName(QDir(folder).absoluteFilePath(name));
        int fd = ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) throw ioErrorFromErrno(errno);
    }
    throw ioErrorFromErrno(EEXIST);
}

void syncFolder(const QString& folder) {
    int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Folders that cannot be synced (some file systems refuse) are left as they are:
    // the new save is already in place by then.
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void SetSaveFolder(const QString& folder) { saveFolder() = folder; }
QString SaveFolder() { return saveFolder(); }

QString SaveFolderFor(const QString& scenarioFolder, const ArchiveOrigin* archive) {
    if (!archive && ::access(QFile::encodeName(scenarioFolder).constData(), W_OK) == 0) return {};
    return ScenarioDataFolder(scenarioFolder, archive);
}

QString ScenarioDataFolder(const QString& scenarioFolder, const ArchiveOrigin* archive) {
    QString name;
    QString hash;
    if (archive) {
        name = archive->name;
        hash = archive->contentHash;
    } else {
        QFileInfo info(scenarioFolder);
        const QString full = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
        name = QFileInfo(full).fileName();
        hash = QString::fromLatin1(
            QCryptographicHash::hash(QFile::encodeName(full), QCryptographicHash::Sha256).toHex());
    }
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) name = QStringLiteral("scenario");
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/qelplayer/saves/") +
           name + QLatin1Char('-') + hash.left(12);
}

bool SaveFileExists() { return savePathForReading().has_value(); }

std::string SaveFileBytes(const GameState& st) {
    std::string out;
    auto line = [&out](const std::string& text) {
        out += text;
        out += kCR;
        out += kLF;
    };
    line(st.SceneName);
    for (int i = 1; i <= kIntVarCount; ++i) line(std::to_string(st.IntVars[i]));
    for (int j = 1; j <= kStrVarCount; ++j) line(st.StrVars[j]);
    return out;
}

void WriteSaveFile(const GameState& st) {
    const std::string bytes = SaveFileBytes(st);
    const QString target = savePathForWriting();
    const QString folder = QFileInfo(target).absolutePath();
    const QByteArray targetPath = QFile::encodeName(target);

    struct stat old {};
    const bool replacing = ::stat(targetPath.constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing) checkSaveWritable(targetPath, old);

    QByteArray tempPath;
    FdGuard temp;
    temp.fd = createTempFile(folder, tempPath);
    try {
        // The replacement keeps the permissions of the save it replaces.
        if (replacing) ::fchmod(temp.fd, old.st_mode & 07777);
        writeAll(temp.fd, bytes);
        if (::fsync(temp.fd) != 0) throw ioErrorFromErrno(errno);
        int fd = temp.fd;
        temp.fd = -1;
        if (::close(fd) != 0) throw ioErrorFromErrno(errno);
        if (::rename(tempPath.constData(), targetPath.constData()) != 0) throw ioErrorFromErrno(errno);
    } catch (...) {
        ::unlink(tempPath.constData());
        throw;
    }
    syncFolder(folder);
    removeStaleTempFiles(folder);
}

void ReadSaveFile(GameState& st) {
    auto found = savePathForReading();
    if (!found) throw ioError(IoCause::NotFound);
    FdGuard file;
    file.fd = ::open(QFile::encodeName(*found).constData(), O_RDONLY | O_CLOEXEC);
    if (file.fd < 0) throw ioErrorFromErrno(errno);

    try {
        LineReader in(file.fd);
        st.SceneName = in.readLine();
        for (int i = 1; i <= kIntVarCount; ++i) st.IntVars[i] = StrToInt(in.readLine());
        for (int j = 1; j <= kStrVarCount; ++j) st.StrVars[j] = in.readLine();
    } catch (const std::bad_alloc&) {
        // A line too long to hold in memory.
        throw ioErrorFromErrno(ENOMEM);
    }
}

}  // namespace qel
