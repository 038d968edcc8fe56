#include "engine/GameState.h"

#include "platform/Cp932.h"

namespace qel {

int ScriptStore::findFolded(const std::string& foldedText) const {
    if (!indexValid_) {
        labelIndex_.clear();
        for (int i = count() - 1; i >= 0; --i) {  // downward, so the upper line wins
            const std::string& line = lines_[first_ + std::size_t(i)];
            if (!line.empty() && line[0] == '.') labelIndex_[foldCase(line)] = i;
        }
        indexValid_ = true;
    }
    auto it = labelIndex_.find(foldedText);
    return it == labelIndex_.end() ? -1 : it->second;
}

std::string ScriptStore::place(std::int64_t i) const {
    return (source_.empty() ? std::string("(script)") : source_) + ":" + std::to_string(removed_ + i + 1);
}

std::int32_t& ObjectRect::value(int j) {
    switch (j) {
    case 1: return Left;
    case 2: return Right;
    case 3: return Top;
    case 4: return Bottom;
    default: throw rangeError();
    }
}

void GameState::resetObjects() {
    for (auto& r : ObjectRects) r = ObjectRect{-1, 0, 0, 0};
    for (auto& w : ObjectWords) w.fill(ShortString());
}

}  // namespace qel
