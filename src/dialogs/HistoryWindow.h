#pragma once
// The text history window: every line the message window has shown since the
// game began, page by page, in the message window's face and colours, for the
// player to scroll back through. It only reads; opening it changes nothing in
// the game, which goes on behind it (a waiting page stays waiting).
#include <QPlainTextEdit>
#include <QRect>
#include <QWidget>
#include <QPointer>

namespace qel {

class TextHistory;

// The scrolling text: draws a thin rule in each gap between two pages.
class HistoryView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit HistoryView(QWidget* parent = nullptr);
    void setRuleWidth(int w) { ruleWidth_ = w; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
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
    void open(const TextHistory& history, const QPlainTextEdit& messageText, const QRect& screenArea, int scale);
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

} // namespace qel
