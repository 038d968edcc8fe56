#include "platform/Errors.h"
#include "platform/Waits.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace qel;

namespace {
struct QuitReset {
    ~QuitReset() { resetQuit(); }
};
}  // namespace

TEST(Waits, ConditionIsRetestedAfterAWake) {
    bool flag = false;
    int wakes = 0;
    QTimer::singleShot(0, [&] {
        ++wakes;
        wakeWaits();
    });  // a wake with the condition still false
    QTimer::singleShot(20, [&] {
        ++wakes;
        flag = true;
        wakeWaits();
    });
    waitUntil([&] { return flag; });
    EXPECT_TRUE(flag);
    EXPECT_EQ(wakes, 2);
}

TEST(Waits, TimeoutEndsAConditionWait) {
    const auto t0 = monotonicMs();
    EXPECT_FALSE(waitUntil([] { return false; }, 60));
    const auto took = monotonicMs() - t0;
    EXPECT_GE(took, 60);
    EXPECT_LT(took, 1000);
}

TEST(Waits, TimedWaitLastsItsTimeAndHandlesEvents) {
    bool ran = false;
    QTimer::singleShot(10, [&] {
        ran = true;
        wakeWaits();
    });  // a wake does not cut it short
    const auto t0 = monotonicMs();
    waitMs(80);
    const auto took = monotonicMs() - t0;
    EXPECT_TRUE(ran);
    EXPECT_GE(took, 80);
    EXPECT_LT(took, 1000);
}

TEST(Waits, ZeroWaitHandlesPendingEventsOnce) {
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    waitMs(0);
    EXPECT_TRUE(ran);
    waitMs(-5);
}

TEST(Waits, QuitEndsEveryWaitWithRunAbandoned) {
    QuitReset reset;
    // A wait nested inside another: both are abandoned. Exceptions must not
    // cross Qt's event loop, so the nested one is caught in its slot.
    bool innerAbandoned = false;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(10, [] { requestQuit(); });
        try {
            waitUntil([] { return false; });
        } catch (const RunAbandoned&) {
            innerAbandoned = true;
        }
    });
    EXPECT_THROW(waitUntil([] { return false; }), RunAbandoned);
    EXPECT_TRUE(innerAbandoned);
    // Once quitting, new waits of every kind are abandoned at once.
    EXPECT_THROW(waitMs(1000), RunAbandoned);
    EXPECT_THROW(waitMs(0), RunAbandoned);
    EXPECT_THROW(waitUntil([] { return true; }, 1000), RunAbandoned);
}

TEST(Waits, QuitEndsATimedWaitEarly) {
    QuitReset reset;
    QTimer::singleShot(10, [] { requestQuit(); });
    const auto t0 = monotonicMs();
    EXPECT_THROW(waitMs(5000), RunAbandoned);
    EXPECT_LT(monotonicMs() - t0, 1000);
}
