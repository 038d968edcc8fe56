// The run loop: the input is the script of a scene (after a fixed header that
// shows "bg.BMP"), loaded and run from its start as a new game does, against
// the recording host. Waits end the run after a budget, and a run without
// waits is stopped after a few thousand lines, so no input runs for long.
#include "FuzzSupport.h"
#include "platform/Errors.h"
#include "script/Script.h"
#include "scene/Scene.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qel::fuzz::start();
    qel::fuzz::writePictures();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string scene = "bg\r\n;\r\n";
    scene.append(qel::fuzz::bytes(data, size));
    // Written as the start scene, so that JS can enter it again.
    qel::fuzz::writeFile("Opning.dat", scene);
    qel::fuzz::BudgetHost host;
    qel::Game g(host);
    g.maxLinesWithoutWait = 2000;
    try {
        if (qel::LoadScene(g, "Opning")) qel::RunScript(g, g.st.TargetLine);
    } catch (const qel::GameError&) {
    } catch (const qel::RunAbandoned&) {
    }
    return 0;
}
