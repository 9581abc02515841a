#include "ChangeTracker.h"

#include "ObjectOwnership.h"
#include "StoreSchema.h"

#include "model/AppConfiguration.h"
#include "model/SavedApp.h"

#include <utility>

namespace {
using Kind = ModelObject::Kind;
} // namespace

ChangeTracker::ChangeTracker(QObject* parent, ModelObserver* observer)
    : m_parent(parent), m_observer(observer) {}

ChangeTracker::~ChangeTracker() {
    for (auto it = m_records.keyBegin(); it != m_records.keyEnd(); ++it)
        const_cast<ModelObject*>(*it)->setObserver(nullptr);
}

bool ChangeTracker::contains(const ModelObject* object) const {
    auto it = m_records.constFind(object);
    return it != m_records.constEnd() && !it->deleted;
}

void ChangeTracker::compact(Kind kind) {
    int& deleted = m_deletedInObjects[index(kind)];
    if (deleted == 0)
        return;
    m_objects[index(kind)].removeIf([this](ModelObject* object) { return m_records.value(object).deleted; });
    deleted = 0;
}

bool ChangeTracker::adopt(ModelObject* root) {
    QList<ModelObject*> queue{root};
    bool adopted = false;
    while (!queue.isEmpty()) {
        ModelObject* object = queue.takeLast();
        if (m_records.contains(object))
            continue;
        m_records.insert(object, Record{0, false, false, true});
        m_journal.inserted.append(object);
        if (m_changeSet)
            m_changeSet->journal.inserted.append(object);
        object->setParent(m_parent);
        object->setObserver(m_observer);
        m_objects[index(object->kind())].append(object);
        markDirty(object);
        adopted = true;
        queue.append(object->relatedObjects());
    }
    return adopted;
}

void ChangeTracker::adoptStored(ModelObject* object, qint64 key) {
    m_records.insert(object, Record{key, false, false, false});
    object->setObserver(m_observer);
    m_objects[index(object->kind())].append(object);
    m_byKey[index(object->kind())].insert(key, object);
}

void ChangeTracker::reserveStored(const std::array<qsizetype, 6>& more) {
    qsizetype all = 0;
    for (size_t i = 0; i < more.size(); ++i) {
        all += more[i];
        // Grown by powers of two: a refresh of a few objects takes nothing.
        m_byKey[i].reserve(m_byKey[i].size() + more[i]);
    }
    m_records.reserve(m_records.size() + all);
}

void ChangeTracker::noteWillChange(ModelObject* object) {
    if (m_applyingStore)
        return;
    auto it = m_records.constFind(object);
    if (it == m_records.constEnd() || it->deleted)
        return;
    if (!it->inserted && !m_journal.before.contains(object))
        m_journal.before.insert(object, ObjectSnapshot::capture(object));
    if (m_changeSet && !m_changeSet->journal.before.contains(object))
        m_changeSet->journal.before.insert(object, ObjectSnapshot::capture(object));
}

void ChangeTracker::markDirty(ModelObject* object) {
    Record& record = m_records[object];
    if (record.dirty || record.deleted)
        return;
    record.dirty = true;
    m_dirty[index(object->kind())].append(object);
}

void ChangeTracker::markDeleted(ModelObject* object) {
    if (m_records.value(object).deleted)
        return;
    // The cascade below changes the object after it stopped being observed.
    noteWillChange(object);
    Record& record = m_records[object];
    record.deleted = true;
    record.dirty = false;
    m_journal.deleted.append(object);
    if (m_changeSet)
        m_changeSet->journal.deleted.append(object);
    object->setObserver(nullptr);
    ++m_deletedInObjects[index(object->kind())];
    if (record.key) {
        m_pendingDeletes.append(object);
        m_byKey[index(object->kind())].remove(record.key);
    }
    for (ModelObject* child : ObjectOwnership::ownedChildren(object))
        markDeleted(child);
    if (object->kind() == Kind::savedApp) {
        for (AppConfiguration* app : static_cast<SavedApp*>(object)->configurationList())
            app->setSavedApp(nullptr);
    } else if (object->kind() == Kind::appConfiguration) {
        // A live saved application must not keep listing a deleted application.
        static_cast<AppConfiguration*>(object)->setSavedApp(nullptr);
    }
}

void ChangeTracker::forget(ModelObject* object) {
    m_journal.before.remove(object);
    Record& record = m_records[object];
    m_byKey[index(object->kind())].remove(record.key);
    record.key = 0;
    record.deleted = true;
    record.dirty = false;
    ++m_deletedInObjects[index(object->kind())];
    ObjectOwnership::leaveOwner(object);
    if (object->kind() == Kind::appConfiguration)
        static_cast<AppConfiguration*>(object)->setSavedApp(nullptr);
    object->setObserver(nullptr);
}

bool ChangeTracker::hasChanges(const QSet<const ModelObject*>* only) const {
    for (ModelObject* object : m_pendingDeletes)
        if (!only || only->contains(object))
            return true;
    for (const QList<ModelObject*>& dirty : m_dirty)
        for (ModelObject* object : dirty) {
            const Record& record = m_records[object];
            if (record.dirty && !record.deleted && (!only || only->contains(object)))
                return true;
        }
    return false;
}

