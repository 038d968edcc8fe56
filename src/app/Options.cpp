#include "app/Options.h"

#include "app/AuthorGuide.h"
#include "app/ReplayVocabulary.h"
#include "platform/Settings.h"
#include "platform/ShownText.h"
#include "platform/ViewScale.h"
#include "shell/MessageBoxes.h"

#include <cstdio>
#include <functional>
#include <vector>

#ifndef QEL_VERSION
#define QEL_VERSION "unknown"
#endif

namespace qel {

namespace {

// What an option does once read: false when its value is not one it takes.
using Apply = std::function<bool(Options&, const QString& value)>;
enum class Value { None, Required, Optional };
// What the program does instead of playing.
enum class Exit { No, Help, Version, ReplayHelp, CommandsMarkdown };

struct OptionRow {
    const char* name;       // "--replay"
    const char* shortName;  // "-h", or nullptr
    Value value;
    const char* valueName;  // "FILE", shown in the usage
    const char* help;       // the usage's lines for it ("\n" between lines)
    Apply apply;
    const char* badValue = nullptr;  // the complaint when apply refuses the value
    Exit exit = Exit::No;
};

Apply setText(QString SessionOptions::*field) {
    return [field](Options& o, const QString& v) {
        o.session.*field = v;
        return true;
    };
}

Apply setFlag(bool Options::*field) {
    return [field](Options& o, const QString&) {
        o.*field = true;
        return true;
    };
}

Apply setFullScreen(bool on) {
    return [on](Options& o, const QString&) {
        o.fullScreen = on;
        return true;
    };
}

const std::vector<OptionRow>& optionTable() {
    static const std::vector<OptionRow> rows = {
        {"--replay", nullptr, Value::Required, "FILE", "take the player's actions from FILE instead of a person",
         setText(&SessionOptions::replayFile)},
        {"--record", nullptr, Value::Required, "FILE", "write every action the player takes to FILE, as a replay",
         setText(&SessionOptions::recordFile)},
        {"--transcript", nullptr, Value::Required, "FILE",
         "write the session's transcript to FILE (- for standard output)", setText(&SessionOptions::transcriptFile)},
        {"--shots", nullptr, Value::Required, "DIR", "with the transcript: save the picture at each page, idle and box",
         setText(&SessionOptions::shotsDir)},
        {"--layout", nullptr, Value::Required, "DIR",
         "with --replay: before each action, write where the windows are\n"
         "to DIR/layout.txt and the main window as drawn to DIR/NNNN.png",
         setText(&SessionOptions::layoutDir)},
        {"--real-time", nullptr, Value::None, nullptr, "with --replay: let timed waits take real time",
         [](Options& o, const QString&) {
             o.session.realTime = true;
             return true;
         }},
        {"--virtual-pad", nullptr, Value::None, nullptr,
         "with --replay: press pad actions on a virtual controller, through\n"
         "SDL's controller layer as a real controller's buttons",
         [](Options& o, const QString&) {
             o.session.virtualPad = true;
             return true;
         }},
        {"--scale", nullptr, Value::Required, "N|auto",
         "draw the game N times as large (1 to 6); auto, the default,\n"
         "takes the largest that fits the screen comfortably",
         [](Options& o, const QString& v) {
             o.scale = parseScaleOption(v);
             return o.scale.has_value();
         },
         "--scale takes a number from 1 to 6 or auto"},
        {"--fullscreen", nullptr, Value::None, nullptr, "start full screen: the picture centred on black",
         setFullScreen(true)},
        {"--windowed", nullptr, Value::None, nullptr, "start in a window (the opposite of --fullscreen)",
         setFullScreen(false)},
        {"--windows", nullptr, Value::Required, "one|separate|auto",
         "the whole game in one window, or each window of its own;\n"
         "auto, the default: one on Wayland and in full screen",
         [](Options& o, const QString& v) {
             o.windows = parseWindowMode(v);
             return o.windows.has_value();
         },
         "--windows takes one, separate or auto"},
        {"--trace", nullptr, Value::None, nullptr,
         "write each script line as it runs, each wait and each scene\n"
         "change to standard error, as FILE:LINE: TEXT",
         setFlag(&Options::trace)},
        {"--check", nullptr, Value::Optional, "[PATH]",
         "check the scenario (folder, scene file or the current folder)\n"
         "without playing it; prints FILE:LINE: error|warning: MESSAGE",
         [](Options& o, const QString& v) {
             o.check = true;
             if (!v.isNull()) o.firstArg = v;
             return true;
         }},
        {"--lsp", nullptr, Value::None, nullptr,
         "serve an editor as a language server on standard input\n"
         "and output (diagnostics, definitions, hover, completion)",
         setFlag(&Options::lsp)},
        {"--watch", nullptr, Value::None, nullptr, "reload the current scene when its file changes (as Shift+R)",
         setFlag(&Options::watch)},
        {"--dap", nullptr, Value::None, nullptr,
         "play under a debugger that speaks the Debug Adapter Protocol\n"
         "on standard input and output; its launch names the scenario",
         setFlag(&Options::dap)},
        {"--set", nullptr, Value::Required, "NAME=VALUE",
         "use a setting for this run only, without storing it\n"
         "(the settings are listed below)",
         [](Options& o, const QString& v) {
             const qsizetype eq = v.indexOf(QLatin1Char('='));
             const SettingRow* row = eq > 0 ? findSetting(v.left(eq)) : nullptr;
             if (!row || row->kind == SettingKind::Text || !normalSetting(*row, v.mid(eq + 1), true)) return false;
             o.settingsForRun << v;
             return true;
         },
         "--set takes NAME=VALUE, with a setting and a value listed below"},
        {"--replay-help",
         nullptr,
         Value::None,
         nullptr,
         "list the actions a replay file is written in, and exit",
         {},
         nullptr,
         Exit::ReplayHelp},
        {"--commands-markdown",
         nullptr,
         Value::None,
         nullptr,
         "print the reference of the script commands (Markdown)",
         {},
         nullptr,
         Exit::CommandsMarkdown},
        {"--help", "-h", Value::None, nullptr, "show this help and exit", {}, nullptr, Exit::Help},
        {"--version", nullptr, Value::None, nullptr, "show the player's version and exit", {}, nullptr, Exit::Version},
    };
    return rows;
}

const char* kAbout =
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
    "\n";

const char* kKeys =
    "\n"
    "Keys (the game plays without a mouse):\n"
    "  Tab, Shift+Tab      start menu, verb window, boxes: move the focus;\n"
    "                      picture: highlight the next or previous object\n"
    "  Enter, Space        press the button with the focus\n"
    "  Enter               picture: click the highlighted object\n"
    "  Space, Enter, Page Down, Down\n"
    "                      turn a waiting page (any other character key on the\n"
    "                      message window does too)\n"
    "  Esc                 close the verb window choosing nothing\n"
    "  Menu, Shift+F10     open the popup menu (TopMenu, Help, Exit, Settings)\n"
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
    "  A                   auto-forward: a waiting page turns by itself\n"
    "  M                   mute the music and sounds, or hear them again\n"
    "  F2                  the settings window (also in the popup menu)\n"
    "  Shift+R             reload the current scene from its file, keeping the\n"
    "                      variables (for authors: the game waits at the scene)\n"
    "A game controller plays too: the direction pad or left stick highlights objects\n"
    "and moves the focus, A is Enter, B Esc, X the history, Y auto-forward, Start\n"
    "the menu, Back full screen, RB held skips; gamepad=off switches it off.\n"
    "On a touch screen a tap clicks, a long press opens the menu, two fingers\n"
    "swiped up show the history.\n"
    "The scale, full screen and the settings below are remembered for the next\n"
    "start ($XDG_CONFIG_HOME/qelplayer/settings.ini); options given here win.\n"
    "\n"
    "Exit status: 0 when the program or a replay ends normally (or the file dialog\n"
    "is cancelled), 2 for bad options or a scenario that cannot be opened,\n"
    "3 when a replay action does not fit the moment. --check: 0 without errors,\n"
    "1 with errors, 2 when the scenario cannot be read.\n";

// Qt's own options that take a value; the application object reads them.
bool isQtOptionWithValue(const QString& a) {
    static const QStringList names = {"-platform",
                                      "-platformpluginpath",
                                      "-platformtheme",
                                      "-plugin",
                                      "-display",
                                      "-geometry",
                                      "-qwindowgeometry",
                                      "-qwindowtitle",
                                      "-qwindowicon",
                                      "-style",
                                      "-stylesheet",
                                      "-session",
                                      "-name",
                                      "-title",
                                      "-visual"};
    return names.contains(a);
}

bool isQtFlag(const QString& a) {
    static const QStringList names = {"-reverse", "-sync", "-nograb", "-dograb", "-widgetcount"};
    return names.contains(a);
}

ParsedOptions refused(const QString& why) {
    writeTerminal(stderr, QStringLiteral("qelplayer: %1\n").arg(why) + usageText());
    return {{}, 2};
}

// The settings --set takes, one line each.
QString settingsUsage() {
    QString out = QStringLiteral("\nSettings (--set NAME=VALUE; on|off for the switches):\n");
    for (const SettingRow& row : settingRows()) {
        if (!row.help) continue;
        const QString values = row.kind == SettingKind::Boolean  ? QStringLiteral("on|off")
                               : row.kind == SettingKind::Number ? QStringLiteral("%1..%2").arg(row.low).arg(row.high)
                                                                 : QString::fromLatin1(row.words);
        out += QStringLiteral("  %1=%2").arg(QString::fromLatin1(row.name), values).leftJustified(33);
        out +=
            QStringLiteral(" %1 (default %2)\n").arg(QString::fromLatin1(row.help), QString::fromLatin1(row.fallback));
    }
    return out;
}

}  // namespace

QString usageText() {
    QString text = QString::fromUtf8(kAbout);
    for (const OptionRow& row : optionTable()) {
        QString head = QStringLiteral("  ") + QString::fromLatin1(row.name);
        if (row.shortName) head = QStringLiteral("  %1, %2").arg(QLatin1String(row.shortName), QLatin1String(row.name));
        if (row.valueName) head += QLatin1Char(' ') + QLatin1String(row.valueName);
        const QStringList lines = QString::fromUtf8(row.help).split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QString line = i == 0 ? head : QString();
            if (line.size() >= 22) {
                text += line + QLatin1Char('\n');
                line.clear();
            }
            text += line.leftJustified(22, QLatin1Char(' ')) + lines[i] + QLatin1Char('\n');
        }
    }
    return text + QString::fromUtf8(kKeys) + settingsUsage();
}

