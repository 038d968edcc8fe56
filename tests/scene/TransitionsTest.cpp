// TK's transitions and OS's timed wait.
#include "platform/Errors.h"
#include "scene/Pictures.h"
#include "scene/Transitions.h"

#include "FakeHost.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <climits>

using namespace qel;
using namespace qel::test;

namespace {

struct TransitionFixture : ::testing::Test {
    ScratchFolder folder;
    CapturingHost host;
    Game g{host};

    void setUp(int w, int h) {
        host.game = &g;
        g.pics.Haikei = patternImage(w, h, 40);
        g.pics.ImageFront = patternImage(w, h, 1);
        folder.writeBmp("next.bmp", patternImage(w, h, 90));
    }
};

// Where the pixel (x, y) of the shown picture comes from after step s of a
// mode: the new picture or the old one, and at which coordinate.
struct Source {
    bool fromNew;
    int x, y;
};
Source sourceAfterStep(int mode, int s, int x, int y, int W, int H) {
    const int d = 10 * s;
    switch (mode) {
    case 1: return x < W - d ? Source{false, x + d, y} : Source{true, x, y};
    case 2: return x < d ? Source{true, x + W - d, y} : Source{false, x, y};
    case 3: return x < d ? Source{true, x, y} : Source{false, x - d, y};
    case 4: return x >= W - d ? Source{true, x - (W - d), y} : Source{false, x, y};
    case 5: return y < H - d ? Source{false, x, y + d} : Source{true, x, y};
    case 6: return y < d ? Source{true, x, y + H - d} : Source{false, x, y};
    case 7: return y < d ? Source{true, x, y} : Source{false, x, y - d};
    case 8: return y >= H - d ? Source{true, x, y - (H - d)} : Source{false, x, y};
    }
    return {false, x, y};
}

}  // namespace

TEST_F(TransitionFixture, EveryModeStepByStep) {
    const int W = 25, H = 23;  // neither divisible by 10
    for (int mode = 1; mode <= 8; ++mode) {
        setUp(W, H);
        host.frames.clear();
        host.log.clear();
        const QImage old = g.pics.ImageFront.copy();
        const QImage fresh = patternImage(W, H, 90);
        TransitionTo(g, mode, "next");

        const int steps = mode <= 4 ? W / 10 : H / 10;
        const int first = mode % 2 == 0 ? 0 : 1;
        const int count = steps - first + 1;
        ASSERT_EQ(int(host.frames.size()), count + 1) << mode;
        EXPECT_EQ(int(host.calls("wait:50").size()), count) << mode;
        for (int i = 0; i < count; ++i) {
            const int s = first + i;
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const Source src = sourceAfterStep(mode, s, x, y, W, H);
                    const QRgb want = (src.fromNew ? fresh : old).pixel(src.x, src.y);
                    ASSERT_EQ(host.frames[i].pixel(x, y), want)
                        << "mode " << mode << " step " << s << " at " << x << "," << y;
                }
        }
        EXPECT_EQ(g.pics.ImageFront, fresh) << mode;
        EXPECT_EQ(g.pics.Haikei, patternImage(W, H, 40)) << mode;
        EXPECT_EQ(host.log.back(), "repaint");
        EXPECT_FALSE(g.inTransition);
    }
}

TEST_F(TransitionFixture, StepCountsOnA486By295Window) {
    setUp(486, 295);
    const std::pair<int, int> expected[] = {{1, 48}, {2, 49}, {3, 48}, {4, 49}, {5, 29}, {6, 30}, {7, 29}, {8, 30}};
    for (auto [mode, steps] : expected) {
        host.log.clear();
        host.frames.clear();
        const QImage before = g.pics.ImageFront.copy();
        TransitionTo(g, mode, "next");
        EXPECT_EQ(int(host.calls("wait:50").size()), steps) << mode;
        EXPECT_EQ(int(host.calls("repaint").size()), steps + 1) << mode;
        if (mode == 2) {
            EXPECT_EQ(host.frames[0], before);  // step 0 copies nothing but still waits
            EXPECT_EQ(host.log[1], "wait:50");
            // The 6 rightmost columns are reached only by the final copy.
            const QImage& lastStep = host.frames[size_t(steps - 1)];
            for (int x = 480; x < 486; ++x) EXPECT_EQ(lastStep.pixel(x, 100), before.pixel(x, 100));
        }
        g.pics.ImageFront = patternImage(486, 295, 1);
    }
}

TEST_F(TransitionFixture, NarrowWindowShowsTheNewPictureAtOnce) {
    setUp(8, 30);
    TransitionTo(g, 1, "next");
    EXPECT_TRUE(host.calls("wait").empty());
    EXPECT_EQ(host.log, std::vector<std::string>{"repaint"});
    EXPECT_EQ(g.pics.ImageFront, patternImage(8, 30, 90));
}

