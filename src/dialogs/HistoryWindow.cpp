#include "dialogs/HistoryWindow.h"

#include "engine/Cp932.h"
#include "engine/TextHistory.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <vector>

namespace qel {

namespace {
constexpr int kPageGap = 1;  // block state of the empty line between two pages
constexpr int kMargin = 6;   // around the text, unscaled
constexpr int kMinWidth = 240, kMinHeight = 120;
} // namespace

HistoryView::HistoryView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setFrameStyle(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setContextMenuPolicy(Qt::NoContextMenu);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setUndoRedoEnabled(false);
}

void HistoryView::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    QPainter p(viewport());
    QColor rule = palette().color(QPalette::Text);
    rule.setAlpha(80);
    p.setPen(QPen(rule, ruleWidth_));
    const QPointF offset = contentOffset();
    const int bottom = viewport()->height();
    for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
        const QRectF r = blockBoundingGeometry(b).translated(offset);
        if (r.top() > bottom) break;
        if (b.userState() != kPageGap) continue;
        const qreal y = std::floor(r.center().y()) + 0.5;
        const qreal inset = r.height();
        p.drawLine(QPointF(r.left() + inset, y), QPointF(viewport()->width() - inset, y));
    }
}

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

void HistoryWindow::open(const TextHistory& history, const QPlainTextEdit& messageText, const QRect& screenArea,
                         int scale) {
    scale = std::max(scale, 1);
    // The message window's face and colours.
    view->setFont(messageText.font());
    QPalette pal = view->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Text, messageText.palette().color(group, QPalette::Text));
        pal.setColor(group, QPalette::Base, messageText.palette().color(group, QPalette::Base));
    }
    view->setPalette(pal);
    view->document()->setDocumentMargin(kMargin * scale);
    view->setRuleWidth(scale);

    // One text with an empty line between pages, laid out in one go.
    QString text;
    std::vector<int> gaps;  // block numbers of the empty lines between pages
    int block = 0;
    for (std::size_t i = 0; i < history.size(); ++i) {
        const HistoryLine& line = history[i];
        if (i > 0) {
            text += QLatin1Char('\n');
            if (line.startsPage) {
                gaps.push_back(block++);
                text += QLatin1Char('\n');
            }
        }
        // Line breaks inside a line would split it; they show as blanks.
        QString decoded = decode(line.text);
        decoded.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        text += decoded;
        ++block;
    }
    view->setPlainText(text);
    for (int g : gaps) view->document()->findBlockByNumber(g).setUserState(kPageGap);
    lines_ = int(history.size());

    QRect area = screenArea;
    area.setSize(area.size().expandedTo(QSize(kMinWidth, kMinHeight) * scale));
    setGeometry(area);

    returnTo_ = QApplication::activeWindow();
    show();
    raise();
    activateWindow();
    view->setFocus();
    view->moveCursor(QTextCursor::End);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
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
    view->clear();  // the text is built anew at each opening
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

} // namespace qel
