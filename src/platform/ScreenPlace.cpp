#include "platform/ScreenPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace qel {

QPoint centredOnScreen(const QWidget& w, int dx, int dy) {
    QScreen* screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
    const QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QSize outer = w.frameGeometry().size();
    return windowPoint(std::int64_t(s.x()) + (s.width() - outer.width()) / 2 + dx,
                       std::int64_t(s.y()) + (s.height() - outer.height()) / 2 + dy);
}

void centreOnScreen(QWidget& w) { w.move(centredOnScreen(w)); }

QPoint windowPoint(std::int64_t x, std::int64_t y) {
    auto clamp = [](std::int64_t v) { return int(std::clamp<std::int64_t>(v, -32768, 32767)); };
    return {clamp(x), clamp(y)};
}

QSize windowSize(const QWidget& w, std::int64_t width, std::int64_t height) {
    QScreen* screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
    const QSize most = screen ? screen->virtualSize() : QSize(1024, 768);
    return {int(std::clamp<std::int64_t>(width, 0, std::max(most.width(), 1))),
            int(std::clamp<std::int64_t>(height, 0, std::max(most.height(), 1)))};
}

}  // namespace qel
