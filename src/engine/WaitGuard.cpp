#include "engine/WaitGuard.h"

#include "platform/Cp932.h"
#include "platform/Waits.h"

#include <string>

namespace qel {

void giveWayToEnd() {
    if (endSignalled()) throw RunAbandoned{};
}

namespace {

// Counts one more piece of work since the last wait; past the bound the run
// stops with the text that names it.
void countWork(Game& g, std::int64_t& count, std::int64_t bound, const char* what) {
    giveWayToEnd();
    if (++count <= bound) return;
    noteWait(g);
    throw GameError(sj("スクリプトが待ちのないまま ") + std::to_string(bound) + sj(what));
}

}  // namespace

void noteLoad(Game& g) {
    countWork(g, g.loadsSinceWait, g.maxLoadsWithoutWait, " 回を超えてファイルを読み込んだため、停止しました");
}

void noteSound(Game& g) {
    countWork(g, g.soundsSinceWait, g.maxSoundsWithoutWait, " 回を超えて音楽や効果音を鳴らしたため、停止しました");
}

}  // namespace qel
