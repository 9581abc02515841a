// The objects a context holds, by class and by row key, and what changed in them since the last
// save: the objects to write, the rows to delete, and the journal that a rollback takes back (see
// ModelContext). It knows nothing of the database: the context's writer and readers tell it what
// they wrote and read.
#pragma once

#include "ObjectSnapshot.h"

#include "model/ModelObject.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <array>
#include <optional>

class ModelObserver;
class QObject;

class ChangeTracker {
public:
    struct Record {
        qint64 key = 0; // the row's pk; 0 while not stored
        bool dirty = false;
        bool deleted = false;
        bool inserted = false; // since the last save
    };

    // The objects taken in get `parent` as their parent and `observer` as their observer.
    ChangeTracker(QObject* parent, ModelObserver* observer);
    // The objects die after this, with their parent; nobody may hear from them while they do.
    ~ChangeTracker();
    ChangeTracker(const ChangeTracker&) = delete;
    ChangeTracker& operator=(const ChangeTracker&) = delete;

    // Whether the object was ever taken in, deleted or not.
    bool holds(const ModelObject* object) const { return m_records.contains(object); }
    bool contains(const ModelObject* object) const;
    bool isDeleted(const ModelObject* object) const { return m_records.value(object).deleted; }
    Record recordOf(const ModelObject* object) const { return m_records.value(object); }
    // Every object of the class, deleted ones too until the next compact().
    const QList<ModelObject*>& objectsOf(ModelObject::Kind kind) const { return m_objects[index(kind)]; }
    const QHash<qint64, ModelObject*>& keysOf(ModelObject::Kind kind) const { return m_byKey[index(kind)]; }
    void compact(ModelObject::Kind kind);

    // Takes in a new object and everything reachable from it through relationships; false when it
    // held all of them already.
    bool adopt(ModelObject* root);
    // Takes in an object read from the row `key`.
    void adoptStored(ModelObject* object, qint64 key);
    // Room for so many more objects of each class (by kind), taken at once before adopting many.
    void reserveStored(const std::array<qsizetype, 6>& more);

    // While the store applies what it wrote or read, changes of the objects are no edits.
    bool isApplyingStore() const { return m_applyingStore; }
    void setApplyingStore(bool applying) { m_applyingStore = applying; }
    // Keeps the values an object has before its first change since the last save (and since the
    // start of the change set), which is what a rollback restores.
    void noteWillChange(ModelObject* object);
    void markDirty(ModelObject* object);
    // The values kept by noteWillChange since the last save; nullptr where it kept none.
    const ObjectSnapshot* before(const ModelObject* object) const {
        const auto it = m_journal.before.constFind(const_cast<ModelObject*>(object));
        return it != m_journal.before.constEnd() ? &*it : nullptr;
    }
    // Marks the object and what its delete rules take with it; a deleted owner keeps its lists so
    // that code still holding it reads what it had.
    void markDeleted(ModelObject* object);
    // Drops an object whose row another writer deleted: it leaves every list and is marked deleted.
    void forget(ModelObject* object);

    bool hasChanges(const QSet<const ModelObject*>* only) const;
    // The objects marked dirty since the last save; only those whose record is still dirty and not
    // deleted are pending.
    const QList<ModelObject*>& dirtyOf(ModelObject::Kind kind) const { return m_dirty[index(kind)]; }
    // Deleted objects whose rows are still in the database.
    const QList<ModelObject*>& pendingDeletes() const { return m_pendingDeletes; }
    // After a save of every pending change, or of those of the objects in `only`, committed: the
    // rows inserted with their keys, every row inserted or updated, the rows removed of objects no
    // longer storable, and those of deleted objects. Returns the objects that left for good.
    QList<ModelObject*> settleSave(const QSet<const ModelObject*>* only,
                                   const QHash<const ModelObject*, qint64>& newKeys,
                                   const QList<ModelObject*>& written, const QList<ModelObject*>& dropped,
                                   const QList<ModelObject*>& removed);

    // Takes back every change made since the last save; returns the inserted objects it dropped.
    QList<ModelObject*> rollback();
    // A group of changes that can be taken back on its own, leaving what was pending before as it was.
    void beginChangeSet();
    // Returns the inserted objects it dropped.
    QList<ModelObject*> revertChangeSet();
    void endChangeSet() { m_changeSet.reset(); }

private:
    // What changed since some moment: the values before the first change of each object, and the
    // objects inserted and deleted since.
    struct Journal {
        QHash<ModelObject*, ObjectSnapshot> before;
        QList<ModelObject*> inserted;
        QList<ModelObject*> deleted;
    };
    struct ChangeSet {
        Journal journal;
        Journal pending;
        std::array<QList<ModelObject*>, 6> dirty;
        QList<ModelObject*> pendingDeletes;
    };

    static size_t index(ModelObject::Kind kind) { return static_cast<size_t>(kind); }
    // Restores the journal's objects; returns the inserted objects it dropped.
    QList<ModelObject*> revert(const Journal& journal);

    QObject* m_parent;
    ModelObserver* m_observer;
    QHash<const ModelObject*, Record> m_records;
    std::array<QList<ModelObject*>, 6> m_objects;
    std::array<int, 6> m_deletedInObjects{};
    std::array<QHash<qint64, ModelObject*>, 6> m_byKey;
    std::array<QList<ModelObject*>, 6> m_dirty;
    QList<ModelObject*> m_pendingDeletes;
    Journal m_journal;
    std::optional<ChangeSet> m_changeSet;
    bool m_applyingStore = false;
};
