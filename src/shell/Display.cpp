#include "shell/Display.h"

#include "dialogs/MessageWindow.h"
#include "platform/ScreenPlace.h"
#include "platform/ViewScale.h"
#include "platform/WindowFamily.h"
#include "shell/PictureView.h"
#include "shell/Stage.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace qel {

namespace {
const QScreen* screenOf(const QWidget& w) { return w.screen() ? w.screen() : QGuiApplication::primaryScreen(); }
}  // namespace

std::optional<WindowMode> parseWindowMode(const QString& text) {
    if (text == QLatin1String("separate")) return WindowMode::Separate;
    if (text == QLatin1String("one")) return WindowMode::One;
    if (text == QLatin1String("auto")) return WindowMode::Auto;
    return std::nullopt;
}

bool platformPlacesWindows() {
    // Wayland compositors place every window themselves; the single-screen
    // platforms show one window at a time.
    const QString p = QGuiApplication::platformName();
    return p == QLatin1String("wayland") || p.startsWith(QLatin1String("wayland-")) || p == QLatin1String("eglfs") ||
           p == QLatin1String("linuxfb") || p == QLatin1String("vkkhrdisplay");
}

Display::Display(QMainWindow& window, PictureView& view) : QObject(&window), window_(window), view_(view) {
    connect(&view_, &PictureView::areaChanged, this, &Display::followPicture);
    qApp->installEventFilter(this);
}

Display::~Display() {
    if (qApp) qApp->removeEventFilter(this);
}

void Display::setDisplay(int scaleChoice, bool fullScreen) {
    scaleChoice_ = scaleChoice == 0 ? 0 : clampScale(scaleChoice);
    fullScreen_ = fullScreen;
    apply();
}

int Display::scale() const { return view_.scale(); }

int Display::windowedScale() const {
    if (scaleChoice_ > 0) return scaleChoice_;
    const QScreen* s = screenOf(window_);
    if (!s) return 1;
    const int n = autoScale(view_.designSize(), s->availableGeometry().size(), s->devicePixelRatio());
    // No larger than what keeps the message window, where MW put it, on the screen.
    return std::min(n, largestFitting());
}

QRect Display::layoutAt(int scale) const {
    if (onStage()) return stage_->contentAt(scale);
    QRect r(QPoint(0, 0), view_.designSize() * scale);
    if (messages_ && messages_->designPlace())
        r |= QRect(*messages_->designPlace() * scale, messages_->designOuterSize() * scale);
    return r;
}

int Display::largestFitting(QSize area) const {
    int n = kMaxScale;
    while (n > kMinScale && (layoutAt(n).width() > area.width() || layoutAt(n).height() > area.height())) --n;
    return n;
}

int Display::largestFitting() const {
    const QScreen* s = screenOf(window_);
    if (!s) return kMaxScale;
    // Room for the main window's own frame and caption.
    const QSize frame = window_.frameGeometry().size() - window_.geometry().size();
    return largestFitting(s->availableGeometry().size() - frame);
}

bool Display::onStage() const { return stage_ && staged_; }
Stage* Display::stage() const { return stage_.data(); }

bool Display::wantStage() const {
    return mode_ == WindowMode::One || (mode_ == WindowMode::Auto && (fullScreen_ || platformPlacesWindows()));
}

void Display::setWindowMode(WindowMode mode) {
    mode_ = mode;
    apply();
}

void Display::switchWindows(bool stage) {
    QWidget* modal = onStage() ? stage_->modalPanel() : QApplication::activeModalWidget();
    if (modal) {
        // Moving a dialog that waits for its answer would end its wait.
        if (modalWatch_ != modal) {
            modalWatch_ = modal;
            modal->installEventFilter(this);
        }
        return;
    }
    staged_ = stage;
    QMainWindow& w = window_;
    if (stage) {
        if (!stage_) {
            stage_ = new Stage(view_, [this] { return pictureOrigin(); });
            connect(stage_, &Stage::contentChanged, this, [this] {
                if (fullScreen_) return;
                window_.adjustSize();
                keepPlacing();
            });
        }
        stage_->setMessages(messages_);
        w.takeCentralWidget();
        view_.setParent(stage_);
        view_.show();
        w.setCentralWidget(stage_);
        setPanelHost(stage_);
        stage_->adoptAll(panels_);
    } else {
        setPanelHost(nullptr);
        stage_->releaseAll();
        w.takeCentralWidget();
        w.setCentralWidget(&view_);
        stage_->setParent(&w);
        stage_->hide();
    }
}

void Display::apply() {
    if (wantStage() != onStage()) switchWindows(wantStage());
    QMainWindow& w = window_;
    if (onStage()) {
        // The stage: the whole layout at the largest scale that fits the screen.
        const QScreen* s = screenOf(w);
        const int n = fullScreen_ && s ? largestFitting(s->geometry().size()) : windowedScale();
        view_.setFilling(false);
        view_.setDesign(view_.designSize(), n);
        stage_->setFilling(fullScreen_);
    } else {
        view_.setDesign(view_.designSize(), windowedScale());
        view_.setFilling(fullScreen_);
    }
    if (fullScreen_) {
        w.layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
        w.setMinimumSize(0, 0);
        w.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (!(w.windowState() & Qt::WindowFullScreen)) w.setWindowState(w.windowState() | Qt::WindowFullScreen);
    } else {
        if (w.windowState() & Qt::WindowFullScreen) w.setWindowState(w.windowState() & ~Qt::WindowFullScreen);
        w.layout()->setSizeConstraint(QLayout::SetFixedSize);
        w.adjustSize();
        if (!placed_ && w.isVisible()) {
            placeAsAsked();
        } else {
            keepPlacing();
        }
    }
    followPicture();
}

