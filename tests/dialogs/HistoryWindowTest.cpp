// The text history window: what it shows, how it looks, how it closes.
#include "dialogs/HistoryWindow.h"
#include "dialogs/MessageWindow.h"
#include "platform/Cp932.h"
#include "engine/TextHistory.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <gtest/gtest.h>

using namespace qel;

namespace {

struct HistoryFixture : ::testing::Test {
    QWidget main;
    TFormMsgText messages;
    HistoryWindow window{&main};
    TextHistory history;
    const QRect area{QPoint(100, 80), QSize(486, 295)};

    HistoryFixture() { main.show(); }
    void fill(int pages, int linesPerPage) {
        for (int p = 0; p < pages; ++p) {
            history.endPage();
            for (int i = 0; i < linesPerPage; ++i)
                history.addLine(sj("ページ") + std::to_string(p) + sj("の行") + std::to_string(i));
        }
    }
    void open() { window.open(history, *messages.Memo1, area, 1); }
    QScrollBar* bar() { return window.view->verticalScrollBar(); }
    void wheel(int delta) {
        QWidget* vp = window.view->viewport();
        QWheelEvent e(QPointF(10, 10), vp->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &e);
    }
};

}  // namespace

TEST_F(HistoryFixture, ShowsEveryLinePageByPageInTheMessageWindowsLook) {
    fill(3, 2);
    history.addLine("");  // an empty line of the scenario stays a line
    open();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.lineCount(), 7);
    EXPECT_EQ(window.view->text(), QString::fromUtf8("ページ0の行0\nページ0の行1\n\n"
                                                     "ページ1の行0\nページ1の行1\n\n"
                                                     "ページ2の行0\nページ2の行1\n"));
    // The gaps between pages, and only they, get a rule.
    std::vector<int> gaps;
    for (int row = 0; row < window.view->rowCount(); ++row)
        if (window.view->isGap(row)) gaps.push_back(row);
    EXPECT_EQ(gaps, (std::vector<int>{2, 5}));
    EXPECT_EQ(window.view->font(), messages.Memo1->font());
    EXPECT_EQ(window.view->palette().color(QPalette::Text), messages.Memo1->palette().color(QPalette::Text));
    EXPECT_EQ(window.view->palette().color(QPalette::Base), messages.Memo1->palette().color(QPalette::Base));
    EXPECT_EQ(window.geometry(), area);
    EXPECT_EQ(window.parentWidget(), &main);  // transient for the main window
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(HistoryFixture, OpensAtTheNewestLineAndWheelsBackAndForth) {
    fill(60, 3);
    open();
    ASSERT_GT(bar()->maximum(), 0);
    EXPECT_EQ(bar()->value(), bar()->maximum());
    wheel(120);  // up: back through the text
    EXPECT_LT(bar()->value(), bar()->maximum());
    wheel(-120);  // down, not yet past the end
    EXPECT_TRUE(window.isVisible());
    bar()->setValue(bar()->maximum());
    wheel(-120);  // down past the end
    EXPECT_FALSE(window.isVisible());
}

TEST_F(HistoryFixture, EscAClickOrARightClickCloses) {
    fill(2, 2);
    const std::function<void()> closers[] = {
        [&] { QTest::keyClick(window.view, Qt::Key_Escape); },
        [&] { QTest::mouseClick(window.view->viewport(), Qt::LeftButton); },
        [&] { QTest::mouseClick(window.view->viewport(), Qt::RightButton); },
    };
    for (const auto& close : closers) {
        open();
        ASSERT_TRUE(window.isVisible());
        close();
        EXPECT_FALSE(window.isVisible());
    }
    // Reopened after the game went on: the new line is there.
    history.addLine("x");
    open();
    EXPECT_EQ(window.lineCount(), 5);
}
