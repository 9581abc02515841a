#include "HybridClock.h"

HybridClock::HybridClock(QString machine, WallClock wallClock)
    : m_machine(std::move(machine)), m_wallClock(std::move(wallClock)) {
    m_last.machine = m_machine;
}

SyncStamp HybridClock::tick() {
    const qint64 wall = m_wallClock();
    const std::lock_guard lock(m_mutex);
    if (wall > m_last.wall) {
        m_last.wall = wall;
        m_last.counter = 0;
    } else {
        m_last = m_last.after(m_machine);
    }
    return m_last;
}

void HybridClock::observe(const SyncStamp& stamp) {
    if (isAhead(stamp))
        return;
    const std::lock_guard lock(m_mutex);
    if (stamp.wall > m_last.wall || (stamp.wall == m_last.wall && stamp.counter > m_last.counter)) {
        m_last.wall = stamp.wall;
        m_last.counter = stamp.counter;
    }
}

SyncStamp HybridClock::last() const {
    const std::lock_guard lock(m_mutex);
    return m_last;
}

void HybridClock::restore(const SyncStamp& last) {
    observe(last);
}
