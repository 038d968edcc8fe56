#pragma once
// What every part of the interpreter reads script lines with: a line's
// comma-separated fields, the conversion of an integer operand, and the label
// search. Below the scene logic and the run loop alike, so that a scene
// change reads its header without going back to the run loop's file.
#include "engine/Game.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qel {

// Field n (from 0) of a comma-separated line: the text up to the next comma,
// or the rest of the line (at most 255 bytes); empty past the last field,
// and for n > 0 when the line has no comma.
std::string GetField(int n, std::string_view line);
std::string_view fieldView(int n, std::string_view line);
// An integer operand: blanks and a sign before the digits, nothing after;
// anything else, or a value outside 32 bits, throws the not-an-integer error.
std::int32_t StrToInt(std::string_view text);
// Sets TargetLine to the line after the label "." + name (case folded), or -1.
void FindLabel(Game& g, std::string_view name);

}  // namespace qel
