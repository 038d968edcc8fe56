#pragma once
// The commands that edit the clickable objects: UN, UV, DV, DN.
#include "engine/Game.h"

#include <cstdint>
#include <string>

namespace qel {

void DefineObject(GameState& st, std::int32_t object, std::int32_t left, std::int32_t right, std::int32_t top,
                  std::int32_t bottom, const std::string& name);                             // UN
void AddVerb(Game& g, std::int32_t object, std::int32_t position, const std::string& verb);  // UV
void RemoveVerb(GameState& st, std::int32_t object, std::int32_t position);                  // DV
void RemoveObject(GameState& st, std::int32_t object);                                       // DN

}  // namespace qel
