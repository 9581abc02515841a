#include "StoreWriter.h"

#include "ChangeTracker.h"
#include "Database.h"
#include "ModelContext.h"
#include "ObjectOwnership.h"
#include "StoreSchema.h"
#include "StoreTables.h"

namespace {
using Kind = ModelObject::Kind;
using ObjectOwnership::ownedChildren;
using ObjectOwnership::ownerOf;
} // namespace

StoreWriter::StoreWriter(ModelContext& context) : m_context(context) {}

bool StoreWriter::write(const QSet<const ModelObject*>* only, QString* error) {
    ChangeTracker& tracker = *m_context.m_tracker;
    if (!tracker.hasChanges(only))
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
        return added != newKeys.constEnd() ? *added : tracker.recordOf(related).key;
    };
    // Rows that are there in this transaction, as written or looked up.
    QHash<const ModelObject*, bool> present;
    const auto hasRow = [&](const ModelObject* object) {
        const qint64 key = tracker.recordOf(object).key;
        if (!key)
            return true;
        const auto known = present.constFind(object);
        if (known != present.constEnd())
            return *known;
        const bool found = m_context.m_database
                               .queryText(QStringLiteral("SELECT 1 FROM %1 WHERE pk = %2")
                                              .arg(StoreSchema::tableName(object->kind()))
                                              .arg(key))
                               .has_value();
        present.insert(object, found);
        return found;
    };
    // A row that another writer deleted is written again under a new key (no row takes a deleted
    // row's key), with what it owns: their rows went with it by the store's delete rules. A member
    // moved in here from an owner that stays keeps its row.
    const auto insertTree = [&](ModelObject* top) {
        QList<ModelObject*> tree{top};
        for (qsizetype i = 0; i < tree.size(); ++i) {
            ModelObject* member = tree[i];
            tree.append(ownedChildren(member));
            if (newKeys.contains(member))
                continue;
            bool ok = true;
            if (i > 0 && tracker.recordOf(member).key && hasRow(member)) {
                bool found = false;
                ok =
                    m_context.m_tables->update(member, tracker.recordOf(member).key, keyOf, &found, &message);
            } else {
                qint64 key = 0;
                ok = m_context.m_tables->insert(member, keyOf, &key, &message);
                newKeys.insert(member, key);
            }
            if (!ok)
                return false;
            present.insert(member, true);
            written.append(member);
        }
        return true;
    };
    // Another writer deleted an owner (on its own, or with its own owner) while something it owns was
    // edited here: the edit is the later change and brings back the chain of owners, each whole.
    const auto bringBackOwners = [&](const ModelObject* object) {
        ModelObject* top = nullptr;
        for (ModelObject* owner = ownerOf(object); owner && !newKeys.contains(owner) && !hasRow(owner);
             owner = ownerOf(owner))
            top = owner;
        return !top || insertTree(top);
    };
    // A member's row takes its index in the list shown here as its place, while the other members'
    // rows may hold places that are no indexes (a round writes the places merged, which a deletion
    // read from elsewhere leaves with a gap): written alone, it could tie with one of them and the list
    // would read back in another order. Its list's rows are written with it.
    for (Kind kind : StoreSchema::kinds) {
        const QList<ModelObject*> dirty = tracker.dirtyOf(kind);
        for (ModelObject* object : dirty) {
            const ChangeTracker::Record record = tracker.recordOf(object);
            const ModelObject* owner = ownerOf(object);
            if (!owner || !record.dirty || record.deleted || !selected(object))
                continue;
            for (ModelObject* member : ownedChildren(owner))
                if (member->kind() == kind && selected(member) && tracker.contains(member))
                    tracker.markDirty(member);
        }
    }
    // Parents are written before the children that refer to them, and rows are deleted last, so
    // that a child moved away from a deleted owner is not taken with it.
    bool ok = true;
    for (Kind kind : StoreSchema::kinds) {
        for (ModelObject* object : tracker.dirtyOf(kind)) {
            const ChangeTracker::Record record = tracker.recordOf(object);
            if (!record.dirty || record.deleted || !selected(object) || newKeys.contains(object))
                continue;
            if (!m_context.isStorable(object)) {
                if (record.key) {
                    ok = m_context.m_tables->remove(kind, record.key, &message);
                    dropped.append(object);
                }
                written.append(object);
            } else {
                // In a partial save, a new child of an owner that is not written yet waits for it.
                if (const ModelObject* owner = ownerOf(object); !record.key && only && owner && !keyOf(owner))
                    continue;
                ok = bringBackOwners(object);
                if (!ok || newKeys.contains(object)) {
                    // Written with an owner brought back.
                } else if (record.key) {
                    bool found = false;
                    ok = m_context.m_tables->update(object, record.key, keyOf, &found, &message);
                    present.insert(object, found);
                    // Deleted on its own while it was edited here: the edit brings it back, whole.
                    if (ok && found)
                        written.append(object);
                    else if (ok)
                        ok = insertTree(object);
                } else {
                    qint64 key = 0;
                    ok = m_context.m_tables->insert(object, keyOf, &key, &message);
                    newKeys.insert(object, key);
                    written.append(object);
                }
            }
            if (!ok)
                break;
        }
        if (!ok)
            break;
    }
    QList<ModelObject*> removed;
    for (qsizetype i = 0; ok && i < tracker.pendingDeletes().size(); ++i) {
        ModelObject* object = tracker.pendingDeletes()[i];
        if (!selected(object))
            continue;
        ok = m_context.m_tables->remove(object->kind(), tracker.recordOf(object).key, &message);
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
    const QList<ModelObject*> gone = tracker.settleSave(only, newKeys, written, dropped, removed);
    ++m_context.m_saves;
    m_context.announceDeleted(gone);
    Q_EMIT m_context.didSave();
    return true;
}
