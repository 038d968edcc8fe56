#pragma once
// The main window: the scene's picture, the clicks on its objects, the menus
// and the way back to the start menu. It owns the one running game.
#include "engine/Game.h"
#include "shell/Display.h"
#include "shell/PictureView.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;
class QMenu;
class QMenuBar;
class QAction;

namespace qel {

class TFormMsgText;
class TFromCom;
class TStartMenu;

class TFormMein : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMein(QWidget* parent = nullptr);
    ~TFormMein() override;

    // The other windows it works with; set once at start-up.
    void connectWindows(TStartMenu* startMenu, TFormMsgText* messages, TFromCom* verbs);
    // The game; created with the host once the windows exist.
    // trace: the run trace that host is, when --trace is on.
    void createGame(GameHost& host, ScriptTrace* trace = nullptr);
    Game& game() { return *game_; }
    bool hasGame() const { return game_ != nullptr; }

    PictureView* ImageFront = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* TopMenu = nullptr;
    QAction* Help = nullptr;
    QAction* Exit = nullptr;
    QAction* settingsItem = nullptr;  // after the designed items, so their keys stay as they were
    QMenuBar* MainMenu1 = nullptr;
    QAction* TopMenu2 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Help1 = nullptr;

    // FormCreate's caption rule, applied by the program entry.
    void setCaption(const QString& caption) { setWindowTitle(caption); }
    // FW.
    void FrameWindow(const FrameRequest& f);
    // Client area := the picture's size.
    void SetPictureSize(int width, int height);

    // How large the game is shown, and where the picture is on the screen.
    Display& display() { return *display_; }
    const Display& display() const { return *display_; }
    void setDisplay(int scaleChoice, bool fullScreen) { display_->setDisplay(scaleChoice, fullScreen); }
    QPoint pictureOrigin() const { return display_->pictureOrigin(); }
    // Keyboard play on the picture. The highlighted object (0: none), which
    // Tab and Shift+Tab move over the objects a click can reach and Enter
    // clicks; the next mouse move takes it away.
    int highlightedObject() const { return highlight_; }
    void clearHighlight();
    // The keys of the main window; also offered the message window's keys.
    // fromMessages: Enter is taken only to click a highlighted object, so that
    // the message window's own keys keep turning its pages. True when the key
    // was used.
    bool playKey(const QKeyEvent& key, bool fromMessages = false);
    // A game controller's direction on the picture: the highlight to the
    // nearest reachable object that way (StepHighlightToward).
    void moveHighlightToward(int dx, int dy);
    // A click at a picture pixel made by the program (a touch's tap, the
    // keyboard's Enter): the press and then its release, in a mouse's order.
    void clickPicturePoint(QPoint at);
    // Shift+R, --watch and the replay's reload: the current scene read again
    // from its file (shell/LiveReload.h); a failure shows its place and text.
    void reloadScene();

    // Handlers.
    void FormActivate();
    void ImageFrontMouseDown(Qt::MouseButton button, int x, int y);
    void ImageFrontClick();
    void TopMenuClick();
    void ExitClick();
    void HelpClick();
    void FormClose();

signals:
    // The player changed the scale or full screen (to be remembered).
    void displayChosen(int scaleChoice, bool fullScreen);
    // The player asked for the settings window (the popup menu's item).
    void settingsWanted();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class RunDepth;
    void moveHighlight(bool forward);
    void clickHighlighted();
    void openPopupFromKeys();
    QSize pictureSize() const;
    QRect highlightOutline() const;  // picture pixels; empty without a highlight

    std::unique_ptr<Game> game_;
    TStartMenu* startMenu_ = nullptr;
    TFormMsgText* messages_ = nullptr;
    TFromCom* verbs_ = nullptr;
    Display* display_ = nullptr;  // owned as a child
    int highlight_ = 0;
    // A keyboard click's release, still to come after its press.
    bool keyReleaseDue_ = false;
    int runs_ = 0;  // script runs in progress
};

}  // namespace qel
