#include "shell/FormMein.h"

#include "dialogs/MessageWindow.h"
#include "dialogs/VerbWindow.h"
#include "platform/Skipping.h"
#include "engine/Script.h"
#include "platform/Cp932.h"
#include "platform/FileLookup.h"
#include "platform/Fonts.h"
#include "platform/PlayerEvents.h"
#include "platform/ScreenPlace.h"
#include "platform/Waits.h"
#include "shell/GameFlow.h"
#include "shell/MessageBoxes.h"
#include "shell/StartMenu.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdint>

namespace qel {

namespace {

// A key as the replay syntax names it ("Space", "Return", "Shift+F10").
std::string keyName(const QKeyEvent& key) {
    const QKeyCombination combination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key()));
    return QKeySequence(combination).toString(QKeySequence::PortableText).toStdString();
}

} // namespace

PictureView::PictureView(const QImage* image, QWidget* parent) : QWidget(parent), image_(image) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::NoContextMenu);
    // Moves without a button take the keyboard's highlight away.
    setMouseTracking(true);
}

void PictureView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), palette().window());
    if (image_ && !image_->isNull()) p.drawImage(QPoint(0, 0), *image_);
    const QRect outline = outline_ ? outline_() : QRect();
    if (outline.isEmpty()) return;
    // Black, yellow, black: a frame three pixels wide inside the object's
    // edge that shows on light and dark pictures alike.
    p.setBrush(Qt::NoBrush);
    const QColor colours[] = {Qt::black, QColor(255, 214, 0), Qt::black};
    for (int i = 0; i < 3; ++i) {
        const QRect r = outline.adjusted(i, i, -i, -i);
        if (r.width() < 1 || r.height() < 1) break;
        p.setPen(QPen(colours[i], 1));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    // Only a real change of place counts: the window system may report the
    // pointer again where it rests.
    if (lastPointer_ != pos) {
        lastPointer_ = pos;
        emit pointerMoved();
    }
    QWidget::mouseMoveEvent(event);
}

void PictureView::enterEvent(QEnterEvent* event) {
    lastPointer_ = event->position().toPoint();
    QWidget::enterEvent(event);
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    QPoint pos = event->position().toPoint();
    lastPointer_ = pos;
    emit pointerMoved();
    if (event->button() == Qt::LeftButton) leftPressed_ = true;
    emit mouseDown(event->button(), pos.x(), pos.y());
    if (event->button() == Qt::RightButton) emit rightClicked(event->globalPosition().toPoint());
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !leftPressed_) return;
    leftPressed_ = false;
    if (rect().contains(event->position().toPoint())) emit clicked();
}

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
}

TFormMein::~TFormMein() = default;

void TFormMein::connectWindows(TStartMenu* startMenu, TFormMsgText* messages, TFromCom* verbs) {
    startMenu_ = startMenu;
    messages_ = messages;
    verbs_ = verbs;
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
    adjustSize();
    move(f.dx ? centredOnScreen(*this, *f.dx, f.dy) : centredOnScreen(*this));
    placed_ = true;
}

void TFormMein::SetPictureSize(int width, int height) {
    clearHighlight();  // a new scene: its objects are others
    ImageFront->setFixedSize(width, height);
    adjustSize();
}

void TFormMein::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!placed_) {
        adjustSize();
        centreOnScreen(*this);
        placed_ = true;
    }
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

// ---------------------------------------------------------------- keyboard play

