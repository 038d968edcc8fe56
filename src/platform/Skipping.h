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
#include <QObject>
#include <cstdint>

namespace qel {

// How long a page stays up while skipping before it turns, in milliseconds.
inline constexpr std::int64_t kSkipPageMs = 60;

class Skipping : public QObject {
    Q_OBJECT
public:
    static Skipping& instance();

    bool active() const { return held_ || toggled_; }
    bool held() const { return held_; }

    // Ctrl went down or up.
    void setHeld(bool held);
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
};

// True while the player skips.
inline bool skipping() { return Skipping::instance().active(); }

} // namespace qel
