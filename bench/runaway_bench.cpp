// How long a script that never waits runs before the player stops it: two
// scenes that jump to each other and a picture drawn on every pass (stopped
// by the count of files read), and a plain jump loop (by the count of lines).
#include "NullHost.h"
#include "engine/Script.h"
#include "platform/Errors.h"
#include "scene/Scene.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

using namespace qel;

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

// A 1 x 1 24-bit bitmap.
QByteArray tinyBitmap() {
    QByteArray b("BM", 2);
    auto put32 = [&b](quint32 v) {
        for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
    };
    auto put16 = [&b](quint16 v) {
        b.append(char(v & 0xFF));
        b.append(char(v >> 8));
    };
    put32(58), put32(0), put32(54);
    put32(40), put32(1), put32(1), put16(1), put16(24), put32(0), put32(4), put32(2835), put32(2835), put32(0),
        put32(0);
    b.append(QByteArray("\x20\x40\x60\x00", 4));
    return b;
}

// Milliseconds from the start of a run until it stops with an error.
double msUntilStopped(Game& g, std::int32_t startLine) {
    const auto t0 = std::chrono::steady_clock::now();
    try {
        RunScript(g, startLine);
    } catch (const GameError&) {
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path())) return 1;
    write("bg.BMP", tinyBitmap());
    write("A.dat", "bg\r\n;\r\n.Start\r\n.JS,B\r\n;\r\nend\r\n");
    write("B.dat", "bg\r\n;\r\n.Start\r\n.JS,A\r\n;\r\nend\r\n");

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
