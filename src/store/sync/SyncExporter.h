// Writes this machine's changes to the sync folder. After every save of the main context it finds the
// objects that changed, were added or left the store, stamps each changed attribute with the hybrid
// clock (a tombstone for what left) and queues the objects' files. A few files are written at once;
// a large queue (a whole library when the folder appears) is written by the sync worker in batches,
// each kept in the sync state as it is written, so that the program stays responsive meanwhile.
#pragma once

#include "ExportBacklog.h"
#include "SyncFolder.h"
#include "SyncRecord.h"

#include <QJsonObject>

#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>
#include <optional>

class ModelContext;
class ModelObject;
class SyncState;
class SyncWorker;

class SyncExporter : public QObject {
    Q_OBJECT
public:
    // Files written at once on the main thread; when more wait, the worker writes them.
    static constexpr int writeChunk = 64;
    // Files written by one job of the worker: between two, imports and exports get their turn.
    static constexpr int workerBatch = 1000;
    // Objects taken on or stamped by one export; more wait for the next.
    static constexpr int slice = 200;

    struct Hooks {
        // A file was found changed by another machine while writing: worth an import soon.
        std::function<void()> folderChanged;
        // Writing a batch of a large queue on the worker failed.
        std::function<void(const QString& message)> writeFailed;
        // A batch written on the worker was handed back: the worker is free again.
        std::function<void()> workerDone;
        // Whether the reader refused this version of a file (damaged, of a newer format): this
        // machine's next version replaces it rather than waiting for a merge that cannot come.
        std::function<bool(const QString& path, const SyncFolder::Signature& signature)> isRefused;
    };

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
    bool writeFiles(const QSet<QString>& ids, QString* error, const QSet<QString>& keep = {});
    // Writes now everything still queued and keeps the state of what was written.
    bool flushWrites(QString* error);
    // Hands the next batch of a large queue to the worker, if any waits.
    void writeNextBatch() { startBatch({}); }
    // From now on nothing new is handed to the worker: what is still queued is kept as not written,
    // and written at the next start.
    void close() { m_closing = true; }
    // Waiting to be written.
    bool isQueued(const QString& id) const { return m_queued.contains(id); }
    const QSet<QString>& queued() const { return m_queued; }
    // This machine lost what it knew of the folder: the objects the folder holds are left to the next
    // import, which takes them from the folder, rather than stamped as edits made now.
    void setRejoining(QSet<QString> ids) { m_rejoining = std::move(ids); }
    void rejoined();
    // Keeps the entries of `ids`, those still queued as not in the folder yet.
    bool persist(const QSet<QString>& ids, QString* error);

    // A round merged other machines' changes into the store while edits were saved here, each save
    // writing its objects' whole rows: the store holds whichever was written last, the live objects
    // what they show. `before` holds what the round's objects were before it merged them, kept until
    // the edits of that time are settled.
    void noteRound(const QHash<QString, SyncRecord>& before);
    bool hasOverlap() const { return !m_roundBefore.isEmpty(); }
    struct Settlement {
        // Rows to write into the store so that, per attribute, it holds the later-stamped of this
        // machine's unexported edits and what the rounds merged; tombstones of objects deleted here
        // meanwhile, whose rows go.
        QList<SyncRecord> rows;
        // Deleted by a round while edited here: with the edit the later, they come back whole; else
        // the deletion stands here too.
        QList<ModelObject*> revive;
        QList<ModelObject*> drop;
        bool isEmpty() const { return rows.isEmpty() && revive.isEmpty() && drop.isEmpty(); }
    };
    // With `saved` (the store was written meanwhile), every object of the rounds is looked at, else
    // only those edited since the last export. With `done`, the round's objects are taken as shown by
    // the live objects from now on.
    Settlement settleOverlap(bool saved, bool done);

private:
    void track(ModelObject* object);
    void untrack(ModelObject* object);
    void noticeChange(ModelObject* object);
    // Whether the object's attributes are those last merged, and the store keeps it.
    bool isMerged(ModelObject* object, const QJsonObject& fields) const;
    // Whether the store keeps the object: it is in the context and every owner up the chain is.
    bool isStored(const ModelObject* object) const;
    // Writes the object's file unless another machine changed it since it was last read.
    void writeOne(const QString& id, bool writable, QSet<QString>& done, bool& changedThere, QString* error,
                  bool& ok);
    // Writes every queued file now, on the calling thread.
    bool drainWrites(QSet<QString>& done, QString* error);
    // The worker writes the first batch of the queue, then keeps it and `keep` in the sync state.
    void startBatch(const QSet<QString>& keep);
    // Whether the places recorded for the object's list still follow the list's order. Then a place
    // that differs from the object's index is not an edit: the list is still incomplete here (its
    // other members' files have not all arrived), and numbering what is here would send out places
    // that the owner never gave.
    bool keepsRecordedPlaces(const ModelObject* object) const;
    // The stamp of this machine's latest change of an attribute in which the object differs from
    // `base` (all of them without one); nothing when it differs in none.
    std::optional<SyncStamp> latestEdit(ModelObject* object, const QJsonObject* base) const;

    ModelContext* m_context;
    SyncWorker& m_worker;
    SyncFolder& m_folder;
    SyncState& m_state;
    Hooks m_hooks;
    QHash<ModelObject*, QString> m_known;
    QSet<ModelObject*> m_dirty;
    // Each tracked object's attributes as last seen (from its first change on), and when those changed
    // since the last export.
    QHash<ModelObject*, QJsonObject> m_seen;
    QHash<ModelObject*, QHash<QString, SyncStamp>> m_madeAt;
    bool m_startedExport = false;
    bool m_closing = false;
    bool m_more = false;
    QList<QString> m_writeQueue;
    QSet<QString> m_queued;
    QSet<QString> m_rejoining;
    // Held back until the import that follows a re-join has ended.
    QSet<ModelObject*> m_waiting;
    ExportBacklog m_backlog;
    QHash<QString, SyncRecord> m_roundBefore;
};
