#include "dialogs/VerbWindow.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/Waits.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

using namespace qel;

namespace {

const std::array<std::string, 5> kDoorVerbs{"open", "look", "", "", ""};

// Opens the window for the door and lets `act` run once it is shown. A guard
// closes a window that nothing closes.
std::string chooseWith(TFromCom& w, const std::function<void()>& act) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        ADD_FAILURE() << "the verb window did not close";
        w.CloseWithoutChoice();
    });
    guard.start(2000);
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(w.isVisible());
        act();
    });
    return w.Choose("door", kDoorVerbs, QPoint(300, 200));
}

}  // namespace

TEST(VerbWindow, LayoutAndInitialResult) {
    TFromCom w;
    EXPECT_EQ(w.size(), QSize(152, 181));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.Label1->geometry(), QRect(1, 3, 150, 20));
    EXPECT_TRUE(w.Label1->alignment() & Qt::AlignHCenter);
    const QPushButton* buttons[] = {w.Button1, w.Button2, w.Button3, w.Button4, w.Button5};
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(buttons[k - 1]->geometry(), QRect(1, 30 * k, 150, 28)) << k;
    EXPECT_EQ(w.result(), "FromCom");
    EXPECT_EQ(w.windowTitle(), QStringLiteral("FromCom"));
}

TEST(VerbWindow, ChoosingAVerbGivesNamePlusVerb) {
    TFromCom w;
    EXPECT_EQ(chooseWith(w,
                         [&] {
                             EXPECT_EQ(w.Label1->text(), QStringLiteral("door"));
                             EXPECT_EQ(w.Button2->text(), QStringLiteral("look"));
                             EXPECT_EQ(w.Button3->text(), QString());
                             EXPECT_TRUE(w.Button5->isVisible());  // empty slots still show a button
                             QTest::mouseClick(w.Button2, Qt::LeftButton);
                         }),
              "doorlook");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.pos(), QPoint(300, 200));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("doorlook"));
}

TEST(VerbWindow, LabelEmptyButtonAndOutsideCloseChooseNothing) {
    TFromCom w;
    EXPECT_EQ(chooseWith(w, [&] { QTest::mouseClick(w.Button1, Qt::LeftButton); }), "dooropen");
    EXPECT_EQ(chooseWith(w, [&] { QTest::mouseClick(w.Label1, Qt::LeftButton); }), "");
    EXPECT_EQ(chooseWith(w, [&] { QTest::mouseClick(w.Button1, Qt::LeftButton); }), "dooropen");
    EXPECT_EQ(chooseWith(w, [&] { QTest::mouseClick(w.Button4, Qt::LeftButton); }), "");
    EXPECT_EQ(chooseWith(w, [&] { QTest::mouseClick(w.Button1, Qt::LeftButton); }), "dooropen");
    // A close by the window system counts as choosing nothing.
    EXPECT_EQ(chooseWith(w, [&] { w.windowHandle()->close(); }), "");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(chooseWith(w, [&] { w.CloseWithoutChoice(); }), "");
}

TEST(VerbWindow, KeyboardChoosesAndEscClosesChoosingNothing) {
    TFromCom w;
    // The first button has the focus; Tab and Down move it on, Space and Enter press.
    EXPECT_EQ(chooseWith(w, [&] { QTest::keyClick(w.focusWidget(), Qt::Key_Space); }), "dooropen");
    EXPECT_EQ(chooseWith(w,
                         [&] {
                             QTest::keyClick(w.focusWidget(), Qt::Key_Tab);
                             QTest::keyClick(w.focusWidget(), Qt::Key_Return);
                         }),
              "doorlook");
    EXPECT_EQ(chooseWith(w,
                         [&] {
                             QTest::keyClick(w.focusWidget(), Qt::Key_Down);
                             EXPECT_EQ(w.focusWidget(), w.Button2);
                             QTest::keyClick(w.focusWidget(), Qt::Key_Escape);
                         }),
              "");
    EXPECT_FALSE(w.isVisible());
}

TEST(VerbWindow, NameBytesCutInsideACharacterSurvive) {
    TFromCom w;
    const std::string cut = sj("扉").substr(0, 1);  // a lone lead byte
    std::string got;
    QTimer::singleShot(0, [&] { QTest::mouseClick(w.Button1, Qt::LeftButton); });
    got = w.Choose("ab" + cut, {"x", "", "", "", ""}, QPoint(0, 0));
    EXPECT_EQ(got, "ab" + cut + "x");
}

TEST(VerbWindow, QuitClosesTheWindowAndAbandons) {
    TFromCom w;
    QTimer::singleShot(0, [] { requestQuit(); });
    EXPECT_THROW(w.Choose("door", kDoorVerbs, QPoint(0, 0)), RunAbandoned);
    EXPECT_FALSE(w.isVisible());
    EXPECT_THROW(w.Choose("door", kDoorVerbs, QPoint(0, 0)), RunAbandoned);
    resetQuit();
}
