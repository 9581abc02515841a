// Writes this machine's changes to the sync folder. After every save of the main context it finds the
// objects that changed, were added or left the store, stamps each changed attribute with the hybrid
// clock (a tombstone for what left) and queues the objects' files (SyncWriteQueue).
#pragma once

#include "ExportBacklog.h"
#include "IdHash.h"
#include "RoundOverlap.h"
#include "SyncFolder.h"
#include "SyncRecord.h"
#include "SyncWriteQueue.h"

#include <QJsonObject>

#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>
#include <optional>
#include <unordered_set>
#include <utility>

class ModelContext;
class ModelObject;
class SyncState;
class SyncWorker;

class SyncExporter : public QObject {
    Q_OBJECT
public:
    static constexpr int writeChunk = SyncWriteQueue::writeChunk;
    static constexpr int workerBatch = SyncWriteQueue::workerBatch;
    // Objects taken on or stamped by one export; more wait for the next.
    static constexpr int slice = 200;

    using Hooks = SyncWriteQueue::Hooks;

    enum class Result { unchanged, written, failed };

    SyncExporter(ModelContext* context, SyncWorker& worker, SyncFolder& folder, SyncState& state,
                 Hooks hooks);

    // The calls below touch the sync state: only while the worker is idle.
    // Stamps what changed in the store since the last export, queues it and writes it; a slice of it
    // when much changed (see `hasMore`).
    Result exportChanges(QString* error);
    // The last export left objects for the next one.
    bool hasMore() const { return m_more; }
    // Queues the objects' files and writes them, at once when few wait, else on the worker; keeps
    // those written and `keep` in the sync state.
    bool writeFiles(const QSet<QString>& ids, QString* error, const QSet<QString>& keep = {}) {
        return m_writes.writeFiles(ids, error, keep);
    }
    // Writes now everything still queued and keeps the state of what was written.
    bool flushWrites(QString* error) { return m_writes.flushWrites(error); }
    // Hands the next batch of a large queue to the worker, if any waits.
    void writeNextBatch() { m_writes.writeNextBatch(); }
    // From now on nothing new is handed to the worker: what is still queued is kept as not written,
    // and written at the next start.
    void close() { m_writes.close(); }
    // Waiting to be written.
    bool isQueued(const QString& id) const { return m_writes.isQueued(id); }
    const QSet<QString>& queued() const { return m_writes.queued(); }
    // This machine lost what it knew of the folder: the objects the folder holds are left to the next
    // import, which takes them from the folder, rather than stamped as edits made now.
    void setRejoining(QSet<QString> ids) { m_rejoining = std::move(ids); }
    void rejoined();
    // Keeps the entries of `ids`, those still queued as not in the folder yet.
    bool persist(const QSet<QString>& ids, QString* error) { return m_writes.persist(ids, error); }
    // The files whose last writing failed, waiting for another try, and why the last of them failed.
    QSet<QString> failedWrites() const { return m_writes.failed(); }
    const QString& writeFailure() const { return m_writes.failure(); }

    // The rows of the lists that the last exports found shown otherwise than by key, numbered by key.
    QList<SyncRecord> takeMisordered() { return std::exchange(m_misordered, {}); }

    // Edits saved here while a round merged other machines' changes (see RoundOverlap).
    void noteRound(const SyncMerger::Round& round) { m_overlap.noteRound(round); }
    bool hasOverlap() const { return m_overlap.hasOverlap(); }
    using Settlement = RoundOverlap::Settlement;
    // What it brings back goes out, whatever the edit that brought it; what it drops was deleted by
    // another machine, not here.
    Settlement settleOverlap(bool saved, bool done) {
        Settlement settlement = m_overlap.settleOverlap(saved, done);
        for (ModelObject* object : std::as_const(settlement.revive))
            m_dirty.insert(object);
        for (ModelObject* object : std::as_const(settlement.drop))
            m_dropping.insert(object);
        return settlement;
    }
    void overlapSettled() { m_overlap.settled(); }

private:
    using Moves = RoundOverlap::Moves;

    void track(ModelObject* object);
    void untrack(ModelObject* object);
    void noticeChange(ModelObject* object);
    // The user's moves in the owner's lists since its last save.
    Moves movesIn(const ModelObject* owner) const;
    // The attributes last merged for the object, while no round runs; none for an object without a
    // live entry.
    const QJsonObject* mergedFields(ModelObject* object) const;
    // Whether the store keeps the object: it is in the context and every owner up the chain is.
    bool isStored(const ModelObject* object) const;

    ModelContext* m_context;
    SyncWorker& m_worker;
    SyncState& m_state;
    SyncWriteQueue m_writes;
    QHash<ModelObject*, QString> m_known;
    // The ids of `m_known`, each taken when its object is taken on (fresh in memory then): the export
    // that looks for what left the store while the program was not running looks a library's worth
    // of ids up in one turn, which would otherwise hash every id again.
    std::unordered_multiset<QString, IdHash> m_knownIds;
    QSet<ModelObject*> m_dirty;
    // Deleted in this program since the last export (see ModelContext::deletedHere), and deleted by the
    // settlement of a round instead.
    QSet<ModelObject*> m_deletedHere;
    QSet<ModelObject*> m_dropping;
    // Each tracked object's attributes as last seen (from its first change on), and when those changed
    // since the last export.
    QHash<ModelObject*, QJsonObject> m_seen;
    QHash<ModelObject*, QHash<QString, SyncStamp>> m_madeAt;
    // The user's moves whose places have not gone out yet.
    Moves m_moves;
    QList<SyncRecord> m_misordered;
    bool m_startedExport = false;
    bool m_more = false;
    QSet<QString> m_rejoining;
    // Held back until the import that follows a re-join has ended.
    QSet<ModelObject*> m_waiting;
    ExportBacklog m_backlog;
    RoundOverlap m_overlap{m_context, m_worker, m_state, m_known, m_knownIds, m_dirty, m_madeAt, m_moves};
};
