#include "shell/Stage.h"

#include "platform/ViewScale.h"
#include "shell/PictureView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace qel {

namespace {

bool isInput(QEvent::Type t) {
    switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: return true;
    default: return false;
    }
}

// Tab and Shift+Tab go round the panel's own controls, as in a window of its
// own; a child widget would pass them on to its window's whole focus chain.
bool focusWithin(QWidget& panel, QWidget* from, const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    const bool forward = key.key() == Qt::Key_Tab && mods == Qt::NoModifier;
    const bool back = key.key() == Qt::Key_Backtab || (key.key() == Qt::Key_Tab && mods == Qt::ShiftModifier);
    if (!forward && !back) return false;
    if (!from || !panel.isAncestorOf(from)) from = &panel;
    QWidget* w = from;
    do {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (w != &panel && panel.isAncestorOf(w) && w->isVisible() && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    } while (w != from);
    return true;
}

}  // namespace

// A panel's frame: the caption bar with the window's title and its close box
// (none for a frameless window), and the window itself below it.
class PanelFrame : public QWidget {
public:
    explicit PanelFrame(QWidget* stage) : QWidget(stage) { hide(); }

    void setPanel(QWidget* panel, Qt::WindowFlags flags) {
        panel_ = panel;
        framed_ = !(flags & Qt::FramelessWindowHint) && (flags & Qt::WindowTitleHint);
        closable_ = framed_ && (flags & Qt::WindowCloseButtonHint);
        fit();
    }
    int captionHeight() const {
        if (!framed_) return 0;
        return QFontMetrics(captionFont()).height() + 4 * ViewScale::factor();
    }
    void fit() {
        if (!panel_) return;
        const int h = captionHeight();
        panel_->move(0, h);
        resize(panel_->width(), panel_->height() + h);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!framed_ || !panel_) return;
        QPainter p(this);
        const QRect bar(0, 0, width(), captionHeight());
        p.fillRect(bar, QColor(0, 0, 128));
        p.setPen(Qt::white);
        p.setFont(captionFont());
        const int pad = 3 * ViewScale::factor();
        p.drawText(bar.adjusted(pad, 0, -bar.height() - pad, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   panel_->windowTitle());
        if (!closable_) return;
        const QRect box = closeBox();
        p.fillRect(box, QColor(192, 192, 192));
        p.setPen(QPen(Qt::black, std::max(1, ViewScale::factor())));
        const QRect x = box.adjusted(box.width() / 4, box.height() / 4, -box.width() / 4, -box.height() / 4);
        p.drawLine(x.topLeft(), x.bottomRight());
        p.drawLine(x.topRight(), x.bottomLeft());
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (!closable_ || !panel_ || !closeBox().contains(event->position().toPoint())) return;
        // As the window system's close box does it.
        PlayerClosing player;
        panel_->close();
    }

private:
    QFont captionFont() const {
        QFont f = font();
        f.setBold(true);
        f.setPixelSize(12 * ViewScale::factor());
        return f;
    }
    QRect closeBox() const {
        const int h = captionHeight();
        const int m = 2 * ViewScale::factor();
        return QRect(width() - h + m, m, h - 2 * m, h - 2 * m);
    }

    QPointer<QWidget> panel_;
    bool framed_ = false;
    bool closable_ = false;
};

