// Replay files: the action list, the operand parsers every action uses, and
// the transcript form of a game text.
#include "FuzzSupport.h"
#include "app/ReplayScript.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = qel::fuzz::bytes(data, size);
    for (const qel::ReplayAction& a : qel::ParseReplay(text)) {
        if (a.line < 1 || a.word.empty()) std::abort();
        qel::ParsePoint(a.rest);
        qel::ParseNumber(a.rest);
    }
    qel::TranscriptText(std::string(text));
    return 0;
}
