#include "app/Player.h"

#include "app/AuthorGuide.h"
#include "app/DebugAdapter.h"
#include "app/EndSignals.h"
#include "app/LanguageServer.h"
#include "app/PadInput.h"
#include "app/Options.h"
#include "app/ReplaySession.h"
#include "app/ReplayVocabulary.h"
#include "app/DisplaySettings.h"
#include "platform/ViewScale.h"
#include "app/ScenarioCheck.h"
#include "app/ScenarioChoice.h"
#include "app/SceneWatcher.h"
#include "app/WindowHost.h"
#include "dialogs/HistoryWindow.h"
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
#include "platform/SdlGamepad.h"
#include "platform/ShownText.h"
#include "platform/SoundLevels.h"
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
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Calls then once the widget has been painted on the screen for the first
// time (from the event loop, after the paint), or after at most a second
// should it not be painted (started minimised, say).
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget& widget, std::function<void()> then) : QObject(&widget), then_(std::move(then)) {
        widget.installEventFilter(this);
        QTimer::singleShot(1000, this, &FirstPaint::fire);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) QTimer::singleShot(0, this, &FirstPaint::fire);
        return false;
    }

private:
    void fire() {
        if (!then_) return;
        parent()->removeEventFilter(this);
        std::exchange(then_, nullptr)();
        deleteLater();
    }
    std::function<void()> then_;
};

void afterFirstPaint(QWidget& widget, std::function<void()> then) { new FirstPaint(widget, std::move(then)); }

}  // namespace

