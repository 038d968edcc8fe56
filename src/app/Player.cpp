#include "app/Player.h"

#include "app/EndSignals.h"
#include "app/ReplaySession.h"
#include "app/DisplaySettings.h"
#include "platform/ViewScale.h"
#include "app/ScenarioCheck.h"
#include "app/ScenarioChoice.h"
#include "app/WindowHost.h"
#include "dialogs/MessageWindow.h"
#include "dialogs/TextInput.h"
#include "dialogs/VerbWindow.h"
#include "engine/Trace.h"
#include "platform/ArchiveUnpack.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/Fonts.h"
#include "platform/MusicPlayback.h"
#include "platform/SdlAudioBackend.h"
#include "platform/Settings.h"
#include "platform/Waits.h"
#include "shell/FormMein.h"
#include "shell/GameFlow.h"
#include "shell/MessageBoxes.h"
#include "shell/ReadMemory.h"
#include "shell/ReadingControls.h"
#include "shell/SaveFile.h"
#include "shell/StartMenu.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <memory>
#include <optional>

namespace qel {

namespace {

const char* kUsage =
    "Usage: qelplayer [OPTION]... [SCENE.dat | SCENARIO-FOLDER | ARCHIVE]\n"
    "Plays a QEL adventure scenario. A scene file starts new games from that scene\n"
    "and makes its folder the scenario folder; a folder plays its \"Opning.dat\".\n"
    "An archive (.lzh .lha .zip .7z) is unpacked once into ~/.cache/qelplayer and\n"
    "plays from its shallowest folder holding \"Opning.dat\". With nothing to play\n"
    "(no argument, no \"Opning.dat\" here) a file dialog asks for a scenario.\n"
    "\n"
    "Saves (QELP.INI) stay in the scenario folder when it is writable; otherwise,\n"
    "and for archives, they go to ~/.local/share/qelplayer/saves/NAME-HASH/\n"
    "(XDG_CACHE_HOME and XDG_DATA_HOME move these folders).\n"
    "\n"
    "  --replay FILE       take the player's actions from FILE instead of a person\n"
    "  --record FILE       write every action the player takes to FILE, as a replay\n"
    "  --transcript FILE   write the session's transcript to FILE (- for standard output)\n"
    "  --shots DIR         with the transcript: save the picture at each page, idle and box\n"
    "  --real-time         with --replay: let timed waits take real time\n"
    "  --scale N|auto      draw the game N times as large (1 to 6); auto, the default,\n"
    "                      takes the largest that fits the screen comfortably\n"
    "  --fullscreen        start full screen: the picture centred on black\n"
    "  --windowed          start in a window (the opposite of --fullscreen)\n"
    "  --trace             write each script line as it runs, each wait and each scene\n"
    "                      change to standard error, as FILE:LINE: TEXT\n"
    "  --check [PATH]      check the scenario (folder, scene file or the current folder)\n"
    "                      without playing it; prints FILE:LINE: error|warning: MESSAGE\n"
    "  --set NAME=VALUE    use a setting for this run only, without storing it\n"
    "                      (the settings are listed below)\n"
    "  --help              show this help and exit\n"
    "  --version           show the player's title and exit\n"
    "\n"
    "Keys (the game plays without a mouse):\n"
    "  Tab, Shift+Tab      start menu, verb window, boxes: move the focus;\n"
    "                      picture: highlight the next or previous object\n"
    "  Enter, Space        press the button with the focus\n"
    "  Enter               picture: click the highlighted object\n"
    "  Space, Enter, Page Down, Down\n"
    "                      turn a waiting page (any character key on the\n"
    "                      message window does too)\n"
    "  Esc                 close the verb window choosing nothing\n"
    "  Menu, Shift+F10     open the popup menu (TopMenu, Help, Exit)\n"
    "  Ctrl+Plus, Ctrl+Minus   draw the game larger, smaller\n"
    "  Ctrl+0              back to the automatic size\n"
    "  F11, Alt+Enter      full screen on and off\n"
    "  Page Up, Up, or the mouse wheel turned up over the picture or the text\n"
    "                      show the text so far (Esc, a click or the wheel turned\n"
    "                      down at its end close it)\n"
    "  Ctrl (held)         skip: pages turn by themselves, transitions and timed\n"
    "                      waits end at once; stops wherever the game asks you\n"
    "                      and at the page shown when Ctrl is let go\n"
    "  F8                  start or stop skipping without holding a key\n"
    "The scale, full screen and the settings below are remembered for the next\n"
    "start ($XDG_CONFIG_HOME/qelplayer/settings.ini); options given here win.\n"
    "\n"
    "Exit status: 0 when the program or a replay ends normally (or the file dialog\n"
    "is cancelled), 2 for bad options or a scenario that cannot be opened,\n"
    "3 when a replay action does not fit the moment. --check: 0 without errors,\n"
    "1 with errors, 2 when the scenario cannot be read.\n";

// The settings --set takes, one line each.
QString settingsUsage() {
    QString out = QStringLiteral("\nSettings (--set NAME=VALUE; on|off for the switches):\n");
    for (const SettingRow& row : settingRows()) {
        if (!row.help) continue;
        const QString values = row.kind == SettingKind::Boolean ? QStringLiteral("on|off")
                               : row.kind == SettingKind::Number
                                   ? QStringLiteral("%1..%2").arg(row.low).arg(row.high)
                                   : QString::fromLatin1(row.words);
        out += QStringLiteral("  %1=%2").arg(QString::fromLatin1(row.name), values).leftJustified(33);
        out += QStringLiteral(" %1 (default %2)\n").arg(QString::fromLatin1(row.help), QString::fromLatin1(row.fallback));
    }
    return out;
}

} // namespace

int RunPlayer(const QStringList& arguments) {
    std::optional<QString> firstArg;
    SessionOptions session;
    bool check = false;
    std::optional<int> scaleOption;
    std::optional<bool> fullScreenOption;
    bool trace = false;
    QStringList forRun;  // --set NAME=VALUE
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString* value = a == QLatin1String("--replay")       ? &session.replayFile
                         : a == QLatin1String("--record")     ? &session.recordFile
                         : a == QLatin1String("--transcript") ? &session.transcriptFile
                         : a == QLatin1String("--shots")      ? &session.shotsDir
                                                              : nullptr;
        if (value) {
            if (i + 1 >= arguments.size()) {
                std::fprintf(stderr, "qelplayer: %s needs a value\n%s", a.toLocal8Bit().constData(), kUsage);
                return 2;
            }
            *value = arguments[++i];
            continue;
        }
        if (a == QLatin1String("--scale")) {
            std::optional<int> n;
            if (i + 1 < arguments.size()) n = parseScaleOption(arguments[++i]);
            if (!n) {
                std::fprintf(stderr, "qelplayer: --scale takes a number from 1 to 6 or auto\n%s", kUsage);
                return 2;
            }
            scaleOption = n;
            continue;
        }
        if (a == QLatin1String("--fullscreen") || a == QLatin1String("--windowed")) {
            fullScreenOption = a == QLatin1String("--fullscreen");
            continue;
        }
        if (a == QLatin1String("--set")) {
            if (i + 1 >= arguments.size()) {
                std::fprintf(stderr, "qelplayer: --set needs NAME=VALUE\n%s", kUsage);
                return 2;
            }
            forRun << arguments[++i];
            continue;
        }
        if (a == QLatin1String("--real-time")) {
            session.realTime = true;
            continue;
        }
        if (a == QLatin1String("--trace")) {
            trace = true;
            continue;
        }
        if (a == QLatin1String("--check")) {  // its path is optional
            check = true;
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1String("--"))) firstArg = arguments[++i];
            continue;
        }
        if (a == QLatin1String("--help")) {
            std::fputs(kUsage, stdout);
            std::fputs(settingsUsage().toLocal8Bit().constData(), stdout);
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
    // The checker reads the scenario and opens no window.
    if (check) {
        QString target = firstArg.value_or(QString());
        if (IsArchiveName(target) && QFileInfo(target).isFile()) {
            ScenarioArgument resolved = ResolveScenarioArgument(target, ArchiveCacheRoot());
            if (!resolved.error.isEmpty()) {
                std::fprintf(stderr, "qelplayer: %s\n", resolved.error.toLocal8Bit().constData());
                return 2;
            }
            target = *resolved.arg;
        }
        return RunScenarioCheck(target, stdout, stderr);
    }

    // The settings, then the ones set for this run; a replay's changes are
    // not the user's and are never stored.
    Settings& settings = Settings::instance();
    settings.load();
    settings.setStoring(session.replayFile.isEmpty());
    for (const QString& assignment : forRun) {
        QString why;
        if (!settings.setForRun(assignment, &why)) {
            std::fprintf(stderr, "qelplayer: --set: %s\n%s", why.toLocal8Bit().constData(), kUsage);
            return 2;
        }
    }

    QApplication::setApplicationName(applicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);
    // Message boxes and dialogs use the Japanese user-interface face of Windows.
    QApplication::setFont(windowsFont(QString::fromUtf8("ＭＳ ＵＩ Gothic"), -12));

    // The session listens from the start: the start menu's creation may
    // already show a box.
    Windows pending;
    std::unique_ptr<Session> recorder;
    RealClock realClock;
    SdlAudioBackend audio;
    std::unique_ptr<PlayerWindows> player;
    if (session.any()) {
        try {
            recorder = std::make_unique<Session>(session, pending);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "qelplayer: %s\n", e.what());
            return 2;
        }
        setPlayerEvents(recorder.get());
    }
    // kill, Ctrl+C and the end of the desktop session end the program the way
    // closing the start menu does: every wait ends and the run in progress is
    // abandoned, with no question asked and the save file left alone.
    // So does the loss of one of its windows to another X client.
    auto endFromOutside = [] {
        requestQuit();
        QCoreApplication::exit(0);
    };
    EndSignals endSignals;
    QObject::connect(&endSignals, &EndSignals::received, endFromOutside);
    WindowLoss windowLoss;
    QObject::connect(&windowLoss, &WindowLoss::windowDestroyed, endFromOutside);
    auto endEarly = [&](int status) {
        if (recorder) recorder->close();
        setPlayerEvents(nullptr);
        return status;
    };
    // Nothing to play: the player chooses a scenario, or leaves.
    if (NeedsChooser(firstArg)) {
        firstArg = ChooseScenario(ChooserStartFolder());
        if (!firstArg) return endEarly(0);
    }
    ScenarioArgument resolved = ResolveScenarioArgument(firstArg, ArchiveCacheRoot());
    if (!resolved.error.isEmpty()) {
        std::fprintf(stderr, "qelplayer: %s\n", resolved.error.toLocal8Bit().constData());
        showErrorBox(encode(resolved.error));
        return endEarly(2);
    }

    player = std::make_unique<PlayerWindows>(resolved.arg,
                                             recorder ? recorder->clock() : static_cast<Clock&>(realClock), audio,
                                             trace ? stderr : nullptr);
    if (resolved.archive) player->main->setCaption(MainWindowCaption(firstArg));  // the archive's name
    if (recorder) recorder->setWindows(player->w);
    // The start menu has made the scenario folder current.
    SetSaveFolder(SaveFolderFor(QDir::currentPath(), resolved.archive ? &*resolved.archive : nullptr));
    ReadMemory::instance().open(ScenarioDataFolder(QDir::currentPath(), resolved.archive ? &*resolved.archive : nullptr) +
                                QStringLiteral("/read-text.bin"));

    // The start menu's creation may show a box, and the program may have been
    // told to end while it was open (a signal, a replay that ended there): the
    // main loop would then never be told again.
    if (quitting()) {
        if (recorder) recorder->close();
        setPlayerEvents(nullptr);
        return recorder ? recorder->exitStatus() : 0;
    }

    // The display as last chosen, unless the command line says otherwise.
    // Changes made while playing are remembered; a replay's are not the user's.
    const DisplayChoice display = chooseDisplay(loadDisplayChoice(), scaleOption, fullScreenOption);
    player->main->setDisplay(display.scale, display.fullScreen);
    QObject::connect(player->main.get(), &TFormMein::displayChosen, [](int scale, bool fullScreen) {
        saveDisplayChoice(DisplayChoice{scale, fullScreen});
    });

    player->startMenu->show();
    if (recorder) recorder->start();
    int status = QApplication::exec();
    if (recorder) recorder->close();
    setPlayerEvents(nullptr);
    return status;
}

