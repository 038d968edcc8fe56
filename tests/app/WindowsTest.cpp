// The real windows under the offscreen platform, driven with simulated input.
#include "SilentAudio.h"
#include "TestFiles.h"
#include "app/DisplaySettings.h"
#include "app/PadInput.h"
#include "app/Player.h"
#include "dialogs/HistoryWindow.h"
#include "dialogs/MessageWindow.h"
#include "dialogs/VerbWindow.h"
#include "engine/ObjectLogic.h"
#include "platform/AudioBackend.h"
#include "platform/Cp932.h"
#include "platform/Settings.h"
#include "platform/SdlGamepad.h"
#include "platform/Skipping.h"
#include "platform/ViewScale.h"
#include "platform/Waits.h"
#include "shell/FormMein.h"
#include "shell/GameFlow.h"
#include "shell/ReadingControls.h"
#include "shell/StartMenu.h"

#include <QApplication>
#include <QMenu>
#include <QWheelEvent>
#include <functional>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPointingDevice>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <QTimer>
#include <functional>
#include <SDL.h>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetQuit();
        Skipping::instance().setOn(false);
    }
    void TearDown() override {
        for (QWidget* w : {static_cast<QWidget*>(p.messages.get()), static_cast<QWidget*>(p.main.get()),
                           static_cast<QWidget*>(p.startMenu.get())})
            w->hide();
    }
    // A scene with a name-only object 1 at 10..20 and an object 2 with verbs over the whole picture.
    void startScene(const std::string& body) {
        dir.writeBmp("bg.BMP", solidImage(480, 300, 0x336699));
        dir.write("Opning.dat", "bg\r\n10,20,10,20\r\n" + sj("箱") + "\r\n0,479,0,299\r\n" + sj("扉,開ける,見る,,,") +
                                    "\r\n;\r\n" + body);
        Game& g = p.main->game();
        PrepareGame(g);
        LoadNewGame(g, "Opning.dat");
        p.main->show();
        p.main->FormActivate();
    }
    std::vector<std::string> lines() const { return p.messages->messageLines(); }

    ScratchFolder dir;
    SilentAudio audio;
    RealClock clock;
    PlayerWindows p{std::nullopt, clock, audio};
};

}  // namespace

TEST_F(WindowsTest, StartMenuAndMainWindowDesign) {
    EXPECT_EQ(p.startMenu->windowTitle(), QString("QEL Player"));
    EXPECT_EQ(p.startMenu->size(), QSize(219, 105));
    EXPECT_EQ(p.startMenu->Button1->text(), QString::fromUtf8("はじめから"));
    EXPECT_EQ(p.startMenu->Button2->geometry(), QRect(8, 40, 200, 25));
    EXPECT_EQ(p.startMenu->Button3->text(), QString::fromUtf8("終了"));
    EXPECT_EQ(p.startMenu->StartScene, "Opning.dat");
    // The start menu follows the game's scale.
    ViewScale::instance().setFactor(3);
    EXPECT_EQ(p.startMenu->size(), QSize(657, 315));
    EXPECT_EQ(p.startMenu->Button2->geometry(), QRect(24, 120, 600, 75));
    ViewScale::instance().setFactor(1);
    EXPECT_EQ(p.startMenu->size(), QSize(219, 105));
    EXPECT_EQ(p.main->windowTitle(), QString("QEL Player Ver. 1.24"));
    EXPECT_EQ(p.main->ImageFront->size(), QSize(486, 295));
    EXPECT_FALSE(p.main->MainMenu1->isVisibleTo(p.main.get()));
    QStringList popup;
    for (QAction* a : p.main->PopupMenu1->actions()) popup << (a->isSeparator() ? "-" : a->text());
    // The designed items as they were, then the player's settings.
    EXPECT_EQ(popup, (QStringList{"TopMenu(&T)", "Help(&H)", "-", "Exit(&E)", "-", "Settings(&S)..."}));
}

