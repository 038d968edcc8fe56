#include "platform/SdlGamepad.h"

#include "platform/OnDemandLibrary.h"

#include <QDir>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>
#include <SDL.h>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace qel {

namespace {

// SDL, loaded as the first controller layer starts.
#define SDL_FUNCTIONS(X)               \
    X(SDL_FlushEvents)                 \
    X(SDL_GameControllerClose)         \
    X(SDL_GameControllerEventState)    \
    X(SDL_GameControllerGetJoystick)   \
    X(SDL_GameControllerName)          \
    X(SDL_GameControllerOpen)          \
    X(SDL_GameControllerPath)          \
    X(SDL_GetError)                    \
    X(SDL_InitSubSystem)               \
    X(SDL_JoystickAttachVirtualEx)     \
    X(SDL_JoystickDetachVirtual)       \
    X(SDL_JoystickFromInstanceID)      \
    X(SDL_JoystickGetDeviceInstanceID) \
    X(SDL_JoystickInstanceID)          \
    X(SDL_JoystickSetVirtualButton)    \
    X(SDL_NumJoysticks)                \
    X(SDL_PeepEvents)                  \
    X(SDL_PumpEvents)                  \
    X(SDL_QuitSubSystem)               \
    X(SDL_SetHint)

struct Sdl {
    SDL_FUNCTIONS(QEL_FUNCTION_POINTER)
    bool load(QString* why) { return loadLibrary("libSDL2-2.0.so.0", {SDL_FUNCTIONS(QEL_FUNCTION_ENTRY)}, why); }
};

// SDL's functions, used only once the controller layer has started.
const Sdl& sdl() { return *loadedOnce<Sdl>(nullptr); }

// The stick's travel (of 32767) at which it counts as pushed, and below
// which it counts as let go again.
constexpr Sint16 kStickPushed = 16000;
constexpr Sint16 kStickReleased = 8000;

std::optional<PadButton> padButtonOf(Uint8 b) {
    switch (b) {
    case SDL_CONTROLLER_BUTTON_A: return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B: return PadButton::B;
    case SDL_CONTROLLER_BUTTON_X: return PadButton::X;
    case SDL_CONTROLLER_BUTTON_Y: return PadButton::Y;
    case SDL_CONTROLLER_BUTTON_START: return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_BACK: return PadButton::Back;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadButton::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadButton::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadButton::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadButton::Right;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return PadButton::RB;
    default: return std::nullopt;
    }
}

int sdlButtonOf(PadButton b) {
    for (int i = 0; i < SDL_CONTROLLER_BUTTON_MAX; ++i)
        if (padButtonOf(Uint8(i)) == b) return i;
    return -1;
}

}  // namespace

struct SdlGamepad::Impl {
    SdlGamepad* self = nullptr;
    bool started = false;
    QFileSystemWatcher devices;

    struct Pad {
        SDL_GameController* controller = nullptr;
        int fd = -1;  // our own reader of the device's node: it only wakes the pump
        std::unique_ptr<QSocketNotifier> notifier;
        // The direction the left stick points on each axis: -1, 0 or 1.
        int stickX = 0;
        int stickY = 0;
    };
    std::map<SDL_JoystickID, Pad> pads;
    SDL_JoystickID virtualId = -1;  // the virtual controller, once attached

    void detachVirtual() {
        if (virtualId < 0) return;
        for (int i = 0; i < sdl().SDL_NumJoysticks(); ++i)
            if (sdl().SDL_JoystickGetDeviceInstanceID(i) == virtualId) sdl().SDL_JoystickDetachVirtual(i);
        virtualId = -1;
    }

    void open(int index) {
        SDL_GameController* c = sdl().SDL_GameControllerOpen(index);
        if (!c) return;
        const SDL_JoystickID id = sdl().SDL_JoystickInstanceID(sdl().SDL_GameControllerGetJoystick(c));
        if (pads.count(id)) {  // SDL reports a controller present at the start once more
            sdl().SDL_GameControllerClose(c);
            return;
        }
        Pad& pad = pads[id];
        pad.controller = c;
        const char* path = sdl().SDL_GameControllerPath(c);
        if (path && *path) pad.fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (pad.fd >= 0) {
            pad.notifier = std::make_unique<QSocketNotifier>(pad.fd, QSocketNotifier::Read);
            QObject::connect(pad.notifier.get(), &QSocketNotifier::activated, self, [this, fd = pad.fd] {
                char sink[1024];
                while (::read(fd, sink, sizeof sink) > 0) {
                }
                self->pump();
            });
        }
        const char* name = sdl().SDL_GameControllerName(c);
        emit self->attached(QString::fromUtf8(name ? name : "?"));
    }

    void close(SDL_JoystickID id) {
        auto it = pads.find(id);
        if (it == pads.end()) return;
        it->second.notifier.reset();
        if (it->second.fd >= 0) ::close(it->second.fd);
        sdl().SDL_GameControllerClose(it->second.controller);
        pads.erase(it);
        emit self->detached();
    }

