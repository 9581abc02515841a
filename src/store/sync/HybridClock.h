// Hands out stamps that never go backwards on this machine and always come after every stamp seen
// from other machines, even when this machine's wall clock is behind theirs.
#pragma once

#include "SyncStamp.h"

#include <functional>

class HybridClock {
public:
    using WallClock = std::function<qint64()>; // milliseconds since the epoch

    HybridClock(QString machine, WallClock wallClock);

    // A stamp after every stamp handed out or seen so far.
    SyncStamp tick();
    // Takes note of a stamp from another machine.
    void observe(const SyncStamp& stamp);

    const SyncStamp& last() const { return m_last; }
    // Resumes from a stamp kept from an earlier run.
    void restore(const SyncStamp& last);
    const QString& machine() const { return m_last.machine; }

private:
    SyncStamp m_last;
    WallClock m_wallClock;
};