PlayerWindows::PlayerWindows(const std::optional<QString>& firstArg, Clock& clock, AudioBackend& audio,
                             std::FILE* traceTo) {
    // The five windows, in their order; each creation handler runs as its
    // window is created.
    startMenu = std::make_unique<TStartMenu>();
    w.startMenu = startMenu.get();
    startMenu->FormCreate(firstArg);
    main = std::make_unique<TFormMein>();
    w.main = main.get();
    main->setCaption(MainWindowCaption(firstArg));
    messages = std::make_unique<TFormMsgText>();
    w.messages = messages.get();
    verbs = std::make_unique<TFromCom>();
    w.verbs = verbs.get();
    textInput = std::make_unique<TFTextIn>();
    w.textInput = textInput.get();
    reading = std::make_unique<ReadingControls>(*main, *messages);
    w.reading = reading.get();

    host = std::make_unique<WindowHost>(w, clock);
    main->connectWindows(startMenu.get(), messages.get(), verbs.get());
    if (traceTo) trace = std::make_unique<ScriptTrace>(*host, traceTo);
    main->createGame(trace ? static_cast<GameHost&>(*trace) : *host, trace.get());
    startMenu->connectMainWindow(main.get());

    players = std::make_unique<MusicPlayback>(audio);
    players->setTimerErrorHandler([](const GameError& e) { showErrorBox(e.text()); });
    host->music = [this](std::int32_t mode, const std::string& file) { players->MP(mode, file); };
    host->sound = [this](std::int32_t mode, const std::string& file) { players->WP(mode, file); };
}

PlayerWindows::~PlayerWindows() = default;

} // namespace qel
