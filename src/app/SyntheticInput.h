#pragma once
// Mouse and key events made by the program itself (replays), delivered to a
// widget through Qt's event system as the window system's would be.
#include <QPoint>
#include <optional>
#include <QString>
#include <Qt>

class QWidget;

namespace qel {

// A press or release of one button at a widget position (the widget's centre
// when at is not given).
void sendMousePress(QWidget* widget, Qt::MouseButton button, std::optional<QPoint> at = {});
void sendMouseRelease(QWidget* widget, Qt::MouseButton button, std::optional<QPoint> at = {});
void sendMouseClick(QWidget* widget, Qt::MouseButton button, std::optional<QPoint> at = {});

// A press and release of one key with its text (empty for keys without one).
// With Ctrl, Ctrl itself goes down first and up last, as on a keyboard.
// As with a key from the window system, the application's shortcuts are tried
// first: a key that one of them takes reaches no widget.
void sendKeyClick(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {});

// A press, or a release, of a key alone (Ctrl held for a skip), with the
// modifier state it leaves.
void sendKeyPress(QWidget* widget, int key, Qt::KeyboardModifiers modifiers);
void sendKeyRelease(QWidget* widget, int key, Qt::KeyboardModifiers modifiers);

// The text a US keyboard gives for the key: letters (capital with Shift),
// digits and signs, Space, Return, Tab, Backspace, Escape; empty for other
// keys and with Ctrl, Alt or Meta held.
QString keyText(int key, Qt::KeyboardModifiers modifiers);

}  // namespace qel
