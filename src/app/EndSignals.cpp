#include "app/EndSignals.h"

#include "platform/Waits.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>

namespace qel {

namespace {

// The self-pipe: the handler writes the signal's number, the event loop reads it.
int pipeEnds[2] = {-1, -1};

extern "C" void onEndSignal(int signalNumber) {
    const int saved = errno;
    noteEndSignal();
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] ssize_t n = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent) {
    if (pipeEnds[0] < 0) {
        if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    }
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(pipeEnds[0], &byte, 1) == 1) emit received(byte);
    });
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kEndSignals) ::sigaction(s, &action, nullptr);
}

EndSignals::~EndSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int s : kEndSignals) ::sigaction(s, &action, nullptr);
}

namespace {

// The X protocol's DestroyNotify event as it arrives on the wire (32 bytes;
// the fields used here lead it). Spelled out here so that the player needs
// no X development headers.
constexpr std::uint8_t kDestroyNotify = 17;
struct DestroyNotifyEvent {
    std::uint8_t responseType;  // the high bit marks an event sent by another client
    std::uint8_t pad;
    std::uint16_t sequence;
    std::uint32_t event;
    std::uint32_t window;
};

}  // namespace

WindowLoss::WindowLoss(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowLoss::~WindowLoss() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowLoss::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !message) return false;
    const auto* e = static_cast<const DestroyNotifyEvent*>(message);
    // Only the server's own report: one another client sent (the high bit
    // set) does not mean the window is gone.
    if (e->responseType != kDestroyNotify) return false;
    // Only the report of the window itself, not of a child inside it.
    if (e->event != e->window) return false;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (w->internalWinId() == WId(e->window)) {
            emit windowDestroyed();
            break;
        }
    }
    return false;
}

}  // namespace qel
