#pragma once
// The save file "QELP.INI": the scene name, the 50 integer variables and the
// 9 string slots, one per line, each line ended by CR LF.
#include "engine/GameState.h"

#include <string>

namespace qel {

// The save file's name as the player forms it.
inline constexpr const char* kSaveFileName = "QELP.INI";

// True when a save file exists in the current folder (letter case ignored).
bool SaveFileExists();

// Writes the save file from the state. The new contents go to a temporary file
// beside the old one, which replaces it only when it is completely on disk; on
// any failure the old save stays as it was and the input/output error is raised.
void WriteSaveFile(const GameState& st);

// Reads the save file into the state. Stops at the first error (input/output
// error, or "'%s' は整数ではありません" for an integer line that does not
// convert), leaving the state as far as it got. Never changes the file.
void ReadSaveFile(GameState& st);

// The file's bytes as WriteSaveFile writes them.
std::string SaveFileBytes(const GameState& st);

} // namespace qel
