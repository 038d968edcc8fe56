#pragma once
// Scene files: reading, the header steps and the scene change.
#include "engine/Game.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qel {

// The data version above which a header was written for a newer player.
constexpr std::int32_t kNewestDataVersion = 125;

// Splits a scene file's bytes into lines: CR LF, lone CR and lone LF end a
// line (LF CR ends two), a NUL ends the text, nothing is trimmed.
std::vector<std::string> SplitSceneLines(std::string_view bytes);
// Reads a scene file whole (found by the player's file lookup); a file that
// cannot be opened raises "ﾌｧｲﾙ %s は開けません" with the name.
std::vector<std::string> ReadSceneFile(const std::string& fileName);

// JS: enters scene sceneName + ".dat". False when the file does not exist
// (the message has been shown and the program is closing).
bool LoadScene(Game& g, const std::string& sceneName);
// afterBitmap, when given, runs once the bitmap has loaded and before the
// window takes its size (a continued game checks the data version there).
void ReadBackgroundLine(Game& g, const std::function<void()>& afterBitmap = {});
void ReadObjectEntries(Game& g);
void CheckDataVersion(Game& g);

}  // namespace qel
