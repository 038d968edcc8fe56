#include "dialogs/HistoryWindow.h"

#include "platform/WindowFamily.h"

#include "engine/TextHistory.h"
#include "platform/Cp932.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace qel {

namespace {
constexpr int kMargin = 6;  // around the text, unscaled
constexpr int kMinWidth = 240, kMinHeight = 120;

// Lays out a line wrapped at width (at word boundaries or anywhere, as the
// message window wraps); returns its height.
qreal layOut(QTextLayout& layout, int width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}
}  // namespace

// ---------------------------------------------------------------- HistoryView

HistoryView::HistoryView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setContextMenuPolicy(Qt::NoContextMenu);
    verticalScrollBar()->setSingleStep(1);
}

void HistoryView::setHistory(const TextHistory& history) {
    rows_.clear();
    rows_.reserve(history.size() * 5 / 4 + 1);
    for (std::size_t i = 0; i < history.size(); ++i) {
        if (i > 0 && history[i].startsPage) rows_.emplace_back(std::string(), true);
        rows_.emplace_back(history[i].text, false);
    }
    updateRange();
    viewport()->update();
}

void HistoryView::clear() {
    rows_.clear();
    rows_.shrink_to_fit();
    updateRange();
}

QString HistoryView::rowText(int row) const {
    const Row& r = rows_[std::size_t(row)];
    if (!r.isDecoded) {
        // Line breaks inside a line would break the layout; they show as blanks.
        r.decoded = decode(r.cp932);
        r.decoded.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        r.isDecoded = true;
    }
    return r.decoded;
}

QString HistoryView::text() const {
    QStringList lines;
    for (int i = 0; i < rowCount(); ++i) lines << (isGap(i) ? QString() : rowText(i));
    return lines.join(QLatin1Char('\n'));
}

int HistoryView::textWidth() const { return std::max(viewport()->width() - 2 * margin_, 1); }

int HistoryView::rowHeight(int row, int width) const {
    const int lineSpacing = fontMetrics().lineSpacing();
    if (isGap(row)) return lineSpacing;
    const QString s = rowText(row);
    if (s.isEmpty()) return lineSpacing;
    QTextLayout layout(s, font());
    return std::max(int(std::ceil(layOut(layout, width))), lineSpacing);
}

void HistoryView::updateRange() {
    // The last top row that still fills the view down to the newest line.
    const int width = textWidth();
    const int room = viewport()->height() - 2 * margin_;
    int used = 0;
    int top = rowCount();
    while (top > 0) {
        const int h = rowHeight(top - 1, width);
        if (used + h > room && top < rowCount()) break;
        used += h;
        --top;
    }
    const int visibleRows = std::max(rowCount() - top, 1);
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, top);
    bar->setPageStep(visibleRows);
}

void HistoryView::scrollToEnd() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }

void HistoryView::resizeEvent(QResizeEvent* event) {
    const bool atEnd = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
    QAbstractScrollArea::resizeEvent(event);
    updateRange();
    if (atEnd) scrollToEnd();
}

void HistoryView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Text));
    p.setFont(font());
    const int width = textWidth();
    const int bottom = viewport()->height();
    const int lineSpacing = fontMetrics().lineSpacing();
    QColor rule = palette().color(QPalette::Text);
    rule.setAlpha(80);
    int y = margin_;
    for (int row = verticalScrollBar()->value(); row < rowCount() && y < bottom; ++row) {
        if (isGap(row)) {
            const qreal mid = std::floor(y + lineSpacing / 2.0) + 0.5;
            p.setPen(QPen(rule, ruleWidth_));
            p.drawLine(QPointF(margin_ + lineSpacing, mid), QPointF(viewport()->width() - margin_ - lineSpacing, mid));
            p.setPen(palette().color(QPalette::Text));
            y += lineSpacing;
            continue;
        }
        const QString s = rowText(row);
        if (s.isEmpty()) {
            y += lineSpacing;
            continue;
        }
        QTextLayout layout(s, font());
        const int h = std::max(int(std::ceil(layOut(layout, width))), lineSpacing);
        layout.draw(&p, QPointF(margin_, y));
        y += h;
    }
}

void HistoryView::keyPressEvent(QKeyEvent* event) {
    QScrollBar* bar = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Up: bar->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_PageUp: bar->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case Qt::Key_PageDown: bar->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case Qt::Key_Home: bar->triggerAction(QAbstractSlider::SliderToMinimum); break;
    case Qt::Key_End: bar->triggerAction(QAbstractSlider::SliderToMaximum); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

// -------------------------------------------------------------- HistoryWindow

HistoryWindow::HistoryWindow(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                              Qt::WindowStaysOnTopHint) {
    setWindowTitle(QString::fromUtf8("これまでの文章"));
    setObjectName(QStringLiteral("History"));
    view = new HistoryView(this);
    view->setObjectName(QStringLiteral("HistoryText"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    // Presses and the wheel on the text close the window (below).
    view->viewport()->installEventFilter(this);
}

void HistoryWindow::open(const TextHistory& history, const QWidget& messageText, const QRect& screenArea, int scale) {
    scale = std::max(scale, 1);
    // The message window's face and colours.
    view->setFont(messageText.font());
    QPalette pal = view->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Text, messageText.palette().color(group, QPalette::Text));
        pal.setColor(group, QPalette::Base, messageText.palette().color(group, QPalette::Base));
    }
    view->setPalette(pal);
    view->setMargin(kMargin * scale);
    view->setRuleWidth(scale);

    QRect area = screenArea;
    area.setSize(area.size().expandedTo(QSize(kMinWidth, kMinHeight) * scale));
    if (isWindow()) {
        setGeometry(area);
    } else {  // a panel of the stage
        resize(area.size());
        placeWindow(*this, area.topLeft());
    }
    view->setHistory(history);
    lines_ = int(history.size());

    if (!isVisible()) returnTo_ = QApplication::activeWindow();
    show();
    raise();
    activateWindow();
    view->setFocus();
    view->scrollToEnd();
}

void HistoryWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HistoryWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    view->clear();  // the copy is made anew at each opening
    lines_ = 0;
    if (returnTo_ && returnTo_ != this && returnTo_->isVisible()) returnTo_->activateWindow();
    returnTo_ = nullptr;
}

bool HistoryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            close();
            return true;
        }
        if (event->type() == QEvent::Wheel) {
            // Turning the wheel down at the newest line closes the history.
            const auto* wheel = static_cast<QWheelEvent*>(event);
            QScrollBar* bar = view->verticalScrollBar();
            if (wheel->angleDelta().y() < 0 && bar->value() >= bar->maximum()) {
                close();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace qel
