#include "SyncState.h"

#include "SyncSchema.h"

#include <algorithm>
#include <list>

std::unique_ptr<SyncState> SyncState::open(const QString& path, HybridClock::WallClock wallClock,
                                           QString* error) {
    std::unique_ptr<SyncStateStore> store = SyncStateStore::open(path, error);
    if (!store)
        return nullptr;
    return std::unique_ptr<SyncState>(new SyncState(std::move(store), std::move(wallClock)));
}

SyncState::SyncState(std::unique_ptr<SyncStateStore> store, HybridClock::WallClock wallClock)
    : m_store(std::move(store)), m_clock(m_store->machine(), std::move(wallClock)) {
    m_clock.restore(m_store->clock());
    m_entries.setValueLoader([store = m_store.get()](Entry& entry) { store->loadValues(entry); });
}

bool SyncState::load(QString* error) {
    QHash<QString, Entry> loaded;
    if (!m_store->load(&loaded, error))
        return false;
    m_entries = SyncEntries();
    m_entries.setValueLoader([store = m_store.get()](Entry& entry) { store->loadValues(entry); });
    m_entries.reserve(loaded.size());
    for (auto it = loaded.cbegin(); it != loaded.cend(); ++it)
        m_entries.insert(it.key(), *it);
    loaded = {};
    m_entries.pack();
    return true;
}

SyncEntries::const_iterator SyncState::ownerOf(const SyncRecord& record) const {
    const QString owner = record.owner();
    if (owner.isEmpty())
        return m_entries.constEnd();
    const auto known = m_entries.constFind(owner);
    if (known == m_entries.constEnd() || known->record.kind != SyncSchema::ownerKind(record.kind))
        return m_entries.constEnd();
    return known;
}

void SyncState::touchOwners(const QString& id, const SyncStamp& stamp, QSet<QString>& changed) {
    for (auto known = ownerOf(m_entries.value(id).record); known != m_entries.constEnd();) {
        // A deleted owner is only looked at: it stays packed.
        if (known->record.deleted)
            return;
        const QString owner = known.key();
        const auto it = m_entries.find(owner);
        it->record.stamp = std::max(it->record.stamp, stamp);
        it->json.clear();
        changed.insert(owner);
        known = ownerOf(it->record);
    }
}

QList<QString> SyncState::childrenOf(const QString& id) {
    if (!m_children) {
        m_children.emplace();
        // A packed tombstone owns nothing.
        for (auto it = m_entries.hot().cbegin(); it != m_entries.hot().cend(); ++it)
            if (const QString owner = it->record.owner(); !owner.isEmpty())
                m_children->insert(owner, it.key());
    }
    return m_children->values(id);
}

bool SyncState::persist(const QSet<QString>& ids, const QSet<QString>& waiting, QString* error,
                        const QStringList* applying) {
    QList<const Entry*> entries;
    entries.reserve(ids.size());
    std::list<Entry> unwritten;
    for (const QString& id : ids) {
        const auto it = m_entries.constFind(id);
        if (it == m_entries.constEnd())
            continue;
        if (waiting.contains(id)) {
            unwritten.push_back(*it);
            unwritten.back().file = SyncFolder::Signature{};
            entries.append(&unwritten.back());
        } else {
            entries.append(&*it);
        }
    }
    // In the order of the table's key: a library's worth goes into the file's index in one sweep rather
    // than page by page at random.
    std::sort(entries.begin(), entries.end(),
              [](const Entry* a, const Entry* b) { return a->record.id < b->record.id; });
    QString message;
    if (m_store->store(entries, m_clock.last(), &message, applying)) {
        // The text was only kept to be written twice; a library's worth would weigh megabytes.
        for (const QString& id : ids)
            if (!waiting.contains(id))
                if (const auto it = m_entries.find(id); it != m_entries.end())
                    it->json.clear();
        return true;
    }
    if (error)
        *error = QStringLiteral("Could not keep the sync state: ") + message;
    return false;
}

SyncState::Rows SyncState::takeRows(const QList<QString>& ids, const QSet<QString>& waiting) {
    Rows rows;
    rows.reserve(size_t(ids.size()));
    for (const QString& id : ids) {
        const bool unwritten = waiting.contains(id);
        if (Entry* hot = m_entries.hotEntry(id)) {
            rows.push_back(*hot);
            if (!unwritten)
                hot->json.clear();
        } else if (const auto packed = m_entries.constFind(id); packed != m_entries.constEnd()) {
            rows.push_back(*packed);
        } else {
            continue;
        }
        if (unwritten)
            rows.back().file = SyncFolder::Signature{};
    }
    // In the order of the table's key, as persist() keeps them.
    std::sort(rows.begin(), rows.end(),
              [](const Entry& a, const Entry& b) { return a.record.id < b.record.id; });
    return rows;
}

bool SyncState::beginKeeping(QString* error) {
    // A round that writes into the store notes it here first: durable, as in persist().
    if (m_store->begin(true, true, error))
        return true;
    if (error)
        *error = QStringLiteral("Could not keep the sync state: ") + *error;
    return false;
}

bool SyncState::keepRows(const Rows& rows, QString* error) {
    QList<const Entry*> entries;
    entries.reserve(qsizetype(rows.size()));
    for (const Entry& row : rows)
        entries.append(&row);
    if (m_store->put(entries, error))
        return true;
    if (error)
        *error = QStringLiteral("Could not keep the sync state: ") + *error;
    return false;
}

bool SyncState::finishKeeping(QString* error, const QStringList* applying) {
    if (m_store->finish(m_clock.last(), applying, error))
        return true;
    if (error)
        *error = QStringLiteral("Could not keep the sync state: ") + *error;
    m_store->abandon();
    return false;
}

void SyncState::abandonKeeping() {
    m_store->abandon();
}

QList<QString> SyncState::collectTombstones(qint64 horizon, const QSet<QString>& queued) {
    QSet<QString> collected;
    const SyncEntries::Hash& hot = m_entries.hot();
    for (auto it = hot.cbegin(); it != hot.cend(); ++it)
        if (it->record.deleted && it->record.stamp.wall < horizon && !queued.contains(it.key()))
            collected.insert(it.key());
    const PackedTombstones& packed = m_entries.packed();
    for (qsizetype i = 0; i < packed.size(); ++i)
        if (packed.wallAt(i) < horizon)
            if (const QString id = packed.idAt(i); !queued.contains(id) && !hot.contains(id))
                collected.insert(id);
    // Children of a deleted owner wait for it to come back; once its tombstone goes, so do they (none
    // of them is packed).
    for (bool more = true; more;) {
        more = false;
        for (auto it = hot.cbegin(); it != hot.cend(); ++it) {
            if (it->present || it->record.deleted || collected.contains(it.key()) ||
                it->record.stamp.wall >= horizon || queued.contains(it.key()))
                continue;
            const QString owner = it->record.owner();
            if (!owner.isEmpty() && (collected.contains(owner) || !m_entries.contains(owner))) {
                collected.insert(it.key());
                more = true;
            }
        }
    }
    QList<QString> ids(collected.cbegin(), collected.cend());
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool SyncState::forget(const QList<QString>& ids, QString* error) {
    if (!m_store->remove(ids, error))
        return false;
    m_entries.remove(ids);
    m_entries.squeeze();
    m_children.reset();
    return true;
}
