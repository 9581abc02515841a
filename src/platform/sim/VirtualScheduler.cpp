#include "VirtualScheduler.h"

#include <algorithm>
#include <cmath>

VirtualScheduler::VirtualScheduler(QDateTime start) : m_start(std::move(start)) {}

void VirtualScheduler::after(double seconds, Task task) {
    const std::lock_guard lock(m_mutex);
    auto& queue = std::this_thread::get_id() == m_owner ? m_tasks : m_inbox;
    queue.emplace(std::make_pair(m_now + std::max(0.0, seconds), m_sequence++), std::move(task));
}

void VirtualScheduler::takeInbox() {
    const std::lock_guard lock(m_mutex);
    m_tasks.merge(m_inbox);
}

void VirtualScheduler::sleep(double seconds) {
    const std::lock_guard lock(m_mutex);
    m_sleeps.append(seconds);
    m_now += std::max(0.0, seconds);
}

double VirtualScheduler::now() const {
    const std::lock_guard lock(m_mutex);
    return m_now;
}

int VirtualScheduler::pendingCount() const {
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_tasks.size() + m_inbox.size());
}

QDateTime VirtualScheduler::currentDateTime() const {
    const std::lock_guard lock(m_mutex);
    return m_start.addMSecs(static_cast<qint64>(std::llround(m_now * 1000.0)));
}

bool VirtualScheduler::runNext(double until) {
    Task task;
    {
        const std::lock_guard lock(m_mutex);
        if (m_tasks.empty())
            return false;
        auto first = m_tasks.begin();
        // A small tolerance keeps sums such as 0.1 + 0.2 from missing a deadline of 0.3.
        if (first->first.first > until + 1e-9)
            return false;
        m_now = std::max(m_now, first->first.first);
        task = std::move(first->second);
        m_tasks.erase(first);
    }
    task();
    return true;
}

void VirtualScheduler::advance(double seconds) {
    takeInbox();
    const double until = now() + std::max(0.0, seconds);
    while (runNext(until)) {
    }
    const std::lock_guard lock(m_mutex);
    m_now = std::max(m_now, until);
}

int VirtualScheduler::runAll(int limit) {
    takeInbox();
    int ran = 0;
    for (;;) {
        double first = 0;
        {
            const std::lock_guard lock(m_mutex);
            if (ran >= limit || m_tasks.empty())
                break;
            first = m_tasks.begin()->first.first;
        }
        runNext(first);
        ++ran;
    }
    return ran;
}

QList<double> VirtualScheduler::pendingDeadlines() const {
    const std::lock_guard lock(m_mutex);
    QList<double> deadlines;
    for (const auto& entry : m_tasks)
        deadlines.append(entry.first.first);
    for (const auto& entry : m_inbox)
        deadlines.append(entry.first.first);
    std::sort(deadlines.begin(), deadlines.end());
    return deadlines;
}
