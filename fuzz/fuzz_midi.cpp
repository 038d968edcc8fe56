// MIDI length reader: never reads outside the bytes, never runs long, and a
// length it reports is not negative.
#include "platform/MidiDuration.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's size, so that reading past it is caught.
    auto ms = qel::midiDurationMs(std::string_view(reinterpret_cast<const char*>(data), size));
    if (ms && *ms < 0) std::abort();
    return 0;
}
