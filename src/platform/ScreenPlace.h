#pragma once
// Where windows go on the screen.
#include <QPoint>

class QWidget;

namespace qel {

// The position that centres a window's outer frame on its screen, moved by
// (dx, dy). Before the window has been shown its frame is its own size.
QPoint centredOnScreen(const QWidget& w, int dx = 0, int dy = 0);
// Moves the window there.
void centreOnScreen(QWidget& w);

} // namespace qel
