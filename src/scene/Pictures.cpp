#include "scene/Pictures.h"

#include "engine/WaitGuard.h"
#include "scene/Bitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qel {

namespace {

constexpr QRgb kOpaque = 0xFF000000u;

// Both images are kept as 32-bit RGB; anything else is converted once.
void ensureRgb32(QImage& img) {
    if (img.format() != QImage::Format_RGB32) img = img.convertToFormat(QImage::Format_RGB32);
}

// Clips one axis: the span [d, d + n) of the destination (size dSize) and
// [s, s + n) of the source (size sSize). False when nothing remains.
bool clipAxis(std::int64_t& d, std::int64_t& s, std::int64_t& n, std::int64_t dSize, std::int64_t sSize) {
    clipStart(d, s, n);
    clipStart(s, d, n);
    n = std::min({n, dSize - d, sSize - s});
    return n > 0;
}

void blitRows(QImage& dst, std::int64_t dx, std::int64_t dy, const QImage& src, std::int64_t sx, std::int64_t sy,
              std::int64_t w, std::int64_t h, RasterOp op) {
    if (!clipAxis(dx, sx, w, dst.width(), src.width())) return;
    if (!clipAxis(dy, sy, h, dst.height(), src.height())) return;

    uchar* dBits = dst.bits();  // detaches dst first if it shares its data
    const uchar* sBits = src.constBits();
    const qsizetype dStride = dst.bytesPerLine();
    const qsizetype sStride = src.bytesPerLine();
    const bool sameBitmap = dBits == sBits;
    const std::size_t rowBytes = std::size_t(w) * sizeof(QRgb);

    if (op == RasterOp::Copy) {
        // Within one bitmap, rows go in the order that reads each row before
        // it is overwritten; memmove handles overlap inside a row.
        const bool upward = sameBitmap && dy > sy;
        for (std::int64_t r = 0; r < h; ++r) {
            const std::int64_t row = upward ? h - 1 - r : r;
            std::memmove(dBits + (dy + row) * dStride + dx * 4, sBits + (sy + row) * sStride + sx * 4, rowBytes);
        }
        return;
    }

    // AND and XOR of a bitmap with itself: read from a copy of the area.
    std::vector<QRgb> scratch;
    if (sameBitmap) {
        scratch.resize(std::size_t(w * h));
        for (std::int64_t r = 0; r < h; ++r)
            std::memcpy(&scratch[std::size_t(r * w)], sBits + (sy + r) * sStride + sx * 4, rowBytes);
    }
    for (std::int64_t r = 0; r < h; ++r) {
        auto* d = reinterpret_cast<QRgb*>(dBits + (dy + r) * dStride) + dx;
        const QRgb* s = sameBitmap ? &scratch[std::size_t(r * w)]
                                   : reinterpret_cast<const QRgb*>(sBits + (sy + r) * sStride) + sx;
        if (op == RasterOp::And)
            for (std::int64_t c = 0; c < w; ++c) d[c] = (d[c] & s[c]) | kOpaque;
        else
            for (std::int64_t c = 0; c < w; ++c) d[c] = (d[c] ^ s[c]) | kOpaque;
    }
}

// The copy of the source and its raster operation, on 64-bit positions so
// that far-off coordinates clip instead of wrapping.
void blit(QImage& dst, std::int64_t dx, std::int64_t dy, const QImage& src, std::int64_t sx, std::int64_t sy,
          std::int64_t w, std::int64_t h, RasterOp op) {
    if (dst.isNull() || src.isNull() || w <= 0 || h <= 0) return;
    ensureRgb32(dst);
    if (src.format() != QImage::Format_RGB32) {
        const QImage converted = src.convertToFormat(QImage::Format_RGB32);
        blitRows(dst, dx, dy, converted, sx, sy, w, h, op);
        return;
    }
    blitRows(dst, dx, dy, src, sx, sy, w, h, op);
}

// GP mode 3: the picture in TempCG shows up in 10 x 10 cells, first the cells
// whose column and row numbers add up to an even number, then the odd ones,
// each phase in five passes of 2-pixel-wide stripes.
void dissolveIn(Game& g, std::int64_t x, std::int64_t y) {
    constexpr int kCell = 10;
    const QImage& pic = g.pics.TempCG;
    const std::int64_t W = pic.width(), H = pic.height();
    const std::int64_t cellsX = (W + kCell - 1) / kCell, cellsY = (H + kCell - 1) / kCell;
    for (int phase = 0; phase < 2; ++phase) {
        for (int k = 0; k < 5; ++k) {
            for (std::int64_t j = 0; j < cellsY; ++j) {
                const std::int64_t top = j * kCell;
                const std::int64_t rows = std::min<std::int64_t>(kCell, H - top);
                for (std::int64_t i = (j + phase) % 2; i < cellsX; i += 2) {
                    const std::int64_t col = i * kCell + 2 * k;
                    const std::int64_t cols = std::min<std::int64_t>(2, W - col);
                    if (cols > 0) blit(g.pics.ImageFront, x + col, y + top, pic, col, top, cols, rows, RasterOp::Copy);
                }
            }
            g.host.repaintPicture();
        }
    }
}

}  // namespace

void clipStart(std::int64_t& a, std::int64_t& b, std::int64_t& n) {
    if (a >= 0) return;
    b -= a;
    n += a;
    a = 0;
}

void rasterBlit(QImage& dst, int dx, int dy, const QImage& src, int sx, int sy, int w, int h, RasterOp op) {
    blit(dst, dx, dy, src, sx, sy, w, h, op);
}

void copyPicture(QImage& dst, const QImage& src) {
    if (&dst == &src) {
        dst.detach();
        return;
    }
    const bool reusable = !dst.isNull() && !src.isNull() && dst.isDetached() && dst.size() == src.size() &&
                          dst.format() == src.format() && dst.bytesPerLine() == src.bytesPerLine();
    if (!reusable) {
        dst = src.copy();
        return;
    }
    std::memcpy(dst.bits(), src.constBits(), std::size_t(src.sizeInBytes()));
}

void RestoreBackground(Game& g) {
    copyPicture(g.pics.ImageFront, g.pics.Haikei);
    g.host.updatePicture();
}

void DrawPicture(Game& g, int x, int y, int mode, const std::string& name) {
    QImage& front = g.pics.ImageFront;
    QImage& temp = g.pics.TempCG;  // assigned only after a load succeeds
    if (mode >= 1 && mode <= 3) noteLoad(g);
    switch (mode) {
    case 1:
        temp = loadBitmapFile(name + "B.bmp");
        blit(front, x, y, temp, 0, 0, temp.width(), temp.height(), RasterOp::And);
        temp = loadBitmapFile(name + ".bmp");
        blit(front, x, y, temp, 0, 0, temp.width(), temp.height(), RasterOp::Xor);
        g.host.repaintPicture();
        break;
    case 2:
        temp = loadBitmapFile(name + ".bmp");
        blit(front, x, y, temp, 0, 0, temp.width(), temp.height(), RasterOp::Copy);
        g.host.repaintPicture();
        break;
    case 3:
        temp = loadBitmapFile(name + ".bmp");
        dissolveIn(g, x, y);
        break;
    default: break;  // no picture, no file read
    }
}

}  // namespace qel
