#include "dialogs/MessageWindow.h"

#include "platform/Cp932.h"
#include "platform/FileLookup.h"
#include "platform/Fonts.h"
#include "platform/PlayerEvents.h"
#include "platform/ScreenPlace.h"
#include "platform/Settings.h"
#include "platform/Skipping.h"
#include "platform/Waits.h"
#include "platform/ViewScale.h"
#include "platform/WindowFamily.h"
#include "scene/Bitmap.h"

#include <QAccessible>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <algorithm>

namespace qel {

// ---------------------------------------------------------------- PictureBox

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& image) {
    picture_ = image;
    resize(image.size() * scale_);
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter p(this);
    if (scale_ > 1) p.scale(scale_, scale_);
    p.drawImage(0, 0, picture_);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit mousePressed();
}

// -------------------------------------------------------------- TFormMsgText

namespace {
constexpr Qt::WindowFlags kDialogFrame = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                         Qt::WindowStaysOnTopHint;
constexpr Qt::WindowFlags kSingleFrame = kDialogFrame | Qt::WindowMinimizeButtonHint;
constexpr Qt::WindowFlags kNoFrame = Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
}  // namespace

TFormMsgText::TFormMsgText(QWidget* parent) : QWidget(parent, kDialogFrame) {
    setWindowTitle(QStringLiteral("メッセージ"));
    setFont(windowsFont(QStringLiteral("ＭＳ Ｐゴシック"), -12));

    Image1 = new PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    connect(Image1, &PictureBox::mousePressed, this, &TFormMsgText::Image1MouseDown);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::ClickFocus);
    Memo1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Memo1->setLineWidth(1);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A right press turns the page like any other press; no menu pops up.
    Memo1->setContextMenuPolicy(Qt::NoContextMenu);
    Memo1->setFont(windowsFont(QStringLiteral("ＭＳ 明朝"), 16));
    QPalette pal = Memo1->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Text, Qt::black);
        pal.setColor(group, QPalette::Base, Qt::white);
    }
    Memo1->setPalette(pal);
    // The memo is read-only, yet presses on it and keys typed into it must
    // reach the window: watch the memo, its viewport and its frame.
    Memo1->installEventFilter(this);
    Memo1->viewport()->installEventFilter(this);
    // For screen readers: the window and its text say what they are; the
    // face picture is decoration.
    setAccessibleName(QStringLiteral("メッセージ"));
    Memo1->setAccessibleName(QStringLiteral("メッセージの本文"));
    Image1->setAccessibleName(QStringLiteral("顔"));

    // Layout after creation.
    Image1->setGeometry(1, 1, 1, 1);
    Memo1->setGeometry(4, 1, 409, 128);
    setClientSize(415, 130);

    windowFont_ = font();
    memoFont_ = Memo1->font();
    rescale(ViewScale::factor());
    connect(&ViewScale::instance(), &ViewScale::changed, this, &TFormMsgText::rescale);
}

void TFormMsgText::rescale(int scale) {
    if (scale == scale_) return;
    // The sizes in picture pixels, as they were before the change.
    const QRect face(Image1->x() / scale_, Image1->y() / scale_, Image1->width() / scale_, Image1->height() / scale_);
    const QPoint memoAt(Memo1->x() / scale_, Memo1->y() / scale_);
    const QSize memo(memoWidth(), memoHeight());
    const QSize client(clientWidth(), clientHeight());
    scale_ = scale;
    Image1->setScale(scale);
    Image1->setGeometry(QRect(face.topLeft() * scale, face.size() * scale));
    Memo1->move(memoAt * scale);
    setMemoSize(memo.width(), memo.height());
    setClientSize(client.width(), client.height());
    setFont(scaledFont(windowFont_, scale));
    Memo1->setFont(scaledFont(memoFont_, scale));
}

void TFormMsgText::setPageClick(int value) {
    pageClick_ = value;
    wakeWaits();
}

void TFormMsgText::playerReadsOn() {
    if (clickLock_ == 0) setPageClick(100);
}

void TFormMsgText::Image1MouseDown() {
    playerEvents().action(ReplayWord::Page);
    playerReadsOn();
}
void TFormMsgText::Memo1MouseDown() {
    playerEvents().action(ReplayWord::Page);
    playerReadsOn();
}
void TFormMsgText::FormKeyPress() {
    playerEvents().action(ReplayWord::Key);
    playerReadsOn();
}
void TFormMsgText::FormCloseQuery() { playerReadsOn(); }
void TFormMsgText::PageClickFromMain() { playerReadsOn(); }

