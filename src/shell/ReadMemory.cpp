#include "shell/ReadMemory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>

namespace qel {

namespace {

const QByteArray kMagic("QELREAD1");
// Bounds on what a file may claim, so a hostile one costs nothing.
constexpr std::uint32_t kMaxNameBytes = 1024;
constexpr std::uint32_t kMaxLines = 10'000'000;
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

std::string folded(const std::string& scene) {
    std::string s = scene;
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');  // scene names are looked up without case
    return s;
}

void putU32(QByteArray& out, std::uint32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

}  // namespace

ReadMemory& ReadMemory::instance() {
    static ReadMemory* memory = new ReadMemory;  // lives as long as the program
    return *memory;
}

void ReadMemory::open(const QString& path) {
    path_ = path;
    shown_.clear();
    dirty_ = false;
    QFile f(path);
    if (QFileInfo(path).isFile() && QFileInfo(path).size() <= kMaxFileBytes && f.open(QIODevice::ReadOnly))
        fromBytes(f.readAll());
}

void ReadMemory::close() {
    save();
    path_.clear();
    shown_.clear();
}

bool ReadMemory::markShown(const std::string& scene, std::int64_t line) {
    if (!isOpen() || line < 1 || line > kMaxLines) return false;
    std::vector<bool>& bits = shown_[folded(scene)];
    if (bits.size() < std::size_t(line)) bits.resize(std::size_t(line), false);
    if (bits[std::size_t(line - 1)]) return false;
    bits[std::size_t(line - 1)] = true;
    dirty_ = true;
    return true;
}

bool ReadMemory::wasShown(const std::string& scene, std::int64_t line) const {
    const auto it = shown_.find(folded(scene));
    return it != shown_.end() && line >= 1 && std::size_t(line) <= it->second.size() &&
           it->second[std::size_t(line - 1)];
}

void ReadMemory::save() {
    if (!isOpen() || !dirty_) return;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile f(path_);
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(toBytes());
    if (f.commit()) dirty_ = false;
}

QByteArray ReadMemory::toBytes() const {
    QByteArray out = kMagic;
    for (const auto& [scene, bits] : shown_) {
        putU32(out, std::uint32_t(scene.size()));
        out.append(scene.data(), qsizetype(scene.size()));
        putU32(out, std::uint32_t(bits.size()));
        QByteArray packed((qsizetype(bits.size()) + 7) / 8, '\0');
        for (std::size_t i = 0; i < bits.size(); ++i)
            if (bits[i]) packed[qsizetype(i / 8)] = char(packed[qsizetype(i / 8)] | (1 << (i % 8)));
        out += packed;
    }
    return out;
}

bool ReadMemory::fromBytes(const QByteArray& bytes) {
    shown_.clear();
    if (!bytes.startsWith(kMagic)) return false;
    qsizetype at = kMagic.size();
    auto u32 = [&](std::uint32_t& v) {
        if (bytes.size() - at < 4) return false;
        v = qFromLittleEndian<std::uint32_t>(bytes.constData() + at);
        at += 4;
        return true;
    };
    std::map<std::string, std::vector<bool>> read;
    while (at < bytes.size()) {
        std::uint32_t nameLength = 0, count = 0;
        if (!u32(nameLength) || nameLength > kMaxNameBytes || bytes.size() - at < qsizetype(nameLength)) return false;
        std::string scene(bytes.constData() + at, nameLength);
        at += nameLength;
        if (!u32(count) || count > kMaxLines) return false;
        const qsizetype packed = (qsizetype(count) + 7) / 8;
        if (bytes.size() - at < packed) return false;
        std::vector<bool>& bits = read[folded(scene)];
        bits.assign(count, false);
        for (std::uint32_t i = 0; i < count; ++i) bits[i] = (bytes[at + qsizetype(i / 8)] >> (i % 8)) & 1;
        at += packed;
    }
    shown_ = std::move(read);
    return true;
}

}  // namespace qel
