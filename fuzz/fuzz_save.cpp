// Save-file reader: any file is read or refused with the player's error, and
// whatever was read is written back and read again unchanged.
#include "FuzzSupport.h"
#include "platform/Errors.h"
#include "shell/SaveFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qel::fuzz::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qel::fuzz::writeFile(qel::kSaveFileName, qel::fuzz::bytes(data, size));
    qel::GameState st;
    try {
        qel::ReadSaveFile(st);
    } catch (const qel::GameError&) {
        return 0;
    }
    const std::string saved = qel::SaveFileBytes(st);
    qel::fuzz::writeFile(qel::kSaveFileName, saved);
    qel::GameState again;
    qel::ReadSaveFile(again);
    if (qel::SaveFileBytes(again) != saved) std::abort();
    return 0;
}