void TFormMsgText::AddMessageLine(const std::string& cp932Line) {
    // A cursor rather than appendPlainText: that one drops a first line
    // that is empty.
    QTextCursor c(Memo1->document());
    c.movePosition(QTextCursor::End);
    if (lineCount_ > 0) c.insertBlock();
    c.insertText(decode(cp932Line));
    ++lineCount_;
    Memo1->setTextCursor(c);
    Memo1->ensureCursorVisible();
    if (!isVisible()) {
        show();
        // The player reads and types here: the keys come to the window as
        // it appears, whatever had them before (a dialog that has closed).
        activateWindow();
    }
}

void TFormMsgText::ClearMessageText() {
    Memo1->clear();
    lineCount_ = 0;
}

std::vector<std::string> TFormMsgText::messageLines() const {
    std::vector<std::string> lines;
    if (lineCount_ == 0) return lines;
    for (QTextBlock b = Memo1->document()->firstBlock(); b.isValid(); b = b.next()) lines.push_back(encode(b.text()));
    return lines;
}

void TFormMsgText::CloseMessageWindow() {
    ClearMessageText();
    close();
}

QString TFormMsgText::pageText() const { return lineCount_ == 0 ? QString() : Memo1->toPlainText(); }

void TFormMsgText::pageWaits() {
    const QString page = pageText();
    if (page.isEmpty()) return;
    // The text as shown, for reading aids outside the program (a dictionary,
    // a translator watching the clipboard).
    if (Settings::instance().flag("copy-text"))
        if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(page);
    // A screen reader is told the page as a whole once it is complete: the
    // text's description changes, and the text reports its new contents.
    Memo1->setAccessibleDescription(page);
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent update(Memo1, 0, announced_, page);
        QAccessible::updateAccessibility(&update);
    }
    announced_ = page;
}

void TFormMsgText::WaitForPage() {
    pageWaits();
    setPageClick(0);
    waitUntil([this] { return pageClick_ == 100; });
}

void TFormMsgText::WaitForPage(const Pause& pause) {
    pageWaits();
    setPageClick(0);
    const auto clicked = [this] { return pageClick_ == 100; };
    for (;;) {
        waitUntil([this] { return pageClick_ == 100 || skipping() || autoForward(); });
        if (pageClick_ == 100) return;
        if (skipping()) {
            pause(Skipping::instance().lookMs(), clicked);
            if (pageClick_ == 100) return;
            if (Skipping::instance().confirm()) {
                Skipping::instance().turnedPage();
                setPageClick(100);
                return;
            }
            continue;  // skipping stopped during the pause: the page waits for the player
        }
        // Auto-forward: a click turns the page at once; skipping, or
        // auto-forward switched off, takes over from the delay.
        pause(autoForwardMs(), [this] { return pageClick_ == 100 || skipping() || !autoForward(); });
        if (pageClick_ == 100) return;
        if (skipping() || !autoForward()) continue;
        setPageClick(100);
        return;
    }
}

std::int64_t TFormMsgText::autoForwardMs() const {
    std::int64_t characters = 0;
    for (const std::string& line : messageLines()) characters += decode(line).size();
    const Settings& s = Settings::instance();
    return s.number("auto-base-ms") + s.number("auto-char-ms") * characters;
}

int TFormMsgText::faceWidth() const { return Image1->width() / scale_; }
int TFormMsgText::faceHeight() const { return Image1->height() / scale_; }
// At scale 1 the widgets hold the sizes themselves. Enlarged, a size may
// have been cut to the desktop's, so the picture-pixel sizes are kept aside
// and come back whole at a smaller scale.
int TFormMsgText::memoWidth() const { return scale_ == 1 ? Memo1->width() : memoDesign_.width(); }
int TFormMsgText::memoHeight() const { return scale_ == 1 ? Memo1->height() : memoDesign_.height(); }
int TFormMsgText::clientWidth() const { return scale_ == 1 ? width() : clientDesign_.width(); }
int TFormMsgText::clientHeight() const { return scale_ == 1 ? height() : clientDesign_.height(); }

namespace {
QSize designSize(std::int64_t width, std::int64_t height) {
    auto clip = [](std::int64_t v) { return int(std::clamp<std::int64_t>(v, 0, QWIDGETSIZE_MAX)); };
    return {clip(width), clip(height)};
}
}  // namespace

void TFormMsgText::setClientSize(std::int64_t width, std::int64_t height) {
    clientDesign_ = designSize(width, height);
    setFixedSize(windowSize(*this, width * scale_, height * scale_));
}

void TFormMsgText::setMemoSize(std::int64_t width, std::int64_t height) {
    memoDesign_ = designSize(width, height);
    Memo1->resize(windowSize(*this, width * scale_, height * scale_));
}

