#include "platform/Skipping.h"

#include "platform/PlayerEvents.h"
#include "platform/Settings.h"
#include "platform/Waits.h"

#include <QGuiApplication>

namespace qel {

Skipping& Skipping::instance() {
    static Skipping* skip = new Skipping;  // lives as long as the program
    return *skip;
}

void Skipping::setHeld(bool held, bool fromWindowSystem) {
    if (held && !held_) holdStarting_ = true;
    // Only a real window system knows the keys' state (offscreen and
    // minimal report none).
    const QString platform = QGuiApplication::platformName();
    checkKeys_ = held && fromWindowSystem && platform != QLatin1String("offscreen") &&
                 platform != QLatin1String("minimal");
    update(held, toggled_, true);
}

std::int64_t Skipping::lookMs() const { return held_ && !toggled_ && holdStarting_ ? kSkipHoldStartMs : kSkipPageMs; }

bool Skipping::confirm() {
    if (held_ && checkKeys_ && !(QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier)) setHeld(false);
    return active();
}
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

bool autoForward() { return Settings::instance().flag("auto"); }

void setAutoForward(bool on) {
    Settings::instance().setFlag("auto", on);
    wakeWaits();  // a waiting page starts or stops its delay
}

}  // namespace qel
