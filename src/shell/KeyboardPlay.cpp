// The main window's keyboard play: the highlight that Tab and Shift+Tab move
// over the objects a click can reach, Enter's click on it, the popup menu's
// keys and the keys that turn a waiting page.
#include "shell/FormMein.h"

#include "dialogs/MessageWindow.h"
#include "engine/ObjectLogic.h"
#include "platform/PlayerEvents.h"
#include "shell/PictureView.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>

#include <algorithm>
#include <cstdint>

namespace qel {

namespace {

// A key as the replay syntax names it ("Space", "Return", "Shift+F10").
std::string keyName(const QKeyEvent& key) {
    const QKeyCombination combination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key()));
    return QKeySequence(combination).toString(QKeySequence::PortableText).toStdString();
}

}  // namespace

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
    if (k == Qt::Key_R && mods == Qt::ShiftModifier) {
        if (key.isAutoRepeat()) return true;
        playerEvents().action(ReplayWord::Reload);
        reloadScene();
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
    if (!clickable(r)) return {};
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

void TFormMein::moveHighlightToward(int dx, int dy) {
    if (!game_) return;
    highlight_ = StepHighlightToward(game_->st, pictureSize(), highlight_, dx, dy);
    ImageFront->update();
}

void TFormMein::clickHighlighted() {
    if (const std::optional<QPoint> at = PointSelecting(game_->st, highlight_, pictureSize())) clickPicturePoint(*at);
}

void TFormMein::clickPicturePoint(QPoint at) {
    // A press at the point and its release, in the order a mouse
    // gives them: a press that waits for its release gets it inside that
    // wait (ImageFrontMouseDown queues it), a press that opens the verb
    // window gets none, any other press gets it once it has returned.
    keyReleaseDue_ = true;
    ImageFrontMouseDown(Qt::LeftButton, at.x(), at.y());
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

}  // namespace qel
