// The settings window, opened as a player opens it, editing the settings as
// the keys do; and the reading mode's badge, which only the screen shows.
#include "FakeHost.h"
#include "dialogs/MessageWindow.h"
#include "platform/Settings.h"
#include "platform/Skipping.h"
#include "shell/FormMein.h"
#include "shell/ReadingControls.h"
#include "shell/SettingsWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace qel;

namespace {

struct GameWindows : ::testing::Test {
    test::FakeHost host;
    TFormMein main;
    TFormMsgText messages;
    ReadingControls reading{main, messages};
    GameWindows() {
        Settings::instance().reset();
        main.createGame(host);
        main.game().pics.ImageFront = QImage(486, 295, QImage::Format_RGB32);
        main.game().pics.ImageFront.fill(Qt::darkBlue);
        main.show();
    }
    ~GameWindows() override {
        Skipping::instance().setOn(false);
        Settings::instance().reset();
    }
};

}  // namespace

TEST_F(GameWindows, F2AndThePopupMenuOpenTheSettingsWindowWhoseEditsAreTheSettings) {
    QTest::keyClick(&main, Qt::Key_F2);
    SettingsWindow* window = reading.settingsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    window->close();
    main.settingsItem->trigger();
    EXPECT_TRUE(window->isVisible());

    // Every setting a player chooses has its line; the chooser's folder has none.
    for (const char* name : {"scale", "fullscreen", "windows", "gamepad", "skip", "auto", "auto-base-ms",
                             "auto-char-ms", "copy-text", "music-volume", "sound-volume", "mute", "mute-minimized"})
        EXPECT_NE(window->editor(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(window->editor(QStringLiteral("last-folder")), nullptr);

    qobject_cast<QSpinBox*>(window->editor("music-volume"))->setValue(40);
    qobject_cast<QCheckBox*>(window->editor("copy-text"))->setChecked(true);
    qobject_cast<QComboBox*>(window->editor("skip"))->setCurrentText("all");
    qobject_cast<QComboBox*>(window->editor("scale"))->setCurrentText("2");
    EXPECT_EQ(Settings::instance().number("music-volume"), 40);
    EXPECT_TRUE(Settings::instance().flag("copy-text"));
    EXPECT_EQ(Settings::instance().text("skip"), "all");
    EXPECT_EQ(main.display().scaleChoice(), 2);  // the game is redrawn at once

    // A key that changes a setting while the window is open shows there.
    QTest::keyClick(&main, Qt::Key_M);
    EXPECT_TRUE(Settings::instance().flag("mute"));
    EXPECT_TRUE(qobject_cast<QCheckBox*>(window->editor("mute"))->isChecked());
}

TEST_F(GameWindows, TheBadgeSaysSkipOrAutoOnTheScreenOnly) {
    const QImage picture = main.game().pics.ImageFront;
    EXPECT_EQ(main.ImageFront->modeBadge(), "");
    const QImage plain = main.ImageFront->grab().toImage();
    QTest::keyClick(&main, Qt::Key_A);
    EXPECT_EQ(main.ImageFront->modeBadge(), "AUTO");
    Skipping::instance().setOn(true);
    EXPECT_EQ(main.ImageFront->modeBadge(), "SKIP");
    EXPECT_NE(main.ImageFront->grab().toImage(), plain);
    EXPECT_EQ(main.game().pics.ImageFront, picture);  // what the shots save
    Skipping::instance().setOn(false);
    QTest::keyClick(&main, Qt::Key_A);
    EXPECT_EQ(main.ImageFront->modeBadge(), "");
    EXPECT_EQ(main.ImageFront->grab().toImage(), plain);
}
