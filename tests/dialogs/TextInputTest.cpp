#include "dialogs/TextInput.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/Waits.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

using namespace qel;

namespace {

// Asks with `act` running once the dialog is shown; a guard closes a dialog
// that nothing closes.
std::string askWith(TFTextIn& d, const std::function<void()>& act) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        ADD_FAILURE() << "the dialog did not close";
        d.Button1Click();
    });
    guard.start(2000);
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(d.isVisible());
        act();
    });
    return d.Ask();
}

}  // namespace

TEST(TextInput, Layout) {
    TFTextIn d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("入力してください"));
    EXPECT_EQ(d.size(), QSize(208, 74));
    EXPECT_TRUE(d.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(d.Edit1->geometry(), QRect(8, 8, 193, 25));
    EXPECT_EQ(d.Button1->geometry(), QRect(16, 40, 75, 25));
    EXPECT_EQ(d.Button2->geometry(), QRect(120, 40, 75, 25));
    EXPECT_EQ(d.Button1->text(), QStringLiteral("OK"));
    EXPECT_EQ(d.Button2->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(d.Button1->isDefault());
    EXPECT_TRUE(d.Edit1->text().isEmpty());
}

TEST(TextInput, OkKeepsTheTextForTheNextUseAndCancelEmptiesIt) {
    TFTextIn d;
    EXPECT_EQ(askWith(d,
                      [&] {
                          QTest::keyClicks(d.Edit1, "hello");
                          QTest::mouseClick(d.Button1, Qt::LeftButton);
                      }),
              "hello");
    EXPECT_FALSE(d.isVisible());
    // The next use shows the same text, focused and not selected.
    EXPECT_EQ(askWith(d,
                      [&] {
                          EXPECT_EQ(d.Edit1->text(), QStringLiteral("hello"));
                          EXPECT_TRUE(d.Edit1->hasFocus());
                          EXPECT_FALSE(d.Edit1->hasSelectedText());
                          QTest::keyClicks(d.Edit1, "!");
                          QTest::keyClick(d.Edit1, Qt::Key_Return);  // Enter is OK
                      }),
              "hello!");
    EXPECT_EQ(askWith(d, [&] { QTest::mouseClick(d.Button2, Qt::LeftButton); }), "");
    EXPECT_EQ(askWith(d,
                      [&] {
                          EXPECT_TRUE(d.Edit1->text().isEmpty());
                          QTest::mouseClick(d.Button1, Qt::LeftButton);  // OK on an empty field
                      }),
              "");
    EXPECT_EQ(askWith(d,
                      [&] {
                          QTest::keyClicks(d.Edit1, "abc");
                          QTest::keyClick(d.Edit1, Qt::Key_Escape);  // Esc is Cancel
                      }),
              "");
    EXPECT_TRUE(d.Edit1->text().isEmpty());
}

TEST(TextInput, TheRememberedTextIsNeverSelectedWhenTheFieldGetsTheFocus) {
    TFTextIn d;
    d.Edit1->setText(QStringLiteral("remembered"));
    EXPECT_EQ(askWith(d,
                      [&] {
                          // However the focus comes back (the window activated again, Tab
                          // round the dialog), the caret is at the end and nothing is selected.
                          for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::TabFocusReason,
                                                         Qt::BacktabFocusReason, Qt::ShortcutFocusReason}) {
                              d.Edit1->setCursorPosition(0);
                              QFocusEvent focusIn(QEvent::FocusIn, reason);
                              QApplication::sendEvent(d.Edit1, &focusIn);
                              EXPECT_FALSE(d.Edit1->hasSelectedText()) << reason;
                              EXPECT_EQ(d.Edit1->cursorPosition(), 10) << reason;
                          }
                          QTest::keyClicks(d.Edit1, "!");
                          QTest::keyClick(d.Edit1, Qt::Key_Return);
                      }),
              "remembered!");
}

TEST(TextInput, CloseBoxKeepsTheText) {
    TFTextIn d;
    EXPECT_EQ(askWith(d,
                      [&] {
                          d.Edit1->insert(QStringLiteral("名前"));
                          d.windowHandle()->close();
                      }),
              sj("名前"));
    EXPECT_EQ(d.Edit1->text(), QStringLiteral("名前"));
}

TEST(TextInput, CentredOnTheScreen) {
    TFTextIn d;
    askWith(d, [&] {
        const QRect screen = d.screen()->geometry();
        const QRect frame = d.frameGeometry();
        EXPECT_NEAR(frame.center().x(), screen.center().x(), 1);
        EXPECT_NEAR(frame.center().y(), screen.center().y(), 1);
        d.Button1Click();
    });
}

TEST(TextInput, CharactersCp932CannotHoldAreRefused) {
    TFTextIn d;
    EXPECT_EQ(
        askWith(d,
                [&] {
                    d.Edit1->insert(QStringLiteral("ab"));
                    d.Edit1->insert(QString::fromUtf8("é☃\xF0\x9F\x98\x80漢"));
                    EXPECT_EQ(d.Edit1->text(), QStringLiteral("ab漢"));
                    EXPECT_EQ(d.Edit1->cursorPosition(), 3);
                    // Typed keys and input-method text go through the same check.
                    for (const QString& t : {QStringLiteral("x"), QString::fromUtf8("\xC3\xA9"), QStringLiteral("y")}) {
                        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, t);
                        QApplication::sendEvent(d.Edit1, &key);
                    }
                    QInputMethodEvent im;
                    im.setCommitString(QString::fromUtf8("\xE2\x98\x83\xE6\x97\xA5"));  // snowman, 日
                    QApplication::sendEvent(d.Edit1, &im);
                    QTest::keyClick(d.Edit1, Qt::Key_Return);
                }),
        sj("ab漢xy日"));
}

TEST(TextInput, QuitClosesTheDialogAndAbandons) {
    TFTextIn d;
    QTimer::singleShot(0, [] { requestQuit(); });
    EXPECT_THROW(d.Ask(), RunAbandoned);
    EXPECT_FALSE(d.isVisible());
    resetQuit();
}
