// The program's scheduler: precise Qt timers on the main thread.
#pragma once

#include "Scheduler.h"

#include <QElapsedTimer>
#include <QObject>

class QtScheduler : public Scheduler {
public:
    QtScheduler();

    void after(double seconds, Task task) override;
    void sleep(double seconds) override;
    double now() const override;
    QDateTime currentDateTime() const override;

private:
    QElapsedTimer m_clock;
    // Owns the timers, so tasks never outlive the scheduler.
    QObject m_context;
};
