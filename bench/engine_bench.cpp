// Script engine throughput: simple commands per second and the cost of a jump.
#include "NullHost.h"
#include "app/DebugAdapter.h"
#include "script/Script.h"

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <unistd.h>

using namespace qel;

namespace {
double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }
}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    NullHost host;
    Game g(host);

    // A loop of IN, FS, IS and JR: 255 passes of 4 commands per run.
    g.st.ScriptLines.assign(
        {".go", ".FS,1,0", ".loop", "skipped", ".IN,1", ".FS,3,7", ".IS,1,255,done", ".JR,loop", ".done", ";", "end"});
    const int runs = 20000;
    long long commands = 0;
    auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < runs; ++r) {
        RunScript(g, 1);
        noteWait(g);
        commands += 1 + 255 * 4;
    }
    double s = seconds(std::chrono::steady_clock::now() - t0);
    std::printf("engine.commands_per_s %.0f commands/s\n", double(commands) / s);

    // The same loop with the debugger attached and no breakpoint set (the
    // debugger then leaves the run loop its one pointer test).
    int pipeEnds[2] = {-1, -1};
    if (pipe(pipeEnds) != 0) return 1;
    JsonChannel channel(pipeEnds[0], stdout);
    DebugAdapter debugger(channel);
    debugger.attach(g);
    auto td = std::chrono::steady_clock::now();
    for (int r = 0; r < runs; ++r) {
        RunScript(g, 1);
        noteWait(g);
    }
    const double sd = seconds(std::chrono::steady_clock::now() - td);
    std::printf("engine.commands_per_s_debugger %.0f commands/s\n", double(commands) / sd);
    g.lineHook = nullptr;

    // A jump in a 10,000-line scene whose label is near its end.
    std::vector<std::string> lines;
    for (int i = 0; i < 10000; ++i) lines.push_back(i % 7 == 0 ? ".label" + std::to_string(i) : "some text line");
    lines[9990] = ".Target";
    g.st.ScriptLines.assign(lines);
    FindLabel(g, "target");  // builds the label index once
    const int jumps = 2'000'000;
    auto t1 = std::chrono::steady_clock::now();
    long long sink = 0;
    for (int i = 0; i < jumps; ++i) {
        FindLabel(g, "target");
        sink += g.st.TargetLine;
    }
    double js = seconds(std::chrono::steady_clock::now() - t1);
    std::printf("engine.jump_ns %.1f ns\n", js * 1e9 / jumps);
    // The first search after a change rebuilds the index: report that too.
    auto t2 = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) {
        g.st.ScriptLines.assign(lines);
        FindLabel(g, "target");
    }
    std::printf("engine.jump_after_change_us %.1f us\n", seconds(std::chrono::steady_clock::now() - t2) * 1e6 / 100);
    return sink == 42 ? 1 : 0;
}
