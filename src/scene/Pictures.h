#pragma once
// Drawing on the main window's shown picture: GC and GP.
#include "engine/Game.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>

namespace qel {

enum class RasterOp { Copy, And, Xor };

// Combines the w x h rectangle of src at (sx, sy) into dst at (dx, dy),
// clipped to both images.
void rasterBlit(QImage& dst, int dx, int dy, const QImage& src, int sx, int sy, int w, int h, RasterOp op);

// Clips the start of a span on one axis: where [a, a + n) begins before 0,
// it begins at 0 instead, and the paired span's start b moves along with it.
void clipStart(std::int64_t& a, std::int64_t& b, std::int64_t& n);

// Makes dst an independent copy of src. A dst of the same size and format
// that shares its bitmap with nobody is overwritten in place, which spares a
// fresh allocation (and its page faults) at every GC and scene load.
void copyPicture(QImage& dst, const QImage& src);

void RestoreBackground(Game& g);                                             // GC
void DrawPicture(Game& g, int x, int y, int mode, const std::string& name);  // GP

}  // namespace qel
