#include "dialogs/MessageWindow.h"

#include "platform/Cp932.h"
#include "platform/FileLookup.h"
#include "platform/Fonts.h"
#include "platform/PlayerEvents.h"
#include "platform/Waits.h"
#include "platform/ViewScale.h"
#include "platform/WindowFamily.h"
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

    windowFont_ = font();
    memoFont_ = Memo1->font();
    rescale(ViewScale::factor());
    connect(&ViewScale::instance(), &ViewScale::changed, this, &TFormMsgText::rescale);
}

void TFormMsgText::rescale(int scale) {
    if (scale == scale_) return;
    auto resized = [this, scale](const QRect& r) {
        return QRect(r.x() / scale_ * scale, r.y() / scale_ * scale, r.width() / scale_ * scale,
                     r.height() / scale_ * scale);
    };
    Image1->setGeometry(resized(Image1->geometry()));
    Memo1->setGeometry(resized(Memo1->geometry()));
    const int w = clientWidth();
    const int h = clientHeight();
    scale_ = scale;
    Image1->setScale(scale);
    setClientSize(w, h);
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
    if (!isVisible()) show();
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

int TFormMsgText::faceWidth() const { return Image1->width() / scale_; }
int TFormMsgText::faceHeight() const { return Image1->height() / scale_; }
int TFormMsgText::memoWidth() const { return Memo1->width() / scale_; }
int TFormMsgText::memoHeight() const { return Memo1->height() / scale_; }
int TFormMsgText::clientWidth() const { return width() / scale_; }
int TFormMsgText::clientHeight() const { return height() / scale_; }

namespace {
// A size in picture pixels on the screen; beyond any screen it stays there.
int onScreen(int v, int scale) { return int(std::clamp<long long>(1LL * v * scale, 0, QWIDGETSIZE_MAX)); }
} // namespace

void TFormMsgText::setClientSize(int width, int height) {
    setFixedSize(onScreen(width, scale_), onScreen(height, scale_));
}

void TFormMsgText::setMemoSize(int width, int height) {
    Memo1->resize(onScreen(width, scale_), onScreen(height, scale_));
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
        int height = clientHeight();
        if (a.height > faceHeight()) {
            height = a.height + 2;
            setMemoSize(memoWidth(), a.height);
        }
        setMemoSize(std::max(*a.width, 0), memoHeight());
        setClientSize(*a.width + faceWidth() + 3, height);
    }
    // 4. Position: the outer frame's corner, from the picture's corner. The
    // window system's caption and frame sizes do not enter, so the same
    // operands give the same place whenever they run.
    designPos_ = QPoint(a.x, a.y);
    move(placeFromOrigin(pictureOrigin, *designPos_, scale_));
}

void TFormMsgText::followPicture(QPoint pictureOrigin) {
    if (!designPos_) return;
    const QPoint at = placeFromOrigin(pictureOrigin, *designPos_, scale_);
    if (at != pos()) move(at);
}

void TFormMsgText::showEvent(QShowEvent* event) {
    keepWithOwner(*this);
    QWidget::showEvent(event);
}

void TFormMsgText::keyPressEvent(QKeyEvent* event) {
    if (!event->text().isEmpty()) FormKeyPress();
    QWidget::keyPressEvent(event);
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
            // Key preview: the window sees the memo's character keys first.
            // The read-only memo has no use for them, so they stop here and
            // do not reach the window a second time.
            if (!static_cast<QKeyEvent*>(event)->text().isEmpty()) {
                FormKeyPress();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qel
