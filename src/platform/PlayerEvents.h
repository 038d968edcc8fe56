#pragma once
// What the player does, as seen from outside: the events that replays,
// recordings and transcripts follow. The windows report them here; by default
// nobody listens.
#include <cstdint>
#include <string>

class QObject;

namespace qel {

// The moments at which the program waits for the player.
enum class Turn {
    Menu,      // the start menu
    Idle,      // the game waits for a click on an object
    Page,      // a page wait of the script
    Release,   // a press on a name-only object waits for its release
    Verbs,     // the verb window is open
    Box,       // a message box is open
    ErrorBox,  // the application's error box is open
    Input,     // the text input dialog is open
    Popup,     // the popup menu is open
    Chooser,   // the file dialog for a scenario to play is open
};

// The words of the replay vocabulary, one for each kind of action the player
// takes. Their spelling, arguments and effect are the table of
// app/ReplayVocabulary.cpp, in this order.
enum class ReplayWord {
    New,
    Continue,
    Quit,
    Click,
    RightClick,
    Menu,
    Verb,
    Yes,
    No,
    Ok,
    Dismiss,
    Input,
    Cancel,
    Page,
    Key,
    Type,
    CloseMessages,
    CloseMain,
    Wait,
    History,
    Skip,
    Auto,
    Mute,
    Hold,
    Choose,
    Pad,
    Touch,
    Reload,
    Count  // not a word: how many there are
};

class PlayerEvents {
public:
    virtual ~PlayerEvents() = default;
    // Game events (texts as CP932 bytes).
    virtual void sceneLoaded(const std::string& /*sceneName*/) {}
    virtual void text(const std::string& /*line*/) {}
    virtual void cleared() {}
    virtual void music(std::int32_t /*mode*/, const std::string& /*file*/) {}
    virtual void sound(std::int32_t /*mode*/, const std::string& /*file*/) {}
    // A wait for the player begins or ends. what is the window that waits (the
    // box, the verb window, the dialog ...); detail is what it shows, CP932:
    // "NAME|V1|..|V5" for verbs, "CAPTION|TEXT" for a box, the text of an
    // error box, the field's text of the input dialog, the folder the chooser
    // opens in.
    virtual void waitBegins(Turn /*turn*/, QObject* /*what*/, const std::string& /*detail*/) {}
    virtual void waitEnds(Turn /*turn*/) {}
    // A handler that Qt called into the game starts or returns.
    virtual void handlerEnters() {}
    virtual void handlerLeaves() {}
    // An action the player took: the word that replays it and its arguments
    // (UTF-8, empty for none).
    virtual void action(ReplayWord /*word*/, const std::string& /*arguments*/ = {}) {}
    // The text history was opened, holding this many lines.
    virtual void historyShown(int /*lines*/) {}
};

PlayerEvents& playerEvents();
void setPlayerEvents(PlayerEvents* events);  // nullptr: nobody listens

// Reports a wait for its whole length. A wait that asks the player (a box,
// the verb window, the text input) also ends the player's skipping.
class WaitReport {
public:
    WaitReport(Turn t, QObject* what, const std::string& detail);
    ~WaitReport() { playerEvents().waitEnds(turn_); }
    WaitReport(const WaitReport&) = delete;
    WaitReport& operator=(const WaitReport&) = delete;

private:
    Turn turn_;
};

}  // namespace qel
