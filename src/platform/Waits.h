#pragma once
// The program's one way of waiting. A wait blocks in a nested event loop, so
// every handler of the program keeps running while a script waits; it idles
// without using the processor until something wakes it:
//  - wakeWaits(), called by whatever changes a waited-for condition (the
//    message window when it sets PageClick, for example); every waiting loop
//    then re-tests its condition;
//  - the end of its time limit, on a timer;
//  - requestQuit(): from then on every wait, running or new, throws
//    RunAbandoned, so the script run in progress unwinds and the program can
//    finish;
//  - abandonRun(): every wait in progress throws RunAbandoned, so the run
//    that waits unwinds; waits begun afterwards (a new game's) are not
//    affected.
#include <QObject>
#include <cstdint>
#include <functional>

class QDialog;

namespace qel {

// Broadcasts wake-ups to the waiting loops, and the quit request to the
// modal dialogs (which close themselves on it).
class WaitHub : public QObject {
    Q_OBJECT
public:
    static WaitHub& instance();

signals:
    void wake();
    void quitRequested();
    void runAbandoned();

private:
    WaitHub() = default;
};

// Wakes every waiting loop so that it re-tests its condition.
void wakeWaits();

// Marks the program as quitting and wakes every wait; each then throws
// RunAbandoned. Modal dialogs of this folder close themselves.
void requestQuit();
bool quitting();

// Notes that a signal asked the program to end (safe to call from a signal
// handler). A script run that never waits looks at it and gives way, so that
// the event loop sees the request.
void noteEndSignal();
bool endSignalled();

// Abandons the run in progress (the game was left for the start menu): every
// wait that has begun throws RunAbandoned as soon as it gets control back, and
// modal dialogs shown by execModal close. Until beginRun() every new wait
// throws as well, so a run that goes on after leaving the game (EG goes on
// with its next line) stops at its next wait.
void abandonRun();
// A new game starts: waits work again.
void beginRun();
// A mark for waits that do their own waiting: the number of abandonments so
// far. throwIfAbandoned(mark) throws RunAbandoned when the program is quitting,
// the game has been left, or a run has been abandoned since the mark was taken.
std::uint64_t abandonMark();
void throwIfAbandoned(std::uint64_t mark);
// Clears the quitting mark and the left game (for a program that starts
// over, and for tests).
void resetQuit();

// Blocks until condition() is true; the condition is tested at once and again
// after every wakeWaits(). Throws RunAbandoned when the program is quitting.
void waitUntil(const std::function<bool()>& condition);

// As waitUntil, but gives up after timeoutMs milliseconds; returns the
// condition's last value.
bool waitUntil(const std::function<bool()>& condition, std::int64_t timeoutMs);

// Shows a dialog modally and returns when it has closed. Throws RunAbandoned
// when the program is quitting, before or during; a modal loop that ends
// while the dialog is still up (the application leaving its event loops)
// counts as a quit request.
void execModal(QDialog& dialog);

// Milliseconds on a monotonic clock that starts with the program.
std::int64_t monotonicMs();

// Handles events until ms milliseconds have passed on the monotonic clock;
// ms <= 0 handles the pending events once and returns. Throws RunAbandoned
// when the program is quitting.
void waitMs(std::int64_t ms);

}  // namespace qel
