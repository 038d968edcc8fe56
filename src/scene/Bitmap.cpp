#include "scene/Bitmap.h"

#include "platform/Errors.h"
#include "platform/FileLookup.h"

#include <QFile>
#include <QFileInfo>
#include <list>
#include <optional>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

// A decoder of its own for Windows bitmaps, so that every header kind, depth
// and compression that scenarios use loads, and every broken file fails the
// same way: with the bitmap error, without reading outside the bytes or
// allocating more than the file can describe.

namespace qel {

namespace {

// Largest picture accepted, in pixels (256 MiB as 32-bit pixels).
constexpr std::uint64_t kMaxPixels = 64ull * 1024 * 1024;
// Run-length encoded pictures up to this many pixels load whatever their
// stream holds; bigger ones need about a byte of stream per 128 pixels.
constexpr std::uint64_t kMaxRlePixelsWithoutData = 1024ull * 1024;
// Largest file read; anything bigger cannot be a picture of the size above.
constexpr qint64 kMaxFileBytes = 320ll * 1024 * 1024;

constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

class Reader {
public:
    explicit Reader(const QByteArray& b)
        : data_(reinterpret_cast<const unsigned char*>(b.constData())), size_(std::uint64_t(b.size())) {}
    std::uint64_t size() const { return size_; }
    bool has(std::uint64_t pos, std::uint64_t n) const { return pos <= size_ && n <= size_ - pos; }
    unsigned u8(std::uint64_t pos) const {
        need(pos, 1);
        return data_[pos];
    }
    std::uint32_t u16(std::uint64_t pos) const {
        need(pos, 2);
        return std::uint32_t(data_[pos]) | (std::uint32_t(data_[pos + 1]) << 8);
    }
    std::uint32_t u32(std::uint64_t pos) const {
        need(pos, 4);
        return std::uint32_t(data_[pos]) | (std::uint32_t(data_[pos + 1]) << 8) |
               (std::uint32_t(data_[pos + 2]) << 16) | (std::uint32_t(data_[pos + 3]) << 24);
    }
    const unsigned char* at(std::uint64_t pos) const { return data_ + pos; }

private:
    void need(std::uint64_t pos, std::uint64_t n) const {
        if (!has(pos, n)) throw badBitmapError();
    }
    const unsigned char* data_;
    std::uint64_t size_;
};

// One colour channel described by a bit mask, widened to 8 bits by repeating
// its bit pattern (so an all-ones field becomes 255).
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (!m) return;
        shift = std::countr_zero(m);
        bits = 32 - std::countl_zero(m) - shift;
    }
    unsigned operator()(std::uint32_t px) const {
        if (!bits) return 0;
        std::uint32_t v = (px & mask) >> shift;
        if (bits >= 8) return unsigned(v >> (bits - 8));
        unsigned out = 0;
        for (int filled = 0; filled < 8; filled += bits) {
            int s = 8 - filled - bits;
            out |= s >= 0 ? (v << s) : (v >> -s);
        }
        return out & 0xFF;
    }
};

struct Header {
    std::uint32_t offBits = 0;
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    unsigned bpp = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 4> masks{};  // red, green, blue (, alpha)
    std::uint64_t paletteStart = 0;
    unsigned paletteEntrySize = 4;
};

Header readHeader(const Reader& r) {
    Header h;
    if (!r.has(0, 18) || r.u8(0) != 'B' || r.u8(1) != 'M') throw badBitmapError();
    h.offBits = r.u32(10);
    h.headerSize = r.u32(14);
    if (h.headerSize == 12) {
        // OS/2 BITMAPCOREHEADER: 16-bit sizes, always bottom-up, 3-byte palette.
        h.width = r.u16(18);
        h.height = r.u16(20);
        h.bpp = r.u16(24);
        h.paletteEntrySize = 3;
        if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 24) throw badBitmapError();
    } else if (h.headerSize >= 16 && h.headerSize <= 4096) {
        // BITMAPINFOHEADER and its successors (V4, V5) and the OS/2 2.x header,
        // whose fields beyond those present read as zero.
        if (!r.has(14, h.headerSize)) throw badBitmapError();
        auto field = [&](std::uint32_t off, int bytes) -> std::uint32_t {
            if (off + std::uint32_t(bytes) > h.headerSize) return 0;
            return bytes == 2 ? r.u16(14 + off) : r.u32(14 + off);
        };
        h.width = std::int32_t(field(4, 4));
        h.height = std::int32_t(field(8, 4));
        h.bpp = field(14, 2);
        h.compression = field(16, 4);
        h.colorsUsed = field(32, 4);
        if (h.height < 0) {
            h.topDown = true;
            h.height = -h.height;
        }
        switch (h.compression) {
        case BI_RGB:
            if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
                throw badBitmapError();
            break;
        case BI_RLE8:
            if (h.bpp != 8) throw badBitmapError();
            break;
        case BI_RLE4:
            if (h.bpp != 4) throw badBitmapError();
            break;
        case BI_BITFIELDS:
        case BI_ALPHABITFIELDS: {
            if (h.bpp != 16 && h.bpp != 32) throw badBitmapError();
            // The masks sit inside a header of 52 bytes or more, else right after it.
            const int count = h.compression == BI_ALPHABITFIELDS ? 4 : 3;
            if (h.headerSize >= 40 + 4u * unsigned(count)) {
                for (int i = 0; i < count; ++i) h.masks[std::size_t(i)] = r.u32(14 + 40 + 4u * unsigned(i));
            } else if (h.headerSize == 40) {
                for (int i = 0; i < count; ++i) h.masks[std::size_t(i)] = r.u32(14 + 40 + 4u * unsigned(i));
                h.paletteStart = 14 + 40 + 4u * unsigned(count);
            } else {
                throw badBitmapError();
            }
            break;
        }
        default: throw badBitmapError();  // JPEG, PNG, OS/2 Huffman or RLE24, unknown
        }
    } else {
        throw badBitmapError();
    }
    if (h.paletteStart == 0) h.paletteStart = 14 + std::uint64_t(h.headerSize);
    if (h.compression == BI_RGB && h.bpp == 16) h.masks = {0x7C00, 0x03E0, 0x001F, 0};
    if (h.compression == BI_RGB && h.bpp == 32) h.masks = {0xFF0000, 0x00FF00, 0x0000FF, 0};

    if (h.width <= 0 || h.height <= 0) throw badBitmapError();
    if (std::uint64_t(h.width) * std::uint64_t(h.height) > kMaxPixels) throw badBitmapError();
    if (h.offBits < h.paletteStart || h.offBits >= r.size()) throw badBitmapError();
    return h;
}

