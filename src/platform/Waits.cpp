#include "platform/Waits.h"

#include "platform/Errors.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace qel {

namespace {

bool quitFlag = false;

void throwIfQuitting() {
    if (quitFlag) throw RunAbandoned{};
}

// One turn of waiting: runs a nested event loop until a wake-up or, when
// timeoutMs >= 0, until that many milliseconds have passed. When the loop
// ends for neither reason, the application itself is leaving its event loops
// (QCoreApplication::exit ends every loop, and refuses to start new ones), so
// that is taken as the quit request.
void waitForWake(std::int64_t timeoutMs) {
    QEventLoop loop;
    bool ended = false;
    QObject::connect(&WaitHub::instance(), &WaitHub::wake, &loop, [&] {
        ended = true;
        loop.quit();
    });
    QTimer timer;
    if (timeoutMs >= 0) {
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            ended = true;
            loop.quit();
        });
        const auto maxInt = static_cast<std::int64_t>(std::numeric_limits<int>::max());
        timer.start(static_cast<int>(std::min(timeoutMs, maxInt)));
    }
    loop.exec();
    if (!ended) requestQuit();
    throwIfQuitting();
}

QElapsedTimer& clock() {
    static QElapsedTimer c = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return c;
}

} // namespace

WaitHub& WaitHub::instance() {
    static WaitHub* hub = new WaitHub;  // lives as long as the program
    return *hub;
}

void wakeWaits() { emit WaitHub::instance().wake(); }

void requestQuit() {
    if (quitFlag) return;
    quitFlag = true;
    emit WaitHub::instance().quitRequested();
    emit WaitHub::instance().wake();
}

bool quitting() { return quitFlag; }

void resetQuit() { quitFlag = false; }

void waitUntil(const std::function<bool()>& condition) {
    for (;;) {
        throwIfQuitting();
        if (condition()) return;
        waitForWake(-1);
    }
}

bool waitUntil(const std::function<bool()>& condition, std::int64_t timeoutMs) {
    const std::int64_t deadline = monotonicMs() + std::max<std::int64_t>(timeoutMs, 0);
    for (;;) {
        throwIfQuitting();
        if (condition()) return true;
        const std::int64_t left = deadline - monotonicMs();
        if (left <= 0) return false;
        waitForWake(left);
    }
}

std::int64_t monotonicMs() { return clock().elapsed(); }

void waitMs(std::int64_t ms) {
    throwIfQuitting();
    if (ms <= 0) {
        QCoreApplication::processEvents();
        throwIfQuitting();
        return;
    }
    const std::int64_t deadline = monotonicMs() + ms;
    for (;;) {
        const std::int64_t left = deadline - monotonicMs();
        if (left <= 0) return;
        waitForWake(left);
    }
}

void execModal(QDialog& dialog) {
    if (quitting()) throw RunAbandoned{};
    dialog.exec();
    if (dialog.isVisible()) {
        dialog.hide();
        requestQuit();
    }
    if (quitting()) throw RunAbandoned{};
}

} // namespace qel
