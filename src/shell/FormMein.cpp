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
#include "platform/ViewScale.h"
#include "platform/WindowFamily.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QKeyEvent>
#include <QWindow>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <cstring>
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

void PictureView::setDesign(QSize design, int scale) {
    design_ = design;
    windowedScale_ = clampScale(scale);
    if (!filling_) setFixedSize(design_ * windowedScale_);
    update();
    emit areaChanged();
}

void PictureView::setFilling(bool filling) {
    if (filling == filling_) return;
    filling_ = filling;
    if (filling_) {
        setMinimumSize(1, 1);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    } else {
        setFixedSize(design_ * windowedScale_);
    }
    update();
    emit areaChanged();
}

int PictureView::scale() const { return filling_ ? fitScale(design_, size()) : windowedScale_; }

QRect PictureView::pictureRect() const {
    const int n = scale();
    return filling_ ? centredPictureRect(size(), design_, n) : QRect(QPoint(0, 0), design_ * n);
}

std::optional<QPoint> PictureView::picturePixelAt(QPoint at) const {
    const QRect area = pictureRect();
    if (filling_ && !area.contains(at)) return std::nullopt;
    // Windowed, the view is the picture area: every point of it maps.
    const int n = scale();
    const QPoint d = at - area.topLeft();
    auto floorDiv = [n](int v) { return v >= 0 ? v / n : -((-v + n - 1) / n); };
    return QPoint(floorDiv(d.x()), floorDiv(d.y()));
}

QPoint PictureView::viewPoint(QPoint picturePixel) const { return toViewPoint(picturePixel, pictureRect(), scale()); }

void PictureView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    drawPicture(p, event->rect());
    const QRect outline = outline_ ? outline_() : QRect();
    if (outline.isEmpty()) return;
    // Black, yellow, black: a frame three picture pixels wide inside the
    // object's edge that shows on light and dark pictures alike.
    const QRect area = pictureRect();
    const int n = scale();
    const QRect onView(area.topLeft() + outline.topLeft() * n, outline.size() * n);
    p.setBrush(Qt::NoBrush);
    const QColor colours[] = {Qt::black, QColor(255, 214, 0), Qt::black};
    for (int i = 0; i < 3 * n; ++i) {
        const QRect r = onView.adjusted(i, i, -i, -i);
        if (r.width() < 1 || r.height() < 1) break;
        p.setPen(QPen(colours[i / n], 1));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void PictureView::drawPicture(QPainter& p, const QRect& dirty) {
    const QRect area = pictureRect();
    const int n = scale();
    QRect shown;  // the part of the view the image covers
    if (image_ && !image_->isNull()) shown = QRect(area.topLeft(), image_->size() * n) & area;
    if (filling_) {
        for (const QRect& r : QRegion(dirty) - QRegion(area)) p.fillRect(r, Qt::black);
    }
    for (const QRect& r : (QRegion(dirty) & QRegion(area)) - QRegion(shown)) p.fillRect(r, palette().window());
    if (shown.isEmpty()) return;
    if (n == 1) {
        p.drawImage(area.topLeft(), *image_);
        return;
    }
    // Only the exposed picture pixels, each drawn as an n x n block.
    const QRect exposed = dirty & shown;
    if (exposed.isEmpty()) return;
    const QPoint from = exposed.topLeft() - area.topLeft();
    const QPoint to = exposed.bottomRight() - area.topLeft();
    const QRect source(QPoint(from.x() / n, from.y() / n), QPoint(to.x() / n, to.y() / n));
    if (blitScaled(p, exposed, area.topLeft(), n)) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(area.topLeft() + source.topLeft() * n, source.size() * n), *image_, source);
}