void Display::setPictureSize(QSize design) {
    view_.setDesign(design, view_.scale());
    apply();  // the automatic scale follows the picture's size
}

void Display::placeWindow(std::optional<std::int32_t> dx, std::int32_t dy) {
    if (fullScreen_) return;  // the window keeps its place for when it leaves full screen
    window_.adjustSize();
    askedDx_ = dx;
    askedDy_ = dy;
    placeAsAsked();
}

void Display::placeAsAsked() {
    const int n = view_.scale();
    const auto scaled = [n](std::int32_t v) {
        return int(std::clamp<std::int64_t>(std::int64_t(v) * n, INT32_MIN, INT32_MAX));
    };
    if (askedDx_) window_.move(centredOnScreen(window_, scaled(*askedDx_), scaled(askedDy_)));
    else window_.move(centredWithMessages());
    placed_ = true;
    placedAt_ = window_.pos();
    placedScale_ = n;
}

QPoint Display::centredWithMessages() const {
    const bool separateMessages = !onStage() && messages_ && messages_->isWindow() && messages_->designPlace();
    if (!separateMessages) return centredOnScreen(window_);
    // The main window's frame, and the message window's at its place from
    // the picture's corner, as one block.
    const QRect frame = window_.frameGeometry();
    const QPoint picture = pictureOrigin() - frame.topLeft();
    const int n = view_.scale();
    const QRect block = QRect(QPoint(0, 0), frame.size()) |
                        QRect(picture + *messages_->designPlace() * n, messages_->designOuterSize() * n);
    // Centred as the main window alone would be, moved by the block's offset.
    return centredOnScreen(window_, (frame.width() - block.width()) / 2 - block.x(),
                           (frame.height() - block.height()) / 2 - block.y());
}

void Display::keepPlacing() {
    if (fullScreen_ || !placed_ || window_.pos() != placedAt_) return;
    // Separate windows keep their corner when the picture's size or the
    // player's scale changes, as on any desktop; only a new automatic scale
    // (following the picture and the message window's place) places them
    // again.
    if (!onStage() && (scaleChoice_ != 0 || view_.scale() == placedScale_)) return;
    placeAsAsked();
}

void Display::windowShown() {
    if (!placed_ && !fullScreen_) {
        window_.adjustSize();
        placeAsAsked();
    }
    followPicture();
}

bool Display::eventFilter(QObject* watched, QEvent* event) {
    if (watched == modalWatch_ && event->type() == QEvent::Hide) {
        modalWatch_->removeEventFilter(this);
        modalWatch_ = nullptr;
        QTimer::singleShot(0, this, &Display::apply);  // the switch that waited for it
    }
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    void (Display::*act)() = nullptr;
    if (mods == Qt::ControlModifier) {
        switch (key->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: act = &Display::zoomIn; break;  // "+" is Shift+= on many keyboards
        case Qt::Key_Minus: act = &Display::zoomOut; break;
        case Qt::Key_0: act = &Display::zoomReset; break;
        default: break;
        }
    } else if ((mods == Qt::NoModifier && key->key() == Qt::Key_F11) ||
               (mods == Qt::AltModifier && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))) {
        act = &Display::toggleFullScreen;
    }
    if (!act) return QObject::eventFilter(watched, event);
    if (!key->isAutoRepeat()) (this->*act)();
    return true;
}

void Display::chosen() {
    apply();
    emit displayChosen(scaleChoice_, fullScreen_);
}

void Display::choose(int scaleChoice, bool fullScreen) {
    if (scaleChoice == scaleChoice_ && fullScreen == fullScreen_) return;
    scaleChoice_ = scaleChoice == 0 ? 0 : clampScale(scaleChoice);
    fullScreen_ = fullScreen;
    chosen();
}

void Display::zoomIn() {
    scaleChoice_ = clampScale(windowedScale() + 1);
    chosen();
}

void Display::zoomOut() {
    scaleChoice_ = clampScale(windowedScale() - 1);
    chosen();
}

void Display::zoomReset() {
    scaleChoice_ = 0;
    chosen();
}

void Display::toggleFullScreen() {
    fullScreen_ = !fullScreen_;
    chosen();
}

QPoint Display::pictureOrigin() const {
    return window_.geometry().topLeft() + view_.mapTo(&window_, view_.pictureRect().topLeft());
}

QRect Display::pictureOnScreen() const {
    const QRect shown = view_.pictureRect();
    return QRect(view_.mapToGlobal(shown.topLeft()), shown.size());
}

std::optional<QRect> Display::placeFromPicture(const QWidget& window) const {
    if (!window.isVisible()) return std::nullopt;
    const QPoint corner = pictureOnScreen().topLeft();
    if (const QWidget* frame = onStage() ? stage_->frameOf(window) : nullptr)
        return QRect(frame->mapToGlobal(QPoint(0, 0)) - corner, frame->size());
    return window.frameGeometry().translated(-corner);
}

QPoint Display::placeOnScreen(QPoint design, QSize size) const {
    const QRect wanted(placeFromOrigin(pictureOrigin(), design, view_.scale()), size);
    const QScreen* s = screenOf(window_);
    return s ? keepInside(wanted, s->availableGeometry()) : wanted.topLeft();
}

void Display::messagesPlaced() {
    // The scale that fits may be smaller now; full screen on the stage
    // fits the message window in as well.
    if ((scaleChoice_ == 0 && !fullScreen_ && windowedScale() != view_.scale()) || (fullScreen_ && onStage())) apply();
    else if (onStage()) stage_->relayout();
}

void Display::followPicture() {
    ViewScale::instance().setFactor(view_.scale());
    if (messages_) messages_->followPicture(pictureOrigin());
}

}  // namespace qel