TEST_F(WindowsTest, SceneSizesThePictureAndFrameCommandShowsTheMenuBar) {
    startScene(".Start\r\n.FW,2,Title\r\n;\r\nend\r\n");
    EXPECT_EQ(p.main->ImageFront->size(), QSize(480, 300));
    EXPECT_TRUE(p.main->MainMenu1->isVisibleTo(p.main.get()));
    EXPECT_EQ(p.main->windowTitle(), QString("Title"));
}

TEST_F(WindowsTest, FirstPressTestsNothingUntilAPageValueIsSet) {
    startScene(".Start\r\n;\r\n." + sj("箱") + "\r\nbox label\r\n;\r\nend\r\n");
    ASSERT_EQ(p.messages->pageClick(), 0);
    QTest::mousePress(p.main->ImageFront, Qt::LeftButton, {}, QPoint(15, 15));  // tests nothing
    EXPECT_TRUE(lines().empty());
    QTest::mouseRelease(p.main->ImageFront, Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(p.messages->pageClick(), 100);
    // Now the name-only object runs its label once its click is over.
    QTimer::singleShot(0, [this] { QTest::mouseRelease(p.main->ImageFront, Qt::LeftButton, {}, QPoint(15, 15)); });
    QTest::mousePress(p.main->ImageFront, Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(lines(), (std::vector<std::string>{"box label"}));
}

TEST_F(WindowsTest, VerbWindowOpensAtTheClampedClickAndItsChoiceRunsTheLabel) {
    startScene(".Start\r\n;\r\n." + sj("扉見る") + "\r\nlooked\r\n;\r\nend\r\n");
    p.messages->setPageClick(100);
    QPoint seen;
    QTimer::singleShot(0, [&] {
        seen = p.verbs->pos();
        EXPECT_TRUE(p.verbs->isVisible());
        EXPECT_EQ(p.verbs->Label1->text(), QString::fromUtf8("扉"));
        p.verbs->Button2->click();
    });
    QTest::mousePress(p.main->ImageFront, Qt::LeftButton, {}, QPoint(470, 280));
    QTest::mouseRelease(p.main->ImageFront, Qt::LeftButton, {}, QPoint(470, 280));
    EXPECT_EQ(seen, p.main->pictureOrigin() + QPoint(445, 260));
    EXPECT_EQ(lines(), (std::vector<std::string>{"looked"}));
    // A click on the name closes the window and runs nothing.
    QTimer::singleShot(0, [&] {
        seen = p.verbs->pos();
        QTest::mouseClick(p.verbs->Label1, Qt::LeftButton);
    });
    QTest::mousePress(p.main->ImageFront, Qt::LeftButton, {}, QPoint(3, 2));
    EXPECT_EQ(seen, p.main->pictureOrigin() + QPoint(1, 1));
    EXPECT_EQ(lines(), (std::vector<std::string>{"looked"}));
    EXPECT_TRUE(p.verbs->result().empty());
}

TEST_F(WindowsTest, PressDuringAPageWaitTurnsThePageInsteadOfChoosing) {
    // The start run waits for its page; a click on the object meanwhile turns it.
    QTimer::singleShot(0, [this] {
        QTest::mousePress(p.main->ImageFront, Qt::LeftButton, {}, QPoint(15, 15));
        QTest::mouseRelease(p.main->ImageFront, Qt::LeftButton, {}, QPoint(15, 15));
    });
    startScene(".Start\r\nfirst\r\n.\r\nsecond\r\n;\r\n." + sj("箱") + "\r\nbox\r\n;\r\nend\r\n");
    EXPECT_EQ(lines(), (std::vector<std::string>{"first", "second"}));
}

TEST_F(WindowsTest, RightClickOpensThePopupAndRunsNothing) {
    startScene(".Start\r\n;\r\n." + sj("箱") + "\r\nbox\r\n;\r\nend\r\n");
    p.messages->setPageClick(100);
    QTest::mousePress(p.main->ImageFront, Qt::RightButton, {}, QPoint(15, 15));
    EXPECT_TRUE(p.main->PopupMenu1->isVisible());
    p.main->PopupMenu1->hide();
    EXPECT_TRUE(lines().empty());
}

TEST_F(WindowsTest, EveryWindowFollowsTheScaleAndClicksMapBackToPicturePixels) {
    startScene(".Start\r\n.MW,10,320,1,Talk,300,100\r\nhello\r\n;\r\n." + sj("扉見る") + "\r\nlooked\r\n;\r\nend\r\n");
    const QSize messageAt1 = p.messages->size();
    const int memoFontAt1 = p.messages->Memo1->font().pixelSize();
    ASSERT_EQ(p.messages->pos(), p.main->pictureOrigin() + QPoint(10, 320));

    struct Case {
        int scale;
        bool fullScreen;
    } cases[] = {{2, false}, {3, false}, {1, true}, {1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << (c.fullScreen ? " full screen" : ""));
        p.main->setDisplay(c.scale, c.fullScreen);
        QCoreApplication::processEvents();
        const int n = p.main->ImageFront->scale();
        if (c.fullScreen) {
            EXPECT_EQ(p.main->geometry(), p.main->screen()->geometry());
            EXPECT_EQ(n, fitScale(QSize(480, 300), p.main->ImageFront->size()));
            EXPECT_EQ(p.main->ImageFront->pictureRect(),
                      centredPictureRect(p.main->ImageFront->size(), QSize(480, 300), n));
        } else {
            EXPECT_EQ(n, c.scale);
            EXPECT_EQ(p.main->ImageFront->size(), QSize(480, 300) * n);
        }
        EXPECT_EQ(ViewScale::factor(), n);
        // The message window: its size, fonts and place, all times the scale.
        EXPECT_EQ(p.messages->size(), (messageAt1 * n).boundedTo(p.messages->screen()->virtualSize()));
        EXPECT_EQ(p.messages->Memo1->font().pixelSize(), memoFontAt1 * n);
        EXPECT_EQ(p.messages->pos(), p.main->pictureOrigin() + QPoint(10, 320) * n);
        EXPECT_EQ(p.verbs->size(), QSize(152, 181) * n);

        // A press on picture pixel (470, 280) opens the verb window at the
        // clamped place, in picture pixels from the picture's corner.
        p.messages->setPageClick(100);
        QPoint seen;
        QTimer::singleShot(0, [&] {
            seen = p.verbs->pos();
            p.verbs->CloseWithoutChoice();
        });
        const QPoint at = p.main->ImageFront->viewPoint(QPoint(470, 280));
        QTest::mousePress(p.main->ImageFront, Qt::LeftButton, {}, at);
        QTest::mouseRelease(p.main->ImageFront, Qt::LeftButton, {}, at);
        const QRect want(p.main->pictureOrigin() + QPoint(445, 260) * n, p.verbs->size());
        EXPECT_EQ(seen, keepInside(want, p.main->screen()->availableGeometry()));
    }
    EXPECT_EQ(p.messages->size(), messageAt1);
    EXPECT_EQ(p.main->ImageFront->size(), QSize(480, 300));
}

TEST(DisplaySettings, KeptInTheConfigFolderAndTheCommandLineWins) {
    QTemporaryDir config;
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    Settings::instance().load();
    {
        const DisplayChoice fresh = loadDisplayChoice();
        EXPECT_EQ(fresh.scale, 0);  // automatic
        EXPECT_FALSE(fresh.fullScreen);
        saveDisplayChoice(DisplayChoice{4, true});
    }
    EXPECT_TRUE(QFile::exists(config.filePath("qelplayer/settings.ini")));
    Settings::instance().load();
    const DisplayChoice stored = loadDisplayChoice();
    EXPECT_EQ(stored.scale, 4);
    EXPECT_TRUE(stored.fullScreen);

    struct Case {
        std::optional<int> scale;
        std::optional<bool> fullScreen;
        int expectedScale;
        bool expectedFullScreen;
    } cases[] = {{{}, {}, 4, true}, {2, {}, 2, true}, {0, false, 0, false}, {{}, false, 4, false}};
    for (const Case& c : cases) {
        const DisplayChoice d = chooseDisplay(stored, c.scale, c.fullScreen);
        EXPECT_EQ(d.scale, c.expectedScale);
        EXPECT_EQ(d.fullScreen, c.expectedFullScreen);
    }
    Settings::instance().reset();
    if (before.isNull()) qunsetenv("XDG_CONFIG_HOME");
    else qputenv("XDG_CONFIG_HOME", before);
}

TEST_F(WindowsTest, KeysChangeTheScaleAndFullScreenAndTellWhatToRemember) {
    startScene(".Start\r\nhello\r\n;\r\nend\r\n");
    p.main->setDisplay(1, false);
    p.main->activateWindow();
    std::vector<std::pair<int, bool>> chosen;
    QObject::connect(p.main.get(), &TFormMein::displayChosen, p.main.get(),
                     [&chosen](int scale, bool full) { chosen.emplace_back(scale, full); });
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        int scale;  // what the picture is drawn at afterwards
        bool fullScreen;
    } cases[] = {
        {Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier, 2, false},
        {Qt::Key_Equal, Qt::ControlModifier, 3, false},
        {Qt::Key_Minus, Qt::ControlModifier, 2, false},
        {Qt::Key_F11, Qt::NoModifier, fitScale(QSize(480, 300), p.main->screen()->size()), true},
        {Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier, 2, false},
        {Qt::Key_0, Qt::ControlModifier, autoScale(QSize(480, 300), p.main->screen()->availableGeometry().size()),
         false},
    };
    for (const Case& c : cases) {
        // Keys of the whole program: typed into the message window as well.
        QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers);
        QApplication::sendEvent(c.key == Qt::Key_Minus ? static_cast<QWidget*>(p.messages.get()) : p.main.get(),
                                &press);
        QCoreApplication::processEvents();
        EXPECT_EQ(p.main->ImageFront->scale(), c.scale) << c.key;
        EXPECT_EQ(p.main->isFullScreen(), c.fullScreen) << c.key;
    }
    EXPECT_EQ(chosen, (std::vector<std::pair<int, bool>>{
                          {2, false}, {3, false}, {2, false}, {2, true}, {2, false}, {0, false}}));
    p.main->setDisplay(1, false);
}