    // A stick axis as a direction pad: one press as it is pushed past the
    // mark, its release as it comes back near the middle.
    void stick(Pad& pad, bool horizontal, Sint16 value) {
        int& was = horizontal ? pad.stickX : pad.stickY;
        int now = was;
        if (value >= kStickPushed) now = 1;
        else if (value <= -kStickPushed) now = -1;
        else if (value > -kStickReleased && value < kStickReleased) now = 0;
        if (now == was) return;
        const auto direction = [horizontal](int side) {
            return horizontal ? (side < 0 ? PadButton::Left : PadButton::Right)
                              : (side < 0 ? PadButton::Up : PadButton::Down);
        };
        if (was != 0) emit self->button(direction(was), false);
        was = now;
        if (now != 0) emit self->button(direction(now), true);
    }

    void watchDevices() {
        // The folder may appear only with the first input device.
        const QString folder = QStringLiteral("/dev/input");
        if (QDir(folder).exists()) {
            if (!devices.directories().contains(folder)) devices.addPath(folder);
        } else if (QDir(QStringLiteral("/dev")).exists() && devices.directories().isEmpty()) {
            devices.addPath(QStringLiteral("/dev"));
        }
    }
};

SdlGamepad::SdlGamepad(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {
    d->self = this;
    QString missing;
    if (!loadedOnce<Sdl>(&missing)) {
        qWarning("Game controllers unavailable (%s)", qPrintable(missing));
        return;
    }
    // SDL would take over SIGINT and SIGTERM; the program handles them itself.
    sdl().SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // SDL's own USB drivers read devices that have no event node; every
    // controller goes through the kernel's event devices instead, so that
    // each one has a node to wake the pump.
    sdl().SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
    // No SDL window exists: the pads are the program's whatever has the focus.
    sdl().SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (sdl().SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) < 0) {
        qWarning("Game controllers unavailable (%s)", sdl().SDL_GetError());
        return;
    }
    d->started = true;
    sdl().SDL_GameControllerEventState(SDL_ENABLE);
    d->watchDevices();
    connect(&d->devices, &QFileSystemWatcher::directoryChanged, this, [this] {
        d->watchDevices();
        pump();
        // The new node gets its permissions and SDL its notice a moment later.
        QTimer::singleShot(250, this, &SdlGamepad::pump);
        QTimer::singleShot(1000, this, &SdlGamepad::pump);
    });
    pump();  // the controllers plugged in before the start
}

SdlGamepad::~SdlGamepad() {
    if (!d->started) return;
    // Nothing is read any more: what SDL would report now has nobody to go to.
    while (!d->pads.empty()) {
        auto it = d->pads.begin();
        it->second.notifier.reset();
        if (it->second.fd >= 0) ::close(it->second.fd);
        sdl().SDL_GameControllerClose(it->second.controller);
        d->pads.erase(it);
    }
    d->detachVirtual();
    sdl().SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

bool SdlGamepad::available() const { return d->started; }

int SdlGamepad::count() const { return int(d->pads.size()); }

bool SdlGamepad::attachVirtual(QString* why) {
    if (!d->started) {
        if (why) *why = QStringLiteral("SDL's game controller support did not start");
        return false;
    }
    if (d->virtualId >= 0) return true;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "QEL Player virtual controller";
    const int device = sdl().SDL_JoystickAttachVirtualEx(&desc);
    if (device < 0) {
        if (why) *why = QString::fromUtf8(sdl().SDL_GetError());
        return false;
    }
    d->virtualId = sdl().SDL_JoystickGetDeviceInstanceID(device);
    pump();
    if (!d->pads.count(d->virtualId)) {
        if (why) *why = QStringLiteral("SDL did not open the virtual controller as a game controller");
        d->detachVirtual();
        return false;
    }
    return true;
}

void SdlGamepad::pressVirtual(PadButton button, bool down) {
    SDL_Joystick* stick = d->virtualId >= 0 ? sdl().SDL_JoystickFromInstanceID(d->virtualId) : nullptr;
    const int b = sdlButtonOf(button);
    if (!stick || b < 0) return;
    sdl().SDL_JoystickSetVirtualButton(stick, b, down ? 1 : 0);
    pump();
}

void SdlGamepad::pump() {
    if (!d->started) return;
    sdl().SDL_PumpEvents();
    SDL_Event e;
    while (sdl().SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERSENSORUPDATE) > 0) {
        switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: d->open(e.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: d->close(e.cdevice.which); break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (d->pads.count(e.cbutton.which))
                if (auto b = padButtonOf(e.cbutton.button)) emit button(*b, e.type == SDL_CONTROLLERBUTTONDOWN);
            break;
        case SDL_CONTROLLERAXISMOTION: {
            auto it = d->pads.find(e.caxis.which);
            if (it == d->pads.end()) break;
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) d->stick(it->second, true, e.caxis.value);
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) d->stick(it->second, false, e.caxis.value);
            break;
        }
        default: break;
        }
    }
    // The joysticks' own events come along with the controllers'; nothing reads them.
    sdl().SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_JOYBATTERYUPDATED);
}

}  // namespace qel
