#pragma once
// Live reload for authors: the current scene read again from its file while
// the game runs (Shift+R, or --watch when the file changes).
#include "engine/Game.h"

namespace qel {

// Reads the current scene's file again: background, objects and script,
// keeping the variables. The run in progress is abandoned and the game waits
// for the player at the reloaded scene; its .Start label does not run. A
// failure (a file that cannot be read, a broken header) raises its GameError,
// placed where it happened, and leaves the old scene as it was.
void ReloadScene(Game& g);

}  // namespace qel