QList<ModelObject*> ChangeTracker::settleSave(const QSet<const ModelObject*>* only,
                                              const QHash<const ModelObject*, qint64>& newKeys,
                                              const QList<ModelObject*>& written,
                                              const QList<ModelObject*>& dropped,
                                              const QList<ModelObject*>& removed) {
    const auto selected = [only](const ModelObject* object) { return !only || only->contains(object); };
    // Rows written again under a new key (their old rows were deleted by another writer).
    for (auto it = newKeys.cbegin(); it != newKeys.cend(); ++it) {
        auto* object = const_cast<ModelObject*>(it.key());
        QHash<qint64, ModelObject*>& keys = m_byKey[index(object->kind())];
        if (const qint64 old = m_records[object].key; old && keys.value(old) == object)
            keys.remove(old);
        m_records[object].key = it.value();
        keys.insert(it.value(), object);
    }
    for (ModelObject* object : dropped) {
        Record& record = m_records[object];
        m_byKey[index(object->kind())].remove(record.key);
        record.key = 0;
    }
    // Objects deleted before they were ever stored leave for good with this save too.
    QList<ModelObject*> gone = removed;
    for (ModelObject* object : std::as_const(m_journal.deleted))
        if (selected(object) && m_records[object].inserted)
            gone.append(object);
    if (!only) {
        for (QList<ModelObject*>& dirty : m_dirty) {
            for (ModelObject* object : std::as_const(dirty))
                m_records[object].dirty = false;
            dirty.clear();
        }
        for (ModelObject* object : std::as_const(m_journal.inserted))
            m_records[object].inserted = false;
        m_journal = Journal();
        m_pendingDeletes.clear();
    } else {
        const QSet<ModelObject*> done(written.cbegin(), written.cend());
        for (QList<ModelObject*>& dirty : m_dirty)
            dirty.removeIf([&](ModelObject* object) {
                Record& record = m_records[object];
                if (!done.contains(object) && record.dirty && !record.deleted)
                    return false;
                record.dirty = false;
                return true;
            });
        for (ModelObject* object : written) {
            m_records[object].inserted = false;
            m_journal.before.remove(object);
        }
        for (ModelObject* object : removed)
            m_journal.before.remove(object);
        m_journal.inserted.removeIf([&](ModelObject* object) { return done.contains(object); });
        const QSet<ModelObject*> left(gone.cbegin(), gone.cend());
        m_journal.deleted.removeIf([&](ModelObject* object) { return left.contains(object); });
        m_pendingDeletes.removeIf([&](ModelObject* object) { return left.contains(object); });
    }
    for (ModelObject* object : removed)
        m_records[object].key = 0;
    return gone;
}

QList<ModelObject*> ChangeTracker::rollback() {
    const QList<ModelObject*> dropped = revert(m_journal);
    for (QList<ModelObject*>& dirty : m_dirty) {
        for (ModelObject* object : std::as_const(dirty))
            m_records[object].dirty = false;
        dirty.clear();
    }
    m_pendingDeletes.clear();
    m_journal = Journal();
    return dropped;
}

QList<ModelObject*> ChangeTracker::revert(const Journal& journal) {
    m_applyingStore = true;
    for (Kind kind : StoreSchema::kinds)
        compact(kind);
    // Deleted objects come back first, so that the restored lists hold live objects.
    for (ModelObject* object : journal.deleted) {
        Record& record = m_records[object];
        if (!record.deleted)
            continue;
        record.deleted = false;
        object->setObserver(m_observer);
        m_objects[index(object->kind())].append(object);
        if (record.key)
            m_byKey[index(object->kind())].insert(record.key, object);
        m_pendingDeletes.removeOne(object);
    }
    for (auto it = journal.before.cbegin(); it != journal.before.cend(); ++it)
        it.value().restoreAttributes(it.key());
    for (auto it = journal.before.cbegin(); it != journal.before.cend(); ++it)
        it.value().restoreLists(it.key());
    QList<ModelObject*> dropped;
    const QSet<const ModelObject*> inserted(journal.inserted.cbegin(), journal.inserted.cend());
    for (ModelObject* object : journal.inserted) {
        Record& record = m_records[object];
        if (record.deleted || record.key)
            continue;
        // A new child still linked to a restored owner would be listed by it again.
        if (const ModelObject* owner = ObjectOwnership::ownerOf(object); owner && !inserted.contains(owner))
            ObjectOwnership::leaveOwner(object);
        if (object->kind() == Kind::appConfiguration)
            static_cast<AppConfiguration*>(object)->setSavedApp(nullptr);
        record.deleted = true;
        record.dirty = false;
        record.inserted = false;
        object->setObserver(nullptr);
        ++m_deletedInObjects[index(object->kind())];
        dropped.append(object);
    }
    m_applyingStore = false;
    return dropped;
}

void ChangeTracker::beginChangeSet() {
    m_changeSet.emplace();
    m_changeSet->pending = m_journal;
    m_changeSet->dirty = m_dirty;
    m_changeSet->pendingDeletes = m_pendingDeletes;
}

// Takes back the change set and puts the bookkeeping of what was pending before it back as it was.
QList<ModelObject*> ChangeTracker::revertChangeSet() {
    if (!m_changeSet)
        return {};
    ChangeSet changeSet = std::move(*m_changeSet);
    m_changeSet.reset();
    const QList<ModelObject*> dropped = revert(changeSet.journal);
    for (QList<ModelObject*>& dirty : m_dirty)
        for (ModelObject* object : std::as_const(dirty))
            m_records[object].dirty = false;
    m_dirty = changeSet.dirty;
    for (QList<ModelObject*>& dirty : m_dirty)
        for (ModelObject* object : std::as_const(dirty)) {
            Record& record = m_records[object];
            record.dirty = !record.deleted;
        }
    m_pendingDeletes = changeSet.pendingDeletes;
    m_journal = changeSet.pending;
    return dropped;
}
