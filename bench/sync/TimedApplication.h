#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

// Times every event the main thread handles (each timer, each call handed over from the worker): the
// longest is how long the window could not answer.
class TimedApplication : public QCoreApplication {
public:
    // A turn longer than this drops a frame.
    static constexpr double frameMs = 16;

    using QCoreApplication::QCoreApplication;
    bool notify(QObject* receiver, QEvent* event) override;
    void reset();

    double longest = 0;
    // The same in CPU time of the main thread: what the turn itself cost, whatever else the machine
    // was running meanwhile.
    double longestCpu = 0;
    int overFrame = 0;
    QElapsedTimer clock;
    // When the last turn that did work ended, on `clock`.
    qint64 lastWork = 0;

private:
    int m_depth = 0;
};
