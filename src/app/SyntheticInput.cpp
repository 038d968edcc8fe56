#include "app/SyntheticInput.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace qel {
namespace {

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, std::optional<QPoint> at) {
    QPoint pos = at ? *at : widget->rect().center();
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

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

void sendKeyClick(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &release);
}

} // namespace qel
