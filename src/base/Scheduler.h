// The main queue: every "later" of the program goes through here, so that tests can run the
// same code on a virtual clock.
#pragma once

#include <QDateTime>

#include <functional>

class Scheduler {
public:
    using Task = std::function<void()>;

    virtual ~Scheduler() = default;

    // Runs task on the main thread once at least `seconds` have passed. Tasks due at the same
    // moment run in the order they were scheduled. Nothing is ever cancelled.
    virtual void after(double seconds, Task task) = 0;
    // Runs task on the main thread on a later turn of the event loop.
    void async(Task task) { after(0.0, std::move(task)); }

    // Blocks the calling thread; no queued task runs meanwhile.
    virtual void sleep(double seconds) = 0;

    // Monotonic seconds since an arbitrary start.
    virtual double now() const = 0;
    // The wall-clock time, for stored dates.
    virtual QDateTime currentDateTime() const = 0;
};
