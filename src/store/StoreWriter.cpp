#include "StoreWriter.h"

#include "Database.h"
#include "ModelContext.h"
#include "StoreSchema.h"
#include "StoreTables.h"

namespace {
using Kind = ModelObject::Kind;

size_t indexOf(Kind kind) {
    return static_cast<size_t>(kind);
}
} // namespace

StoreWriter::StoreWriter(ModelContext& context) : m_context(context) {}

bool StoreWriter::write(const QSet<const ModelObject*>* only, QString* error) {
    if (!m_context.hasChanges(only))
        return true;
    QString message;
    if (!m_context.m_database.execute(QStringLiteral("BEGIN IMMEDIATE"), &message)) {
        if (error)
            *error = message;
        return false;
    }
    const auto selected = [only](const ModelObject* object) { return !only || only->contains(object); };
    QHash<const ModelObject*, qint64> newKeys;
    QList<ModelObject*> dropped;
    QList<ModelObject*> written;
    const StoreTables::KeyOf keyOf = [&](const ModelObject* related) -> qint64 {
        const auto added = newKeys.constFind(related);
        return added != newKeys.constEnd() ? *added : m_context.m_records.value(related).key;
    };
    // Owned by a row brought back: their rows went with it, and a key of theirs may be taken by now.
    QSet<const ModelObject*> rowGone;
    QList<ModelObject*> orphaned;
    const auto bringBackOwned = [&](const ModelObject* owner) {
        for (ModelObject* child : m_context.ownedChildren(owner))
            if (selected(child)) {
                rowGone.insert(child);
                m_context.markDirty(child);
            }
    };
    // Parents are written before the children that refer to them, and rows are deleted last, so
    // that a child moved away from a deleted owner is not taken with it.
    bool ok = true;
    for (Kind kind : StoreSchema::kinds) {
        for (ModelObject* object : std::as_const(m_context.m_dirty[indexOf(kind)])) {
            const Record& record = m_context.m_records[object];
            if (!record.dirty || record.deleted || !selected(object))
                continue;
            if (!m_context.isStorable(object)) {
                if (record.key) {
                    ok = m_context.m_tables->remove(kind, record.key, &message);
                    dropped.append(object);
                }
            } else if (record.key && !rowGone.contains(object)) {
                bool found = false;
                ok = m_context.m_tables->update(object, record.key, keyOf, &found, &message);
                if (ok && !found && !m_context.ownerOf(object)) {
                    // Another writer deleted the row while it was edited here: the edit brings it back
                    // under a new key, with what it owns (their rows went with it).
                    qint64 key = 0;
                    ok = m_context.m_tables->insert(object, keyOf, &key, &message);
                    newKeys.insert(object, key);
                    bringBackOwned(object);
                } else if (ok && !found) {
                    // Its row went with its owner's, which decides below.
                    orphaned.append(object);
                }
            } else {
                // In a partial save, a new child of an owner that is not written yet waits for it.
                if (const ModelObject* owner = m_context.ownerOf(object); only && owner && !keyOf(owner))
                    continue;
                qint64 key = 0;
                ok = m_context.m_tables->insert(object, keyOf, &key, &message);
                newKeys.insert(object, key);
                if (rowGone.contains(object))
                    bringBackOwned(object);
            }
            if (!ok)
                break;
            written.append(object);
        }
        if (!ok)
            break;
    }
    // An edited child whose configuration's row another writer deleted brings the configuration back,
    // whole, like an edit of the configuration itself.
    const auto insertTree = [&](ModelObject* top) {
        QList<ModelObject*> tree{top};
        for (qsizetype i = 0; ok && i < tree.size(); ++i) {
            ModelObject* member = tree[i];
            tree.append(m_context.ownedChildren(member));
            if (newKeys.contains(member))
                continue;
            qint64 key = 0;
            ok = m_context.m_tables->insert(member, keyOf, &key, &message);
            newKeys.insert(member, key);
            written.append(member);
        }
    };
    for (ModelObject* child : std::as_const(orphaned)) {
        // Deleted on its own while its owner stays: the edit brings it back, like a root's.
        if (const ModelObject* owner = m_context.ownerOf(child);
            ok && owner && !newKeys.contains(owner) && m_context.m_records.value(owner).key &&
            m_context.m_database
                .queryText(QStringLiteral("SELECT 1 FROM %1 WHERE pk = %2")
                               .arg(StoreSchema::tableName(owner->kind()))
                               .arg(m_context.m_records.value(owner).key))
                .has_value()) {
            insertTree(child);
            continue;
        }
        auto* root = const_cast<ModelObject*>(m_context.ownerOf(child));
        while (const ModelObject* owner = root ? m_context.ownerOf(root) : nullptr)
            root = const_cast<ModelObject*>(owner);
        if (!ok || !root || newKeys.contains(root) || !m_context.m_records.value(root).key ||
            !m_context.isStorable(root))
            continue;
        bool found = false;
        ok = m_context.m_tables->update(root, m_context.m_records.value(root).key, keyOf, &found, &message);
        if (ok && !found)
            insertTree(root);
    }
    // A row that another writer deleted may have given its key to a row inserted above: that row stays.
    QSet<std::pair<size_t, qint64>> handedOut;
    for (auto it = newKeys.cbegin(); it != newKeys.cend(); ++it)
        handedOut.insert({indexOf(it.key()->kind()), it.value()});
    QList<ModelObject*> removed;
    for (qsizetype i = 0; ok && i < m_context.m_pendingDeletes.size(); ++i) {
        ModelObject* object = m_context.m_pendingDeletes[i];
        if (!selected(object))
            continue;
        if (const qint64 key = m_context.m_records[object].key;
            !handedOut.contains({indexOf(object->kind()), key}))
            ok = m_context.m_tables->remove(object->kind(), key, &message);
        removed.append(object);
    }
    if (ok && !m_context.m_database.execute(QStringLiteral("COMMIT"), &message))
        ok = false;
    if (!ok) {
        m_context.m_database.execute(QStringLiteral("ROLLBACK"));
        if (error)
            *error = message;
        return false;
    }
    // A key that SQLite hands out again belonged to a row that another writer deleted: its object
    // leaves, as it would at the next read of the database.
    QList<std::pair<ModelObject*, ModelObject*>> stale;
    for (auto it = newKeys.cbegin(); it != newKeys.cend(); ++it)
        if (const qint64 old = m_context.m_records[it.key()].key;
            old && m_context.keysOf(it.key()->kind()).value(old) == it.key())
            m_context.keysOf(it.key()->kind()).remove(old);
    for (auto it = newKeys.cbegin(); it != newKeys.cend(); ++it) {
        auto* object = const_cast<ModelObject*>(it.key());
        QHash<qint64, ModelObject*>& keys = m_context.keysOf(object->kind());
        if (ModelObject* previous = keys.value(it.value()); previous && previous != object)
            stale.append(std::pair(previous, object));
        m_context.m_records[object].key = it.value();
        keys.insert(it.value(), object);
    }
    m_context.m_applyingStore = true;
    for (const auto& [object, successor] : std::as_const(stale)) {
        const qint64 key = m_context.m_records[successor].key;
        m_context.forget(object);
        m_context.keysOf(successor->kind()).insert(key, successor);
    }
    m_context.m_applyingStore = false;
    for (ModelObject* object : std::as_const(dropped)) {
        Record& record = m_context.m_records[object];
        m_context.keysOf(object->kind()).remove(record.key);
        record.key = 0;
    }
    // Objects deleted before they were ever stored leave for good with this save too.
    QList<ModelObject*> gone = removed;
    for (const auto& pair : std::as_const(stale))
        gone.append(pair.first);
    for (ModelObject* object : std::as_const(m_context.m_journal.deleted))
        if (selected(object) && m_context.m_records[object].inserted)
            gone.append(object);
    if (!only) {
        for (QList<ModelObject*>& dirty : m_context.m_dirty) {
            for (ModelObject* object : std::as_const(dirty))
                m_context.m_records[object].dirty = false;
            dirty.clear();
        }
        for (ModelObject* object : std::as_const(m_context.m_journal.inserted))
            m_context.m_records[object].inserted = false;
        m_context.m_journal = Journal();
        m_context.m_pendingDeletes.clear();
    } else {
        const QSet<ModelObject*> done(written.cbegin(), written.cend());
        for (QList<ModelObject*>& dirty : m_context.m_dirty)
            dirty.removeIf([&](ModelObject* object) {
                Record& record = m_context.m_records[object];
                if (!done.contains(object) && record.dirty && !record.deleted)
                    return false;
                record.dirty = false;
                return true;
            });
        for (ModelObject* object : std::as_const(written)) {
            m_context.m_records[object].inserted = false;
            m_context.m_journal.before.remove(object);
        }
        for (ModelObject* object : std::as_const(removed))
            m_context.m_journal.before.remove(object);
        m_context.m_journal.inserted.removeIf([&](ModelObject* object) { return done.contains(object); });
        const QSet<ModelObject*> left(gone.cbegin(), gone.cend());
        m_context.m_journal.deleted.removeIf([&](ModelObject* object) { return left.contains(object); });
        m_context.m_pendingDeletes.removeIf([&](ModelObject* object) { return left.contains(object); });
    }
    for (ModelObject* object : std::as_const(removed))
        m_context.m_records[object].key = 0;
    ++m_context.m_saves;
    m_context.announceDeleted(gone);
    Q_EMIT m_context.didSave();
    return true;
}
