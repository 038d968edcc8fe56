#pragma once
// Playing time of a Standard MIDI File, worked out from the file's own
// tempo map (the MIDI decoder of the audio library does not report it).
#include <cstdint>
#include <optional>
#include <string_view>

namespace qel {

// The duration in milliseconds of the MIDI file held in bytes: the time of
// the last event of the longest track (formats 0 and 1; format 2 plays its
// tracks one after another, so their times add up). Both metrical (ticks per
// quarter note, with tempo changes) and SMPTE time division are understood.
// A RIFF "RMID" wrapper around the file is accepted.
// Returns nothing when the bytes are not a MIDI file (no header, bad
// division). A track cut short or holding garbage counts up to its last whole
// event; nothing is ever read past the end of the bytes.
std::optional<std::int64_t> midiDurationMs(std::string_view bytes);

}  // namespace qel
