#pragma once
// Running the message window's page wait in a test that must not hang.
#include "dialogs/MessageWindow.h"
#include "platform/Errors.h"
#include "platform/Waits.h"

#include <QTimer>
#include <functional>

namespace qel::test {

// Runs the page wait while `act` runs inside it; with skipPause, the wait the
// player may skip, calling skipPause for each of its pauses. A guard ends a
// wait that nothing ends, so a failing test cannot hang; returns whether the
// wait ended by itself.
inline bool pageWaitEndedBy(TFormMsgText& w, const std::function<void()>& act, int guardMs = 2000,
                            const std::function<void()>& skipPause = nullptr) {
    bool guardFired = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        guardFired = true;
        requestQuit();
    });
    guard.start(guardMs);
    QTimer::singleShot(0, act);
    bool ended = true;
    try {
        if (skipPause)
            w.WaitForPage([&](std::int64_t, const std::function<bool()>& until) {
                skipPause();
                return until();
            });
        else w.WaitForPage();
    } catch (const RunAbandoned&) {
        ended = false;
    }
    resetQuit();
    return ended && !guardFired;
}

}  // namespace qel::test
