#pragma once
// Game controllers and touch screens, mapped onto the mouse and the keys: each
// pad button and each touch gesture does exactly what the key or click it
// stands for does, delivered the way replays deliver theirs. Real devices and
// the replay actions "pad ..." and "touch ..." go through the same mapping.
//
//   A       Return: press the focused button, click the highlighted object,
//           turn a waiting page
//   B       Escape: close the verb window choosing nothing, Cancel, No
//   X       Page Up: the text history
//   Y       A: auto-forward on and off
//   Start   the Menu key: the popup menu
//   Back    F11: full screen on and off
//   RB      Ctrl, held while the button is: skip
//   direction pad, left stick
//           on the picture: the highlight to the nearest reachable object that
//           way (the first press highlights one); in the popup menu and the
//           history: Up and Down; elsewhere: the focus (Tab, Shift+Tab)
//   tap          a left click
//   long press   a right click: the popup menu
//   two fingers swiped up   the text history
#include "app/WindowHost.h"
#include "platform/PadButton.h"

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QTimer>

class QWidget;

namespace qel {

class InputMapper : public QObject {
    Q_OBJECT
public:
    explicit InputMapper(const Windows& windows);
    // The windows to work in, once they all exist.
    void setWindows(const Windows& windows) { w_ = &windows; }

    // A button of a pad went down or up; the key it stands for goes to
    // target (the widget a key pressed now would reach).
    void pad(PadButton button, bool down, QWidget* target);
    // The widget a key pressed now reaches: the open popup menu, else the
    // focus of the modal dialog, of the history, of the message window, of
    // the main window or of the start menu, the first one shown.
    QWidget* liveTarget() const;

    // Touches on the picture, in picture pixels.
    void tap(QPoint picturePixel);
    void hold(QPoint picturePixel);
    void swipeUp();

private:
    bool onPicture(QWidget* target) const;
    void used();  // a pad or a touch was used

    const Windows* w_;
    bool lastWasPad_ = false;  // since the last mouse move or key
};

// Recognises the gestures on the main window's picture from its touch
// events and hands them to the mapper: a touch let go within kHoldMs without
// moving is a tap, one held longer a long press; two touches whose middle
// rises by kSwipePx (in the view's pixels) a swipe up.
class TouchGestures : public QObject {
    Q_OBJECT
public:
    static constexpr int kHoldMs = 600;
    static constexpr int kMovePx = 24;
    static constexpr int kSwipePx = 48;

    TouchGestures(const Windows& windows, InputMapper& mapper);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void held();

    const Windows& w_;
    InputMapper& mapper_;
    QTimer holdTimer_;
    QPointF start_;  // the first touch's place in the view
    qreal startMiddleY_ = 0;
    qreal middleY_ = 0;
    bool several_ = false;  // a second finger touched
    bool spent_ = false;    // moved, or already a long press
};

// The user's choice of game controllers: the setting "gamepad" (on or off);
// on unless it says off.
bool gamepadWanted();

}  // namespace qel
