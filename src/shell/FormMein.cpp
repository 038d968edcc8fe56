#include "shell/FormMein.h"

#include "dialogs/MessageWindow.h"
#include "dialogs/VerbWindow.h"
#include "engine/ObjectLogic.h"
#include "script/Script.h"
#include "platform/Cp932.h"
#include "platform/FileLookup.h"
#include "platform/Fonts.h"
#include "platform/PlayerEvents.h"
#include "platform/ScreenPlace.h"
#include "platform/Skipping.h"
#include "platform/ViewScale.h"
#include "platform/Waits.h"
#include "platform/WindowFamily.h"
#include "shell/GameFlow.h"
#include "shell/MessageBoxes.h"
#include "shell/StartMenu.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMoveEvent>
#include <QWindow>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdint>

namespace qel {

TFormMein::TFormMein(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("QEL Player Ver. 1.24"));
    // Single fixed frame with a minimise box only and no system menu.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint);
    setFont(windowsFont(QString::fromUtf8("ＭＳ Ｐゴシック"), 12));

    ImageFront = new PictureView(nullptr, this);
    ImageFront->setFixedSize(486, 295);
    setCentralWidget(ImageFront);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    PopupMenu1 = new QMenu(this);
    TopMenu = PopupMenu1->addAction(QStringLiteral("TopMenu(&T)"));
    Help = PopupMenu1->addAction(QStringLiteral("Help(&H)"));
    PopupMenu1->addSeparator();
    Exit = PopupMenu1->addAction(QStringLiteral("Exit(&E)"));
    PopupMenu1->addSeparator();
    settingsItem = PopupMenu1->addAction(QStringLiteral("Settings(&S)..."));

    MainMenu1 = menuBar();
    QMenu* topMenu1 = MainMenu1->addMenu(QStringLiteral("(&M)enu"));
    TopMenu2 = topMenu1->addAction(QStringLiteral("(&T)opMenu"));
    topMenu1->addSeparator();
    Exit1 = topMenu1->addAction(QStringLiteral("(&E)xit"));
    Help1 = MainMenu1->addAction(QStringLiteral("(&H)elp"));
    MainMenu1->setVisible(false);  // the designed menu is the empty one

    connect(TopMenu, &QAction::triggered, this, &TFormMein::TopMenuClick);
    connect(Help, &QAction::triggered, this, &TFormMein::HelpClick);
    connect(Exit, &QAction::triggered, this, &TFormMein::ExitClick);
    connect(settingsItem, &QAction::triggered, this, [this] {
        playerEvents().action(ReplayWord::Menu, "Settings");
        emit settingsWanted();
    });
    connect(TopMenu2, &QAction::triggered, this, &TFormMein::TopMenuClick);
    connect(Exit1, &QAction::triggered, this, &TFormMein::ExitClick);
    connect(Help1, &QAction::triggered, this, &TFormMein::HelpClick);
    connect(ImageFront, &PictureView::mouseDown, this, &TFormMein::ImageFrontMouseDown);
    connect(ImageFront, &PictureView::clicked, this, &TFormMein::ImageFrontClick);
    connect(ImageFront, &PictureView::rightClicked, this, [this](QPoint at) { PopupMenu1->popup(at); });
    connect(ImageFront, &PictureView::pointerMoved, this, &TFormMein::clearHighlight);
    ImageFront->setOutline([this] { return highlightOutline(); });
    connect(PopupMenu1, &QMenu::aboutToShow, this,
            [this] { playerEvents().waitBegins(Turn::Popup, PopupMenu1, std::string()); });
    connect(PopupMenu1, &QMenu::aboutToHide, this, [] { playerEvents().waitEnds(Turn::Popup); });

    // Size and full screen, typed into any window of the game.
    display_ = new Display(*this, *ImageFront);
    connect(display_, &Display::displayChosen, this, &TFormMein::displayChosen);
    setOwnerWindow(this);
}

TFormMein::~TFormMein() = default;

void TFormMein::connectWindows(TStartMenu* startMenu, TFormMsgText* messages, TFromCom* verbs) {
    startMenu_ = startMenu;
    messages_ = messages;
    verbs_ = verbs;
    display_->setMessages(messages);
    // The picture's keys work from the message window as well.
    messages_->setPictureKeys([this](const QKeyEvent& key) { return playKey(key, true); });
}

void TFormMein::createGame(GameHost& host, ScriptTrace* trace) {
    game_ = std::make_unique<Game>(host);
    game_->trace = trace;
    // The view paints the game's own bitmap, which drawing changes in place.
    ImageFront->setImage(&game_->pics.ImageFront);
}

void TFormMein::FrameWindow(const FrameRequest& f) {
    if (f.mode == 1) MainMenu1->setVisible(false);
    else if (f.mode == 2) MainMenu1->setVisible(true);
    if (f.caption) setWindowTitle(decode(*f.caption));
    display_->placeWindow(f.dx, f.dy);
}

void TFormMein::SetPictureSize(int width, int height) {
    clearHighlight();  // a new scene: its objects are others
    display_->setPictureSize(QSize(width, height));
}

