#pragma once
// The message window: the scenario's text, a page at a time, beside an
// optional face picture, and the page wait of the running script.
#include "engine/Host.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QKeyEvent;
class QPlainTextEdit;

namespace qel {

// A picture that takes the size of the bitmap it is given (auto size) and
// reports every mouse-button press on it. Shrinking it afterwards keeps the
// bitmap and shows only its top-left part.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    // Takes the picture's size times the scale.
    void setPicture(const QImage& image);
    const QImage& picture() const { return picture_; }
    // Each picture pixel is drawn as a scale x scale block.
    void setScale(int scale) {
        scale_ = scale;
        update();
    }

signals:
    void mousePressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    int scale_ = 1;
};

class TFormMsgText : public QWidget {
    Q_OBJECT
public:
    explicit TFormMsgText(QWidget* parent = nullptr);

    // Controls, public so that the main window and the tests can reach them.
    PictureBox* Image1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;

    // The page value: a page wait sets it to 0 and waits until it is 100.
    // Setting it wakes every wait so that the waits re-test it.
    int pageClick() const { return pageClick_; }
    void setPageClick(int value);
    // While non-zero, no action of the player changes the page value.
    int clickLock() const { return clickLock_; }
    void setClickLock(int value) { clickLock_ = value; }

    // Appends a line (CP932) as the memo's new last line, then shows the
    // window if it is hidden (not modal).
    void AddMessageLine(const std::string& cp932Line);
    // Empties the memo; the visibility does not change.
    void ClearMessageText();
    // CW: empties the memo, then closes the window (which runs FormCloseQuery).
    void CloseMessageWindow();
    // The page wait: PageClick := 0, then waits until it is 100. Throws
    // RunAbandoned when the program quits meanwhile.
    void WaitForPage();
    // The script's page wait, which the player may skip: as WaitForPage, but
    // while skipping the page turns by itself after a short look, and with
    // auto-forward on after autoForwardMs(), unless the player turned it
    // first. pause(ms, until) waits on the game's clock, handling events,
    // until until() holds or ms have passed.
    using Pause = std::function<bool(std::int64_t ms, const std::function<bool()>& until)>;
    void WaitForPage(const Pause& pause);
    // Auto-forward's delay for the page shown: a base time plus a time per
    // character, both settings.
    std::int64_t autoForwardMs() const;
    // CP: shows name + ".BMP" as the face when that file exists; a missing
    // file does nothing, an invalid one raises the bitmap error.
    void ShowFace(const std::string& cp932Name);
    // After a scene load: face area 1 x 1, memo beside it, memo emptied.
    void ResetFace();
    // MW. The window's outer top-left corner goes to (x, y) picture pixels
    // from the picture's top-left corner, which is at pictureOrigin on the
    // screen.
    void ArrangeMessageWindow(const MessageArrangement& a, QPoint pictureOrigin);
    // Back to the place MW gave, relative to the picture now at
    // pictureOrigin (the main window moved, or the scale changed). Nothing
    // happens before the first MW.
    void followPicture(QPoint pictureOrigin);
    // The place MW gave (picture pixels from the picture's corner), and the
    // outer size in picture pixels, frame or caption bar included.
    std::optional<QPoint> designPlace() const { return designPos_; }
    QSize designOuterSize() const;

    // A click on the main window's picture: turns a waiting page unless
    // ClickLock is set.
    void PageClickFromMain();

    // The page as shown: its lines joined by "\n" (empty while it has none).
    QString pageText() const;

    // The memo's lines (CP932), for the tests and the replay transcripts.
    std::vector<std::string> messageLines() const;

    // Keyboard play: the main window's picture is offered each key first
    // (its object highlight, the click on it, its popup menu); it returns
    // true for a key it used.
    void setPictureKeys(std::function<bool(const QKeyEvent&)> keys) { pictureKeys_ = std::move(keys); }

    // Event handlers.
    void Image1MouseDown();
    void Memo1MouseDown();
    void FormKeyPress();
    void FormCloseQuery();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool playKey(const QKeyEvent& key);
    // A page is complete and waits: it goes to the clipboard (copy-text)
    // and to screen readers.
    void pageWaits();
    void playerReadsOn();
    // Sizes in picture pixels; the widgets hold them times the scale, within
    // the desktop's size.
    void setClientSize(std::int64_t width, std::int64_t height);
    void setMemoSize(std::int64_t width, std::int64_t height);
    void setMemoLeft(int left);
    int memoWidth() const;
    int memoHeight() const;
    int clientWidth() const;
    int clientHeight() const;
    void setFramed(bool framed);
    int faceWidth() const;
    int faceHeight() const;
    void rescale(int scale);

    int pageClick_ = 0;
    int clickLock_ = 0;
    int lineCount_ = 0;
    int scale_ = 1;
    QFont windowFont_;
    QFont memoFont_;
    std::optional<QPoint> designPos_;  // the place MW gave, in picture pixels
    QSize memoDesign_;                 // the memo's and the window's sizes in
    QSize clientDesign_;               // picture pixels (used when enlarged)
    std::function<bool(const QKeyEvent&)> pictureKeys_;
    QString announced_;  // the page last told to screen readers
};

}  // namespace qel
