// The program's scheduler: one precise Qt timer on the main thread over a queue of its own, so that
// tasks run in deadline order (ties in scheduling order) as on the virtual clock. Qt alone would
// run a zero-delay call before timers that are already overdue.
#pragma once

#include "Scheduler.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QTimer>

#include <map>
#include <utility>

class QtScheduler : public Scheduler {
public:
    QtScheduler();

    // May be called from any thread; the task runs on the thread that created the scheduler.
    void after(double seconds, Task task) override;
    void sleep(double seconds) override;
    double now() const override;
    QDateTime currentDateTime() const override;

private:
    // Points the timer at the earliest deadline. Main thread.
    void arm();
    // Runs the earliest task when it is due. Main thread.
    void runDue();

    QElapsedTimer m_clock;
    QMutex m_mutex;
    // (deadline in nanoseconds of m_clock, scheduling order) -> task
    std::map<std::pair<qint64, quint64>, Task> m_tasks;
    quint64 m_sequence = 0;
    // Owns the timer, so tasks never outlive the scheduler.
    QObject m_context;
    QTimer* m_timer;
};
