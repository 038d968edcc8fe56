#pragma once
// The player's reading controls, in one place: the text history (mouse wheel
// up over the picture or the message window, Page Up, Up) and skipping (Ctrl
// held, or the toggle key), auto-forward and mute. Watches the program's input as a whole, since the
// keys work in the main window and the message window alike.
#include <QObject>
#include <memory>

namespace qel {

class HistoryWindow;
class SettingsWindow;
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
    // Mute on and off, likewise.
    static constexpr int kMuteKey = Qt::Key_M;
    // The settings window.
    static constexpr int kSettingsKey = Qt::Key_F2;

    ReadingControls(TFormMein& main, TFormMsgText& messages);
    ~ReadingControls() override;

    // Opens the history over the main window's picture, scrolled to the
    // newest line; reports it (replay action "history", transcript line
    // "history N"). Does nothing while no game is shown.
    void openHistory();
    void closeHistory();
    bool historyOpen() const;
    HistoryWindow& historyWindow() { return *history_; }

    // Opens the settings window over the main window (or raises it).
    void openSettings();
    SettingsWindow* settingsWindow() const { return settings_.get(); }

    // The scale at which the game is shown, which the history follows.
    int scale() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool inGameWindow(QObject* object) const;  // the main window, the message window or a part of them

    TFormMein& main_;
    TFormMsgText& messages_;
    std::unique_ptr<HistoryWindow> history_;
    std::unique_ptr<SettingsWindow> settings_;  // made when first opened
};

}  // namespace qel
