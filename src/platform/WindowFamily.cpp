#include "platform/WindowFamily.h"

#include "platform/ScreenPlace.h"

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
}  // namespace

namespace {
PanelHost*& host() {
    static PanelHost* h = nullptr;
    return h;
}
}  // namespace

void setPanelHost(PanelHost* h) { host() = h; }
PanelHost* panelHost() { return host(); }

void placeWindow(QWidget& window, QPoint screenPos) {
    if (!host() || !host()->place(window, screenPos)) window.move(screenPos);
}

void centreWindow(QWidget& window) {
    if (!host() || !host()->centre(window)) centreOnScreen(window);
}

void setFrameFlags(QWidget& window, Qt::WindowFlags flags) {
    if (!host() || !host()->setFlags(window, flags)) window.setWindowFlags(flags);
}

namespace {
int playerClosing = 0;
}  // namespace

PlayerClosing::PlayerClosing() { ++playerClosing; }
PlayerClosing::~PlayerClosing() { --playerClosing; }
bool closedByPlayer(const QEvent& closeEvent) { return closeEvent.spontaneous() || playerClosing > 0; }

void setOwnerWindow(QWidget* w) { owner() = w; }
QWidget* ownerWindow() { return owner().data(); }

void keepWithOwner(QWidget& window) {
    if (host()) {
        host()->adopt(window);
        return;
    }
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

}  // namespace qel
