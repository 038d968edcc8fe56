#pragma once
// The guard against a run that never waits. The run loop cannot see events
// while it runs, so it counts its own work since the last wait: lines (in the
// run loop), files read and music or sounds started (noteLoad, noteSound,
// from the commands and the scene logic that do them). Past a bound the run
// stops with an error that says which; noteWait starts the counts again after
// anything that really waited.
#include "engine/Game.h"

namespace qel {

inline void noteWait(Game& g) {
    g.linesSinceWait = 0;
    g.loadsSinceWait = 0;
    g.soundsSinceWait = 0;
}
void noteLoad(Game& g);
void noteSound(Game& g);
// A signal's end request is seen by the event loop, which a run that never
// waits does not reach: the run gives way to it (throws RunAbandoned).
void giveWayToEnd();

}  // namespace qel
