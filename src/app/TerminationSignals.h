// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread, through a pipe that the
// signal handler writes to, so that the program ends through its event loop (saving what is
// pending on the way) rather than in the middle of whatever it was doing. A second delivery of the
// same signal while the first is being handled ends the process the default way.
#pragma once

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; only one instance may exist at a time.
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the default handlers back.
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};
