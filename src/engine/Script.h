#pragma once
// Script text, the run loop and the command dispatcher.
#include "engine/Game.h"

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

// Field n of a comma-separated line (see fieldView's rules in Script.cpp).
std::string GetField(int n, std::string_view line);
// The same field as a view into the line.
std::string_view fieldView(int n, std::string_view line);
// Signed 32-bit decimal conversion; anything else raises "'%s' は整数ではありません".
std::int32_t StrToInt(std::string_view text);
// Searches the label line "." + name; TargetLine := line after it, or -1.
void FindLabel(Game& g, std::string_view name);
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
// The player's reaction to any waiting call: resets the no-wait counters.
inline void noteWait(Game& g) {
    g.linesSinceWait = 0;
    g.loadsSinceWait = 0;
    g.soundsSinceWait = 0;
}
// Counts a command that reads a file; stops a run that has read more than
// maxLoadsWithoutWait files since its start or its last wait.
void noteLoad(Game& g);
// The same for a command that starts music or a sound (maxSoundsWithoutWait).
void noteSound(Game& g);

}  // namespace qel
