#pragma once
// The command line: one table of options, parsed before any display is
// opened, so that a mistake or --help never needs one.
#include "app/ReplaySession.h"
#include "shell/Display.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace qel {

struct Options {
    std::optional<QString> firstArg;  // the scenario: scene file, folder or archive
    SessionOptions session;
    bool check = false;
    std::optional<int> scale;
    std::optional<bool> fullScreen;
    std::optional<WindowMode> windows;  // one window for the whole game, or several
    bool trace = false;
    bool lsp = false;            // serve an editor as a language server instead of playing
    bool dap = false;            // play under a debugger (Debug Adapter Protocol on stdin/stdout)
    bool watch = false;          // reload the current scene when its file changes
    QStringList settingsForRun;  // --set NAME=VALUE, each checked against the settings' table
};

// The outcome of reading the command line: the options, or the status to end
// with at once (the usage or the version was asked for, or something was
// wrong: then the reason and the usage have been written to standard error).
struct ParsedOptions {
    Options options;
    std::optional<int> exitStatus;
};

// Reads the program's arguments (arguments[0] is the program). Qt's own
// options (-platform NAME, -display NAME, ...) are passed over: the
// application object reads them.
ParsedOptions parseOptions(const QStringList& arguments);

// The usage text: what the program does, every option, the keys.
QString usageText();

}  // namespace qel