TEST_F(TransitionFixture, OtherModesOnlyLoadAndRepaint) {
    setUp(30, 20);
    const QImage before = g.pics.ImageFront.copy();
    for (int mode : {0, 9}) TransitionTo(g, mode, "next");
    EXPECT_EQ(g.pics.ImageFront, before);
    EXPECT_EQ(host.log, (std::vector<std::string>{"repaint", "repaint"}));

    host.log.clear();
    EXPECT_EQ(errorText([&] { TransitionTo(g, 9, "missing"); }), cannotOpenError("missing.bmp").text());
    EXPECT_EQ(errorText([&] { TransitionTo(g, 1, "missing"); }), cannotOpenError("missing.bmp").text());
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(g.pics.ImageFront, before);
    EXPECT_FALSE(g.inTransition);
}

TEST_F(TransitionFixture, RestoreBackgroundAfterTransition) {
    setUp(30, 20);
    TransitionTo(g, 3, "next");
    RestoreBackground(g);
    EXPECT_EQ(g.pics.ImageFront, patternImage(30, 20, 40));
}

TEST_F(TransitionFixture, SmallerPictureLeavesBlackOutsideIt) {
    setUp(30, 20);
    const QImage small = patternImage(12, 7, 3);
    folder.writeBmp("small.bmp", small);
    TransitionTo(g, 2, "small");
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(g.pics.ImageFront.pixel(x, y), x < 12 && y < 7 ? small.pixel(x, y) : 0xFF000000u);
    // Mode 2's first real step shows columns 20 to 29 of the small picture: all black.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(host.frames[1].pixel(x, y), 0xFF000000u);
}

TEST_F(TransitionFixture, FlagSetWhileStepsWaitAndClearedOnAbandon) {
    setUp(30, 20);
    std::vector<bool> seen;
    host.onWaitMs = [&](std::int64_t) { seen.push_back(g.inTransition); };
    TransitionTo(g, 5, "next");
    EXPECT_EQ(seen, std::vector<bool>(2, true));
    EXPECT_FALSE(g.inTransition);

    host.onWaitMs = [](std::int64_t) { throw RunAbandoned{}; };
    EXPECT_THROW(TransitionTo(g, 2, "next"), RunAbandoned);
    EXPECT_FALSE(g.inTransition);
}

// Skipping, from the start or from some step on: the steps left are not run
// and the final picture shows after one pass over the pending events.
TEST_F(TransitionFixture, SkippingJumpsToTheFinalPicture) {
    const int W = 25, H = 23;
    for (int mode = 1; mode <= 8; ++mode) {
        for (int skipAfter : {0, 1}) {  // waits before the player skips
            setUp(W, H);
            host.log.clear();
            g.linesSinceWait = 99;
            host.skip = skipAfter == 0;
            int waits = 0;
            host.onWaitMs = [&](std::int64_t) {
                if (++waits == skipAfter) host.skip = true;
            };
            TransitionTo(g, mode, "next");
            EXPECT_EQ(int(host.calls("wait").size()), skipAfter + 1) << mode;
            EXPECT_EQ(host.calls("wait").back(), "wait:0") << mode;
            EXPECT_EQ(g.linesSinceWait, 0) << mode;
            EXPECT_EQ(g.pics.ImageFront, patternImage(W, H, 90)) << mode;
            EXPECT_EQ(host.log.back(), "repaint") << mode;
            EXPECT_FALSE(g.inTransition);
        }
    }
}

TEST(TimedWait, SkippingEndsItAtOnceWithClicksStillLocked) {
    FakeHost host;
    Game g(host);
    host.skip = true;
    TimedWait(g, 5000);
    EXPECT_EQ(host.log, (std::vector<std::string>{"clickLock:1", "wait:0", "clickLock:0"}));
    EXPECT_EQ(host.now, 0);
}

TEST(TimedWait, WaitsPastTheGivenTimeWithClicksLocked) {
    FakeHost host;
    Game g(host);
    std::vector<int> locks;
    host.onWaitMs = [&](std::int64_t) { locks.push_back(host.clickLock); };
    g.linesSinceWait = 99;

    TimedWait(g, 0);  // until the tick advances
    EXPECT_EQ(host.log, (std::vector<std::string>{"clickLock:1", "wait:1", "clickLock:0"}));
    EXPECT_EQ(host.now, 1);
    EXPECT_EQ(g.linesSinceWait, 0);

    host.log.clear();
    TimedWait(g, -5);  // one pass of events
    EXPECT_EQ(host.log, (std::vector<std::string>{"clickLock:1", "wait:0", "clickLock:0"}));
    EXPECT_EQ(host.now, 1);

    host.log.clear();
    TimedWait(g, 300);
    EXPECT_EQ(host.calls("wait:"), std::vector<std::string>{"wait:301"});
    EXPECT_EQ(host.now, 302);

    host.log.clear();
    TimedWait(g, INT_MAX);
    EXPECT_EQ(host.calls("wait:"), std::vector<std::string>{"wait:2147483648"});
    EXPECT_EQ(locks, (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(host.clickLock, 0);
}

TEST(TimedWait, UnlocksWhenTheWaitIsAbandoned) {
    FakeHost host;
    Game g(host);
    host.onWaitMs = [](std::int64_t) { throw RunAbandoned{}; };
    EXPECT_THROW(TimedWait(g, 1000), RunAbandoned);
    EXPECT_EQ(host.clickLock, 0);
    EXPECT_EQ(host.log.back(), "clickLock:0");
}
