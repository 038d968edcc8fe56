#pragma once
// The text history window: every line the message window has shown since the
// game began, page by page, in the message window's face and colours, for the
// player to scroll back through. It only reads; opening it changes nothing in
// the game, which goes on behind it (a waiting page stays waiting).
#include <QAbstractScrollArea>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

namespace qel {

class TextHistory;

// The scrolling text. It scrolls by rows (a history line, or the gap between
// two pages, where a thin rule is drawn) and lays out only the rows it
// paints, so that ten thousand lines open as fast as ten.
class HistoryView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit HistoryView(QWidget* parent = nullptr);

    // Takes a copy of the history's lines; shows the newest at the bottom.
    void setHistory(const TextHistory& history);
    void clear();
    void setMargin(int pixels) { margin_ = pixels; }
    void setRuleWidth(int pixels) { ruleWidth_ = pixels; }
    void scrollToEnd();

    int rowCount() const { return int(rows_.size()); }
    bool isGap(int row) const { return rows_[std::size_t(row)].gap; }
    QString rowText(int row) const;
    // The rows as text, one a line (a gap as an empty line).
    QString text() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Row {
        Row(std::string text, bool isGap) : cp932(std::move(text)), gap(isGap) {}
        std::string cp932;
        bool gap = false;
        mutable QString decoded;  // filled when first painted
        mutable bool isDecoded = false;
    };
    int rowHeight(int row, int width) const;
    int textWidth() const;
    void updateRange();

    std::vector<Row> rows_;
    int margin_ = 6;
    int ruleWidth_ = 1;
};

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // Transient for the main window: stays above it and goes with it.
    explicit HistoryWindow(QWidget* mainWindow);

    // Fills the window with the history, in the font and colours of the
    // message window's text box, places its inside over screenArea (the main
    // window's picture), shows it scrolled to the newest line and gives it
    // the keyboard. scale multiplies the window's own margins and rules.
    void open(const TextHistory& history, const QWidget& messageText, const QRect& screenArea, int scale);
    // The text lines it shows (the gaps between pages not counted).
    int lineCount() const { return lines_; }

    HistoryView* view = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int lines_ = 0;
    QPointer<QWidget> returnTo_;  // the window that had the keyboard before
};

}  // namespace qel