namespace {
void wheelOn(QWidget* w, int delta) {
    QWheelEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}
}  // namespace

TEST_F(WindowsTest, TheHistoryOpensFromPictureTextAndKeysWhileThePageKeepsWaiting) {
    HistoryWindow& history = p.reading->historyWindow();
    std::vector<int> counts;
    const std::function<void()> openers[] = {
        [&] { wheelOn(p.main->ImageFront, 120); },
        [&] { wheelOn(p.messages->Memo1->viewport(), 120); },
        [&] { QTest::keyClick(p.main.get(), Qt::Key_PageUp); },
        [&] { QTest::keyClick(p.messages->Memo1, Qt::Key_Up); },
    };
    auto tryAll = [&] {
        wheelOn(p.main->ImageFront, -120);  // the wheel turned down opens nothing
        EXPECT_FALSE(history.isVisible());
        for (const auto& open : openers) {
            open();
            EXPECT_TRUE(history.isVisible());
            counts.push_back(history.lineCount());
            QTest::keyClick(history.view, Qt::Key_Escape);
            EXPECT_FALSE(history.isVisible());
        }
        EXPECT_EQ(p.messages->pageClick(), 0);  // still waiting
        QTest::mouseClick(p.messages->Memo1->viewport(), Qt::LeftButton);
    };
    QTimer::singleShot(0, [&] {
        tryAll();
        QTimer::singleShot(0, [&] {
            tryAll();
            EXPECT_EQ(history.geometry(), QRect(p.main->ImageFront->mapToGlobal(QPoint(0, 0)), QSize(480, 300)));
        });
    });
    startScene(".Start\r\none\r\n.\r\n.CW\r\ntwo\r\nthree\r\n.\r\n;\r\nend\r\n");
    EXPECT_EQ(counts, (std::vector<int>{1, 1, 1, 1, 3, 3, 3, 3}));
    // A new game empties it.
    PrepareGame(p.main->game());
    p.reading->openHistory();
    EXPECT_EQ(history.lineCount(), 0);
    p.reading->closeHistory();
}

