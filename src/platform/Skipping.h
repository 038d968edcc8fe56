#pragma once
// Skipping: the player lets the text run on by itself. While it is on, each
// page wait of the script turns by itself after a short look at the page, a
// transition jumps to its final picture and a timed wait ends at once.
// It stops at anything that asks the player (a question, the text input,
// the verb window, the idle game, an error box); it never answers for them.
//
// Two ways to start it: holding Ctrl, and a toggle key for players who
// cannot hold a key. Either way, reaching a point that asks the player ends
// it; holding Ctrl starts it again only with a new press.
//
// A held skip lasts exactly while Ctrl is down, and only while Ctrl is down
// alone: Ctrl is also the first key of every shortcut (Ctrl+Plus zooms), so
// the first page stays up for kSkipHoldStartMs before it turns, another key
// pressed meanwhile (or later) ends the skip, and a Ctrl that the window
// system says is up (its release went to no window of ours) ends it too.
#include <QObject>
#include <cstdint>

namespace qel {

// How long a page stays up while skipping before it turns, in milliseconds.
inline constexpr std::int64_t kSkipPageMs = 60;
// How long Ctrl must be down alone before a held skip turns its first page:
// long enough for the second key of a shortcut to come.
inline constexpr std::int64_t kSkipHoldStartMs = 250;

class Skipping : public QObject {
    Q_OBJECT
public:
    static Skipping& instance();

    bool active() const { return held_ || toggled_; }
    bool held() const { return held_; }

    // Ctrl went down or up. fromWindowSystem: the press came from the
    // keyboard, so the window system's key state can confirm it is still
    // down (a synthesized press, as a replay's, has no such state).
    void setHeld(bool held, bool fromWindowSystem = false);
    // How long a page stays up before skipping turns it.
    std::int64_t lookMs() const;
    // Skipping turned a page.
    void turnedPage() { holdStarting_ = false; }
    // A held skip whose Ctrl the window system reports up ends here; true
    // while skipping goes on.
    bool confirm();
    // The toggle key: starts skipping, or stops it when it runs.
    void toggle();
    // The replay actions "skip on" and "skip off".
    void setOn(bool on);
    // Something asks the player: skipping ends (not recorded as an action of
    // the player: a replay reaches the same point and stops by itself).
    void stopForPlayer();

signals:
    void changed(bool active);

private:
    Skipping() = default;
    void update(bool held, bool toggled, bool byPlayer);
    bool held_ = false;
    bool toggled_ = false;
    bool holdStarting_ = false;  // held, and no page turned by it yet
    bool checkKeys_ = false;     // held from the keyboard
};

// True while the player skips.
inline bool skipping() { return Skipping::instance().active(); }
// True while auto-forward is on: a waiting page turns by itself after a delay.
bool autoForward();
// Auto-forward on or off (key A, the replay actions "auto on" and "auto off").
void setAutoForward(bool on);

}  // namespace qel