Stage::Stage(PictureView& view, std::function<QPoint()> origin, QWidget* parent)
    : QWidget(parent), view_(view), origin_(std::move(origin)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

Stage::~Stage() {
    if (qApp) qApp->removeEventFilter(this);
}

void Stage::setFilling(bool filling) {
    filling_ = filling;
    if (filling_) {
        setMinimumSize(1, 1);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    relayout();
}

Stage::Panel* Stage::find(const QWidget& w) {
    for (Panel& p : panels_)
        if (p.widget == &w) return &p;
    return nullptr;
}

QRect Stage::contentNow() const {
    QRect r(QPoint(0, 0), view_.size());
    for (const Panel& p : panels_)
        if (p.widget && p.widget == messages_ && p.placed) r |= QRect(p.place, p.frame->size());
    return r;
}

QRect Stage::contentAt(int scale) const {
    const int now = std::max(view_.scale(), 1);
    QRect r(QPoint(0, 0), view_.designSize() * scale);
    for (const Panel& p : panels_)
        if (p.widget && p.widget == messages_ && p.placed)
            r |= QRect(p.place / now * scale, p.frame->size() / now * scale);
    return r;
}

void Stage::relayout() {
    if (laying_) return;
    laying_ = true;
    const QRect content = contentNow();
    if (filling_) {
        pictureAt_ = QPoint((width() - content.width()) / 2, (height() - content.height()) / 2) - content.topLeft();
    } else {
        pictureAt_ = -content.topLeft();
        if (size() != content.size() || minimumSize() != content.size()) {
            setFixedSize(content.size());
            emit contentChanged();
        }
    }
    view_.move(pictureAt_);
    for (Panel& p : panels_) putFrame(p);
    laying_ = false;
    update();
}

void Stage::putFrame(Panel& p) {
    if (!p.widget) return;
    p.frame->fit();
    const QSize size = p.frame->size();
    QPoint at = p.placed ? pictureAt_ + p.place : QPoint((width() - size.width()) / 2, (height() - size.height()) / 2);
    at = keepInside(QRect(at, size), rect());
    if (p.frame->pos() != at) p.frame->move(at);
}

void Stage::adopt(QWidget& window) {
    if (find(window) || &window == this || window.isAncestorOf(this)) return;
    if (panels_.empty()) qApp->installEventFilter(this);
    Panel p;
    p.widget = &window;
    p.parent = window.parentWidget();
    p.flags = window.windowFlags();
    p.frame = new PanelFrame(this);
    const bool shown = window.isVisible();
    const QPoint at = window.frameGeometry().topLeft();
    window.setParent(p.frame, Qt::Widget);
    p.frame->setPanel(&window, p.flags);
    PanelFrame* frame = p.frame;
    connect(&window, &QObject::destroyed, this, [this, frame] {
        panels_.erase(std::remove_if(panels_.begin(), panels_.end(),
                                     [frame](const Panel& q) { return q.frame == frame; }),
                      panels_.end());
        frame->deleteLater();
    });
    if (shown) {
        p.place = at - origin_();
        p.placed = true;
    }
    panels_.push_back(p);
    if (shown) window.show();
}

void Stage::adoptAll(const std::vector<QWidget*>& windows) {
    for (QWidget* w : windows)
        if (w) adopt(*w);
    relayout();
}

void Stage::release(Panel& p) {
    if (!p.widget) return;
    QWidget& w = *p.widget;
    const bool shown = w.isVisible();
    const QPoint at = p.frame->mapToGlobal(QPoint(0, 0));
    disconnect(&w, &QObject::destroyed, this, nullptr);
    w.setParent(p.parent, p.flags);
    p.frame->deleteLater();
    if (shown) {
        w.move(at);
        w.show();
    }
}

void Stage::releaseAll() {
    std::vector<Panel> panels;
    panels.swap(panels_);
    for (Panel& p : panels) release(p);
    if (qApp) qApp->removeEventFilter(this);
}

bool Stage::place(QWidget& window, QPoint screenPos) {
    Panel* p = find(window);
    if (!p) return false;
    p->place = screenPos - origin_();
    p->placed = true;
    if (&window == messages_) relayout();
    else putFrame(*p);
    return true;
}

bool Stage::centre(QWidget& window) {
    Panel* p = find(window);
    if (!p) return false;
    p->placed = false;
    putFrame(*p);
    return true;
}

bool Stage::setFlags(QWidget& window, Qt::WindowFlags flags) {
    Panel* p = find(window);
    if (!p) return false;
    p->flags = flags;
    p->frame->setPanel(&window, flags);
    if (&window == messages_) relayout();
    return true;
}

QWidget* Stage::modalPanel() const {
    for (auto it = panels_.rbegin(); it != panels_.rend(); ++it)
        if (it->widget && it->widget->isVisible() && qobject_cast<QDialog*>(it->widget.data())) return it->widget;
    return nullptr;
}

QWidget* Stage::frameOf(const QWidget& window) const {
    for (const Panel& p : panels_)
        if (p.widget == &window) return p.frame;
    return nullptr;
}

void Stage::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), QColor(24, 24, 24));
}

void Stage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (filling_) relayout();
}

bool Stage::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (isInput(t)) {
        // A modal panel takes all input until it closes.
        QWidget* modal = modalPanel();
        auto* target = qobject_cast<QWidget*>(watched);
        if (!modal || !target || !target->isWidgetType()) return false;
        QWidget* frame = modal->parentWidget();
        if (target == frame || (frame && frame->isAncestorOf(target))) {
            if (t == QEvent::KeyPress && focusWithin(*modal, target, *static_cast<QKeyEvent*>(event))) return true;
            delivered_ = event;  // a key it leaves goes on to its parents: it stops at the panel
            return false;
        }
        if (target->window() != window() && !isAncestorOf(target)) return false;
        if (event == delivered_) return true;
        if (t == QEvent::KeyPress || t == QEvent::KeyRelease) {
            QWidget* to = modal->focusWidget();
            if (!to || !modal->isAncestorOf(to)) to = modal;
            QCoreApplication::sendEvent(to, event);
        }
        return true;
    }
    auto* w = qobject_cast<QWidget*>(watched);
    Panel* p = w ? find(*w) : nullptr;
    if (!p) return false;
    switch (t) {
    case QEvent::ShowToParent: {
        // The newest panel lies on top and takes the keys.
        auto it = std::find_if(panels_.begin(), panels_.end(), [w](const Panel& q) { return q.widget == w; });
        std::rotate(it, it + 1, panels_.end());
        Panel& q = panels_.back();
        putFrame(q);
        q.frame->show();
        q.frame->raise();
        // The keys go to the panel; a dialog's to its default button, else
        // to its first control, as when it opens as a window.
        if (QWidget* f = w->focusWidget(); f && w->isAncestorOf(f)) {
            f->setFocus();
        } else if (qobject_cast<QDialog*>(w)) {
            QWidget* first = nullptr;
            for (QPushButton* b : w->findChildren<QPushButton*>())
                if (b->isDefault()) first = b;
            if (first) first->setFocus();
            else if (!focusWithin(*w, nullptr, QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier))) w->setFocus();
        } else {
            w->setFocus();
        }
        break;
    }
    case QEvent::HideToParent: {
        p->frame->hide();
        for (auto it = panels_.rbegin(); it != panels_.rend(); ++it)
            if (it->widget && it->widget != w && it->widget->isVisible()) {
                it->widget->setFocus();
                return false;
            }
        window()->setFocus();
        break;
    }
    case QEvent::Resize:
        if (w == messages_) relayout();
        else putFrame(*p);
        break;
    case QEvent::WindowTitleChange: p->frame->update(); break;
    default: break;
    }
    return false;
}

}  // namespace qel
