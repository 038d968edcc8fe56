// CPU used while the player waits: an unanswered page wait and a timed wait
// (OS) of 5 seconds each, and the accuracy of a transition's pacing. Prints
// "NAME VALUE UNIT" lines.
#include "NullHost.h"
#include "TestFiles.h"
#include "app/WindowHost.h"
#include "dialogs/MessageWindow.h"
#include "engine/Game.h"
#include "platform/Errors.h"
#include "platform/Waits.h"
#include "scene/Transitions.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <ctime>

using namespace qel;

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A host whose waits are the program's real ones.
class BenchHost : public NullHost {
public:
    explicit BenchHost(TFormMsgText& m) : messages(m) {}
    TFormMsgText& messages;
    RealClock clock;
    void waitForPage() override { messages.WaitForPage(); }
    void setClickLock(int v) override { messages.setClickLock(v); }
    std::int64_t nowMs() override { return clock.nowMs(); }
    void waitMs(std::int64_t ms) override { clock.waitMs(ms); }
};

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TFormMsgText messages;
    BenchHost host(messages);
    Game g(host);

    // A page wait nobody answers for 5 seconds; a timer reads on at the end.
    messages.show();
    QTimer::singleShot(5000, &messages, [&messages] { messages.PageClickFromMain(); });
    double c0 = cpuSeconds();
    std::int64_t t0 = monotonicMs();
    messages.WaitForPage();
    double wall = double(monotonicMs() - t0) / 1000.0;
    std::printf("wait.page_cpu_percent %.3f %%\n", 100.0 * (cpuSeconds() - c0) / wall);

    // OS,5000.
    c0 = cpuSeconds();
    t0 = monotonicMs();
    TimedWait(g, 5000);
    wall = double(monotonicMs() - t0) / 1000.0;
    std::printf("wait.timed_cpu_percent %.3f %%\n", 100.0 * (cpuSeconds() - c0) / wall);

    // A mode-1 transition on a 486-wide picture: 48 steps of 50 ms.
    qel::test::ScratchFolder dir;
    dir.writeBmp("next.bmp", qel::test::solidImage(486, 295, 0x404040));
    g.pics.ImageFront = QImage(486, 295, QImage::Format_RGB32);
    g.pics.ImageFront.fill(Qt::black);
    t0 = monotonicMs();
    TransitionTo(g, 1, "next");
    double ms = double(monotonicMs() - t0);
    double expected = 48 * 50.0;
    std::printf("transition.duration_ms %.0f ms\n", ms);
    std::printf("transition.duration_error_percent %.2f %%\n", 100.0 * (ms - expected) / expected);
    return 0;
}
