#include "platform/Skipping.h"

#include "platform/PlayerEvents.h"
#include "platform/Waits.h"

namespace qel {

Skipping& Skipping::instance() {
    static Skipping* skip = new Skipping;  // lives as long as the program
    return *skip;
}

void Skipping::setHeld(bool held) { update(held, toggled_, true); }
void Skipping::toggle() {
    // A toggle while Ctrl is held stops both, as the player expects the
    // skipping to stop.
    if (active()) update(false, false, true);
    else update(held_, true, true);
}
void Skipping::setOn(bool on) { update(on ? held_ : false, on, true); }
void Skipping::stopForPlayer() { update(false, false, false); }

void Skipping::update(bool held, bool toggled, bool byPlayer) {
    const bool was = active();
    held_ = held;
    toggled_ = toggled;
    if (active() == was) return;
    // Recorded as the replay actions that do the same.
    if (byPlayer) playerEvents().action(ReplayWord::Skip, active() ? "on" : "off");
    emit changed(active());
    // Waits that skipping ends re-test their condition.
    wakeWaits();
}

} // namespace qel
