#include "app/VirtualClock.h"

#include "platform/Waits.h"

#include <QCoreApplication>

namespace qel {

void VirtualClock::pass(std::int64_t ms) {
    if (virtual_) now_ += ms;
    else qel::waitMs(ms);
}

std::int64_t VirtualClock::nowMs() { return virtual_ ? now_ : real_.nowMs(); }

void VirtualClock::waitMs(std::int64_t ms) {
    if (!virtual_) {
        real_.waitMs(ms);
        return;
    }
    // The pending events are handled, then the time has passed.
    const std::uint64_t mark = abandonMark();
    throwIfAbandoned(mark);
    QCoreApplication::processEvents();
    throwIfAbandoned(mark);
    if (ms > 0) {
        now_ += ms;
        sinceActionMs_ += ms;
    }
    if (waited_) {
        waited_();
        throwIfAbandoned(mark);
    }
    if ((sinceActionMs_ > kStuckMs || ++waitsSinceAction_ > kStuckWaits) && stuck_) {
        acted();
        stuck_();
        throwIfAbandoned(mark);
    }
}

bool VirtualClock::pauseFor(std::int64_t ms, const std::function<bool()>& until) {
    if (!virtual_) return real_.pauseFor(ms, until);
    return Clock::pauseFor(ms, until);
}

}  // namespace qel