ParsedOptions parseOptions(const QStringList& arguments) {
    ParsedOptions parsed;
    Options& o = parsed.options;
    Exit exit = Exit::No;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (isQtOptionWithValue(a)) {
            ++i;
            continue;
        }
        if (isQtFlag(a)) continue;
        const OptionRow* row = nullptr;
        for (const OptionRow& r : optionTable())
            if (a == QLatin1String(r.name) || (r.shortName && a == QLatin1String(r.shortName))) row = &r;
        if (!row) {
            if (a.startsWith(QLatin1Char('-')) && a.size() > 1)
                return refused(QStringLiteral("unknown option %1").arg(a));
            if (!o.firstArg) o.firstArg = a;  // further arguments are ignored
            continue;
        }
        QString value;
        if (row->value == Value::Required) {
            if (i + 1 >= arguments.size()) {
                return refused(row->badValue ? QString::fromUtf8(row->badValue)
                                             : QStringLiteral("%1 needs a value").arg(a));
            }
            value = arguments[++i];
        } else if (row->value == Value::Optional && i + 1 < arguments.size() &&
                   !arguments[i + 1].startsWith(QLatin1Char('-'))) {
            value = arguments[++i];
        }
        if (row->exit != Exit::No) {
            if (exit == Exit::No) exit = row->exit;  // the first one asked for
            continue;
        }
        if (!row->apply(o, value)) return refused(QString::fromUtf8(row->badValue));
    }
    if (exit == Exit::Help) writeTerminal(stdout, usageText());
    if (exit == Exit::Version)
        writeTerminal(stdout, QStringLiteral("qelplayer %1\nplays scenarios written for %2\n")
                                  .arg(QLatin1String(QEL_VERSION), applicationTitle()));
    if (exit == Exit::ReplayHelp) std::fputs(replayHelp().c_str(), stdout);
    if (exit == Exit::CommandsMarkdown) std::fputs(CommandsMarkdown().toUtf8().constData(), stdout);
    if (exit != Exit::No) parsed.exitStatus = 0;
    return parsed;
}

}  // namespace qel
