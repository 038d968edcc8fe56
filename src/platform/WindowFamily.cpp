#include "platform/WindowFamily.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace qel {

namespace {
QPointer<QWidget>& owner() {
    static QPointer<QWidget> o;
    return o;
}
} // namespace

void setOwnerWindow(QWidget* w) { owner() = w; }
QWidget* ownerWindow() { return owner().data(); }

void keepWithOwner(QWidget& window) {
    QWidget* o = owner().data();
    if (!o || o == &window || !o->isVisible() || !window.isWindow()) return;
    window.winId();  // both native windows must exist to be linked
    QWindow* handle = window.windowHandle();
    QWindow* head = o->windowHandle();
    if (handle && head && handle->transientParent() != head) handle->setTransientParent(head);
}

void moveOwnedWindows(QWidget& o, QPoint delta, const QWidget* except) {
    if (delta.isNull() || !o.windowHandle()) return;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == &o || w == except || !w->isVisible() || !w->windowHandle()) continue;
        if (w->windowHandle()->transientParent() != o.windowHandle()) continue;
        w->move(w->pos() + delta);
    }
}

} // namespace qel
