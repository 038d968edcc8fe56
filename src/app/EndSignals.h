#pragma once
// Ending the program from outside: SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C,
// the end of the session), and another X client destroying one of the
// player's windows, end it the way closing the start menu does.
#include <QAbstractNativeEventFilter>
#include <QObject>

class QSocketNotifier;

namespace qel {

class EndSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; they call onSignal() from the event loop, never
    // from inside the signal handler.
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;

signals:
    void received(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
};

// Watches the X server's events for the destruction of one of the player's
// own top-level windows by someone else (`xdotool windowclose`, a broken
// window manager). Qt never learns of it and would run on without a window,
// its waits never ending. A window Qt destroys itself is not taken for one:
// by the time its report arrives, its widget is gone or holds a new window.
class WindowLoss : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit WindowLoss(QObject* parent = nullptr);
    ~WindowLoss() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void windowDestroyed();
};

}  // namespace qel
