#pragma once
// A push button that always shows when it has the keyboard focus: a dotted
// frame inside its edge, whatever the widget style draws, so a player without
// a mouse can see which button Enter or Space will press.
#include <QPainter>
#include <QPushButton>

namespace qel {

class FocusButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override {
        QPushButton::paintEvent(event);
        if (!hasFocus()) return;
        QPainter p(this);
        QPen pen(palette().color(QPalette::ButtonText));
        pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        p.drawRect(rect().adjusted(3, 3, -4, -4));
    }
};

}  // namespace qel
