#include "dialogs/MessageWindow.h"

#include "platform/Cp932.h"
#include "platform/FileLookup.h"
#include "platform/Fonts.h"
#include "platform/PlayerEvents.h"
#include "platform/ScreenPlace.h"
#include "platform/Skipping.h"
#include "platform/Waits.h"
#include "scene/Bitmap.h"

#include <QCloseEvent>
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
    resize(image.size());
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter p(this);
    p.drawImage(0, 0, picture_);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit mousePressed();
}

// -------------------------------------------------------------- TFormMsgText

namespace {
constexpr int kCaptionFallback = 19;  // SM_CYCAPTION of the classic look
constexpr int kFrameFallback = 4;     // SM_CYFRAME
int measuredDecoration = -1;

constexpr Qt::WindowFlags kDialogFrame = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                         Qt::WindowStaysOnTopHint;
constexpr Qt::WindowFlags kSingleFrame = kDialogFrame | Qt::WindowMinimizeButtonHint;
constexpr Qt::WindowFlags kNoFrame = Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
} // namespace

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

    // Layout after creation.
    Image1->setGeometry(1, 1, 1, 1);
    Memo1->setGeometry(4, 1, 409, 128);
    setClientSize(415, 130);
}

void TFormMsgText::setPageClick(int value) {
    pageClick_ = value;
    wakeWaits();
}

void TFormMsgText::playerReadsOn() {
    if (clickLock_ == 0) setPageClick(100);
}

void TFormMsgText::Image1MouseDown() {
    playerEvents().action("page");
    playerReadsOn();
}
void TFormMsgText::Memo1MouseDown() {
    playerEvents().action("page");
    playerReadsOn();
}
void TFormMsgText::FormKeyPress() {
    playerEvents().action("key");
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
    for (QTextBlock b = Memo1->document()->firstBlock(); b.isValid(); b = b.next())
        lines.push_back(encode(b.text()));
    return lines;
}

void TFormMsgText::CloseMessageWindow() {
    ClearMessageText();
    close();
}

void TFormMsgText::WaitForPage() {
    setPageClick(0);
    waitUntil([this] { return pageClick_ == 100; });
}

void TFormMsgText::WaitForPage(const std::function<void()>& skipPause) {
    setPageClick(0);
    for (;;) {
        waitUntil([this] { return pageClick_ == 100 || skipping(); });
        if (pageClick_ == 100) return;
        skipPause();
        if (pageClick_ == 100) return;
        if (skipping()) {
            setPageClick(100);
            return;
        }
        // Skipping stopped during the pause: the page waits for the player.
    }
}

int TFormMsgText::faceWidth() const { return Image1->width(); }
int TFormMsgText::faceHeight() const { return Image1->height(); }

void TFormMsgText::setClientSize(std::int64_t width, std::int64_t height) {
    setFixedSize(windowSize(*this, width, height));
}

void TFormMsgText::ShowFace(const std::string& cp932Name) {
    const std::string file = cp932Name + ".BMP";
    if (!fileExists(file)) return;
    Image1->setPicture(loadBitmapFile(file));
    Memo1->move(faceWidth() + 2, Memo1->y());
    const int clientWidth = Memo1->width() + faceWidth() + 3;
    if (Memo1->height() < faceHeight()) Memo1->resize(Memo1->width(), faceHeight());
    setClientSize(clientWidth, Memo1->height() + 2);
}

void TFormMsgText::ResetFace() {
    Image1->resize(1, 1);
    Memo1->move(faceWidth() + 2, Memo1->y());
    setClientSize(Memo1->width() + faceWidth() + 3, Memo1->height() + 2);
    ClearMessageText();
}

void TFormMsgText::setFramed(bool framed) {
    const Qt::WindowFlags flags = framed ? kSingleFrame : kNoFrame;
    if (windowFlags() == flags) return;
    const bool wasVisible = isVisible();
    const QPoint at = pos();
    setWindowFlags(flags);  // hides the window
    move(at);
    if (wasVisible) show();
}

int TFormMsgText::captionAndFrameHeight(const QWidget* shownWindow) {
    if (shownWindow && shownWindow->isVisible() &&
        !(shownWindow->windowFlags() & Qt::FramelessWindowHint)) {
        const int d = shownWindow->geometry().top() - shownWindow->frameGeometry().top();
        if (d > 0) measuredDecoration = d;
    }
    return measuredDecoration > 0 ? measuredDecoration : kCaptionFallback + kFrameFallback;
}

void TFormMsgText::ArrangeMessageWindow(const MessageArrangement& a, const QWidget* mainWindow) {
    if (mainWindow) captionAndFrameHeight(mainWindow);
    ArrangeMessageWindow(a, mainWindow ? mainWindow->frameGeometry().topLeft() : QPoint());
}

void TFormMsgText::ArrangeMessageWindow(const MessageArrangement& a, QPoint mainWindowOuterTopLeft) {
    // 1. Frame style.
    if (a.style) {
        if (*a.style == 1) {
            setFramed(true);
        } else if (*a.style == 2) {
            setFramed(false);
            setClientSize(width(), std::max(faceHeight(), Memo1->height()) + 2);
        }
    }
    // 2. Caption.
    if (a.caption) setWindowTitle(decode(*a.caption));
    // 3. Size: the height only when it is taller than the face.
    if (a.width) {
        std::int64_t clientHeight = height();
        if (a.height > faceHeight()) {
            clientHeight = std::int64_t(a.height) + 2;
            Memo1->resize(Memo1->width(), windowSize(*this, 0, a.height).height());
        }
        Memo1->resize(windowSize(*this, *a.width, 0).width(), Memo1->height());
        setClientSize(std::int64_t(*a.width) + faceWidth() + 3, clientHeight);
    }
    // 4. Position, below the main window's caption bar and frame.
    const int decoration = captionAndFrameHeight(isVisible() ? this : nullptr);
    move(windowPoint(std::int64_t(a.x) + mainWindowOuterTopLeft.x(),
                     std::int64_t(a.y) + mainWindowOuterTopLeft.y() + decoration));
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
        playerEvents().action(key.key() == Qt::Key_Down ? "key Down" : "key PgDown");
        playerReadsOn();
        return true;
    }
    // Any character key turns the page.
    if (!key.text().isEmpty()) {
        FormKeyPress();
        return true;
    }
    return false;
}

void TFormMsgText::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) playerEvents().action("closemsg");
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

} // namespace qel
