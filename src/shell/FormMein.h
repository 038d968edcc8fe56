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
class QPainter;
class QMenuBar;
class QAction;

namespace qel {

class TFormMsgText;
class TFromCom;
class TStartMenu;

// The shown picture: paints the game's ImageFront at the top-left corner of
// the picture area, each pixel as a scale x scale block, and reports presses
// (in picture pixels), releases and clicks on it. Windowed, the view is
// exactly the picture area; filling (full screen), it takes whatever size
// its window gives it and centres the picture on black at the largest whole
// scale that fits. The keyboard's object highlight is drawn over it as an
// outline, on the screen only: the picture's own pixels never change.
class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(const QImage* image, QWidget* parent = nullptr);
    void setImage(const QImage* image) { image_ = image; update(); }
    // The rectangle to outline, in picture pixels (an empty one: none);
    // asked at every paint so that it follows the objects as they change.
    void setOutline(std::function<QRect()> outline) { outline_ = std::move(outline); }

    // The picture area in picture pixels (the client area the scene asks for).
    QSize designSize() const { return design_; }
    // Windowed: the view takes the design size times the scale.
    void setDesign(QSize design, int scale);
    // Full screen on or off.
    void setFilling(bool filling);
    bool filling() const { return filling_; }
    // The scale the picture is drawn at now.
    int scale() const;
    // Where the picture area is drawn in the view.
    QRect pictureRect() const;
    // The picture pixel under a point of the view; nullopt on the black
    // border around a full-screen picture.
    std::optional<QPoint> picturePixelAt(QPoint viewPoint) const;
    // The view point at the centre of a picture pixel.
    QPoint viewPoint(QPoint picturePixel) const;

signals:
    void mouseDown(Qt::MouseButton button, int x, int y);
    void clicked();
    void rightClicked(QPoint globalPos);
    void areaChanged();
    // The mouse moved over the picture, or a button was pressed on it.
    void pointerMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void drawPicture(QPainter& p, const QRect& dirty);
    bool blitScaled(QPainter& p, const QRect& exposed, QPoint pictureTopLeft, int n);

    const QImage* image_;
    QSize design_{486, 295};
    int windowedScale_ = 1;
    bool filling_ = false;
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

    // How large the game is shown: a scale of 1 to 6, or 0 for the automatic
    // one (the largest that fits the screen comfortably), and full screen.
    void setDisplay(int scaleChoice, bool fullScreen);
    int scaleChoice() const { return scaleChoice_; }
    bool fullScreenChosen() const { return fullScreen_; }
    // Ctrl+Plus, Ctrl+Minus, Ctrl+0; F11 and Alt+Enter.
    void zoomIn();
    void zoomOut();
    void zoomReset();
    void toggleFullScreen();
    // The screen position of the picture's top-left pixel: the origin of the
    // places MW and the verb window are given.
    QPoint pictureOrigin() const;
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

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
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
    bool placed_ = false;
    int scaleChoice_ = 1;
    bool fullScreen_ = false;

    int windowedScale() const;
    void applyDisplay();
    void followPicture();
    int highlight_ = 0;
    // A keyboard click's release, still to come after its press.
    bool keyReleaseDue_ = false;
    int runs_ = 0;  // script runs in progress
};

} // namespace qel
