#pragma once
// The clock a session's game runs on: the real one, or while replaying (unless
// in real time) a virtual one on which a timed wait only handles the pending
// events before its time has passed.
#include "app/WindowHost.h"

#include <cstdint>
#include <functional>

namespace qel {

class VirtualClock : public Clock {
public:
    explicit VirtualClock(bool isVirtual) : virtual_(isVirtual) {}

    bool isVirtual() const { return virtual_; }
    // Lets ms pass: at once on the virtual clock, in real time on the other.
    void pass(std::int64_t ms);

    std::int64_t nowMs() override;
    void waitMs(std::int64_t ms) override;
    bool pauseFor(std::int64_t ms, const std::function<bool()>& until) override;
    // Called after each timed wait on the virtual clock, once its time has passed.
    void onWaited(std::function<void()> handler) { waited_ = std::move(handler); }

    // A replay that can no longer act: its next action has not become
    // possible while the game went on for kStuckMs of virtual time or
    // kStuckWaits timed waits since the last action (a loop of timed waits
    // would otherwise run for ever). The handler is called then.
    static constexpr std::int64_t kStuckMs = 600'000;
    static constexpr std::int64_t kStuckWaits = 100'000;
    void onStuck(std::function<void()> handler) { stuck_ = std::move(handler); }
    // The replay acted: the bounds count from here.
    void acted() {
        sinceActionMs_ = 0;
        waitsSinceAction_ = 0;
    }

private:
    bool virtual_;
    std::function<void()> stuck_;
    std::function<void()> waited_;
    std::int64_t sinceActionMs_ = 0;
    std::int64_t waitsSinceAction_ = 0;
    RealClock real_;
    std::int64_t now_ = 0;
};

}  // namespace qel
