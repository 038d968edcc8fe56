#pragma once
// The main window: the scene's picture, the clicks on its objects, the menus
// and the way back to the start menu. It owns the one running game.
#include "engine/Game.h"

#include <QMainWindow>
#include <memory>

class QMenu;
class QMenuBar;
class QAction;

namespace qel {

class TFormMsgText;
class TFromCom;
class TStartMenu;

// The shown picture: paints the game's ImageFront unscaled at the top-left
// corner and reports presses, releases and clicks on it.
class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(const QImage* image, QWidget* parent = nullptr);
    void setImage(const QImage* image) { image_ = image; update(); }

signals:
    void mouseDown(Qt::MouseButton button, int x, int y);
    void clicked();
    void rightClicked(QPoint globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const QImage* image_;
    bool leftPressed_ = false;
};

class TFormMein : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMein(QWidget* parent = nullptr);
    ~TFormMein() override;

    // The other windows it works with; set once at start-up.
    void connectWindows(TStartMenu* startMenu, TFormMsgText* messages, TFromCom* verbs);
    // The game; created with the host once the windows exist.
    void createGame(GameHost& host);
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
    std::unique_ptr<Game> game_;
    TStartMenu* startMenu_ = nullptr;
    TFormMsgText* messages_ = nullptr;
    TFromCom* verbs_ = nullptr;
    bool placed_ = false;
    int runs_ = 0;  // script runs in progress
};

} // namespace qel
