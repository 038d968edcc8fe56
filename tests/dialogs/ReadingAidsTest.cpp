// What a player with reading aids gets from a waiting page: its text on the
// clipboard (copy-text), and the windows as a screen reader sees them
// through Qt's accessibility interfaces.
#include "PageWait.h"
#include "dialogs/MessageWindow.h"
#include "dialogs/VerbWindow.h"
#include "platform/Cp932.h"
#include "platform/Settings.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <gtest/gtest.h>
#include <vector>

using namespace qel;

namespace {

struct ClipboardCase {
    const char* copyText;  // the setting, for this run
    std::vector<const char*> lines;
    QString clipboard;  // what the clipboard holds while the page waits
};

}  // namespace

TEST(ReadingAids, AWaitingPageIsOnTheClipboardAsShownWhenCopyTextIsOn) {
    const ClipboardCase cases[] = {
        {"on", {"一行目"}, QString::fromUtf8("一行目")},
        {"on", {"灯台の上で", "", "星が灯る。"}, QString::fromUtf8("灯台の上で\n\n星が灯る。")},
        {"off", {"一行目"}, QStringLiteral("before")},
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    ASSERT_NE(clipboard, nullptr);
    for (const ClipboardCase& c : cases) {
        SCOPED_TRACE(c.lines.size());
        Settings::instance().reset();
        QString why;
        ASSERT_TRUE(Settings::instance().setForRun(QStringLiteral("copy-text=") + c.copyText, &why));
        clipboard->setText(QStringLiteral("before"));
        TFormMsgText w;
        for (const char* line : c.lines) w.AddMessageLine(sj(line));
        QString seen;
        EXPECT_TRUE(test::pageWaitEndedBy(w, [&] {
            seen = clipboard->text();
            w.PageClickFromMain();
        }));
        EXPECT_EQ(seen, c.clipboard);
        // The screen reader's description of the text is the page, copied or not.
        QAccessibleInterface* memo = QAccessible::queryAccessibleInterface(w.Memo1);
        ASSERT_NE(memo, nullptr);
        EXPECT_EQ(memo->text(QAccessible::Description), w.pageText());
        EXPECT_FALSE(memo->text(QAccessible::Name).isEmpty());
    }
    Settings::instance().reset();
}

TEST(ReadingAids, AScreenReaderFindsTheVerbsByNameAndNoEmptyButtons) {
    TFromCom w;
    w.setWords(sj("扉"), {sj("開ける"), sj("調べる"), "", sj("叩く"), ""});
    w.show();  // a hidden window's buttons are all invisible
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&w);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->text(QAccessible::Description), QString::fromUtf8("扉"));
    QStringList offered;
    int hidden = 0;
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface* child = window->child(i);
        if (child->role() != QAccessible::Button) continue;
        if (child->state().invisible) {
            ++hidden;
            EXPECT_TRUE(child->actionInterface()->actionNames().isEmpty());
            continue;
        }
        offered << child->text(QAccessible::Name);
        EXPECT_TRUE(child->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    }
    EXPECT_EQ(offered,
              QStringList({QString::fromUtf8("開ける"), QString::fromUtf8("調べる"), QString::fromUtf8("叩く")}));
    EXPECT_EQ(hidden, 2);
}
