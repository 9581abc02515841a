#include "HybridClock.h"

HybridClock::HybridClock(QString machine, WallClock wallClock) : m_wallClock(std::move(wallClock)) {
    m_last.machine = std::move(machine);
}

SyncStamp HybridClock::tick() {
    const qint64 wall = m_wallClock();
    if (wall > m_last.wall) {
        m_last.wall = wall;
        m_last.counter = 0;
    } else {
        m_last = m_last.after(m_last.machine);
    }
    return m_last;
}

void HybridClock::observe(const SyncStamp& stamp) {
    if (isAhead(stamp))
        return;
    if (stamp.wall > m_last.wall || (stamp.wall == m_last.wall && stamp.counter > m_last.counter)) {
        m_last.wall = stamp.wall;
        m_last.counter = stamp.counter;
    }
}

void HybridClock::restore(const SyncStamp& last) {
    observe(last);
}
