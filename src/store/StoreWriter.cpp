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
    // Owned by a row brought back: their rows went with it, and a key of theirs may be taken by now.
    QSet<const ModelObject*> rowGone;
    QList<ModelObject*> orphaned;
    const auto bringBackOwned = [&](const ModelObject* owner) {
        for (ModelObject* child : ownedChildren(owner))
            if (selected(child)) {
                rowGone.insert(child);
                tracker.markDirty(child);
            }
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
                if (ok && !found && !ownerOf(object)) {
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
                if (const ModelObject* owner = ownerOf(object); only && owner && !keyOf(owner))
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
            tree.append(ownedChildren(member));
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
        if (const ModelObject* owner = ownerOf(child);
            ok && owner && !newKeys.contains(owner) && tracker.recordOf(owner).key &&
            m_context.m_database
                .queryText(QStringLiteral("SELECT 1 FROM %1 WHERE pk = %2")
                               .arg(StoreSchema::tableName(owner->kind()))
                               .arg(tracker.recordOf(owner).key))
                .has_value()) {
            insertTree(child);
            continue;
        }
        ModelObject* root = ownerOf(child);
        while (ModelObject* owner = root ? ownerOf(root) : nullptr)
            root = owner;
        if (!ok || !root || newKeys.contains(root) || !tracker.recordOf(root).key ||
            !m_context.isStorable(root))
            continue;
        bool found = false;
        ok = m_context.m_tables->update(root, tracker.recordOf(root).key, keyOf, &found, &message);
        if (ok && !found)
            insertTree(root);
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
