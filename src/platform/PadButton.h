#pragma once
// The buttons of a game controller that the player uses, by the names of the
// common layout (the positions of an Xbox pad: A below, B right, X left, Y
// above), and their names in replay files.
#include <array>
#include <optional>
#include <string_view>

namespace qel {

enum class PadButton { A, B, X, Y, Start, Back, Up, Down, Left, Right, RB };

inline constexpr std::array<std::string_view, 11> kPadButtonNames = {"A",  "B",    "X",    "Y",     "Start", "Back",
                                                                     "Up", "Down", "Left", "Right", "RB"};

inline std::string_view padButtonName(PadButton b) { return kPadButtonNames[std::size_t(b)]; }

// The button a replay names ("A", "Start", "Left", ...; exact case); nullopt for others.
inline std::optional<PadButton> parsePadButton(std::string_view name) {
    for (std::size_t i = 0; i < kPadButtonNames.size(); ++i)
        if (kPadButtonNames[i] == name) return PadButton(i);
    return std::nullopt;
}

}  // namespace qel
