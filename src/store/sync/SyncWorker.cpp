#include "SyncWorker.h"

#include "base/Scheduler.h"

SyncWorker::SyncWorker(Scheduler& scheduler)
    : m_scheduler(scheduler), m_self(std::make_shared<SyncWorker*>(this)), m_thread([this] { run(); }) {}

SyncWorker::~SyncWorker() {
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_jobFinished; });
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void SyncWorker::start(Job job, Job done) {
    Q_ASSERT(!m_busy);
    m_busy = true;
    m_done = std::move(done);
    {
        const std::lock_guard lock(m_mutex);
        ++m_jobs;
        m_job = std::move(job);
        m_jobFinished = false;
    }
    m_wake.notify_all();
}

void SyncWorker::run() {
    for (;;) {
        Job job;
        quint64 number = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || m_job; });
            if (m_stopping)
                return;
            job = std::move(m_job);
            m_job = nullptr;
            number = m_jobs;
        }
        job();
        // What the job held is gone before the main thread hears that it ended.
        job = nullptr;
        {
            const std::lock_guard lock(m_mutex);
            m_jobFinished = true;
        }
        m_wake.notify_all();
        m_scheduler.async([self = std::weak_ptr<SyncWorker*>(m_self), number] {
            if (const std::shared_ptr<SyncWorker*> worker = self.lock())
                (*worker)->finish(number);
        });
    }
}

void SyncWorker::finish(quint64 job) {
    if (!m_busy || job != m_jobs)
        return;
    m_busy = false;
    Job done = std::move(m_done);
    m_done = nullptr;
    done();
}

void SyncWorker::wait() {
    if (!m_busy)
        return;
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_jobFinished; });
    }
    finish(m_jobs);
}
