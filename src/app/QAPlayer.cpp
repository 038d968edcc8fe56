#include "app/QAPlayer.h"

#include "app/QWindowHost.h"
#include "dialogs/QMessageWindow.h"
#include "dialogs/QTextInput.h"
#include "dialogs/QVerbWindow.h"
#include "shell/GameFlow.h"
#include "shell/QBoxes.h"
#include "shell/QFormMein.h"
#include "shell/QStartMenu.h"

#include <QApplication>
#include <cstdio>
#include <optional>

namespace qel {

namespace {

const char* kUsage =
    "Usage: qelplayer [OPTION]... [SCENE.dat | SCENARIO-FOLDER]\n"
    "Plays a QEL adventure scenario. A scene file starts new games from that scene\n"
    "and makes its folder the scenario folder; a folder plays its \"Opning.dat\".\n"
    "\n"
    "  --help       show this help and exit\n"
    "  --version    show the player's title and exit\n";

} // namespace

int RunPlayer(const QStringList& arguments) {
    std::optional<QString> firstArg;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == QLatin1String("--version")) {
            std::printf("%s\n", applicationTitle().toUtf8().constData());
            return 0;
        }
        if (a.startsWith(QLatin1String("--"))) {
            std::fprintf(stderr, "qelplayer: unknown option %s\n%s", a.toLocal8Bit().constData(), kUsage);
            return 2;
        }
        if (!firstArg) firstArg = a;  // further arguments are ignored
    }

    QApplication::setApplicationName(applicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);

    // The five windows, in their order; all live until the program ends.
    Windows w;
    TStartMenu startMenu;
    w.startMenu = &startMenu;
    startMenu.FormCreate(firstArg);
    TFormMein mainWindow;
    w.main = &mainWindow;
    mainWindow.setCaption(MainWindowCaption(firstArg));
    TFormMsgText messages;
    w.messages = &messages;
    TFromCom verbs;
    w.verbs = &verbs;
    TFTextIn textInput;
    w.textInput = &textInput;

    RealClock clock;
    WindowHost host(w, clock);
    mainWindow.connectWindows(&startMenu, &messages, &verbs);
    mainWindow.createGame(host);
    startMenu.connectMainWindow(&mainWindow);

    startMenu.show();
    return QApplication::exec();
}

} // namespace qel