TEST_F(WindowsTest, HeldCtrlSkipsPagesAndStopsAtTheIdleGame) {
    QTest::keyPress(p.main.get(), Qt::Key_Control);
    EXPECT_TRUE(skipping());
    startScene(".Start\r\none\r\n.\r\ntwo\r\n.\r\n;\r\n." + sj("扉見る") + "\r\nlooked\r\n.\r\n;\r\nend\r\n");
    EXPECT_EQ(lines(), (std::vector<std::string>{"one", "two"}));  // both pages passed by themselves
    EXPECT_FALSE(skipping());                                      // stopped at the idle game
    QTest::keyRelease(p.main.get(), Qt::Key_Control);

    // Ctrl as part of a shortcut does not skip.
    QTest::keyPress(p.main.get(), Qt::Key_Control);
    QTest::keyPress(p.main.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_FALSE(skipping());
    QTest::keyRelease(p.main.get(), Qt::Key_Control);
}

TEST_F(WindowsTest, TheToggleKeySkipsUntilTheVerbWindowAndNeverChooses) {
    startScene(".Start\r\n;\r\n." + sj("扉見る") + "\r\nlooked\r\n.\r\nagain\r\n.\r\n;\r\nend\r\n");
    p.messages->setPageClick(100);
    QTest::keyClick(p.main.get(), Qt::Key_F8);
    EXPECT_TRUE(skipping());
    bool skippingAtVerbs = true;
    QTimer::singleShot(0, [&] {
        skippingAtVerbs = skipping();
        EXPECT_TRUE(p.verbs->isVisible());
        QTest::keyClick(p.verbs.get(), Qt::Key_F8);  // on again, from the verb window
        p.verbs->Button2->click();
    });
    QTest::mousePress(p.main->ImageFront, Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseRelease(p.main->ImageFront, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_FALSE(skippingAtVerbs);
    EXPECT_EQ(lines(), (std::vector<std::string>{"looked", "again"}));
    EXPECT_FALSE(skipping());
}

// --- keyboard play ---

TEST_F(WindowsTest, StartMenuShowsTheFocusAndEnterPressesIt) {
    dir.writeBmp("bg.BMP", solidImage(480, 300, 0x336699));
    dir.write("Opning.dat", "bg\r\n;\r\n.Start\r\n;\r\nend\r\n");
    p.startMenu->show();
    p.startMenu->activateWindow();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), p.startMenu->Button1);
    // A dotted frame inside the focused button's edge, on no other button.
    const auto framePixels = [](QPushButton* b) {
        const QImage img = b->grab().toImage();
        const QRgb ink = b->palette().color(QPalette::ButtonText).rgb();
        int n = 0;
        for (int y = 4; y < img.height() - 4; ++y) n += img.pixel(3, y) == ink;
        return n;
    };
    EXPECT_GE(framePixels(p.startMenu->Button1), 4);
    EXPECT_EQ(framePixels(p.startMenu->Button2), 0);
    QTest::keyClick(p.startMenu->focusWidget(), Qt::Key_Down);
    EXPECT_EQ(p.startMenu->focusWidget(), p.startMenu->Button2);
    EXPECT_GE(framePixels(p.startMenu->Button2), 4);
    QTest::keyClick(p.startMenu->focusWidget(), Qt::Key_Up);
    QTest::keyClick(p.startMenu->focusWidget(), Qt::Key_Return);  // "はじめから"
    EXPECT_FALSE(p.startMenu->isVisible());
    EXPECT_TRUE(p.main->isVisible());
    EXPECT_EQ(p.main->game().st.SceneName, "Opning.dat");
}

TEST_F(WindowsTest, TabHighlightsTheReachableObjectsOverThePictureAndEnterClicksThem) {
    startScene(".Start\r\n;\r\n." + sj("箱") + "\r\nbox\r\n;\r\n." + sj("扉見る") + "\r\nlooked\r\n;\r\nend\r\n");
    p.messages->setPageClick(100);
    TFormMein* main = p.main.get();
    const QImage picture = main->game().pics.ImageFront;
    QTest::keyClick(main, Qt::Key_Tab);
    EXPECT_EQ(main->highlightedObject(), 1);
    // Drawn on the screen over the object's edge; the picture itself is untouched.
    const QImage screen = main->ImageFront->grab().toImage();
    EXPECT_EQ(screen.pixel(10, 10) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(screen.pixel(11, 15) & 0xFFFFFF, 0xFFD600u);
    EXPECT_EQ(screen.pixel(30, 30) & 0xFFFFFF, 0x336699u);
    EXPECT_EQ(main->game().pics.ImageFront, picture);
    // Forward, round, backward.
    QTest::keyClick(main, Qt::Key_Tab);
    EXPECT_EQ(main->highlightedObject(), 2);
    QTest::keyClick(main, Qt::Key_Tab);
    EXPECT_EQ(main->highlightedObject(), 1);
    QTest::keyClick(main, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(main->highlightedObject(), 2);
    QTest::keyClick(main, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(main->highlightedObject(), 1);
    // Enter on the name-only object: its label runs once the click's release has come.
    QTest::keyClick(main, Qt::Key_Return);
    EXPECT_EQ(lines(), (std::vector<std::string>{"box"}));
    // Enter on the object with verbs opens the verb window where a click at
    // its middle would; the keys choose there.
    QTest::keyClick(main, Qt::Key_Tab);
    QPoint seen;
    QTimer::singleShot(0, [&] {
        seen = p.verbs->pos();
        QTest::keyClick(p.verbs->focusWidget(), Qt::Key_Down);
        QTest::keyClick(p.verbs->focusWidget(), Qt::Key_Return);
    });
    QTest::keyClick(main, Qt::Key_Return);
    EXPECT_EQ(seen, main->pictureOrigin() + ClampVerbPosition(239, 149));
    EXPECT_EQ(lines(), (std::vector<std::string>{"looked"}));
    // The next mouse move takes the highlight away (the pointer coming in
    // over the picture, or its window appearing under it, does not).
    EXPECT_EQ(main->highlightedObject(), 2);
    QTest::mouseMove(main->ImageFront, QPoint(100, 100));
    QTest::mouseMove(main->ImageFront, QPoint(104, 100));
    EXPECT_EQ(main->highlightedObject(), 0);
}

TEST_F(WindowsTest, PageKeysTurnAWaitingPageFromEitherWindow) {
    // Each step presses its key once the next page waits.
    std::vector<std::function<void()>> steps = {
        [&] { QTest::keyClick(p.main.get(), Qt::Key_Space); },
        [&] { QTest::keyClick(p.main.get(), Qt::Key_Return); },
        [&] { QTest::keyClick(p.main.get(), Qt::Key_PageDown); },
        [&] { QTest::keyClick(p.main.get(), Qt::Key_Down); },
        [&] { QTest::keyClick(p.messages.get(), Qt::Key_PageDown); },
        [&] {
            // Tab on the message window works the picture's highlight; Enter
            // then clicks the object, which during a page wait turns the page.
            QTest::keyClick(p.messages->Memo1, Qt::Key_Tab);
            EXPECT_EQ(p.main->highlightedObject(), 1);
            QTest::keyClick(p.messages->Memo1, Qt::Key_Return);
        },
    };
    std::size_t next = 0;
    std::function<void()> step = [&] {
        if (p.messages->pageClick() == 0 && next < steps.size()) steps[next++]();
        if (next < steps.size()) QTimer::singleShot(0, step);
    };
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { requestQuit(); });
    guard.start(5000);
    QTimer::singleShot(0, step);
    startScene(".Start\r\n1\r\n.\r\n2\r\n.\r\n3\r\n.\r\n4\r\n.\r\n5\r\n.\r\n6\r\n.\r\n;\r\n." + sj("箱") +
               "\r\nbox\r\n;\r\nend\r\n");
    EXPECT_FALSE(quitting());
    EXPECT_EQ(next, steps.size());
    EXPECT_EQ(lines(), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
}

TEST_F(WindowsTest, OperandsAtTheEndsOfTheIntegerRangeKeepWindowsWhereTheWindowSystemReaches) {
    // Centring, placing and sizing the message window and the text's baseline
    // add to the operands; the sums must neither wrap round nor leave the range
    // that the window system takes.
    startScene(
        ".Start\r\n.FW,1,x,2147483647,2147483647\r\n"
        ".MW,2147483647,2147483647,1,x,2147483647,2147483647\r\n"
        ".PT,0,2147483647,clRed,x,-12,abc\r\n.PT,2147483647,0,clRed,x,-12,abc\r\n;\r\nend\r\n");
    EXPECT_EQ(p.main->pos(), QPoint(32767, 32767));
    EXPECT_EQ(p.messages->pos(), QPoint(32767, 32767));
    // No larger than the desktop.
    EXPECT_EQ(p.messages->size(), p.messages->screen()->virtualSize());
    // Nothing of the text lands on the picture.
    EXPECT_EQ(p.main->game().pics.ImageFront, solidImage(480, 300, 0x336699));

    startScene(".Start\r\n.FW,1,x,-2147483648,-2147483648\r\n.MW,-2147483648,-2147483648\r\n;\r\nend\r\n");
    EXPECT_EQ(p.main->pos(), QPoint(-32768, -32768));
    EXPECT_EQ(p.messages->pos(), QPoint(-32768, -32768));
}

TEST_F(WindowsTest, PadButtonsDoWhatTheirKeysDo) {
    InputMapper input(p.w);
    HistoryWindow& history = p.reading->historyWindow();
    const auto press = [&](PadButton b) { input.pad(b, true, input.liveTarget()); };
    QTimer::singleShot(0, [&] {
        // A direction highlights an object; X opens the history and B closes it.
        press(PadButton::Right);
        EXPECT_EQ(p.main->highlightedObject(), 1);
        press(PadButton::X);
        EXPECT_TRUE(history.isVisible());
        press(PadButton::B);
        EXPECT_FALSE(history.isVisible());
        // Start opens the popup menu, B closes it.
        press(PadButton::Start);
        EXPECT_TRUE(p.main->PopupMenu1->isVisible());
        press(PadButton::B);
        EXPECT_FALSE(p.main->PopupMenu1->isVisible());
        // RB skips while held.
        press(PadButton::RB);
        EXPECT_TRUE(skipping());
        input.pad(PadButton::RB, false, input.liveTarget());
        EXPECT_FALSE(skipping());
        p.main->clearHighlight();
        press(PadButton::A);  // turns the page
    });
    startScene(".Start\r\none\r\n.\r\ntwo\r\n;\r\n." + sj("箱") + "\r\nbox\r\n;\r\nend\r\n");
    EXPECT_EQ(lines(), (std::vector<std::string>{"one", "two"}));  // the page was turned
    // A on the highlighted object clicks it.
    press(PadButton::Left);
    EXPECT_EQ(p.main->highlightedObject(), 1);
    press(PadButton::A);
    EXPECT_EQ(lines(), (std::vector<std::string>{"box"}));
}

TEST_F(WindowsTest, TouchesTapLongPressAndSwipeAsTheMouseAndKeysDo) {
    InputMapper input(p.w);
    TouchGestures touch(p.w, input);
    startScene(".Start\r\n;\r\n." + sj("箱") + "\r\nbox\r\n;\r\nend\r\n");
    p.messages->setPageClick(100);
    // The test's own device; Qt leaves deleting it to the caller.
    const std::unique_ptr<QPointingDevice> device(QTest::createTouchDevice());
    QPointingDevice* screen = device.get();
    PictureView* view = p.main->ImageFront;
    const QPoint box = view->viewPoint(QPoint(15, 15));
    // A tap on the name-only object clicks it.
    QTest::touchEvent(view, screen).press(0, box);
    QTest::touchEvent(view, screen).release(0, box);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lines().empty(); }, 5000));
    EXPECT_EQ(lines(), (std::vector<std::string>{"box"}));
    // A long press opens the popup menu.
    QTest::touchEvent(view, screen).press(0, box);
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.main->PopupMenu1->isVisible(); }, 5000));
    p.main->PopupMenu1->hide();
    QTest::touchEvent(view, screen).release(0, box);
    // Two fingers swiped up open the history; a short way does not.
    HistoryWindow& history = p.reading->historyWindow();
    for (const int rise : {10, 80}) {
        const QPoint a(200, 200), b(260, 200), up(0, -rise);
        QTest::touchEvent(view, screen).press(0, a).press(1, b);
        QTest::touchEvent(view, screen).move(0, a + up).move(1, b + up);
        QTest::touchEvent(view, screen).release(0, a + up).release(1, b + up);
        EXPECT_EQ(QTest::qWaitFor([&] { return history.isVisible(); }, rise < 48 ? 200 : 5000), rise >= 48) << rise;
    }
    p.reading->closeHistory();
    EXPECT_EQ(lines(), (std::vector<std::string>{"box"}));
}

