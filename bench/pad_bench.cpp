// Wake-ups of the game controller layer while nobody plays: the times the
// event loop wakes in 3 seconds with no controller, and with a controller
// attached but untouched (an SDL virtual one, which has no device node, like
// a pad at rest), beyond the event loop's own, and the time from a press read by the layer to its report.
// Prints "NAME VALUE UNIT" lines.
#include "platform/SdlGamepad.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <SDL.h>
#include <cstdio>

using namespace qel;

namespace {

// The event loop's wake-ups over ms milliseconds.
int wakeups(int ms) {
    int count = 0;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const QMetaObject::Connection counting = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake,
                                                              [&count] { ++count; });
    QTimer::singleShot(ms, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    QObject::disconnect(counting);
    return count;
}

// Those the layer adds, per second: the loop's own (the timer that ends the
// count) measured before the layer exists are taken off.
int baseline = 0;
double wakeupsPerSecond(int ms) { return double(std::max(wakeups(ms) - baseline, 0)) * 1000.0 / ms; }

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    baseline = wakeups(3000);
    SdlGamepad pad;
    if (!pad.available()) {
        std::puts("pad.available 0 bool");
        return 0;
    }
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });  // settle the start
    QCoreApplication::exec();
    std::printf("pad.idle_wakeups_per_s %.2f 1/s\n", wakeupsPerSecond(3000));

    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    const int device = SDL_JoystickAttachVirtualEx(&desc);
    pad.pump();
    std::printf("pad.idle_wakeups_attached_per_s %.2f 1/s\n", wakeupsPerSecond(3000));

    QElapsedTimer t;
    qint64 ns = 0;
    QObject::connect(&pad, &SdlGamepad::button, [&] { ns = t.nsecsElapsed(); });
    SDL_Joystick* stick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
    t.start();
    SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_A, 1);
    pad.pump();
    std::printf("pad.press_to_report_us %.1f us\n", double(ns) / 1000.0);
    SDL_JoystickDetachVirtual(device);
    pad.pump();
    return 0;
}
