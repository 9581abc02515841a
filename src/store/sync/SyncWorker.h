// The thread on which sync does its slow work: reading and parsing the folder, merging, writing the
// store and the sync state, writing many files. It runs one job at a time and hands its end back to
// the main thread through the scheduler, so that the window keeps answering meanwhile. While a job
// runs it alone touches the sync state, the folder reader and the store writer: the main thread
// waits until `isBusy()` is false before it does.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <QtGlobal>

class Scheduler;

class SyncWorker {
public:
    using Job = std::function<void()>;

    explicit SyncWorker(Scheduler& scheduler);
    // Waits for the job in progress (its `done` is not run) and stops the thread.
    ~SyncWorker();

    // Main thread only, as everything below.
    bool isBusy() const { return m_busy; }
    // Runs `job` on the worker thread, then `done` on the main thread on a later turn of the event
    // loop (or within wait()). Only while not busy.
    void start(Job job, Job done);
    // Waits for the job in progress, if any, and runs its `done` now.
    void wait();

private:
    void run();
    // Runs `done` of the job numbered `job` unless that already happened.
    void finish(quint64 job);

    Scheduler& m_scheduler;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    Job m_job;
    bool m_jobFinished = true;
    bool m_stopping = false;
    // Written under the lock, by the main thread only.
    quint64 m_jobs = 0;
    // Main thread.
    bool m_busy = false;
    Job m_done;
    // Tasks handed to the scheduler find out through this whether the worker is still there.
    std::shared_ptr<SyncWorker*> m_self;
    std::thread m_thread;
};
