#pragma once
// TK's slide transitions and OS's timed wait.
#include "engine/Game.h"

#include <string>

namespace qel {

constexpr int kStripWidth = 10;
constexpr int kStepDelayMs = 50;

void TransitionTo(Game& g, int mode, const std::string& name);  // TK
void TimedWait(Game& g, std::int64_t ms);                       // OS

}  // namespace qel