namespace qel {

int RunPlayer(const Options& options) {
    std::optional<QString> firstArg = options.firstArg;
    SessionOptions session = options.session;  // a debugger's launch may name a replay
    const bool trace = options.trace;
    const bool dap = options.dap;
    const bool watch = options.watch;
    // The checker reads the scenario and opens no window.
    if (options.check) {
        QString target = firstArg.value_or(QString());
        if (IsArchiveName(target) && QFileInfo(target).isFile()) {
            ScenarioArgument resolved = ResolveScenarioArgument(target, ArchiveCacheRoot());
            if (!resolved.error.isEmpty()) {
                writeTerminal(stderr, QStringLiteral("qelplayer: %1\n").arg(resolved.error));
                return 2;
            }
            target = *resolved.arg;
        }
        return RunScenarioCheck(target, stdout, stderr);
    }

    // The settings, then the ones set for this run.
    Settings& settings = Settings::instance();
    settings.load();
    for (const QString& assignment : options.settingsForRun) {
        QString why;
        if (!settings.setForRun(assignment, &why)) {
            writeTerminal(stderr, QStringLiteral("qelplayer: --set: %1\n").arg(why) + usageText());
            return 2;
        }
    }

    QApplication::setApplicationName(applicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);
    // Message boxes and dialogs use the Japanese user-interface face of Windows.
    QApplication::setFont(windowsFont(QString::fromUtf8("ＭＳ ＵＩ Gothic"), -12));
    const QStringList missingFonts = missingJapaneseFonts();
    if (!missingFonts.isEmpty())
        writeTerminal(stderr, QStringLiteral("qelplayer: ") + missingFontsAdvice(missingFonts) + QLatin1Char('\n'));

    // Under the debugger, its launch request names the scenario (and a
    // replay, for scripted sessions).
    std::unique_ptr<JsonChannel> dapChannel;
    std::unique_ptr<DebugAdapter> debugger;
    if (dap) {
        dapChannel = std::make_unique<JsonChannel>(STDIN_FILENO, stdout);
        debugger = std::make_unique<DebugAdapter>(*dapChannel);
        std::optional<LaunchRequest> launch;
        try {
            launch = debugger->waitForLaunch();
        } catch (const RunAbandoned&) {
        }
        if (!launch) return 0;
        firstArg = launch->program;
        if (!launch->replay.isEmpty()) session.replayFile = launch->replay;
    }
    // A replay's changes of the settings are not the user's: never stored.
    settings.setStoring(session.replayFile.isEmpty());

    // The session listens from the start: the start menu's creation may
    // already show a box.
    Windows pending;
    InputMapper input(pending);  // the start menu's box may already take a pad's button
    pending.input = &input;
    std::unique_ptr<Session> recorder;
    RealClock realClock;
    SdlAudioBackend audio;
    std::unique_ptr<PlayerWindows> player;
    if (session.any()) {
        try {
            recorder = std::make_unique<Session>(session, pending);
        } catch (const std::exception& e) {
            writeTerminal(stderr, QStringLiteral("qelplayer: %1\n").arg(QString::fromLocal8Bit(e.what())));
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
    // Once per start, before anything else is shown (a replay's boxes are its
    // own: the terminal's warning is enough there).
    if (!missingFonts.isEmpty() && !session.any()) {
        try {
            showMessageBox(BoxKind::InfoOk, encode(missingFontsAdvice(missingFonts)));
        } catch (const RunAbandoned&) {
            return endEarly(0);
        }
    }
    // Nothing to play: the player chooses a scenario, or leaves.
    if (NeedsChooser(firstArg)) {
        firstArg = ChooseScenario(ChooserStartFolder());
        if (!firstArg) return endEarly(0);
    }
    ScenarioArgument resolved = ResolveScenarioArgument(firstArg, ArchiveCacheRoot());
    if (!resolved.error.isEmpty()) {
        writeTerminal(stderr, QStringLiteral("qelplayer: %1\n").arg(resolved.error));
        showErrorBox(encode(resolved.error));
        return endEarly(2);
    }

    player = std::make_unique<PlayerWindows>(resolved.arg,
                                             recorder ? recorder->clock() : static_cast<Clock&>(realClock), audio,
                                             trace ? stderr : nullptr, !dap);
    if (resolved.archive) player->main->setCaption(MainWindowCaption(firstArg));  // the archive's name
    player->w.input = &input;
    input.setWindows(player->w);
    TouchGestures touch(player->w, input);
    if (recorder) recorder->setWindows(player->w);
    // The start menu has made the scenario folder current.
    SetSaveFolder(SaveFolderFor(QDir::currentPath(), resolved.archive ? &*resolved.archive : nullptr));
    ReadMemory::instance().open(
        ScenarioDataFolder(QDir::currentPath(), resolved.archive ? &*resolved.archive : nullptr) +
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
    const DisplayChoice display = chooseDisplay(loadDisplayChoice(), options.scale, options.fullScreen);
    player->main->display().setPanels(
        {player->messages.get(), player->verbs.get(), player->textInput.get(), &player->reading->historyWindow()});
    player->main->display().setWindowMode(
        options.windows.value_or(parseWindowMode(display.windows).value_or(WindowMode::Auto)));
    player->main->setDisplay(display.scale, display.fullScreen);
    QObject::connect(player->main.get(), &TFormMein::displayChosen, [](int scale, bool fullScreen) {
        saveDisplayChoice(DisplayChoice{scale, fullScreen});
    });

    // Game controllers, unless switched off (also while playing, from the
    // settings window); a replay takes none, its actions are the player's.
    // With --virtual-pad a replay's pad actions come through a virtual one.
    std::unique_ptr<SdlGamepad> gamepad;
    const bool virtualPad = !session.replayFile.isEmpty() && session.virtualPad;
    // What the virtual controller reported, handed on once SDL is read.
    std::vector<std::pair<PadButton, bool>> virtualSeen;
    auto followGamepadSetting = [&] {
        const bool wanted = session.replayFile.isEmpty() ? gamepadWanted() : virtualPad;
        if (wanted == bool(gamepad)) return;
        if (!wanted) {
            gamepad.reset();
            return;
        }
        gamepad = std::make_unique<SdlGamepad>();
        QObject::connect(gamepad.get(), &SdlGamepad::button, &input,
                         [&input, &virtualSeen, virtualPad](PadButton b, bool down) {
                             if (virtualPad) {
                                 virtualSeen.emplace_back(b, down);
                                 return;
                             }
                             // Outside the device's reading: the button may open a wait.
                             QTimer::singleShot(0, &input,
                                                [&input, b, down] { input.pad(b, down, input.liveTarget()); });
                         });
    };
    // A player's controllers start once the start menu is on the screen:
    // loading SDL and opening the devices would otherwise delay it.
    if (session.replayFile.isEmpty() && !debugger) afterFirstPaint(*player->startMenu, followGamepadSetting);
    else followGamepadSetting();
    QObject::connect(&settings, &Settings::changed, &input, [&](const QString& name) {
        if (name == QLatin1String("gamepad")) followGamepadSetting();
    });
    if (virtualPad) {
        QString why;
        if (!gamepad->attachVirtual(&why)) {
            writeTerminal(stderr, QStringLiteral("qelplayer: no virtual controller: %1\n").arg(why));
            return endEarly(2);
        }
        // The whole press reaches SDL before the game sees any of it, as a
        // real button's does: what it leads to may wait, and the replay's
        // next action comes from inside that wait.
        player->w.virtualPad = [&gamepad, &input, &virtualSeen](PadButton b, bool down) {
            gamepad->pressVirtual(b, down);
            if (b != PadButton::RB) gamepad->pressVirtual(b, false);
            for (const auto& [button, isDown] : std::exchange(virtualSeen, {}))
                input.pad(button, isDown, input.liveTarget());
        };
    }

    std::unique_ptr<SceneWatcher> watcher;
    if (watch) watcher = std::make_unique<SceneWatcher>(*player->main);
    player->startMenu->show();
    if (debugger) {
        // A new game at once, before the session looks at the start menu.
        debugger->attach(player->main->game());
        QTimer::singleShot(0, player->startMenu.get(), &TStartMenu::Button1Click);
    }
    if (recorder) recorder->start();
    int status = QApplication::exec();
    if (recorder) recorder->close();
    setPlayerEvents(nullptr);
    if (debugger) debugger->ended(recorder ? recorder->exitStatus() : status);
    return status;
}

PlayerWindows::PlayerWindows(const std::optional<QString>& firstArg, Clock& clock, AudioBackend& audio,
                             std::FILE* traceTo, bool announceScene) {
    // The five windows, in their order; each creation handler runs as its
    // window is created.
    startMenu = std::make_unique<TStartMenu>();
    w.startMenu = startMenu.get();
    startMenu->FormCreate(firstArg, announceScene);
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
    levels = std::make_unique<SoundLevels>(audio);
    levels->watchWindow(main.get());
    players->setTimerErrorHandler([](const GameError& e) { showErrorBox(e.text()); });
    host->music = [this](std::int32_t mode, const std::string& file) { players->MP(mode, file); };
    host->sound = [this](std::int32_t mode, const std::string& file) { players->WP(mode, file); };
}

PlayerWindows::~PlayerWindows() = default;

}  // namespace qel
