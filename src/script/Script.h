#pragma once
// Script text, the run loop and the command dispatcher.
#include "engine/Fields.h"
#include "engine/Game.h"
#include "engine/WaitGuard.h"

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

namespace qel {

// How often (in lines) a run that does not wait looks whether the program
// was told to end meanwhile (a signal): it cannot see events while it runs.
constexpr std::int64_t kLinesBetweenEndChecks = 4096;
// Placeholder replacements allowed in one text line; more means a cycle.
constexpr int kMaxPlaceholderReplacements = 1000;

// Draws text on the shown picture (PT). colourName may match none of the
// sixteen colour names, in which case the colour stays as it was.
void DrawText(Game& g, std::int32_t x, std::int32_t y, const std::string& colourName, const std::string& fontName,
              std::int32_t height, const std::string& text);
// Expands the string placeholders of a text line.
std::string ExpandPlaceholders(const GameState& st, const std::string& line);
// Runs the script from a line until a stop line or the end of the store.
void RunScript(Game& g, std::int32_t startLine);
// ExecuteCommand's result when the run must end at once (JS found no scene).
constexpr std::int64_t kEndRun = INT64_MIN;
// Executes one command line; the run continues at the result + 1.
std::int64_t ExecuteCommand(Game& g, const std::string& line, std::int64_t index);
// The main window's activation: runs the start label once per game start.
void FormActivate(Game& g);

}  // namespace qel
