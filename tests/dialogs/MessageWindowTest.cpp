#include "PageWait.h"
#include "app/ReplayVocabulary.h"
#include "TestFiles.h"
#include "dialogs/MessageWindow.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/PlayerEvents.h"
#include "platform/Waits.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace qel;
using qel::test::pageWaitEndedBy;

namespace {

struct Shown : TFormMsgText {
    Shown() {
        AddMessageLine(sj("一行目"));
        EXPECT_TRUE(isVisible());
    }
};

}  // namespace

TEST(MessageWindow, LayoutAfterCreation) {
    TFormMsgText w;
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("メッセージ"));
    EXPECT_EQ(w.size(), QSize(415, 130));
    EXPECT_EQ(w.Image1->geometry(), QRect(1, 1, 1, 1));
    EXPECT_EQ(w.Memo1->geometry(), QRect(4, 1, 409, 128));
    EXPECT_TRUE(w.Memo1->isReadOnly());
    EXPECT_EQ(w.Memo1->font().family(), QStringLiteral("IPAMincho"));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.pageClick(), 0);
    EXPECT_EQ(w.clickLock(), 0);
}

TEST(MessageWindow, LinesAccumulateExactlyAndShowTheWindow) {
    TFormMsgText w;
    w.AddMessageLine("");
    EXPECT_TRUE(w.isVisible());
    w.AddMessageLine(sj("こんにちは"));
    w.AddMessageLine("");
    EXPECT_EQ(w.messageLines(), (std::vector<std::string>{"", sj("こんにちは"), ""}));
    w.ClearMessageText();
    EXPECT_TRUE(w.messageLines().empty());
    EXPECT_TRUE(w.isVisible());
    w.AddMessageLine("a");
    EXPECT_EQ(w.messageLines(), std::vector<std::string>{"a"});
}

TEST(MessageWindow, EachPlayerActionEndsThePageWait) {
    Shown w;
    EXPECT_TRUE(pageWaitEndedBy(w, [&] { QTest::mousePress(w.Image1, Qt::LeftButton); }));
    EXPECT_EQ(w.pageClick(), 100);
    EXPECT_TRUE(pageWaitEndedBy(w, [&] { QTest::mousePress(w.Memo1->viewport(), Qt::RightButton); }));
    EXPECT_TRUE(pageWaitEndedBy(w, [&] { QTest::keyClick(w.Memo1, Qt::Key_A); }));
    EXPECT_TRUE(pageWaitEndedBy(w, [&] { QTest::keyClick(&w, Qt::Key_Return); }));
    EXPECT_TRUE(pageWaitEndedBy(w, [&] { w.PageClickFromMain(); }));
    // The close box: the wait ends, the window hides, the text stays.
    EXPECT_TRUE(pageWaitEndedBy(w, [&] { w.close(); }));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.messageLines(), std::vector<std::string>{sj("一行目")});
    w.AddMessageLine("b");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.messageLines().size(), 2u);
}

TEST(MessageWindow, KeysWithoutACharacterDoNotTurnThePageExceptDownAndPageDown) {
    Shown w;
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_Home})
        EXPECT_FALSE(pageWaitEndedBy(
            w, [&] { QTest::keyClick(w.Memo1, key); }, 100))
            << key;
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown}) {
        EXPECT_TRUE(pageWaitEndedBy(w, [&] { QTest::keyClick(w.Memo1, key); })) << key;
        EXPECT_TRUE(pageWaitEndedBy(w, [&] { QTest::keyClick(&w, key); })) << key;
    }
}

