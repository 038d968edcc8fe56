#include "app/SyntheticInput.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

// Qt's own hook for key events made by a program (Qt Test uses it): offers
// the key to the focus widget as a shortcut override and, unless that widget
// wants it, to the application's shortcut map. True when a shortcut took it.
// It also leaves the modifiers as the application's keyboard state.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text = QString(), bool autorep = false, ushort count = 1);

namespace qel {
namespace {

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, std::optional<QPoint> at) {
    QPoint pos = at ? *at : widget->rect().center();
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void sendKeyPair(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text);

}  // namespace

void sendMousePress(QWidget* widget, Qt::MouseButton button, std::optional<QPoint> at) {
    sendMouse(widget, QEvent::MouseButtonPress, button, at);
}

void sendMouseRelease(QWidget* widget, Qt::MouseButton button, std::optional<QPoint> at) {
    sendMouse(widget, QEvent::MouseButtonRelease, button, at);
}

void sendMouseClick(QWidget* widget, Qt::MouseButton button, std::optional<QPoint> at) {
    sendMousePress(widget, button, at);
    sendMouseRelease(widget, button, at);
}

void sendKeyPress(QWidget* widget, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(widget, &press);
}

void sendKeyRelease(QWidget* widget, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent up(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(widget, &up);
}

void sendKeyClick(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    if (modifiers & Qt::ControlModifier && key != Qt::Key_Control) {
        QPointer<QWidget> alive(widget);
        sendKeyPress(widget, Qt::Key_Control, Qt::ControlModifier);
        if (alive) sendKeyPair(widget, key, modifiers, text);
        if (alive) sendKeyRelease(widget, Qt::Key_Control, Qt::NoModifier);
        return;
    }
    sendKeyPair(widget, key, modifiers, text);
}

namespace {
void sendKeyPair(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    // Afterwards no modifier is held any more, as after a real key's release.
    struct ReleaseModifiers {
        QObject* target;
        ~ReleaseModifiers() { qt_sendShortcutOverrideEvent(target, 0, 0, Qt::NoModifier); }
    };
    QObject noWidget;  // takes no key: only resets the keyboard state
    ReleaseModifiers release{&noWidget};
    if (qt_sendShortcutOverrideEvent(widget, 0, key, modifiers, text)) return;
    QPointer<QWidget> alive(widget);  // the key may close its window
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
    if (!alive) return;
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &up);
}
}  // namespace

QString keyText(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return {};
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return QStringLiteral("\r");
    case Qt::Key_Tab: return QStringLiteral("\t");
    case Qt::Key_Backspace: return QStringLiteral("\b");
    case Qt::Key_Escape: return QStringLiteral("\x1b");
    default: break;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return QString(QChar(modifiers & Qt::ShiftModifier ? key : key - Qt::Key_A + 'a'));
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) return QString(QChar(key));
    return {};
}

}  // namespace qel
