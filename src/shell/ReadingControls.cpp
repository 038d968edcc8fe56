#include "shell/ReadingControls.h"

#include "dialogs/HistoryWindow.h"
#include "dialogs/MessageWindow.h"
#include "platform/PlayerEvents.h"
#include "platform/Skipping.h"
#include "platform/SoundLevels.h"
#include "platform/WindowFamily.h"
#include "shell/FormMein.h"
#include "shell/SettingsWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QWheelEvent>

namespace qel {

ReadingControls::ReadingControls(TFormMein& main, TFormMsgText& messages)
    : main_(main), messages_(messages), history_(std::make_unique<HistoryWindow>(&main)) {
    qApp->installEventFilter(this);
    connect(&main_, &TFormMein::settingsWanted, this, &ReadingControls::openSettings);
}

ReadingControls::~ReadingControls() {
    if (qApp) qApp->removeEventFilter(this);
}

int ReadingControls::scale() const { return main_.display().scale(); }

void ReadingControls::openHistory() {
    if (!main_.isVisible() || !main_.hasGame()) return;
    if (history_->isVisible()) {
        history_->raise();
        history_->activateWindow();
        return;
    }
    playerEvents().action(ReplayWord::History);
    history_->open(main_.game().history, *messages_.Memo1, main_.display().pictureOnScreen(), scale());
    playerEvents().historyShown(history_->lineCount());
}

void ReadingControls::closeHistory() {
    if (history_->isVisible()) history_->close();
}

void ReadingControls::openSettings() {
    if (!settings_) settings_ = std::make_unique<SettingsWindow>(main_.display(), &main_);
    if (!settings_->isVisible()) {
        // Like the game's own windows: a panel of the stage where there is
        // one, else a window of the family, centred.
        keepWithOwner(*settings_);
        settings_->adjustSize();
        centreWindow(*settings_);
    }
    settings_->show();
    settings_->raise();
    settings_->activateWindow();
}

bool ReadingControls::historyOpen() const { return history_->isVisible(); }

namespace {
QWidget* windowOf(QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    return w ? w->window() : nullptr;
}
}  // namespace

bool ReadingControls::inGameWindow(QObject* object) const {
    QWidget* top = windowOf(object);
    return top && (top == &main_ || top == &messages_);
}

bool ReadingControls::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        Skipping& skip = Skipping::instance();
        if (key->key() == Qt::Key_Control) {
            if (!key->isAutoRepeat() && !skip.held()) skip.setHeld(true, key->spontaneous());
            break;
        }
        // Ctrl with another key is a shortcut, not a wish to skip; a key
        // without Ctrl says that Ctrl is up.
        if (skip.held()) skip.setHeld(false);
        if (key->key() == kSkipToggleKey) {  // in any window of the program
            if (!key->isAutoRepeat()) skip.toggle();
            return true;
        }
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (key->key() == kAutoForwardKey && plain && inGameWindow(watched)) {
            if (!key->isAutoRepeat()) {
                playerEvents().action(ReplayWord::Auto, autoForward() ? "off" : "on");
                setAutoForward(!autoForward());
            }
            return true;
        }
        if (key->key() == kMuteKey && plain && inGameWindow(watched)) {
            if (!key->isAutoRepeat()) {
                playerEvents().action(ReplayWord::Mute, muted() ? "off" : "on");
                setMuted(!muted());
            }
            return true;
        }
        if (key->key() == kSettingsKey && plain && inGameWindow(watched)) {
            if (!key->isAutoRepeat()) {
                playerEvents().action(ReplayWord::Key, "F2");
                openSettings();
            }
            return true;
        }
        if ((key->key() == Qt::Key_PageUp || key->key() == Qt::Key_Up) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && inGameWindow(watched)) {
            openHistory();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Control && !key->isAutoRepeat()) Skipping::instance().setHeld(false);
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
        // The window system's mouse events carry the keys' state: Ctrl's
        // release may have gone to another program's window.
        if (event->spontaneous() && Skipping::instance().held() &&
            !(static_cast<QInputEvent*>(event)->modifiers() & Qt::ControlModifier))
            Skipping::instance().setHeld(false);
        break;
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->angleDelta().y() > 0 && inGameWindow(watched)) {
            auto* w = static_cast<QWidget*>(watched);
            const bool overPicture = w == main_.ImageFront || main_.ImageFront->isAncestorOf(w);
            if (overPicture || w->window() == &messages_) {
                openHistory();
                return true;
            }
        }
        break;
    }
    case QEvent::ApplicationStateChange:
        // A Ctrl let go in another program's window is never seen here.
        if (QGuiApplication::applicationState() != Qt::ApplicationActive) Skipping::instance().setHeld(false);
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace qel
