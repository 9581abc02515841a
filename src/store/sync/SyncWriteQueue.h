// The files the exporter queued for the sync folder, and their writing: a few are written at once on
// the main thread; a large queue (a whole library when the folder appears) is written by the sync
// worker in batches, each kept in the sync state as it is written, so that the program stays
// responsive meanwhile. A file that another machine changed since it was last read is left to the
// next import rather than written over.
#pragma once

#include "SyncFolder.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>

class SyncState;
class SyncWorker;

class SyncWriteQueue {
public:
    // Files written at once on the main thread; when more wait, the worker writes them.
    static constexpr int writeChunk = 64;
    // Files written by one job of the worker: between two, imports and exports get their turn.
    static constexpr int workerBatch = 1000;

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
        // Files began or ceased to wait for another try after their writing failed, or the reason
        // changed.
        std::function<void()> failuresChanged;
    };

    SyncWriteQueue(SyncWorker& worker, SyncFolder& folder, SyncState& state, Hooks hooks);

    // The calls below touch the sync state: only while the worker is idle.
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
    // Keeps the entries of `ids`, those still queued as not in the folder yet.
    bool persist(const QSet<QString>& ids, QString* error);
    // The files whose last writing failed (kept in the sync state as not in the folder), and why the
    // last of them failed.
    QSet<QString> failed() const;
    const QString& failure() const { return m_failure; }

private:
    // By id, what had the file's name when writing it failed.
    using Failures = QHash<QString, SyncFolder::Signature>;

    // Writes the object's file unless another machine changed it since it was last read.
    void writeOne(const QString& id, bool writable, QSet<QString>& done, bool& changedThere, QString* error,
                  bool& ok, Failures& failed);
    // Of the files just tried, those in `failed` wait for another try, the others no longer.
    void noteFailures(const QList<QString>& tried, const Failures& failed, const QString& why);
    // Writes every queued file now, on the calling thread.
    bool drainWrites(QSet<QString>& done, QString* error);
    // The worker writes the first batch of the queue, then keeps it and `keep` in the sync state.
    void startBatch(const QSet<QString>& keep);

    SyncWorker& m_worker;
    SyncFolder& m_folder;
    SyncState& m_state;
    Hooks m_hooks;
    bool m_closing = false;
    QList<QString> m_writeQueue;
    QSet<QString> m_queued;
    // Read by the worker's batches, changed only while none runs.
    Failures m_failed;
    QString m_failure;
};
