#pragma once
// The player's reading controls, in one place: the text history (mouse wheel
// up over the picture or the message window, Page Up, Up) and skipping (Ctrl
// held, or the toggle key). Watches the program's input as a whole, since the
// keys work in the main window and the message window alike.
#include <QObject>
#include <memory>

namespace qel {

class HistoryWindow;
class TFormMein;
class TFormMsgText;

class ReadingControls : public QObject {
    Q_OBJECT
public:
    // Starts skipping, or stops it; not a character key, since those turn
    // the page in the message window.
    static constexpr int kSkipToggleKey = Qt::Key_F8;
    // Auto-forward on and off, in the main window and the message window.
    static constexpr int kAutoForwardKey = Qt::Key_A;

    ReadingControls(TFormMein& main, TFormMsgText& messages);
    ~ReadingControls() override;

    // Opens the history over the main window's picture, scrolled to the
    // newest line; reports it (replay action "history", transcript line
    // "history N"). Does nothing while no game is shown.
    void openHistory();
    void closeHistory();
    bool historyOpen() const;
    HistoryWindow& historyWindow() { return *history_; }

    // The scale at which the game is shown, which the history follows.
    int scale() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool inGameWindow(QObject* object) const;  // the main window, the message window or a part of them

    TFormMein& main_;
    TFormMsgText& messages_;
    std::unique_ptr<HistoryWindow> history_;
};

} // namespace qel
