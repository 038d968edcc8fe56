#pragma once
// The clock a session's game runs on: the real one, or while replaying (unless
// in real time) a virtual one on which a timed wait only handles the pending
// events before its time has passed.
#include "app/WindowHost.h"

#include <cstdint>

namespace qel {

class VirtualClock : public Clock {
public:
    explicit VirtualClock(bool isVirtual) : virtual_(isVirtual) {}

    bool isVirtual() const { return virtual_; }
    // Lets ms pass: at once on the virtual clock, in real time on the other.
    void pass(std::int64_t ms);

    std::int64_t nowMs() override;
    void waitMs(std::int64_t ms) override;

private:
    bool virtual_;
    RealClock real_;
    std::int64_t now_ = 0;
};

} // namespace qel