TEST_F(WindowsTest, AVirtualControllerPluggedInWhilePlayingTurnsThePageAndLeaves) {
    SdlGamepad pad;
    if (!pad.available()) GTEST_SKIP() << "SDL's game controller support does not start here";
    InputMapper input(p.w);
    QObject::connect(&pad, &SdlGamepad::button, &input,
                     [&input](PadButton b, bool down) { input.pad(b, down, input.liveTarget()); });
    std::vector<std::pair<PadButton, bool>> seen;
    QObject::connect(&pad, &SdlGamepad::button, [&seen](PadButton b, bool down) { seen.emplace_back(b, down); });
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    int device = -1;
    QTimer::singleShot(0, [&] {
        // Plugged in while the first page waits.
        device = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(device, 0) << SDL_GetError();
        pad.pump();
        ASSERT_EQ(pad.count(), 1);
        SDL_Joystick* stick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
        // The stick pushed right and back, then A pressed and let go.
        SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTX, 30000);
        pad.pump();
        SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTX, 0);
        pad.pump();
        SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_A, 1);
        pad.pump();
        SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_A, 0);
        pad.pump();
    });
    startScene(".Start\r\none\r\n.\r\ntwo\r\n;\r\nend\r\n");
    EXPECT_EQ(lines(), (std::vector<std::string>{"one", "two"}));  // the page was turned
    EXPECT_EQ(seen,
              (std::vector<std::pair<PadButton, bool>>{
                  {PadButton::Right, true}, {PadButton::Right, false}, {PadButton::A, true}, {PadButton::A, false}}));
    // Unplugged.
    ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0);
    pad.pump();
    EXPECT_EQ(pad.count(), 0);
}