namespace {
// Writes each source pixel n times while whole blocks fit before end; returns
// where it stopped (s is left at the next source pixel).
template <int N>
QRgb* widenFixed(const QRgb*& s, QRgb* o, QRgb* end) {
    for (; o + N <= end; ++s, o += N) {
        const QRgb c = *s;
        for (int j = 0; j < N; ++j) o[j] = c;
    }
    return o;
}

QRgb* widenBlocks(const QRgb*& s, QRgb* o, QRgb* end, int n) {
    switch (n) {
    case 2: return widenFixed<2>(s, o, end);
    case 3: return widenFixed<3>(s, o, end);
    case 4: return widenFixed<4>(s, o, end);
    case 5: return widenFixed<5>(s, o, end);
    case 6: return widenFixed<6>(s, o, end);
    default:
        for (; o + n <= end; ++s, o += n) {
            const QRgb c = *s;
            for (int j = 0; j < n; ++j) o[j] = c;
        }
        return o;
    }
}
} // namespace

bool PictureView::blitScaled(QPainter& p, const QRect& exposed, QPoint pictureTopLeft, int n) {
    // The general scaled drawing costs several times a plain copy; when the
    // painter draws straight into a 32-bit image at one device pixel a pixel
    // (the usual backing store), each picture row is widened once and copied
    // to the n screen rows it covers.
    QPaintDevice* device = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return false;
    auto* target = static_cast<QImage*>(device);
    const QTransform t = p.deviceTransform();
    if (t.type() > QTransform::TxTranslate || target->devicePixelRatio() != 1.0) return false;
    const auto opaque32 = [](QImage::Format f) {
        return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied;
    };
    if (!opaque32(target->format()) || image_->format() != QImage::Format_RGB32) return false;
    const QPoint offset(qRound(t.dx()), qRound(t.dy()));
    const QRect rows = exposed.translated(offset) & target->rect();
    if (rows.isEmpty()) return true;
    const QPoint origin = pictureTopLeft + offset;  // the picture's corner in the target
    const int width = rows.width();
    const QRgb* widened = nullptr;
    int widenedRow = -1;
    for (int y = rows.top(); y <= rows.bottom(); ++y) {
        // The painter already writes into this memory; scanLine() could
        // detach the image from it instead.
        QRgb* out = reinterpret_cast<QRgb*>(const_cast<uchar*>(target->constScanLine(y))) + rows.left();
        const int sy = (y - origin.y()) / n;
        if (sy == widenedRow) {
            std::memcpy(out, widened, std::size_t(width) * sizeof(QRgb));
            continue;
        }
        const QRgb* src = reinterpret_cast<const QRgb*>(image_->constScanLine(sy));
        const int vx = rows.left() - origin.x();
        const QRgb* s = src + vx / n;
        QRgb* o = out;
        QRgb* const end = out + width;
        // A part of a block at the left edge, whole blocks, a part at the right.
        for (int k = vx % n; k != 0 && k < n && o < end; ++k) *o++ = *s;
        if (vx % n != 0) ++s;
        o = widenBlocks(s, o, end, n);
        while (o < end) *o++ = *s;
        widened = out;
        widenedRow = sy;
    }
    return true;
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
    const QPoint pos = event->position().toPoint();
    lastPointer_ = pos;
    emit pointerMoved();
    if (event->button() == Qt::LeftButton) leftPressed_ = true;
    if (auto at = picturePixelAt(pos)) emit mouseDown(event->button(), at->x(), at->y());
    if (event->button() == Qt::RightButton) emit rightClicked(event->globalPosition().toPoint());
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !leftPressed_) return;
    leftPressed_ = false;
    if (rect().contains(event->position().toPoint())) emit clicked();
}

void PictureView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit areaChanged();
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
    connect(ImageFront, &PictureView::areaChanged, this, &TFormMein::followPicture);

    // Size and full screen, typed into any window of the game.
    qApp->installEventFilter(this);
    setOwnerWindow(this);
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
    if (fullScreen_) return;  // the window keeps its place for when it leaves full screen
    adjustSize();
    const int n = ImageFront->scale();
    const auto scaled = [n](std::int32_t v) {
        return int(std::clamp<std::int64_t>(std::int64_t(v) * n, INT32_MIN, INT32_MAX));
    };
    move(f.dx ? centredOnScreen(*this, scaled(*f.dx), scaled(f.dy)) : centredOnScreen(*this));
    placed_ = true;
}

