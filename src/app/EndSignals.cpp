#include "app/EndSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace qel {

namespace {

// The self-pipe: the handler writes the signal's number, the event loop reads it.
int pipeEnds[2] = {-1, -1};

extern "C" void onEndSignal(int signalNumber) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] ssize_t n = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

} // namespace

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

} // namespace qel
