#include "shell/Display.h"

#include "dialogs/MessageWindow.h"
#include "platform/ScreenPlace.h"
#include "platform/ViewScale.h"
#include "shell/PictureView.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>

#include <algorithm>

namespace qel {

namespace {
const QScreen* screenOf(const QWidget& w) { return w.screen() ? w.screen() : QGuiApplication::primaryScreen(); }
} // namespace

Display::Display(QMainWindow& window, PictureView& view) : QObject(&window), window_(window), view_(view) {
    connect(&view_, &PictureView::areaChanged, this, &Display::followPicture);
    qApp->installEventFilter(this);
}

Display::~Display() {
    if (qApp) qApp->removeEventFilter(this);
}

void Display::setDisplay(int scaleChoice, bool fullScreen) {
    scaleChoice_ = scaleChoice == 0 ? 0 : clampScale(scaleChoice);
    fullScreen_ = fullScreen;
    apply();
}

int Display::scale() const { return view_.scale(); }

int Display::windowedScale() const {
    if (scaleChoice_ > 0) return scaleChoice_;
    const QScreen* s = screenOf(window_);
    if (!s) return 1;
    return autoScale(view_.designSize(), s->availableGeometry().size(), s->devicePixelRatio());
}

void Display::apply() {
    view_.setDesign(view_.designSize(), windowedScale());
    view_.setFilling(fullScreen_);
    QMainWindow& w = window_;
    if (fullScreen_) {
        w.layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
        w.setMinimumSize(0, 0);
        w.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (!(w.windowState() & Qt::WindowFullScreen)) w.setWindowState(w.windowState() | Qt::WindowFullScreen);
    } else {
        if (w.windowState() & Qt::WindowFullScreen) w.setWindowState(w.windowState() & ~Qt::WindowFullScreen);
        w.layout()->setSizeConstraint(QLayout::SetFixedSize);
        w.adjustSize();
        if (!placed_ && w.isVisible()) {
            centreOnScreen(w);
            placed_ = true;
        }
    }
    followPicture();
}

void Display::setPictureSize(QSize design) {
    view_.setDesign(design, view_.scale());
    apply();  // the automatic scale follows the picture's size
}

void Display::placeWindow(std::optional<std::int32_t> dx, std::int32_t dy) {
    if (fullScreen_) return;  // the window keeps its place for when it leaves full screen
    window_.adjustSize();
    const int n = view_.scale();
    const auto scaled = [n](std::int32_t v) {
        return int(std::clamp<std::int64_t>(std::int64_t(v) * n, INT32_MIN, INT32_MAX));
    };
    window_.move(dx ? centredOnScreen(window_, scaled(*dx), scaled(dy)) : centredOnScreen(window_));
    placed_ = true;
}

void Display::windowShown() {
    if (!placed_ && !fullScreen_) {
        window_.adjustSize();
        centreOnScreen(window_);
        placed_ = true;
    }
    followPicture();
}

bool Display::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    void (Display::*act)() = nullptr;
    if (mods == Qt::ControlModifier) {
        switch (key->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: act = &Display::zoomIn; break;  // "+" is Shift+= on many keyboards
        case Qt::Key_Minus: act = &Display::zoomOut; break;
        case Qt::Key_0: act = &Display::zoomReset; break;
        default: break;
        }
    } else if ((mods == Qt::NoModifier && key->key() == Qt::Key_F11) ||
               (mods == Qt::AltModifier && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))) {
        act = &Display::toggleFullScreen;
    }
    if (!act) return QObject::eventFilter(watched, event);
    if (!key->isAutoRepeat()) (this->*act)();
    return true;
}

void Display::chosen() {
    apply();
    emit displayChosen(scaleChoice_, fullScreen_);
}

void Display::zoomIn() {
    scaleChoice_ = clampScale(windowedScale() + 1);
    chosen();
}

void Display::zoomOut() {
    scaleChoice_ = clampScale(windowedScale() - 1);
    chosen();
}

void Display::zoomReset() {
    scaleChoice_ = 0;
    chosen();
}

void Display::toggleFullScreen() {
    fullScreen_ = !fullScreen_;
    chosen();
}

QPoint Display::pictureOrigin() const {
    return window_.geometry().topLeft() + view_.mapTo(&window_, view_.pictureRect().topLeft());
}

QRect Display::pictureOnScreen() const {
    const QRect shown = view_.pictureRect();
    return QRect(view_.mapToGlobal(shown.topLeft()), shown.size());
}

QPoint Display::placeOnScreen(QPoint design, QSize size) const {
    const QRect wanted(placeFromOrigin(pictureOrigin(), design, view_.scale()), size);
    const QScreen* s = screenOf(window_);
    return s ? keepInside(wanted, s->availableGeometry()) : wanted.topLeft();
}

void Display::followPicture() {
    ViewScale::instance().setFactor(view_.scale());
    if (messages_) messages_->followPicture(pictureOrigin());
}

} // namespace qel
