// Scene loading: the input is a scene file; its reading and header (picture,
// object rectangles and words, terminator, start line) either load or raise
// the player's error.
#include "FuzzSupport.h"
#include "platform/Errors.h"
#include "scene/Scene.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qel::fuzz::start();
    qel::fuzz::writePictures();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qel::fuzz::writeFile("Opning.dat", qel::fuzz::bytes(data, size));
    qel::fuzz::BudgetHost host;
    qel::Game g(host);
    try {
        qel::LoadScene(g, "Opning");
    } catch (const qel::GameError&) {
    }
    // The way a continued game reads the header, with the data version check.
    qel::Game c(host);
    try {
        c.st.ScriptLines.assign(qel::ReadSceneFile("Opning.dat"));
        qel::ReadBackgroundLine(c, [&c] { qel::CheckDataVersion(c); });
        qel::ReadObjectEntries(c);
    } catch (const qel::GameError&) {
    }
    return 0;
}