TEST(MessageWindow, ClickLockIgnoresActionsAndStoresNothing) {
    Shown w;
    w.setClickLock(1);
    int stillWaiting = 0;
    const bool ended = pageWaitEndedBy(w, [&] {
        QTest::mousePress(w.Image1, Qt::LeftButton);
        QTest::mousePress(w.Memo1->viewport(), Qt::LeftButton);
        QTest::keyClick(w.Memo1, Qt::Key_A);
        w.PageClickFromMain();
        w.close();
        if (w.pageClick() == 0) ++stillWaiting;
        QTimer::singleShot(30, [&] {
            if (w.pageClick() == 0) ++stillWaiting;
            w.setClickLock(0);  // the lock ends: nothing was stored for later
            QTimer::singleShot(30, [&] {
                if (w.pageClick() == 0) ++stillWaiting;
                w.PageClickFromMain();
            });
        });
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(stillWaiting, 3);
    EXPECT_FALSE(w.isVisible());  // the close itself is never refused
}

TEST(MessageWindow, HidingIsNotACloseAndLeavesThePageValue) {
    Shown w;
    EXPECT_FALSE(pageWaitEndedBy(
        w, [&] { w.hide(); }, 200));
    EXPECT_EQ(w.pageClick(), 0);
}

TEST(MessageWindow, CloseMessageWindowEmptiesClosesAndTurnsThePage) {
    Shown w;
    EXPECT_TRUE(pageWaitEndedBy(w, [&] { w.CloseMessageWindow(); }));
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.messageLines().empty());
}

TEST(MessageWindow, QuitAbandonsThePageWait) {
    Shown w;
    QTimer::singleShot(10, [] { requestQuit(); });
    EXPECT_THROW(w.WaitForPage(), RunAbandoned);
    resetQuit();
}

TEST(MessageWindow, FaceWidensTheWindowAndGrowsTheMemo) {
    test::ScratchFolder dir;
    dir.writeBmp("tall.BMP", test::solidImage(60, 200, 0xff0000));
    dir.writeBmp("small.BMP", test::solidImage(40, 50, 0x00ff00));
    TFormMsgText w;
    w.ShowFace("tall");
    EXPECT_EQ(w.Image1->geometry(), QRect(1, 1, 60, 200));
    EXPECT_EQ(w.Memo1->geometry(), QRect(62, 1, 409, 200));
    EXPECT_EQ(w.size(), QSize(409 + 60 + 3, 202));

    // A smaller face never shrinks the memo.
    w.ShowFace("small");
    EXPECT_EQ(w.Image1->size(), QSize(40, 50));
    EXPECT_EQ(w.Memo1->geometry(), QRect(42, 1, 409, 200));
    EXPECT_EQ(w.size(), QSize(409 + 40 + 3, 202));

    w.AddMessageLine("x");
    w.ResetFace();
    EXPECT_EQ(w.Image1->size(), QSize(1, 1));
    EXPECT_EQ(w.Memo1->geometry(), QRect(3, 1, 409, 200));
    EXPECT_EQ(w.size(), QSize(413, 202));
    EXPECT_TRUE(w.messageLines().empty());
    EXPECT_FALSE(w.Image1->picture().isNull());  // kept, only 1 x 1 of it shows
}

TEST(MessageWindow, MissingFaceDoesNothingAndBadFaceRaises) {
    test::ScratchFolder dir;
    dir.write("bad.BMP", "not a bitmap");
    TFormMsgText w;
    w.ShowFace("none");
    EXPECT_EQ(w.size(), QSize(415, 130));
    try {
        w.ShowFace("bad");
        FAIL() << "no error";
    } catch (const GameError& e) {
        EXPECT_EQ(e.text(), sj("ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です"));
    }
    EXPECT_EQ(w.size(), QSize(415, 130));
    EXPECT_EQ(w.Image1->size(), QSize(1, 1));
}

TEST(MessageWindow, ArrangeWithOnlyXAndYMovesOnly) {
    TFormMsgText w;
    MessageArrangement a;
    a.x = 10;
    a.y = 20;
    const auto flags = w.windowFlags();
    w.ArrangeMessageWindow(a, QPoint(100, 50));  // the picture's corner on the screen
    EXPECT_EQ(w.pos(), QPoint(110, 70));
    EXPECT_EQ(w.size(), QSize(415, 130));
    EXPECT_EQ(w.Memo1->geometry(), QRect(4, 1, 409, 128));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("メッセージ"));
    EXPECT_EQ(w.windowFlags(), flags);
}

TEST(MessageWindow, ArrangeWithUnknownStyleStillAppliesTheRest) {
    TFormMsgText w;
    const auto flags = w.windowFlags();
    MessageArrangement a;
    a.x = -5;
    a.y = 0;
    a.style = 3;
    a.caption = sj("会話");
    a.width = 300;
    a.height = 100;
    w.ArrangeMessageWindow(a, QPoint(0, 0));
    EXPECT_EQ(w.windowFlags(), flags);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("会話"));
    EXPECT_EQ(w.Memo1->geometry(), QRect(4, 1, 300, 100));  // the memo's left stays
    EXPECT_EQ(w.size(), QSize(304, 102));
    EXPECT_EQ(w.pos().x(), -5);
}

TEST(MessageWindow, ArrangeHeightNotAboveTheFaceKeepsTheHeight) {
    test::ScratchFolder dir;
    dir.writeBmp("face.BMP", test::solidImage(50, 200, 0x0000ff));
    TFormMsgText w;
    w.ShowFace("face");
    MessageArrangement a;
    a.width = 250;
    a.height = 200;  // not greater than the face
    w.ArrangeMessageWindow(a, QPoint(0, 0));
    EXPECT_EQ(w.Memo1->size(), QSize(250, 200));
    EXPECT_EQ(w.size(), QSize(250 + 50 + 3, 202));
    a.height = 201;
    w.ArrangeMessageWindow(a, QPoint(0, 0));
    EXPECT_EQ(w.Memo1->size(), QSize(250, 201));
    EXPECT_EQ(w.size(), QSize(303, 203));
}

TEST(MessageWindow, ArrangeStylesChangeTheFrame) {
    test::ScratchFolder dir;
    dir.writeBmp("face.BMP", test::solidImage(30, 150, 0x0000ff));
    Shown w;
    w.ShowFace("face");
    w.Memo1->resize(409, 100);  // shorter than the face
    MessageArrangement a;
    a.style = 2;
    w.ArrangeMessageWindow(a, QPoint(0, 0));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.height(), 152);
    a.style = 1;
    w.ArrangeMessageWindow(a, QPoint(0, 0));
    EXPECT_FALSE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w.isVisible());
    // Still one window of its own, not a child of anything.
    EXPECT_TRUE(w.isWindow());
}

TEST(MessageWindow, AKeyOnTheMemoIsOneActionOfThePlayer) {
    struct Actions : qel::PlayerEvents {
        std::vector<std::string> seen;
        void action(qel::ReplayWord w, const std::string& a) override { seen.push_back(qel::replayLine(w, a)); }
    } actions;
    qel::setPlayerEvents(&actions);
    qel::TFormMsgText w;
    w.show();
    QTest::keyClick(w.Memo1, Qt::Key_A);
    QTest::mouseClick(w.Memo1->viewport(), Qt::LeftButton);
    qel::setPlayerEvents(nullptr);
    EXPECT_EQ(actions.seen, (std::vector<std::string>{"key", "page"}));
}
