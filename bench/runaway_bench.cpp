// How long a script that never waits runs before the player stops it: two
// scenes that jump to each other and a picture drawn on every pass (stopped
// by the count of files read), and a plain jump loop (by the count of lines).
#include "NullHost.h"
#include "TestFiles.h"
#include "script/Script.h"
#include "platform/Errors.h"
#include "scene/Scene.h"

#include <QGuiApplication>
#include <chrono>
#include <cstdio>

using namespace qel;

namespace {

// Milliseconds from the start of a run until it stops with an error.
double msUntilStopped(Game& g, std::int32_t startLine) {
    const auto t0 = std::chrono::steady_clock::now();
    try {
        RunScript(g, startLine);
    } catch (const GameError&) {
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    test::ScratchFolder dir;
    dir.writeBmp("bg.BMP", test::solidImage(1, 1, 0x604020));
    dir.write("A.dat", test::crlfLines({"bg", ";", ".Start", ".JS,B", ";", "end"}));
    dir.write("B.dat", test::crlfLines({"bg", ";", ".Start", ".JS,A", ";", "end"}));

    NullHost host;
    Game g(host);
    if (!LoadScene(g, "A")) return 1;
    std::printf("runaway.stop_ms %.0f ms\n", msUntilStopped(g, g.st.TargetLine));

    g.st.ScriptLines.assign({".go", ".loop", ".GP,0,0,2,bg", ".JR,loop", ";", "end"});
    noteWait(g);
    std::printf("runaway.picture_loop_stop_ms %.0f ms\n", msUntilStopped(g, 1));

    g.st.ScriptLines.assign({".go", ".loop", "skipped", ".JR,loop", ";", "end"});
    noteWait(g);
    std::printf("runaway.jump_loop_stop_ms %.0f ms\n", msUntilStopped(g, 1));
    return 0;
}
