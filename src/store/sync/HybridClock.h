// Hands out stamps that never go backwards on this machine and always come after every stamp seen
// from other machines, even when this machine's wall clock is behind theirs, by up to `maxDrift`.
// A stamp further ahead of this machine's wall clock is never taken on: one machine with a wrong
// clock (or one hostile file) cannot drag every clock into its future.
// Edits are stamped on the main thread while a sync round observes stamps on its worker: every
// reading and change of the clock holds its lock.
#pragma once

#include "SyncStamp.h"

#include <functional>
#include <mutex>

class HybridClock {
public:
    using WallClock = std::function<qint64()>; // milliseconds since the epoch; called from any thread
    static constexpr qint64 maxDrift = 5 * 60 * 1000;

    HybridClock(QString machine, WallClock wallClock);

    // A stamp after every stamp handed out or seen so far.
    SyncStamp tick();
    // Takes note of a stamp from another machine, unless it is ahead.
    void observe(const SyncStamp& stamp);
    qint64 wallNow() const { return m_wallClock(); }
    // More than `maxDrift` ahead of this machine's wall clock.
    bool isAhead(const SyncStamp& stamp) const { return stamp.wall > wallNow() + maxDrift; }

    SyncStamp last() const;
    // Resumes from a stamp kept from an earlier run.
    void restore(const SyncStamp& last);
    const QString& machine() const { return m_machine; }

private:
    const QString m_machine;
    const WallClock m_wallClock;
    mutable std::mutex m_mutex;
    SyncStamp m_last;
};