void TFormMsgText::setMemoLeft(int left) { Memo1->move(left * scale_, Memo1->y()); }

void TFormMsgText::ShowFace(const std::string& cp932Name) {
    const std::string file = cp932Name + ".BMP";
    if (!fileExists(file)) return;
    Image1->setPicture(loadBitmapFile(file));
    setMemoLeft(faceWidth() + 2);
    const int width = memoWidth() + faceWidth() + 3;
    if (memoHeight() < faceHeight()) setMemoSize(memoWidth(), faceHeight());
    setClientSize(width, memoHeight() + 2);
}

void TFormMsgText::ResetFace() {
    Image1->resize(scale_, scale_);
    setMemoLeft(faceWidth() + 2);
    setClientSize(memoWidth() + faceWidth() + 3, memoHeight() + 2);
    ClearMessageText();
}

void TFormMsgText::setFramed(bool framed) {
    const Qt::WindowFlags flags = framed ? kSingleFrame : kNoFrame;
    if (windowFlags() == flags) return;
    if (!isWindow()) {
        setFrameFlags(*this, flags);  // a panel of the stage: only its caption bar changes
        return;
    }
    const bool wasVisible = isVisible();
    const QPoint at = pos();
    setWindowFlags(flags);  // hides the window
    move(at);
    if (wasVisible) show();
}

void TFormMsgText::ArrangeMessageWindow(const MessageArrangement& a, QPoint pictureOrigin) {
    // 1. Frame style.
    if (a.style) {
        if (*a.style == 1) {
            setFramed(true);
        } else if (*a.style == 2) {
            setFramed(false);
            setClientSize(clientWidth(), std::max(faceHeight(), memoHeight()) + 2);
        }
    }
    // 2. Caption.
    if (a.caption) setWindowTitle(decode(*a.caption));
    // 3. Size: the height only when it is taller than the face.
    if (a.width) {
        std::int64_t height = clientHeight();
        if (a.height > faceHeight()) {
            height = std::int64_t(a.height) + 2;
            setMemoSize(memoWidth(), a.height);
        }
        setMemoSize(*a.width, memoHeight());
        setClientSize(std::int64_t(*a.width) + faceWidth() + 3, height);
    }
    // 4. Position: the outer frame's corner, from the picture's corner. The
    // window system's caption and frame sizes do not enter, so the same
    // operands give the same place whenever they run.
    designPos_ = QPoint(a.x, a.y);
    const QPoint at = placeFromOrigin(pictureOrigin, *designPos_, scale_);
    placeWindow(*this, windowPoint(at.x(), at.y()));
}

void TFormMsgText::followPicture(QPoint pictureOrigin) {
    if (!designPos_) return;
    const QPoint p = placeFromOrigin(pictureOrigin, *designPos_, scale_);
    const QPoint at = windowPoint(p.x(), p.y());
    if (at != pos() || !isWindow()) placeWindow(*this, at);
}

QSize TFormMsgText::designOuterSize() const {
    const QSize outer = isWindow() || !parentWidget() ? frameGeometry().size() : parentWidget()->size();
    return outer / std::max(scale_, 1);
}

void TFormMsgText::showEvent(QShowEvent* event) {
    keepWithOwner(*this);
    QWidget::showEvent(event);
}

bool TFormMsgText::event(QEvent* event) {
    // Seen before the focus chain takes Tab.
    if (event->type() == QEvent::KeyPress && playKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

bool TFormMsgText::playKey(const QKeyEvent& key) {
    if (pictureKeys_ && pictureKeys_(key)) return true;
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    if ((key.key() == Qt::Key_PageDown || key.key() == Qt::Key_Down) && mods == Qt::NoModifier) {
        playerEvents().action(ReplayWord::Key, key.key() == Qt::Key_Down ? "Down" : "PgDown");
        playerReadsOn();
        return true;
    }
    // Any character key turns the page; with Ctrl, Alt or Meta it is a
    // shortcut, which never does.
    if (!key.text().isEmpty() && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        FormKeyPress();
        return true;
    }
    return false;
}

void TFormMsgText::closeEvent(QCloseEvent* event) {
    if (closedByPlayer(*event)) playerEvents().action(ReplayWord::CloseMessages);
    FormCloseQuery();
    event->accept();  // the close is never refused; the window is hidden
}

bool TFormMsgText::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1 || watched == Memo1->viewport()) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            Memo1MouseDown();
        } else if (event->type() == QEvent::KeyPress && watched == Memo1) {
            // Key preview: the window sees the memo's keys first. The
            // read-only memo has no use for the ones it plays with, so they
            // stop here and do not reach the window a second time.
            if (playKey(*static_cast<QKeyEvent*>(event))) return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace qel
