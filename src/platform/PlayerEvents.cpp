#include "platform/PlayerEvents.h"

#include "platform/Skipping.h"

namespace qel {

namespace {
PlayerEvents nobody;
PlayerEvents* current = &nobody;
}  // namespace

PlayerEvents& playerEvents() { return *current; }
void setPlayerEvents(PlayerEvents* events) { current = events ? events : &nobody; }

WaitReport::WaitReport(Turn t, QObject* what, const std::string& detail) : turn_(t) {
    if (t == Turn::Verbs || t == Turn::Box || t == Turn::ErrorBox || t == Turn::Input)
        Skipping::instance().stopForPlayer();
    playerEvents().waitBegins(t, what, detail);
}

}  // namespace qel
