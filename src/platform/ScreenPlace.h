#pragma once
// Where windows go on the screen.
#include <QPoint>
#include <QSize>
#include <cstdint>

class QWidget;

namespace qel {

// The position that centres a window's outer frame on its screen, moved by
// (dx, dy). Before the window has been shown its frame is its own size.
QPoint centredOnScreen(const QWidget& w, int dx = 0, int dy = 0);
// Moves the window there.
void centreOnScreen(QWidget& w);

// Positions worked out from script operands may lie far outside what the
// window system holds (16 bits on X11): they are computed in 64 bits and
// clamped to -32768..32767 here.
QPoint windowPoint(std::int64_t x, std::int64_t y);
// A window size asked for by a script, clamped to 0 and to the size of the
// desktop the window is on: a larger window shows nothing more and would only
// cost memory for its picture.
QSize windowSize(const QWidget& w, std::int64_t width, std::int64_t height);

}  // namespace qel
