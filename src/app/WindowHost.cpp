#include "app/WindowHost.h"

#include "dialogs/MessageWindow.h"
#include "dialogs/TextInput.h"
#include "dialogs/VerbWindow.h"
#include "platform/Cp932.h"
#include "platform/Settings.h"
#include "platform/Skipping.h"
#include "platform/Waits.h"
#include <QLineEdit>
#include "platform/PlayerEvents.h"
#include "shell/FormMein.h"
#include "shell/MessageBoxes.h"
#include "shell/ReadMemory.h"
#include "shell/StartMenu.h"

namespace qel {

TextHistory& WindowHost::history() { return w_.main->game().history; }

void WindowHost::clearMessageText() {
    pageUnread_ = false;
    history().endPage();
    w_.messages->ClearMessageText();
    playerEvents().cleared();
}
void WindowHost::addMessageLine(const std::string& line) {
    playerEvents().text(line);
    history().addLine(line);
    const GameState& st = w_.main->game().st;
    if (w_.main->game().textLine >= 0 &&
        ReadMemory::instance().markShown(st.ScriptLines.source(), st.ScriptLines.fileLine(w_.main->game().textLine)))
        pageUnread_ = true;
    w_.messages->AddMessageLine(line);
}
void WindowHost::waitForPage() {
    // Skipping stops at text never shown before, unless it skips all. It
    // stops before the wait is reported, so that a replay sees a page that
    // waits for its next action rather than one that turns by itself.
    if (pageUnread_ && qel::skipping() && Settings::instance().text("skip") == QLatin1String("read"))
        Skipping::instance().stopForPlayer();
    WaitReport report(Turn::Page, w_.messages, std::string());
    history().endPage();
    ReadMemory::instance().save();
    w_.messages->WaitForPage(
        [this](std::int64_t ms, const std::function<bool()>& until) { return clock_.pauseFor(ms, until); });
}
void WindowHost::closeMessageWindow() {
    pageUnread_ = false;
    playerEvents().cleared();
    history().endPage();
    w_.messages->CloseMessageWindow();
}
void WindowHost::hideMessageWindow() { w_.messages->hide(); }
void WindowHost::showFace(const std::string& name) { w_.messages->ShowFace(name); }
void WindowHost::resetFace() {
    pageUnread_ = false;
    history().endPage();
    w_.messages->ResetFace();
    playerEvents().cleared();
}
void WindowHost::arrangeMessageWindow(const MessageArrangement& a) {
    w_.messages->ArrangeMessageWindow(a, w_.main->display().pictureOrigin());
    w_.main->display().messagesPlaced();
}
void WindowHost::setClickLock(int value) { w_.messages->setClickLock(value); }
void WindowHost::frameMainWindow(const FrameRequest& f) { w_.main->FrameWindow(f); }
void WindowHost::setPictureSize(int width, int height) { w_.main->SetPictureSize(width, height); }
void WindowHost::repaintPicture() { w_.main->ImageFront->repaint(); }
void WindowHost::updatePicture() { w_.main->ImageFront->update(); }

void WindowHost::endGame() {
    if (w_.verbs->isVisible()) w_.verbs->CloseWithoutChoice();
    if (w_.messages->isVisible()) w_.messages->close();
    w_.main->close();
}

void WindowHost::closeMainWindow() { w_.main->close(); }
void WindowHost::quitProgram() { w_.startMenu->close(); }
BoxAnswer WindowHost::messageBox(BoxKind kind, const std::string& text) { return showMessageBox(kind, text); }
std::string WindowHost::inputText() {
    WaitReport report(Turn::Input, w_.textInput, encode(w_.textInput->Edit1->text()));
    return w_.textInput->Ask();
}

void WindowHost::playMusic(std::int32_t mode, const std::string& file) {
    playerEvents().music(mode, file);
    if (music) music(mode, file);
}
void WindowHost::playSound(std::int32_t mode, const std::string& file) {
    playerEvents().sound(mode, file);
    if (sound) sound(mode, file);
}
bool WindowHost::skipping() { return qel::skipping(); }
void WindowHost::sceneLoaded(const std::string& sceneName) { playerEvents().sceneLoaded(sceneName); }

std::int64_t RealClock::nowMs() { return monotonicMs(); }
void RealClock::waitMs(std::int64_t ms) {
    // The game's timed waits are transition steps and OS waits, both of which
    // the player's skipping ends at once.
    if (ms <= 0 || qel::skipping()) {
        qel::waitMs(0);
        return;
    }
    waitUntil([] { return qel::skipping(); }, ms);
}

bool RealClock::pauseFor(std::int64_t ms, const std::function<bool()>& until) { return waitUntil(until, ms); }

}  // namespace qel
