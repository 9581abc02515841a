#include "VirtualScheduler.h"

#include <cmath>

VirtualScheduler::VirtualScheduler(QDateTime start) : m_start(std::move(start)) {}

void VirtualScheduler::after(double seconds, Task task) {
    m_tasks.emplace(std::make_pair(m_now + std::max(0.0, seconds), m_sequence++), std::move(task));
}

void VirtualScheduler::sleep(double seconds) {
    m_sleeps.append(seconds);
    m_now += std::max(0.0, seconds);
}

QDateTime VirtualScheduler::currentDateTime() const {
    return m_start.addMSecs(static_cast<qint64>(std::llround(m_now * 1000.0)));
}

bool VirtualScheduler::runNext(double until) {
    if (m_tasks.empty())
        return false;
    auto first = m_tasks.begin();
    // A small tolerance keeps sums such as 0.1 + 0.2 from missing a deadline of 0.3.
    if (first->first.first > until + 1e-9)
        return false;
    m_now = std::max(m_now, first->first.first);
    Task task = std::move(first->second);
    m_tasks.erase(first);
    task();
    return true;
}

void VirtualScheduler::advance(double seconds) {
    const double until = m_now + std::max(0.0, seconds);
    while (runNext(until)) {
    }
    m_now = std::max(m_now, until);
}

int VirtualScheduler::runAll(int limit) {
    int ran = 0;
    while (ran < limit && !m_tasks.empty()) {
        runNext(m_tasks.begin()->first.first);
        ++ran;
    }
    return ran;
}

QList<double> VirtualScheduler::pendingDeadlines() const {
    QList<double> deadlines;
    for (const auto& entry : m_tasks)
        deadlines.append(entry.first.first);
    return deadlines;
}
