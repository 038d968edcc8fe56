#pragma once
// The main window: the scene's picture, the clicks on its objects, the menus
// and the way back to the start menu. It owns the one running game.
#include "engine/Game.h"

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

// The shown picture: paints the game's ImageFront unscaled at the top-left
// corner and reports presses, releases and clicks on it. The keyboard's
// object highlight is drawn over it as an outline, on the screen only: the
// picture's own pixels never change.
class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(const QImage* image, QWidget* parent = nullptr);
    void setImage(const QImage* image) { image_ = image; update(); }
    // The rectangle to outline, in picture pixels (an empty one: none);
    // asked at every paint so that it follows the objects as they change.
    void setOutline(std::function<QRect()> outline) { outline_ = std::move(outline); }

signals:
    void mouseDown(Qt::MouseButton button, int x, int y);
    void clicked();
    void rightClicked(QPoint globalPos);
    // The mouse moved over the picture, or a button was pressed on it.
    void pointerMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    const QImage* image_;
    bool leftPressed_ = false;
    std::function<QRect()> outline_;
    std::optional<QPoint> lastPointer_;
};

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

    // Handlers.
    void FormActivate();
    void ImageFrontMouseDown(Qt::MouseButton button, int x, int y);
    void ImageFrontClick();
    void TopMenuClick();
    void ExitClick();
    void HelpClick();
    void FormClose();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

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
    bool placed_ = false;
    int highlight_ = 0;
    // A keyboard click's release, still to come after its press.
    bool keyReleaseDue_ = false;
    int runs_ = 0;  // script runs in progress
};

} // namespace qel