void TFormMein::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // The open dialogs travel with the main window; the message window keeps
    // its place relative to the picture.
    moveOwnedWindows(*this, event->pos() - event->oldPos(), messages_);
    display_->followPicture();
}

void TFormMein::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    display_->followPicture();
}

void TFormMein::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    display_->windowShown();
}

bool TFormMein::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) QTimer::singleShot(0, this, &TFormMein::FormActivate);
    // Seen before the focus chain takes Tab.
    if (event->type() == QEvent::KeyPress && playKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QMainWindow::event(event);
}

// Counts the script runs in progress. When the outermost one ends with the
// main window up, the game waits idle for a click: the player's skipping
// stops there.
class TFormMein::RunDepth {
public:
    explicit RunDepth(TFormMein& w) : w_(w) { ++w_.runs_; }
    ~RunDepth() {
        if (--w_.runs_ == 0 && w_.isVisible()) Skipping::instance().stopForPlayer();
    }
    RunDepth(const RunDepth&) = delete;
    RunDepth& operator=(const RunDepth&) = delete;

private:
    TFormMein& w_;
};

void TFormMein::FormActivate() {
    if (!game_ || game_->st.PendingStart != 1) return;
    RunDepth run(*this);
    guarded([this] { qel::FormActivate(*game_); });
}

void TFormMein::ImageFrontMouseDown(Qt::MouseButton button, int x, int y) {
    if (button == Qt::LeftButton || button == Qt::RightButton)
        playerEvents().action(button == Qt::LeftButton ? ReplayWord::Click : ReplayWord::RightClick,
                              std::to_string(x) + " " + std::to_string(y));
    if (!game_) return;
    guarded([&] {
        GameState& st = game_->st;
        int hit = 0;
        // No object is tested during a page wait, a timed wait or a transition.
        if (messages_->pageClick() != 0 && messages_->clickLock() == 0 && button == Qt::LeftButton &&
            !game_->inTransition)
            hit = HitTest(st, x, y);
        if (hit == 0) return;
        RunDepth run(*this);
        const ObjectWordList& words = st.ObjectWords[hit];
        if (!HasVerbs(st, hit)) {
            // A name-only object: its label is its name, run once the click is over.
            verbs_->setResult(words[1]);
            WaitReport report(Turn::Release, messages_, std::string());
            if (keyReleaseDue_) {  // a keyboard click: its release comes next
                keyReleaseDue_ = false;
                QTimer::singleShot(0, this, &TFormMein::ImageFrontClick);
            }
            messages_->WaitForPage();
        } else {
            keyReleaseDue_ = false;  // the verb window takes the release
            // At the clamped point relative to the picture, kept on the screen.
            const QPoint at = display_->placeOnScreen(ClampVerbPosition(x, y), verbs_->size());
            std::string detail = words[1].str();
            for (int k = 2; k <= 6; ++k) detail += "|" + words[k].str();
            WaitReport report(Turn::Verbs, verbs_, detail);
            verbs_->Choose(words[1], {words[2], words[3], words[4], words[5], words[6]}, at);
        }
        std::string label = verbs_->result();
        if (label.empty()) return;
        FindLabel(*game_, label);
        if (st.TargetLine != -1) RunScript(*game_, st.TargetLine);
    });
}

void TFormMein::ImageFrontClick() {
    messages_->PageClickFromMain();
    if (verbs_->isVisible()) verbs_->CloseWithoutChoice();
}

void TFormMein::TopMenuClick() {
    playerEvents().action(ReplayWord::Menu, "TopMenu");
    guarded([this] { qel::TopMenuClick(*game_); });
}

void TFormMein::ExitClick() {
    playerEvents().action(ReplayWord::Menu, "Exit");
    guarded([this] { qel::ExitClick(*game_); });
}

void TFormMein::HelpClick() {
    playerEvents().action(ReplayWord::Menu, "Help");
    // There is no Windows help viewer: the help file opens with the desktop's
    // handler for it when it exists; otherwise a notice says so.
    auto path = findFile("Zazidez.hlp");
    if (path && QDesktopServices::openUrl(QUrl::fromLocalFile(*path))) return;
    guarded([] { showMessageBox(BoxKind::Notice, sj("ヘルプはありません")); });
}

void TFormMein::closeEvent(QCloseEvent* event) {
    if (quitting()) {
        event->accept();
        return;
    }
    if (event->spontaneous()) playerEvents().action(ReplayWord::CloseMain);
    // FormCloseQuery: the quit handling runs first; a failure (a save that
    // could not be written) keeps the window open.
    if (!guarded([this] { qel::ExitClick(*game_); })) {
        event->ignore();
        return;
    }
    event->accept();
    QMainWindow::closeEvent(event);
    FormClose();
}

void TFormMein::FormClose() {
    Skipping::instance().stopForPlayer();  // the start menu asks the player
    // The game is left: the run in progress, blocked in one of its waits,
    // unwinds from there, and nothing more of it runs.
    abandonRun();
    if (quitting() || !startMenu_) return;
    startMenu_->show();
    startMenu_->activateWindow();  // its buttons take the keys at once
}

}  // namespace qel
