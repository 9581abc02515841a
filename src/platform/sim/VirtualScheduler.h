// A scheduler on a virtual clock for tests: nothing runs until the test advances the clock;
// due tasks then run in deadline order, ties in scheduling order. Blocking sleeps only move
// the clock and are recorded. Like the program's scheduler, it takes tasks from any thread (a
// worker hands its result back this way); they run on the thread that made the clock, which
// advances it. A task handed in from another thread runs at the next advance, never within the one
// running: whether a worker is still busy after an advance then depends on the test, not on how
// fast the worker was.
#pragma once

#include "base/Scheduler.h"

#include <QList>

#include <map>
#include <mutex>
#include <thread>
#include <utility>

class VirtualScheduler : public Scheduler {
public:
    explicit VirtualScheduler(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC));

    void after(double seconds, Task task) override;
    void sleep(double seconds) override;
    double now() const override;
    QDateTime currentDateTime() const override;

    // Moves the clock forward by `seconds`, running every task that falls due on the way,
    // including tasks those tasks schedule (and tasks handed in from other threads before it began).
    void advance(double seconds);
    // Runs every task due now (deadline at or before the current time).
    void runDue() { advance(0.0); }
    // Advances until no task is left (tasks handed in from other threads meanwhile wait); returns
    // how many ran. Stops after `limit` tasks so that a task that keeps rescheduling itself cannot
    // hang a test.
    int runAll(int limit = 100000);

    int pendingCount() const;
    // Deadlines of the waiting tasks, soonest first.
    QList<double> pendingDeadlines() const;
    // Every blocking sleep so far, in order.
    const QList<double>& sleeps() const { return m_sleeps; }

private:
    bool runNext(double until);
    // Moves what other threads handed in since the last call to where runNext finds it.
    void takeInbox();

    mutable std::mutex m_mutex;
    double m_now = 0.0;
    QDateTime m_start;
    unsigned long long m_sequence = 0;
    std::map<std::pair<double, unsigned long long>, Task> m_tasks;
    std::map<std::pair<double, unsigned long long>, Task> m_inbox;
    const std::thread::id m_owner = std::this_thread::get_id();
    QList<double> m_sleeps;
};
