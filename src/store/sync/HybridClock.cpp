#include "HybridClock.h"

#include <algorithm>

HybridClock::HybridClock(QString machine, WallClock wallClock)
    : m_machine(std::move(machine)), m_wallClock(std::move(wallClock)) {
    m_last.machine = m_machine;
}

SyncStamp HybridClock::tick() {
    // A clock set past the latest stamp would make stamps that no machine reads.
    const qint64 wall = std::min(m_wallClock(), SyncStamp::latestWall);
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
