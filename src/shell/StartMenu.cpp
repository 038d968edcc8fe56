#include "shell/StartMenu.h"

#include "dialogs/FocusButton.h"
#include "platform/Cp932.h"
#include "platform/Fonts.h"
#include "platform/PlayerEvents.h"
#include "platform/ScreenPlace.h"
#include "platform/Waits.h"
#include "platform/ViewScale.h"
#include "shell/FormMein.h"
#include "shell/GameFlow.h"
#include "shell/MessageBoxes.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

namespace qel {

TStartMenu::TStartMenu(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("QEL Player"));
    setFont(windowsFont(QString::fromUtf8("ＭＳ Ｐゴシック"), 12));
    setFixedSize(219, 105);
    QFont buttonFont = windowsFont(QString::fromUtf8("ＭＳ Ｐゴシック"), 19);
    auto make = [&](const char* caption, int top) {
        auto* b = new FocusButton(QString::fromUtf8(caption), this);
        b->setGeometry(8, top, 200, 25);
        b->setFont(buttonFont);
        return b;
    };
    Button1 = make("はじめから", 8);
    Button2 = make("続きから", 40);
    Button3 = make("終了", 72);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    // For screen readers: what the window is, and each button by its words.
    setAccessibleName(QStringLiteral("スタートメニュー"));
    for (QPushButton* b : {Button1, Button2, Button3}) b->setAccessibleName(b->text());
    Button1->setFocus();
    connect(Button1, &QPushButton::clicked, this, &TStartMenu::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TStartMenu::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TStartMenu::Button3Click);
    // Drawn at the game's scale, like the game's other windows.
    scaleFixedWindow(*this, ViewScale::factor());
    connect(&ViewScale::instance(), &ViewScale::changed, this, [this](int n) { scaleFixedWindow(*this, n); });
}

void TStartMenu::FormCreate(const std::optional<QString>& firstArg, bool announceScene) {
    StartScene = kDefaultStartScene;
    guarded([&] {
        StartupPlan plan = PlanStartup(firstArg);
        std::function<void(const std::string&)> announce;
        if (announceScene) announce = [](const std::string& text) { showMessageBox(BoxKind::Notice, text); };
        ApplyStartup(plan, StartScene, announce);
    });
}

void TStartMenu::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_) {
        placed_ = true;
        centreOnScreen(*this);
    }
}

void TStartMenu::startGame(const std::function<void()>& load) {
    hide();
    beginRun();
    Game& g = main_->game();
    bool loaded = guarded([&] {
        PrepareGame(g);
        load();
    });
    if (!loaded) {
        // A load that failed leaves the player at the start menu, never with no window.
        if (!quitting()) show();
        return;
    }
    // Becoming visible activates the main window, and the activation starts
    // the scene: the first run happens inside this click.
    main_->show();
    main_->raise();
    main_->activateWindow();
    main_->FormActivate();
}

void TStartMenu::Button1Click() {
    playerEvents().action(ReplayWord::New);
    startGame([this] { LoadNewGame(main_->game(), StartScene); });
}

void TStartMenu::Button2Click() {
    playerEvents().action(ReplayWord::Continue);
    startGame([this] { LoadSavedGame(main_->game(), StartScene); });
}

void TStartMenu::Button3Click() {
    playerEvents().action(ReplayWord::Quit);
    close();
}

void TStartMenu::keyPressEvent(QKeyEvent* event) {
    // Keyboard play: Enter presses the button with the focus, as Space does
    // (the buttons themselves take Space, Tab and the arrow keys).
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        if (auto* b = qobject_cast<QPushButton*>(focusWidget())) {
            event->accept();
            b->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void TStartMenu::closeEvent(QCloseEvent* event) {
    // The start menu is the application's main window: closing it ends the
    // program, and every wait in progress is abandoned.
    event->accept();
    requestQuit();
    QCoreApplication::quit();
}

}  // namespace qel
