// What drawing the game larger costs: wake-ups per second of a player idling
// in a page wait at scale 1, at scale 3 and full screen (each should be 0),
// and the time one transition step takes, picture change and repaint of the
// view together, at scale 1 and 3. Prints "NAME VALUE UNIT" lines.
#include "SilentAudio.h"
#include "TestFiles.h"
#include "app/Player.h"
#include "dialogs/MessageWindow.h"
#include "dialogs/TextInput.h"
#include "dialogs/VerbWindow.h"
#include "engine/Game.h"
#include "platform/AudioBackend.h"
#include "platform/Waits.h"
#include "scene/Transitions.h"
#include "shell/FormMein.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

using namespace qel;

namespace {

using test::SilentAudio;

// Time that passes at once: a transition's step delays only handle the
// pending events, so its steps run back to back.
class InstantClock : public Clock {
public:
    std::int64_t nowMs() override { return now_; }
    void waitMs(std::int64_t ms) override {
        qel::waitMs(0);
        now_ += ms;
    }

private:
    std::int64_t now_ = 0;
};

// Wake-ups of the event loop per second while the message window waits for
// a page that nobody turns; the timer that ends the wait is not counted.
double idleWakeups(PlayerWindows& p, int seconds) {
    // Counting starts a second into the wait, when whatever the display
    // change left to do is done, and stops at a timer of its own (whose
    // wake-up is not counted) before another one ends the wait.
    int wakeups = 0;
    QObject counter;
    QMetaObject::Connection c;
    QTimer::singleShot(1000, &counter, [&] {
        c = QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, &counter,
                             [&wakeups] { ++wakeups; });
    });
    QTimer::singleShot((seconds + 1) * 1000, &counter, [&] { QObject::disconnect(c); });
    QTimer::singleShot((seconds + 1) * 1000 + 100, p.messages.get(), [&p] { p.messages->PageClickFromMain(); });
    p.messages->WaitForPage();
    return double(std::max(0, wakeups - 1)) / seconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qel::test::ScratchFolder dir;
    dir.writeBmp("old.bmp", qel::test::solidImage(486, 295, 0x202020));
    dir.writeBmp("next.bmp", qel::test::solidImage(486, 295, 0x606060));

    SilentAudio audio;
    InstantClock clock;
    PlayerWindows p(std::nullopt, clock, audio);
    Game& g = p.main->game();
    g.pics.ImageFront = QImage(486, 295, QImage::Format_RGB32);
    g.pics.ImageFront.fill(Qt::darkBlue);
    p.main->show();
    p.messages->AddMessageLine("idle");

    struct Display {
        const char* name;
        int scale;
        bool fullScreen;
    } displays[] = {{"1x", 1, false}, {"3x", 3, false}, {"fullscreen", 1, true}};
    for (const Display& d : displays) {
        p.main->setDisplay(d.scale, d.fullScreen);
        waitMs(200);  // the window settles at its new size
        std::printf("idle.wakeups_per_s_%s %.2f /s\n", d.name, idleWakeups(p, 5));
    }

    // A mode-1 transition (49 steps) at each scale; the step time is the
    // whole transition's divided by its steps.
    for (int scale : {1, 3}) {
        p.main->setDisplay(scale, false);
        waitMs(200);
        const int rounds = 5;
        QElapsedTimer t;
        t.start();
        for (int r = 0; r < rounds; ++r) TransitionTo(g, 1, r % 2 ? "old" : "next");
        const double us = double(t.nsecsElapsed()) / 1000.0 / (rounds * 49);
        std::printf("transition.step_us_%dx %.0f us\n", scale, us);
    }
    // The same at 3x with the whole game in one window, the message window
    // under the picture as the demo puts it.
    MessageArrangement under;
    under.y = 322;
    p.messages->ArrangeMessageWindow(under, p.main->pictureOrigin());
    p.main->display().setPanels({p.messages.get(), p.verbs.get(), p.textInput.get()});
    p.main->display().setWindowMode(WindowMode::One);
    p.main->setDisplay(3, false);
    waitMs(200);
    {
        const int rounds = 5;
        QElapsedTimer t;
        t.start();
        for (int r = 0; r < rounds; ++r) TransitionTo(g, 1, r % 2 ? "old" : "next");
        std::printf("transition.step_us_3x_stage %.0f us\n", double(t.nsecsElapsed()) / 1000.0 / (rounds * 49));
    }
    p.main->display().setWindowMode(WindowMode::Separate);
    // For judging the figure above on this machine: the time to fill a frame
    // of the size a 3x picture covers, which no way of drawing it can beat.
    QImage frame(486 * 3, 295 * 3, QImage::Format_RGB32);
    QElapsedTimer t;
    t.start();
    for (int r = 0; r < 50; ++r) frame.fill(QColor(r, 0, 0));
    std::printf("reference.frame_fill_us_3x %.0f us\n", double(t.nsecsElapsed()) / 1000.0 / 50);
    return 0;
}
