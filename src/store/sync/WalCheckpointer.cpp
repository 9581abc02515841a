#include "WalCheckpointer.h"

#include "store/Database.h"

WalCheckpointer::WalCheckpointer(const QString& path) : m_database(Database::open(path, false, nullptr)) {
    if (m_database) {
        m_database->execute(QStringLiteral("PRAGMA busy_timeout = 2000"));
        m_thread = std::thread([this] { run(); });
    }
}

WalCheckpointer::~WalCheckpointer() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void WalCheckpointer::request() {
    if (!m_database)
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_requested = true;
    }
    m_wake.notify_all();
}

bool WalCheckpointer::isIdle() {
    const std::lock_guard lock(m_mutex);
    return !m_requested && !m_running;
}

void WalCheckpointer::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || m_requested; });
        if (m_stopping)
            return;
        m_requested = false;
        m_running = true;
        lock.unlock();
        // Passive: never waits for, nor holds up, a writer or a reader; what it cannot copy now goes
        // with the next request or commit.
        m_database->execute(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
        lock.lock();
        m_running = false;
    }
}
