#include "platform/ScreenPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qel {

QPoint centredOnScreen(const QWidget& w, int dx, int dy) {
    QScreen* screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
    const QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QSize outer = w.frameGeometry().size();
    return {s.x() + (s.width() - outer.width()) / 2 + dx, s.y() + (s.height() - outer.height()) / 2 + dy};
}

void centreOnScreen(QWidget& w) { w.move(centredOnScreen(w)); }

} // namespace qel
