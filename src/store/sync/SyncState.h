// What this machine knows of every synced object while the program runs (each object as last merged,
// whether the local store holds it, which version of its file the folder holds) and this machine's
// hybrid clock; kept in sync-state.sqlite through SyncStateStore. Shared by the reader, the merger and
// the exporter of the sync engine.
#pragma once

#include "HybridClock.h"
#include "SyncEntries.h"
#include "SyncStateStore.h"

#include <QHash>
#include <QMultiHash>
#include <QSet>

#include <memory>
#include <optional>
#include <vector>

class SyncState {
public:
    using Entry = SyncStateStore::Entry;

    // Opens the state file; `load` reads it. Nothing, with the reason, when it cannot be opened.
    static std::unique_ptr<SyncState> open(const QString& path, HybridClock::WallClock wallClock,
                                           QString* error);
    bool load(QString* error);

    SyncEntries& entries() { return m_entries; }
    const SyncEntries& entries() const { return m_entries; }
    HybridClock& clock() { return m_clock; }

    // The entry of the owner that `record` names, when this machine knows it as an object of the
    // owner's class; the end otherwise. Walks up the owners follow only these links: each goes a class
    // up, so that no walk can come back, whatever the files name.
    SyncEntries::const_iterator ownerOf(const SyncRecord& record) const;
    // Raises the stamp of every owner up the chain of `id` to `stamp`, noting each in `changed`.
    void touchOwners(const QString& id, const SyncStamp& stamp, QSet<QString>& changed);
    // The ids whose record names `id` as owner; the index is built on first use and kept until
    // `forgetChildren`, so it lives for one import.
    QList<QString> childrenOf(const QString& id);
    void forgetChildren() { m_children.reset(); }

    // Writes the entries of `ids` and the clock. Those in `waiting` are not in the folder yet and are
    // kept as such, so that a restart writes them.
    // With `applying`, notes in the same transaction which objects the store is about to receive.
    bool persist(const QSet<QString>& ids, const QSet<QString>& waiting, QString* error,
                 const QStringList* applying = nullptr);
    // The same in steps, for a round that keeps each class's entries while it merges the next:
    // takeRows() takes the entries as they are now, on the thread that owns the state, and lets go of
    // the texts of those the folder holds (kept only to be written here); beginKeeping(), keepRows()
    // and finishKeeping() (or abandonKeeping()) write them in one transaction, each step on any
    // thread, one at a time.
    using Rows = std::vector<Entry>;
    Rows takeRows(const QList<QString>& ids, const QSet<QString>& waiting);
    bool beginKeeping(QString* error);
    bool keepRows(const Rows& rows, QString* error);
    // Commits with the clock and `applying`.
    bool finishKeeping(QString* error, const QStringList* applying);
    void abandonKeeping();
    bool isFresh() const { return m_store->isFresh(); }
    const QStringList& applying() const { return m_store->applying(); }
    const QHash<QString, QJsonObject>& replaced() const { return m_store->replaced(); }
    const QString& applyingMark() const { return m_store->applyingMark(); }
    void noteReplaced(QHash<QString, QJsonObject> replaced, QString mark) {
        m_store->noteReplaced(std::move(replaced), std::move(mark));
    }
    // Forgets tombstones older than `horizon` (ms since the epoch), with the children that waited for
    // a deleted owner; gives their ids, whose files the folder may still hold.
    QList<QString> collectTombstones(qint64 horizon, const QSet<QString>& queued);
    bool forget(const QList<QString>& ids, QString* error);
    // Packs the tombstones that the hash holds (see SyncEntries): after a large round they would lie
    // scattered among what the round's readers freed, keeping whole pages from going back to the system.
    void compact() { m_entries.pack(); }

private:
    SyncState(std::unique_ptr<SyncStateStore> store, HybridClock::WallClock wallClock);

    std::unique_ptr<SyncStateStore> m_store;
    HybridClock m_clock;
    SyncEntries m_entries;
    // Owner id -> child ids.
    std::optional<QMultiHash<QString, QString>> m_children;
};
