#pragma once
// The replay vocabulary: every action word with its arguments, its help line
// and what it does, in one table. The parser looks the words up here, the
// driver runs the rows, the recorder spells the player's actions with them and
// docs/replays.md lists them (a test holds the list to the table). A new
// action is a new row (and a ReplayWord for the windows that record it).
#include "app/WindowHost.h"
#include "platform/PlayerEvents.h"

#include <QPoint>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class QObject;
class QWidget;

namespace qel {

struct ReplayAction;
class VirtualClock;

// What an action acts on: the windows and the moment it is taken at.
struct ReplayContext {
    const Windows& w;
    Turn turn;
    QObject* what;  // the window that waits (the box, the dialog ...)
    VirtualClock& clock;
    // A left press on the picture that still owes its release.
    std::optional<QPoint>& pendingRelease;
    // Presses Ctrl alone on the widget and lets it go after ms on the clock.
    std::function<void(QWidget*, std::int64_t)> holdCtrl;

    bool onPicture() const { return turn == Turn::Page || turn == Turn::Idle; }
    // The widget a key pressed now goes to: the focus of the window the player
    // works in at this turn. nullptr when no window waits for keys.
    QWidget* keyTarget() const;
};

// Takes the action; returns why it does not fit the moment, or empty.
using ReplayHandler = QString (*)(ReplayContext&, const ReplayAction&);

struct ReplayVerb {
    ReplayWord id;
    const char* word;       // as written in a replay file
    const char* arguments;  // how its arguments are written, "" for none (no '|': it is a table cell)
    const char* help;       // what the player does, as docs/replays.md says
    ReplayHandler act;
};

// The whole vocabulary, in the order of ReplayWord.
std::span<const ReplayVerb> replayVocabulary();
const ReplayVerb& replayVerb(ReplayWord id);
// The row of a word as written; nullptr for an unknown word.
const ReplayVerb* findReplayVerb(std::string_view word);
// The replay line that repeats an action: the word, a blank and the arguments.
std::string replayLine(ReplayWord id, const std::string& arguments);
// The vocabulary as the table of docs/replays.md writes it, one row a word:
// "| `WORD ARGUMENTS` | HELP |" (--replay-help prints it).
std::string replayHelp();

}  // namespace qel