void TFormMein::SetPictureSize(int width, int height) {
    clearHighlight();  // a new scene: its objects are others
    ImageFront->setDesign(QSize(width, height), ImageFront->scale());
    applyDisplay();  // the automatic scale follows the picture's size
}

void TFormMein::setDisplay(int scaleChoice, bool fullScreen) {
    scaleChoice_ = scaleChoice == 0 ? 0 : clampScale(scaleChoice);
    fullScreen_ = fullScreen;
    applyDisplay();
}

int TFormMein::windowedScale() const {
    if (scaleChoice_ > 0) return scaleChoice_;
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return 1;
    return autoScale(ImageFront->designSize(), s->availableGeometry().size(), s->devicePixelRatio());
}

void TFormMein::applyDisplay() {
    ImageFront->setDesign(ImageFront->designSize(), windowedScale());
    ImageFront->setFilling(fullScreen_);
    if (fullScreen_) {
        layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (!(windowState() & Qt::WindowFullScreen)) setWindowState(windowState() | Qt::WindowFullScreen);
    } else {
        if (windowState() & Qt::WindowFullScreen) setWindowState(windowState() & ~Qt::WindowFullScreen);
        layout()->setSizeConstraint(QLayout::SetFixedSize);
        adjustSize();
        if (!placed_ && isVisible()) {
            centreOnScreen(*this);
            placed_ = true;
        }
    }
    followPicture();
}

bool TFormMein::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    void (TFormMein::*act)() = nullptr;
    if (mods == Qt::ControlModifier) {
        switch (key->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: act = &TFormMein::zoomIn; break;  // "+" is Shift+= on many keyboards
        case Qt::Key_Minus: act = &TFormMein::zoomOut; break;
        case Qt::Key_0: act = &TFormMein::zoomReset; break;
        default: break;
        }
    } else if ((mods == Qt::NoModifier && key->key() == Qt::Key_F11) ||
               (mods == Qt::AltModifier && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))) {
        act = &TFormMein::toggleFullScreen;
    }
    if (!act) return QMainWindow::eventFilter(watched, event);
    if (!key->isAutoRepeat()) (this->*act)();
    return true;
}

void TFormMein::zoomIn() {
    scaleChoice_ = clampScale(windowedScale() + 1);
    applyDisplay();
    emit displayChosen(scaleChoice_, fullScreen_);
}

void TFormMein::zoomOut() {
    scaleChoice_ = clampScale(windowedScale() - 1);
    applyDisplay();
    emit displayChosen(scaleChoice_, fullScreen_);
}

void TFormMein::zoomReset() {
    scaleChoice_ = 0;
    applyDisplay();
    emit displayChosen(scaleChoice_, fullScreen_);
}

void TFormMein::toggleFullScreen() {
    fullScreen_ = !fullScreen_;
    applyDisplay();
    emit displayChosen(scaleChoice_, fullScreen_);
}

QPoint TFormMein::pictureOrigin() const {
    return geometry().topLeft() + ImageFront->mapTo(this, ImageFront->pictureRect().topLeft());
}

void TFormMein::followPicture() {
    ViewScale::instance().setFactor(ImageFront->scale());
    if (messages_) messages_->followPicture(pictureOrigin());
}

void TFormMein::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // The open dialogs travel with the main window; the message window keeps
    // its place relative to the picture.
    moveOwnedWindows(*this, event->pos() - event->oldPos(), messages_);
    followPicture();
}

void TFormMein::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    followPicture();
}

void TFormMein::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!placed_ && !fullScreen_) {
        adjustSize();
        centreOnScreen(*this);
        placed_ = true;
    }
    followPicture();
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
        playerEvents().action(ReplayWord::Key, keyName(key));
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
        playerEvents().action(ReplayWord::Key, keyName(key));
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
    PopupMenu1->popup(ImageFront->mapToGlobal(ImageFront->viewPoint(at.value_or(QPoint(8, 8)))));
}

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
            const QRect wanted(placeFromOrigin(pictureOrigin(), ClampVerbPosition(x, y), ImageFront->scale()),
                               verbs_->size());
            const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
            const QPoint at = s ? keepInside(wanted, s->availableGeometry()) : wanted.topLeft();
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

} // namespace qel
