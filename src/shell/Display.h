#pragma once
// How the game is shown: the chosen scale (or the automatic one), full
// screen, the picture view's geometry in its window and the picture's corner
// on the screen. The main window keeps one; the windows placed from the
// picture's corner (the message window, the verb window, the history) ask it
// where that corner is and at which scale.
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <QPointer>

#include <cstdint>
#include <optional>
#include <vector>

class QMainWindow;
class QWidget;

namespace qel {

class PictureView;
class Stage;
class TFormMsgText;

// Where the game's windows live: each a window of its own, all in one
// window (the stage), or the stage only where the desktop places windows
// itself (Wayland and the like) and in full screen.
enum class WindowMode { Separate, One, Auto };
// "separate", "one", "auto"; nullopt for anything else.
std::optional<WindowMode> parseWindowMode(const QString& text);
// True when the platform places top-level windows itself.
bool platformPlacesWindows();

class Display : public QObject {
    Q_OBJECT
public:
    // window: the main window whose central widget is view.
    Display(QMainWindow& window, PictureView& view);
    ~Display() override;

    // The window that keeps its place from the picture's corner.
    void setMessages(TFormMsgText* messages) { messages_ = messages; }
    // The windows that become panels on the stage.
    void setPanels(std::vector<QWidget*> panels) { panels_ = std::move(panels); }
    // One window or separate ones; switching while playing keeps the open
    // windows and their places (a switch asked for while a dialog waits
    // for its answer is made once it has closed).
    void setWindowMode(WindowMode mode);
    WindowMode windowMode() const { return mode_; }
    bool onStage() const;
    Stage* stage() const;
    // The largest scale at which the picture and the message window at its
    // place fit the screen's available area (at least 1).
    int largestFitting() const;

    // A scale of 1 to 6, or 0 for the automatic one (the largest that fits
    // the screen comfortably), and full screen.
    void setDisplay(int scaleChoice, bool fullScreen);
    int scaleChoice() const { return scaleChoice_; }
    bool fullScreen() const { return fullScreen_; }
    // Ctrl+Plus, Ctrl+Minus, Ctrl+0; F11 and Alt+Enter. Each tells
    // displayChosen.
    void zoomIn();
    void zoomOut();
    // A scale choice and full screen chosen at once (the settings window);
    // tells displayChosen.
    void choose(int scaleChoice, bool fullScreen);
    void zoomReset();
    void toggleFullScreen();

    // The scale the picture is drawn at now.
    int scale() const;
    // The screen position of the picture's top-left pixel: the origin of the
    // places MW and the verb window are given.
    QPoint pictureOrigin() const;
    // The picture itself on the screen (in full screen the view around it
    // is larger).
    QRect pictureOnScreen() const;
    // A shown window of the game as the player sees it: its outer frame (a
    // panel's with its caption bar) from the picture's corner, in screen
    // pixels; nullopt while it is hidden.
    std::optional<QRect> placeFromPicture(const QWidget& window) const;
    // Where a window of the given size goes at a point given in picture
    // pixels from the picture's corner, kept on the screen.
    QPoint placeOnScreen(QPoint design, QSize size) const;

    // The scene's picture size (the client area it asks for).
    void setPictureSize(QSize design);
    // FW: the window centred on the screen, moved by (dx, dy) picture
    // pixels. Full screen, the window keeps its place for when it leaves.
    void placeWindow(std::optional<std::int32_t> dx, std::int32_t dy);
    // The main window was shown, moved or resized: the scale and the
    // message window follow the picture.
    void windowShown();
    void followPicture();
    // MW gave the message window a place: the automatic scale counts it.
    void messagesPlaced();

signals:
    // The player changed the scale or full screen (to be remembered).
    void displayChosen(int scaleChoice, bool fullScreen);

protected:
    // The size and full-screen keys, typed into any window of the game.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int windowedScale() const;
    void apply();
    void chosen();
    bool wantStage() const;
    void switchWindows(bool stage);
    // The picture and the message window at its place, at a scale, from the
    // picture's corner.
    QRect layoutAt(int scale) const;
    int largestFitting(QSize area) const;
    // Puts the window where the last placing asked for (FW's offsets from
    // the screen's centre, in picture pixels at today's scale).
    void placeAsAsked();
    // Where the main window is centred on the screen; separate windows are
    // centred with the message window at its place, as one block.
    QPoint centredWithMessages() const;
    // The stage's window grew or shrank, or the automatic scale of separate
    // windows changed: placed by FW or the first centring and not moved
    // since, the window is placed again for its new size.
    void keepPlacing();

    QMainWindow& window_;
    PictureView& view_;
    TFormMsgText* messages_ = nullptr;
    int scaleChoice_ = 1;
    bool fullScreen_ = false;
    bool placed_ = false;
    std::optional<std::int32_t> askedDx_;  // the last placing's offsets; no dx: centred
    std::int32_t askedDy_ = 0;
    QPoint placedAt_;      // where that placing put the window
    int placedScale_ = 1;  // and at which scale
    WindowMode mode_ = WindowMode::Separate;
    bool staged_ = false;
    QPointer<Stage> stage_;
    std::vector<QWidget*> panels_;
    QPointer<QWidget> modalWatch_;  // the dialog whose closing a switch waits for
};

}  // namespace qel
