#pragma once
// --replay: takes the actions of a replay file, one each time the program
// waits for the player, and ends the program when they are used up or one
// does not fit the moment.
#include "app/ReplayScript.h"
#include "app/WindowHost.h"
#include "platform/PlayerEvents.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace qel {

class Transcript;
class VirtualClock;

class ReplayDriver : public QObject {
    Q_OBJECT
public:
    // What the driver asks of the session it drives.
    struct Session {
        // The moment the player is asked for, and the window that asks; none
        // while something runs above the wait.
        std::function<std::optional<Turn>(QObject** what)> turn;
        // Nothing waits for the player and nothing runs: the program is over.
        std::function<bool()> over;
        // An action was taken: the session looks again at what waits.
        std::function<void()> acted;
        // Writes the transcript's closing line and flushes the files.
        std::function<void()> close;
        // An action is about to be taken; its transcript line has this number.
        std::function<void(int lineNo)> acting;
    };

    ReplayDriver(std::vector<ReplayAction> actions, Transcript& transcript, VirtualClock& clock, Session session);

    void setWindows(const Windows& windows) { w_ = &windows; }
    // The program may wait for the player: the next action is taken soon,
    // unless one already is on its way.
    void offer();
    // The verb window opened: it takes the release of the press that opened it.
    void forgetRelease() { pendingRelease_.reset(); }
    bool finished() const { return finished_; }
    int exitStatus() const { return status_; }

private:
    void runNext();
    void finish(int status);
    // The game went on too long without a moment for the next action.
    void stuck();
    // `hold Ctrl MS`: Ctrl goes down on target now, and up when its time has
    // come on the game's clock (or before the next action).
    void holdCtrl(QWidget* target, std::int64_t ms);
    void releaseCtrlWhenDue(bool now = false);

    std::vector<ReplayAction> actions_;
    Transcript& transcript_;
    VirtualClock& clock_;
    Session session_;
    const Windows* w_ = nullptr;
    std::size_t next_ = 0;
    bool actionPending_ = false;
    bool finished_ = false;
    int status_ = 0;
    std::optional<QPoint> pendingRelease_;
    std::optional<std::int64_t> ctrlUpAt_;  // a held Ctrl's release, on the game's clock
    QPointer<QWidget> ctrlTarget_;
};

}  // namespace qel
