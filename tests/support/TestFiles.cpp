#include "TestFiles.h"

#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <ftw.h>
#include <stdexcept>
#include <sys/stat.h>

namespace qel::test {

ScratchFolder::ScratchFolder() : previous_(QDir::currentPath()) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    QDir::setCurrent(dir_.path());
}

ScratchFolder::~ScratchFolder() {
    QDir::setCurrent(previous_);
    // Qt cannot delete files whose names are not valid UTF-8 (CP932 names):
    // empty the folder with byte paths before QTemporaryDir removes it.
    const QByteArray root = QFile::encodeName(dir_.path());
    ::nftw(
        root.constData(),
        [](const char* p, const struct stat*, int, struct FTW* ftw) {
            if (ftw->level > 0) ::remove(p);
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS);
}

void ScratchFolder::write(const std::string& name, const std::string& bytes) const {
    QString p = dir_.filePath(QString::fromUtf8(name.c_str()));
    QDir().mkpath(QFileInfo(p).path());
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write " + name);
    f.write(bytes.data(), qint64(bytes.size()));
}

void ScratchFolder::writeScene(const std::string& name, const std::vector<std::string>& lines) const {
    write(name, sj(crlfLines(lines)));
}

void ScratchFolder::writeBmp(const std::string& name, const QImage& image) const { write(name, bmpBytes(image)); }

std::string ScratchFolder::read(const std::string& name) const {
    QFile f(dir_.filePath(QString::fromUtf8(name.c_str())));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray b = f.readAll();
    return std::string(b.constData(), std::size_t(b.size()));
}

void ScratchFolder::copyFrom(const QString& folder) const {
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files))
        QFile::copy(f.absoluteFilePath(), dir_.filePath(f.fileName()));
}

std::map<std::string, std::string> ScratchFolder::snapshot() const {
    std::map<std::string, std::string> out;
    for (const QFileInfo& f : QDir(dir_.path()).entryInfoList(QDir::Files)) {
        std::string name = f.fileName().toStdString();
        out[name] = read(name);
    }
    return out;
}

bool ScratchFolder::exists(const std::string& name) const {
    return QFile::exists(dir_.filePath(QString::fromUtf8(name.c_str())));
}

namespace {
void put16(std::string& s, unsigned v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void put32(std::string& s, unsigned v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
}  // namespace

std::string crlfLines(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

std::string bmpBytes(const QImage& src) {
    QImage img = src.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const unsigned rowBytes = unsigned((w * 3 + 3) & ~3);
    std::string s;
    s += "BM";
    put32(s, 54 + rowBytes * unsigned(h));
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, unsigned(w));
    put32(s, unsigned(h));
    put16(s, 1);
    put16(s, 24);
    put32(s, 0);
    put32(s, rowBytes * unsigned(h));
    put32(s, 2835);
    put32(s, 2835);
    put32(s, 0);
    put32(s, 0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        unsigned n = 0;
        for (int x = 0; x < w; ++x, n += 3) {
            s += char(qBlue(line[x]));
            s += char(qGreen(line[x]));
            s += char(qRed(line[x]));
        }
        for (; n < rowBytes; ++n) s += '\0';
    }
    return s;
}

QImage patternImage(int w, int h, int seed) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7 + seed) & 255, (y * 13 + seed * 3) & 255, (x * y + seed) & 255));
    return img;
}

QImage solidImage(int w, int h, unsigned rgb) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QRgb(0xFF000000u | rgb));
    return img;
}

std::string tinyMidi() {
    std::string s("MThd\0\0\0\6\0\0\0\1\0\x60", 14);
    s += std::string("MTrk\0\0\0\x0C", 8);
    s += std::string("\0\x90\x3C\x40\x60\x80\x3C\x40\0\xFF\x2F\0", 12);
    return s;
}

}  // namespace qel::test
