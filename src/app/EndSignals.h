#pragma once
// Ending the program from outside: SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C,
// the end of the session) end it the way closing the start menu does.
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

} // namespace qel
