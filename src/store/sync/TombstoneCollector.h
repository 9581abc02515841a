// Removes the tombstones that every machine has read, with what their deletion left behind, from the
// sync state and from the folder; the other machines follow when they next read it.
#pragma once

#include <QSet>
#include <QString>

class SyncFolder;
class SyncState;

class TombstoneCollector {
public:
    TombstoneCollector(SyncState& state, SyncFolder& folder) : m_state(state), m_folder(folder) {}

    // Drops the deletions made before `horizon` (milliseconds since the epoch), apart from those of
    // `queued` objects, whose files wait to be written.
    void collect(qint64 horizon, const QSet<QString>& queued);

private:
    SyncState& m_state;
    SyncFolder& m_folder;
};
