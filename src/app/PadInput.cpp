#include "app/PadInput.h"

#include "app/SyntheticInput.h"
#include "dialogs/HistoryWindow.h"
#include "dialogs/MessageWindow.h"
#include "platform/Settings.h"
#include "shell/FormMein.h"
#include "shell/ReadingControls.h"
#include "shell/StartMenu.h"

#include <QApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QTouchEvent>

namespace qel {

namespace {

void sendKey(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    sendKeyClick(target, key, mods, keyText(key, mods));
}

// Ctrl alone, as the keyboard gives it while held and let go.
void sendControl(QWidget* target, bool down) {
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Control,
                down ? Qt::ControlModifier : Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
}

}  // namespace

InputMapper::InputMapper(const Windows& windows) : w_(&windows) {
    // The platform's on-screen keyboard, for text asked while playing with
    // a pad or by touch.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (lastWasPad_ && now && now->testAttribute(Qt::WA_InputMethodEnabled)) QGuiApplication::inputMethod()->show();
    });
}

void InputMapper::used() { lastWasPad_ = true; }

bool InputMapper::onPicture(QWidget* target) const {
    QWidget* window = target ? target->window() : nullptr;
    return window && (window == static_cast<QWidget*>(w_->main) || window == static_cast<QWidget*>(w_->messages));
}

QWidget* InputMapper::liveTarget() const {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    QWidget* window = QApplication::activeModalWidget();
    if (!window && w_->reading && w_->reading->historyOpen()) window = &w_->reading->historyWindow();
    if (!window && w_->messages && w_->messages->isVisible()) window = w_->messages;
    if (!window && w_->main && w_->main->isVisible()) window = w_->main;
    if (!window && w_->startMenu && w_->startMenu->isVisible()) window = w_->startMenu;
    if (!window) return nullptr;
    QWidget* focus = window->focusWidget();
    return focus && focus->isVisible() ? focus : window;
}

void InputMapper::pad(PadButton button, bool down, QWidget* target) {
    if (!target) return;
    used();
    if (button == PadButton::RB) {
        sendControl(target, down);
        return;
    }
    if (!down) return;
    switch (button) {
    case PadButton::A: sendKey(target, Qt::Key_Return); break;
    case PadButton::B: sendKey(target, Qt::Key_Escape); break;
    case PadButton::X: sendKey(target, Qt::Key_PageUp); break;
    case PadButton::Start: sendKey(target, Qt::Key_Menu); break;
    case PadButton::Back: sendKey(target, Qt::Key_F11); break;
    case PadButton::Y: sendKey(target, ReadingControls::kAutoForwardKey); break;
    case PadButton::Up:
    case PadButton::Down:
    case PadButton::Left:
    case PadButton::Right: {
        const bool back = button == PadButton::Up || button == PadButton::Left;
        const bool vertical = button == PadButton::Up || button == PadButton::Down;
        if (onPicture(target) && w_->main->hasGame()) {
            w_->main->moveHighlightToward(vertical ? 0 : back ? -1 : 1, vertical ? back ? -1 : 1 : 0);
        } else if (qobject_cast<QMenu*>(target) ||
                   target->window() == static_cast<QWidget*>(w_->reading ? &w_->reading->historyWindow() : nullptr)) {
            if (vertical) sendKey(target, back ? Qt::Key_Up : Qt::Key_Down);
        } else {
            sendKey(target, back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
        }
        break;
    }
    case PadButton::RB: break;
    }
}

void InputMapper::tap(QPoint picturePixel) {
    used();
    w_->main->clearHighlight();  // as a mouse's press does
    w_->main->clickPicturePoint(picturePixel);
}

void InputMapper::hold(QPoint picturePixel) {
    used();
    sendMouseClick(w_->main->ImageFront, Qt::RightButton, w_->main->ImageFront->viewPoint(picturePixel));
}

void InputMapper::swipeUp() {
    used();
    sendKey(w_->main, Qt::Key_PageUp);
}

// ---------------------------------------------------------------- touch

TouchGestures::TouchGestures(const Windows& windows, InputMapper& mapper) : w_(windows), mapper_(mapper) {
    holdTimer_.setSingleShot(true);
    holdTimer_.setInterval(kHoldMs);
    connect(&holdTimer_, &QTimer::timeout, this, &TouchGestures::held);
    w_.main->ImageFront->setAttribute(Qt::WA_AcceptTouchEvents);
    w_.main->ImageFront->installEventFilter(this);
}

void TouchGestures::held() {
    spent_ = true;
    const std::optional<QPoint> at = w_.main->ImageFront->picturePixelAt(start_.toPoint());
    if (at) mapper_.hold(*at);
}

bool TouchGestures::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::TouchBegin && type != QEvent::TouchUpdate && type != QEvent::TouchEnd &&
        type != QEvent::TouchCancel)
        return QObject::eventFilter(watched, event);
    auto* touch = static_cast<QTouchEvent*>(event);
    const QList<QEventPoint>& points = touch->points();
    qreal middle = 0;
    for (const QEventPoint& p : points) middle += p.position().y();
    if (!points.isEmpty()) middle /= qreal(points.size());
    event->accept();
    switch (type) {
    case QEvent::TouchBegin:
        start_ = points.isEmpty() ? QPointF() : points.front().position();
        several_ = points.size() > 1;
        spent_ = false;
        startMiddleY_ = middleY_ = middle;
        if (!several_) holdTimer_.start();
        return true;
    case QEvent::TouchUpdate:
        if (points.size() > 1 && !several_) {
            several_ = true;
            startMiddleY_ = middle;
            holdTimer_.stop();
        }
        if (several_) {
            if (points.size() > 1) middleY_ = middle;
        } else if (!points.isEmpty() && (points.front().position() - start_).manhattanLength() > kMovePx) {
            spent_ = true;
            holdTimer_.stop();
        }
        return true;
    case QEvent::TouchEnd: {
        holdTimer_.stop();
        // Each gesture acts once the touch has ended, outside Qt's delivery of it.
        const auto later = [this](auto act) { QTimer::singleShot(0, this, act); };
        if (several_) {
            if (startMiddleY_ - middleY_ >= kSwipePx) later([this] { mapper_.swipeUp(); });
        } else if (!spent_) {
            if (const std::optional<QPoint> at = w_.main->ImageFront->picturePixelAt(start_.toPoint()))
                later([this, p = *at] { mapper_.tap(p); });
        }
        return true;
    }
    default:  // cancelled
        holdTimer_.stop();
        return true;
    }
}

bool gamepadWanted() { return Settings::instance().text("gamepad") != QLatin1String("off"); }

}  // namespace qel