bool TFormMein::playKey(const QKeyEvent& key, bool fromMessages) {
    if (!game_ || key.type() != QEvent::KeyPress) return false;
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    const bool plain = mods == Qt::NoModifier;
    const int k = key.key();
    if ((k == Qt::Key_Tab && (plain || mods == Qt::ShiftModifier)) || k == Qt::Key_Backtab) {
        moveHighlight(k == Qt::Key_Tab && plain);
        return true;
    }
    if ((k == Qt::Key_Menu && plain) || (k == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        if (key.isAutoRepeat()) return true;
        playerEvents().action("key " + keyName(key));
        openPopupFromKeys();
        return true;
    }
    const bool enter = (k == Qt::Key_Return || k == Qt::Key_Enter) && plain;
    if (enter && highlight_ != 0) {
        if (key.isAutoRepeat()) return true;
        if (PointSelecting(game_->st, highlight_, pictureSize())) {
            clickHighlighted();
            return true;
        }
        clearHighlight();  // the object has gone meanwhile
    }
    if (fromMessages) return false;  // the message window turns its pages itself
    if (plain && (enter || k == Qt::Key_Space || k == Qt::Key_PageDown || k == Qt::Key_Down)) {
        // What the release of a click on the picture does to a waiting page.
        playerEvents().action("key " + keyName(key));
        messages_->PageClickFromMain();
        return true;
    }
    return false;
}

void TFormMein::clearHighlight() {
    if (highlight_ == 0) return;
    highlight_ = 0;
    ImageFront->update();
}

QSize TFormMein::pictureSize() const { return game_ ? game_->pics.ImageFront.size() : QSize(); }

QRect TFormMein::highlightOutline() const {
    if (!game_ || highlight_ == 0) return {};
    const ObjectRect& r = game_->st.ObjectRects[highlight_];
    if (r.Left == -1 || r.Left > r.Right || r.Top > r.Bottom) return {};
    const QSize size = pictureSize();
    const auto clip = [](std::int32_t v, int limit) { return int(std::clamp<std::int64_t>(v, -1, limit)); };
    return QRect(QPoint(clip(r.Left, size.width()), clip(r.Top, size.height())),
                 QPoint(clip(r.Right, size.width()), clip(r.Bottom, size.height())))
        .intersected(QRect(QPoint(0, 0), size));
}

void TFormMein::moveHighlight(bool forward) {
    highlight_ = StepHighlight(ReachableObjects(game_->st, pictureSize()), highlight_, forward);
    ImageFront->update();
}

void TFormMein::clickHighlighted() {
    const std::optional<QPoint> at = PointSelecting(game_->st, highlight_, pictureSize());
    if (!at) return;
    // A press at the object's point and its release, in the order a mouse
    // gives them: a press that waits for its release gets it inside that
    // wait (ImageFrontMouseDown queues it), a press that opens the verb
    // window gets none, any other press gets it once it has returned.
    keyReleaseDue_ = true;
    ImageFrontMouseDown(Qt::LeftButton, at->x(), at->y());
    if (keyReleaseDue_) {
        keyReleaseDue_ = false;
        ImageFrontClick();
    }
}

void TFormMein::openPopupFromKeys() {
    std::optional<QPoint> at;
    if (highlight_ != 0) at = PointSelecting(game_->st, highlight_, pictureSize());
    PopupMenu1->popup(ImageFront->mapToGlobal(at.value_or(QPoint(8, 8))));
}

void TFormMein::FormActivate() {
    if (!game_ || game_->st.PendingStart != 1) return;
    RunDepth run(*this);
    guarded([this] { qel::FormActivate(*game_); });
}

void TFormMein::ImageFrontMouseDown(Qt::MouseButton button, int x, int y) {
    if (button == Qt::LeftButton || button == Qt::RightButton)
        playerEvents().action((button == Qt::LeftButton ? "click " : "rclick ") + std::to_string(x) + " " +
                              std::to_string(y));
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
            QPoint at = frameGeometry().topLeft() + ClampVerbPosition(x, y);
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
    playerEvents().action("menu TopMenu");
    guarded([this] { qel::TopMenuClick(*game_); });
}

void TFormMein::ExitClick() {
    playerEvents().action("menu Exit");
    guarded([this] { qel::ExitClick(*game_); });
}

void TFormMein::HelpClick() {
    playerEvents().action("menu Help");
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
    if (event->spontaneous()) playerEvents().action("closemain");
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

} // namespace qel
