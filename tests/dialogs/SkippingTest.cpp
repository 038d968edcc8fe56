// Skipping: the page wait that turns by itself, what starts and stops it,
// and what the recording sees.
#include "PageWait.h"
#include "app/ReplayVocabulary.h"
#include "dialogs/MessageWindow.h"
#include "platform/Waits.h"
#include "platform/Skipping.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/PlayerEvents.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace qel;

namespace {

struct Recorder : PlayerEvents {
    std::vector<std::string> actions;
    void action(ReplayWord w, const std::string& a) override { actions.push_back(replayLine(w, a)); }
};

struct SkipFixture : ::testing::Test {
    TFormMsgText w;
    Recorder events;
    int pauses = 0;
    std::function<void()> duringPause;
    SkipFixture() {
        w.AddMessageLine(sj("一行目"));
        setPlayerEvents(&events);
    }
    ~SkipFixture() override {
        Skipping::instance().setOn(false);
        setPlayerEvents(nullptr);
        resetQuit();
    }
    // The skippable page wait, with `act` run inside it; whether it ended
    // without the guard.
    bool pageWait(const std::function<void()>& act) {
        return test::pageWaitEndedBy(w, act, 2000, [this] {
            ++pauses;
            if (duringPause) duringPause();
        });
    }
};

}  // namespace

TEST_F(SkipFixture, APageTurnsByItselfAfterThePauseWhileSkipping) {
    Skipping::instance().setHeld(true);
    EXPECT_TRUE(pageWait([] {}));
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(w.pageClick(), 100);

    // Started while the page waits.
    Skipping::instance().setHeld(false);
    pauses = 0;
    EXPECT_TRUE(pageWait([] { Skipping::instance().toggle(); }));
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(events.actions, (std::vector<std::string>{"skip on", "skip off", "skip on"}));
}

TEST_F(SkipFixture, LettingGoDuringThePauseLeavesThePageWaiting) {
    Skipping::instance().setHeld(true);
    duringPause = [] { Skipping::instance().setHeld(false); };
    // The player reads on later, by a click.
    QTimer::singleShot(50, [this] { QTest::mousePress(w.Memo1->viewport(), Qt::LeftButton); });
    EXPECT_TRUE(pageWait([] {}));
    EXPECT_EQ(pauses, 1);
    EXPECT_FALSE(skipping());
}

TEST_F(SkipFixture, WaitsThatAskThePlayerStopItUnrecorded) {
    const Turn asking[] = {Turn::Verbs, Turn::Box, Turn::ErrorBox, Turn::Input};
    for (Turn t : asking) {
        Skipping::instance().setHeld(true);
        Skipping::instance().toggle();  // held and toggled: the toggle stops both
        EXPECT_FALSE(skipping());
        Skipping::instance().setOn(true);
        Skipping::instance().setHeld(true);
        { WaitReport r(t, nullptr, std::string()); }
        EXPECT_FALSE(skipping()) << int(t);
    }
    for (Turn t : {Turn::Page, Turn::Release, Turn::Popup}) {
        Skipping::instance().setOn(true);
        { WaitReport r(t, nullptr, std::string()); }
        EXPECT_TRUE(skipping()) << int(t);
    }
    // Four rounds of on, off, on; the stops at the asking waits are not actions.
    std::vector<std::string> want;
    for (int i = 0; i < 4; ++i) want.insert(want.end(), {"skip on", "skip off", "skip on"});
    want.push_back("skip on");
    EXPECT_EQ(events.actions, want);
}
