#include "platform/Waits.h"

#include "platform/Errors.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <limits>

namespace qel {

namespace {

bool quitFlag = false;
std::atomic<bool> endSignal{false};
std::uint64_t abandonments = 0;
bool gameLeft = false;

// One turn of waiting: runs a nested event loop until a wake-up or, when
// timeoutMs >= 0, until that many milliseconds have passed. When the loop
// ends for neither reason, the application itself is leaving its event loops
// (QCoreApplication::exit ends every loop, and refuses to start new ones), so
// that is taken as the quit request.
void waitForWake(std::int64_t timeoutMs, std::uint64_t mark) {
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
    throwIfAbandoned(mark);
}

QElapsedTimer& clock() {
    static QElapsedTimer c = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return c;
}

}  // namespace

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

void noteEndSignal() { endSignal.store(true, std::memory_order_relaxed); }

bool endSignalled() { return endSignal.load(std::memory_order_relaxed); }

void resetQuit() {
    endSignal.store(false, std::memory_order_relaxed);
    quitFlag = false;
    gameLeft = false;
}

void abandonRun() {
    ++abandonments;
    gameLeft = true;
    emit WaitHub::instance().runAbandoned();
    emit WaitHub::instance().wake();
}

void beginRun() { gameLeft = false; }

std::uint64_t abandonMark() { return abandonments; }

void throwIfAbandoned(std::uint64_t mark) {
    if (quitFlag || gameLeft || abandonments != mark) throw RunAbandoned{};
}

void waitUntil(const std::function<bool()>& condition) {
    const std::uint64_t mark = abandonMark();
    for (;;) {
        throwIfAbandoned(mark);
        if (condition()) return;
        waitForWake(-1, mark);
    }
}

bool waitUntil(const std::function<bool()>& condition, std::int64_t timeoutMs) {
    const std::uint64_t mark = abandonMark();
    const std::int64_t deadline = monotonicMs() + std::max<std::int64_t>(timeoutMs, 0);
    for (;;) {
        throwIfAbandoned(mark);
        if (condition()) return true;
        const std::int64_t left = deadline - monotonicMs();
        if (left <= 0) return false;
        waitForWake(left, mark);
    }
}

std::int64_t monotonicMs() { return clock().elapsed(); }

void waitMs(std::int64_t ms) {
    const std::uint64_t mark = abandonMark();
    throwIfAbandoned(mark);
    if (ms <= 0) {
        QCoreApplication::processEvents();
        throwIfAbandoned(mark);
        return;
    }
    const std::int64_t deadline = monotonicMs() + ms;
    for (;;) {
        const std::int64_t left = deadline - monotonicMs();
        if (left <= 0) return;
        waitForWake(left, mark);
    }
}

void execModal(QDialog& dialog) {
    const std::uint64_t mark = abandonMark();
    throwIfAbandoned(mark);
    // Hiding a modal dialog ends its exec().
    const QMetaObject::Connection closer = QObject::connect(&WaitHub::instance(), &WaitHub::runAbandoned, &dialog,
                                                            [&dialog] { dialog.hide(); });
    dialog.exec();
    QObject::disconnect(closer);
    if (dialog.isVisible()) {
        dialog.hide();
        requestQuit();
    }
    throwIfAbandoned(mark);
}

}  // namespace qel
