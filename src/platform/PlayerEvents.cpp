#include "platform/PlayerEvents.h"

namespace qel {

namespace {
PlayerEvents nobody;
PlayerEvents* current = &nobody;
} // namespace

PlayerEvents& playerEvents() { return *current; }
void setPlayerEvents(PlayerEvents* events) { current = events ? events : &nobody; }

} // namespace qel