// The colour table, as opaque RGB values. Entries that the file lacks are
// simply not there; pixels that name them come out black.
std::vector<QRgb> readPalette(const Reader& r, const Header& h) {
    std::vector<QRgb> pal;
    if (h.bpp > 8) return pal;
    std::uint64_t count = 1u << h.bpp;
    if (h.colorsUsed != 0 && h.colorsUsed < count) count = h.colorsUsed;
    const std::uint64_t room = (h.offBits - h.paletteStart) / h.paletteEntrySize;
    if (count > room) count = room;
    pal.reserve(std::size_t(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t p = h.paletteStart + i * h.paletteEntrySize;
        pal.push_back(qRgb(int(r.u8(p + 2)), int(r.u8(p + 1)), int(r.u8(p))));
    }
    return pal;
}

inline QRgb entry(const std::vector<QRgb>& pal, unsigned index) {
    return index < pal.size() ? pal[index] : qRgb(0, 0, 0);
}

QImage newImage(const Header& h) {
    QImage img(int(h.width), int(h.height), QImage::Format_RGB32);
    if (img.isNull()) throw badBitmapError();
    img.fill(qRgb(0, 0, 0));
    return img;
}

QImage decodeUncompressed(const Reader& r, const Header& h, const std::vector<QRgb>& pal) {
    const std::uint64_t w = std::uint64_t(h.width);
    const std::uint64_t rowBits = w * h.bpp;
    const std::uint64_t stride = ((rowBits + 31) / 32) * 4;
    const std::uint64_t used = (rowBits + 7) / 8;
    // Every row must lie inside the file (the last one may lack its padding).
    const std::uint64_t need = stride * (std::uint64_t(h.height) - 1) + used;
    if (!r.has(h.offBits, need)) throw badBitmapError();

    QImage img = newImage(h);
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    for (std::int64_t row = 0; row < h.height; ++row) {
        const unsigned char* src = r.at(h.offBits + std::uint64_t(row) * stride);
        const int y = int(h.topDown ? row : h.height - 1 - row);
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
        switch (h.bpp) {
        case 1:
            for (std::uint64_t x = 0; x < w; ++x) dst[x] = entry(pal, (src[x >> 3] >> (7 - (x & 7))) & 1);
            break;
        case 4:
            for (std::uint64_t x = 0; x < w; ++x)
                dst[x] = entry(pal, (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
            break;
        case 8:
            for (std::uint64_t x = 0; x < w; ++x) dst[x] = entry(pal, src[x]);
            break;
        case 16:
            for (std::uint64_t x = 0; x < w; ++x) {
                std::uint32_t px = std::uint32_t(src[2 * x]) | (std::uint32_t(src[2 * x + 1]) << 8);
                dst[x] = qRgb(int(red(px)), int(green(px)), int(blue(px)));
            }
            break;
        case 24:
            for (std::uint64_t x = 0; x < w; ++x) dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            break;
        case 32:
            for (std::uint64_t x = 0; x < w; ++x) {
                const unsigned char* p = src + 4 * x;
                std::uint32_t px = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                                   (std::uint32_t(p[3]) << 24);
                dst[x] = qRgb(int(red(px)), int(green(px)), int(blue(px)));
            }
            break;
        }
    }
    return img;
}

// Run-length encoded 8- and 4-bit pictures. Pixels that the stream skips (by
// a delta or an early end of line or picture) stay black. A run or a delta
// that leaves the picture, or a stream cut inside a command, is an error.
QImage decodeRle(const Reader& r, const Header& h, const std::vector<QRgb>& pal) {
    // A stream draws at most 255 pixels per two bytes. A picture that its
    // stream could not fill to even a fraction of that is refused before
    // anything is allocated, unless it is small enough to cost nothing.
    const std::uint64_t pixels = std::uint64_t(h.width) * std::uint64_t(h.height);
    const std::uint64_t streamBytes = r.size() - h.offBits;
    if (pixels > kMaxRlePixelsWithoutData && pixels / 128 > streamBytes) throw badBitmapError();
    QImage img = newImage(h);
    const bool four = h.compression == BI_RLE4;
    const std::int64_t w = h.width, ht = h.height;
    std::int64_t x = 0, y = 0;  // y counts rows in stream order
    std::uint64_t p = h.offBits;
    const std::uint64_t end = r.size();

    auto put = [&](unsigned index) {
        if (x >= w || y >= ht) throw badBitmapError();
        const int row = int(h.topDown ? y : ht - 1 - y);
        reinterpret_cast<QRgb*>(img.scanLine(row))[x] = entry(pal, index);
        ++x;
    };

    while (p < end) {
        if (end - p < 2) throw badBitmapError();
        const unsigned count = r.u8(p), value = r.u8(p + 1);
        p += 2;
        if (count > 0) {
            if (x + count > w || y >= ht) throw badBitmapError();
            for (unsigned i = 0; i < count; ++i) put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        switch (value) {
        case 0:  // end of line
            x = 0;
            ++y;
            break;
        case 1:  // end of picture
            return img;
        case 2: {  // delta: move right and up (in stream order, down the rows)
            if (end - p < 2) throw badBitmapError();
            const unsigned dx = r.u8(p), dy = r.u8(p + 1);
            p += 2;
            x += dx;
            y += dy;
            if (x > w || y > ht) throw badBitmapError();
            break;
        }
        default: {  // absolute run of `value` pixels, padded to 16 bits
            const std::uint64_t bytes = four ? (value + 1) / 2 : value;
            const std::uint64_t padded = (bytes + 1) & ~std::uint64_t(1);
            if (!r.has(p, bytes) || x + value > w || y >= ht) throw badBitmapError();
            for (unsigned i = 0; i < value; ++i) {
                const unsigned b = r.u8(p + (four ? i / 2 : i));
                put(four ? ((i & 1) ? (b & 0x0F) : (b >> 4)) : b);
            }
            p += std::min(padded, end - p);
            break;
        }
        }
    }
    // The stream ended between two commands without its end mark: what it
    // drew is kept, like a picture that ends early.
    return img;
}

}  // namespace

QImage decodeBitmap(const QByteArray& bytes) {
    const Reader r(bytes);
    const Header h = readHeader(r);
    const std::vector<QRgb> pal = readPalette(r, h);
    if (h.compression == BI_RLE8 || h.compression == BI_RLE4) return decodeRle(r, h, pal);
    return decodeUncompressed(r, h, pal);
}

namespace {

// Recently decoded bitmaps, so that a picture drawn again and again (a
// figure, its mask) is decoded once. An entry is valid while its file keeps
// the same size and modification time; the cache holds a bounded number of
// pixels and forgets the least recently used first.
class DecodedCache {
public:
    struct Key {
        QString path;
        qint64 size = 0;
        qint64 inode = 0;
        qint64 changedNs = 0;  // the status change time: every write moves it
        bool operator==(const Key&) const = default;
    };
    std::optional<QImage> find(const Key& k) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->key == k) {
                entries_.splice(entries_.begin(), entries_, it);
                return entries_.front().image;
            }
        }
        return std::nullopt;
    }
    void put(const Key& k, const QImage& image) {
        const qint64 bytes = image.sizeInBytes();
        if (bytes > kMaxBytes / 4) return;
        entries_.push_front(Entry{k, image});
        total_ += bytes;
        while (total_ > kMaxBytes && !entries_.empty()) {
            total_ -= entries_.back().image.sizeInBytes();
            entries_.pop_back();
        }
    }

private:
    static constexpr qint64 kMaxBytes = 64LL << 20;
    struct Entry {
        Key key;
        QImage image;
    };
    std::list<Entry> entries_;
    qint64 total_ = 0;
};

DecodedCache& decodedCache() {
    static DecodedCache cache;
    return cache;
}

}  // namespace

QImage loadBitmapFile(const std::string& name) {
    const auto path = findFile(name);
    if (!path) throw cannotOpenError(name);
    QFile f(*path);
    if (!f.open(QIODevice::ReadOnly)) throw cannotOpenError(name);
    if (f.size() > kMaxFileBytes) throw badBitmapError();
    struct stat st {};
    const bool known = fstat(f.handle(), &st) == 0;
    const DecodedCache::Key key{QFileInfo(f).absoluteFilePath(), qint64(st.st_size), qint64(st.st_ino),
                                qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
    if (known) {
        if (auto hit = decodedCache().find(key)) return *hit;
    }
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) throw cannotOpenError(name);
    QImage image = decodeBitmap(bytes);
    if (known) decodedCache().put(key, image);
    return image;
}

}  // namespace qel
