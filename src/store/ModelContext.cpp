#include "ModelContext.h"

#include "Database.h"
#include "StoreSchema.h"
#include "StoreTables.h"

#include "base/Log.h"
#include "base/Scheduler.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/Item.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <limits>

namespace {
using Kind = ModelObject::Kind;

size_t indexOf(Kind kind) {
    return static_cast<size_t>(kind);
}

ModelObject* create(Kind kind, QObject* parent) {
    switch (kind) {
    case Kind::item:
        return new Item(parent);
    case Kind::savedApp:
        return new SavedApp(parent);
    case Kind::configurationGroup:
        return new ConfigurationGroup(parent);
    case Kind::appConfiguration:
        return new AppConfiguration(parent);
    case Kind::positionGroup:
        return new PositionGroup(parent);
    case Kind::appPositionMapping:
        break;
    }
    return new AppPositionMapping(parent);
}

template <class Child>
std::optional<QList<Child*>> typedList(const std::optional<QList<ModelObject*>>& list) {
    if (!list)
        return std::nullopt;
    QList<Child*> children;
    children.reserve(list->size());
    for (ModelObject* object : *list)
        children.append(static_cast<Child*>(object));
    return children;
}

void setOwnedList(StoreTables::Relation relation, ModelObject* owner,
                  const std::optional<QList<ModelObject*>>& list) {
    switch (relation) {
    case StoreTables::configurationApps:
        static_cast<ConfigurationGroup*>(owner)->setConfigurations(typedList<AppConfiguration>(list));
        break;
    case StoreTables::configurationPositionGroups:
        static_cast<ConfigurationGroup*>(owner)->setPositionGroups(typedList<PositionGroup>(list));
        break;
    case StoreTables::positionGroupMappings:
        static_cast<PositionGroup*>(owner)->setAppPositions(typedList<AppPositionMapping>(list));
        break;
    case StoreTables::savedAppConfigurations:
        static_cast<SavedApp*>(owner)->setConfigurations(typedList<AppConfiguration>(list));
        break;
    }
}

// Rebuilds one relationship's lists from the rows read: each owner gets its children in stored order,
// ties by id (see StoreTables).
template <class Owner, class Child, class Setter>
void rebuildLists(const QList<ModelObject*>& owners, const QHash<qint64, ModelObject*>& ownerKeys,
                  QList<StoreTables::Link> links, const QSet<const ModelObject*>& present, Setter set) {
    std::stable_sort(links.begin(), links.end(), [](const StoreTables::Link& a, const StoreTables::Link& b) {
        if (a.owner != b.owner)
            return a.owner < b.owner;
        return a.order != b.order ? a.order < b.order : a.id < b.id;
    });
    QHash<ModelObject*, QList<Child*>> members;
    for (const StoreTables::Link& link : std::as_const(links))
        if (ModelObject* owner = ownerKeys.value(link.owner))
            members[owner].append(static_cast<Child*>(link.child));
    for (ModelObject* object : owners) {
        auto it = members.find(object);
        auto* owner = static_cast<Owner*>(object);
        if (it != members.end())
            (owner->*set)(*it);
        else if (present.contains(object))
            (owner->*set)(QList<Child*>());
        else
            (owner->*set)(std::nullopt);
    }
}
} // namespace

ModelContext::ModelContext(Database& database, Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_database(database), m_scheduler(scheduler),
      m_tables(std::make_unique<StoreTables>(database)) {
    // Whichever save writes the last pending change ends a run of failures.
    connect(this, &ModelContext::didSave, this, [this] {
        if (!hasChanges()) {
            m_saveFailing = false;
            m_lastAutosaveFailure.clear();
        }
    });
}

ModelContext::~ModelContext() {
    // The objects die with this context; nobody may hear from them while they do.
    for (auto it = m_records.keyBegin(); it != m_records.keyEnd(); ++it)
        const_cast<ModelObject*>(*it)->setObserver(nullptr);
}

template <class T> QList<T*> ModelContext::fetch() {
    const Kind kind = T::staticKind;
    compact(kind);
    QList<T*> result;
    const QList<ModelObject*>& objects = objectsOf(kind);
    result.reserve(objects.size());
    for (ModelObject* object : objects)
        result.append(static_cast<T*>(object));
    return result;
}

template QList<ConfigurationGroup*> ModelContext::fetch<ConfigurationGroup>();
template QList<SavedApp*> ModelContext::fetch<SavedApp>();
template QList<Item*> ModelContext::fetch<Item>();
template QList<AppConfiguration*> ModelContext::fetch<AppConfiguration>();
template QList<PositionGroup*> ModelContext::fetch<PositionGroup>();
template QList<AppPositionMapping*> ModelContext::fetch<AppPositionMapping>();

void ModelContext::compact(Kind kind) {
    int& deleted = m_deletedInObjects[indexOf(kind)];
    if (deleted == 0)
        return;
    objectsOf(kind).removeIf([this](ModelObject* object) { return m_records.value(object).deleted; });
    deleted = 0;
}

void ModelContext::insert(ConfigurationGroup* configuration) {
    adopt(configuration);
}

void ModelContext::insert(SavedApp* app) {
    adopt(app);
}

void ModelContext::insert(Item* item) {
    adopt(item);
}

// Takes the object and everything reachable from it through relationships into the context.
void ModelContext::adopt(ModelObject* root) {
    if (!root)
        return;
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
        object->setParent(this);
        object->setObserver(this);
        objectsOf(object->kind()).append(object);
        markDirty(object);
        adopted = true;
        queue.append(object->relatedObjects());
    }
    if (adopted)
        scheduleAutosave();
}

void ModelContext::markDirty(ModelObject* object) {
    Record& record = m_records[object];
    if (record.dirty || record.deleted)
        return;
    record.dirty = true;
    m_dirty[indexOf(object->kind())].append(object);
}

// Keeps the values an object had before its first change since the last save (and since the start
// of the change set), which is what a rollback restores.
void ModelContext::modelObjectWillChange(ModelObject* object) {
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

void ModelContext::modelObjectDidChange(ModelObject* object, Change change) {
    if (m_applyingStore)
        return;
    auto it = m_records.constFind(object);
    if (it == m_records.constEnd() || it->deleted)
        return;
    markDirty(object);
    if (change == Change::relationship) {
        // Newly linked objects become stored; list members get their order rewritten.
        const QList<ModelObject*> related = object->relatedObjects();
        for (ModelObject* other : related) {
            if (!m_records.contains(other))
                adopt(other);
            markDirty(other);
        }
    }
    scheduleAutosave();
}

void ModelContext::deleteObject(ModelObject* object) {
    auto it = m_records.constFind(object);
    if (it == m_records.constEnd() || it->deleted)
        return;
    // Leave the live owner's list; the owner is then saved without it.
    switch (object->kind()) {
    case Kind::appConfiguration:
        static_cast<AppConfiguration*>(object)->setConfigurationGroup(nullptr);
        break;
    case Kind::positionGroup:
        static_cast<PositionGroup*>(object)->setConfigurationGroup(nullptr);
        break;
    case Kind::appPositionMapping:
        static_cast<AppPositionMapping*>(object)->setPositionGroup(nullptr);
        break;
    default:
        break;
    }
    markDeleted(object);
    scheduleAutosave();
}

// Marks the object and what its delete rules take with it; a deleted owner keeps its lists so that
// code still holding it reads what it had.
void ModelContext::markDeleted(ModelObject* object) {
    if (m_records.value(object).deleted)
        return;
    // The cascade below changes the object after it stopped being observed.
    modelObjectWillChange(object);
    Record& record = m_records[object];
    record.deleted = true;
    record.dirty = false;
    m_journal.deleted.append(object);
    if (m_changeSet)
        m_changeSet->journal.deleted.append(object);
    object->setObserver(nullptr);
    ++m_deletedInObjects[indexOf(object->kind())];
    if (record.key) {
        m_pendingDeletes.append(object);
        keysOf(object->kind()).remove(record.key);
    }
    switch (object->kind()) {
    case Kind::configurationGroup: {
        auto* configuration = static_cast<ConfigurationGroup*>(object);
        for (AppConfiguration* app : configuration->configurationList())
            markDeleted(app);
        for (PositionGroup* group : configuration->positionGroupList())
            markDeleted(group);
        break;
    }
    case Kind::positionGroup:
        for (AppPositionMapping* mapping : static_cast<PositionGroup*>(object)->appPositionList())
            markDeleted(mapping);
        break;
    case Kind::savedApp:
        for (AppConfiguration* app : static_cast<SavedApp*>(object)->configurationList())
            app->setSavedApp(nullptr);
        break;
    case Kind::appConfiguration:
        // A live saved application must not keep listing a deleted application.
        static_cast<AppConfiguration*>(object)->setSavedApp(nullptr);
        break;
    default:
        break;
    }
}

bool ModelContext::isDeleted(const ModelObject* object) const {
    return m_records.value(object).deleted;
}

bool ModelContext::contains(const ModelObject* object) const {
    auto it = m_records.constFind(object);
    return it != m_records.constEnd() && !it->deleted;
}

ModelContext* ModelContext::of(const ModelObject* object) {
    // Only a context ever observes a stored object.
    ModelObserver* observer = object ? object->observer() : nullptr;
    return observer ? static_cast<ModelContext*>(observer) : nullptr;
}

bool ModelContext::hasChanges() const {
    return hasChanges(nullptr);
}

bool ModelContext::hasChanges(const QSet<const ModelObject*>* only) const {
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

// Applications, position groups and mappings are kept only while they belong to a stored owner.
bool ModelContext::isStorable(const ModelObject* object) const {
    if (!contains(object))
        return false;
    switch (object->kind()) {
    case Kind::appConfiguration:
        return isStorable(static_cast<const AppConfiguration*>(object)->configurationGroup());
    case Kind::positionGroup:
        return isStorable(static_cast<const PositionGroup*>(object)->configurationGroup());
    case Kind::appPositionMapping:
        return isStorable(static_cast<const AppPositionMapping*>(object)->positionGroup());
    default:
        return true;
    }
}

bool ModelContext::save(QString* error) {
    return write(nullptr, error);
}

bool ModelContext::save(const QList<ModelObject*>& only, QString* error) {
    QSet<const ModelObject*> objects;
    QList<ModelObject*> queue = only;
    while (!queue.isEmpty()) {
        ModelObject* object = queue.takeLast();
        if (!object || objects.contains(object))
            continue;
        objects.insert(object);
        queue.append(ownedChildren(object));
    }
    return write(&objects, error);
}

void ModelContext::rewrite(ModelObject* root) {
    QList<ModelObject*> queue{root};
    while (!queue.isEmpty()) {
        ModelObject* object = queue.takeFirst();
        if (!contains(object))
            continue;
        markDirty(object);
        queue.append(ownedChildren(object));
    }
    scheduleAutosave();
}

QList<ModelObject*> ModelContext::ownedChildren(const ModelObject* object) {
    QList<ModelObject*> children;
    if (object->kind() == Kind::configurationGroup) {
        const auto* configuration = static_cast<const ConfigurationGroup*>(object);
        for (AppConfiguration* app : configuration->configurationList())
            children.append(app);
        for (PositionGroup* group : configuration->positionGroupList())
            children.append(group);
    } else if (object->kind() == Kind::positionGroup) {
        for (AppPositionMapping* mapping : static_cast<const PositionGroup*>(object)->appPositionList())
            children.append(mapping);
    }
    return children;
}

namespace {
const ModelObject* ownerOf(const ModelObject* object) {
    switch (object->kind()) {
    case Kind::appConfiguration:
        return static_cast<const AppConfiguration*>(object)->configurationGroup();
    case Kind::positionGroup:
        return static_cast<const PositionGroup*>(object)->configurationGroup();
    case Kind::appPositionMapping:
        return static_cast<const AppPositionMapping*>(object)->positionGroup();
    default:
        return nullptr;
    }
}
} // namespace

bool ModelContext::write(const QSet<const ModelObject*>* only, QString* error) {
    if (!hasChanges(only))
        return true;
    QString message;
    if (!m_database.execute(QStringLiteral("BEGIN IMMEDIATE"), &message)) {
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
        return added != newKeys.constEnd() ? *added : m_records.value(related).key;
    };
    // Owned by a row brought back: their rows went with it, and a key of theirs may be taken by now.
    QSet<const ModelObject*> rowGone;
    QList<ModelObject*> orphaned;
    const auto bringBackOwned = [&](const ModelObject* owner) {
        for (ModelObject* child : ownedChildren(owner))
            if (selected(child)) {
                rowGone.insert(child);
                markDirty(child);
            }
    };
    // Parents are written before the children that refer to them, and rows are deleted last, so
    // that a child moved away from a deleted owner is not taken with it.
    bool ok = true;
    for (Kind kind : StoreSchema::kinds) {
        for (ModelObject* object : std::as_const(m_dirty[indexOf(kind)])) {
            const Record& record = m_records[object];
            if (!record.dirty || record.deleted || !selected(object))
                continue;
            if (!isStorable(object)) {
                if (record.key) {
                    ok = m_tables->remove(kind, record.key, &message);
                    dropped.append(object);
                }
            } else if (record.key && !rowGone.contains(object)) {
                bool found = false;
                ok = m_tables->update(object, record.key, keyOf, &found, &message);
                if (ok && !found && !ownerOf(object)) {
                    // Another writer deleted the row while it was edited here: the edit brings it back
                    // under a new key, with what it owns (their rows went with it).
                    qint64 key = 0;
                    ok = m_tables->insert(object, keyOf, &key, &message);
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
                ok = m_tables->insert(object, keyOf, &key, &message);
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
            ok = m_tables->insert(member, keyOf, &key, &message);
            newKeys.insert(member, key);
            written.append(member);
        }
    };
    for (ModelObject* child : std::as_const(orphaned)) {
        // Deleted on its own while its owner stays: the edit brings it back, like a root's.
        if (const ModelObject* owner = ownerOf(child);
            ok && owner && !newKeys.contains(owner) && m_records.value(owner).key &&
            m_database
                .queryText(QStringLiteral("SELECT 1 FROM %1 WHERE pk = %2")
                               .arg(StoreSchema::tableName(owner->kind()))
                               .arg(m_records.value(owner).key))
                .has_value()) {
            insertTree(child);
            continue;
        }
        auto* root = const_cast<ModelObject*>(ownerOf(child));
        while (const ModelObject* owner = root ? ownerOf(root) : nullptr)
            root = const_cast<ModelObject*>(owner);
        if (!ok || !root || newKeys.contains(root) || !m_records.value(root).key || !isStorable(root))
            continue;
        bool found = false;
        ok = m_tables->update(root, m_records.value(root).key, keyOf, &found, &message);
        if (ok && !found)
            insertTree(root);
    }
    QList<ModelObject*> removed;
    for (qsizetype i = 0; ok && i < m_pendingDeletes.size(); ++i) {
        ModelObject* object = m_pendingDeletes[i];
        if (!selected(object))
            continue;
        ok = m_tables->remove(object->kind(), m_records[object].key, &message);
        removed.append(object);
    }
    if (ok && !m_database.execute(QStringLiteral("COMMIT"), &message))
        ok = false;
    if (!ok) {
        m_database.execute(QStringLiteral("ROLLBACK"));
        if (error)
            *error = message;
        return false;
    }
    // A key that SQLite hands out again belonged to a row that another writer deleted: its object
    // leaves, as it would at the next read of the database.
    QList<std::pair<ModelObject*, ModelObject*>> stale;
    for (auto it = newKeys.cbegin(); it != newKeys.cend(); ++it)
        if (const qint64 old = m_records[it.key()].key;
            old && keysOf(it.key()->kind()).value(old) == it.key())
            keysOf(it.key()->kind()).remove(old);
    for (auto it = newKeys.cbegin(); it != newKeys.cend(); ++it) {
        auto* object = const_cast<ModelObject*>(it.key());
        QHash<qint64, ModelObject*>& keys = keysOf(object->kind());
        if (ModelObject* previous = keys.value(it.value()); previous && previous != object)
            stale.append(std::pair(previous, object));
        m_records[object].key = it.value();
        keys.insert(it.value(), object);
    }
    m_applyingStore = true;
    for (const auto& [object, successor] : std::as_const(stale)) {
        const qint64 key = m_records[successor].key;
        forget(object);
        keysOf(successor->kind()).insert(key, successor);
    }
    m_applyingStore = false;
    for (ModelObject* object : std::as_const(dropped)) {
        Record& record = m_records[object];
        keysOf(object->kind()).remove(record.key);
        record.key = 0;
    }
    // Objects deleted before they were ever stored leave for good with this save too.
    QList<ModelObject*> gone = removed;
    for (const auto& pair : std::as_const(stale))
        gone.append(pair.first);
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
        for (ModelObject* object : std::as_const(written)) {
            m_records[object].inserted = false;
            m_journal.before.remove(object);
        }
        for (ModelObject* object : std::as_const(removed))
            m_journal.before.remove(object);
        m_journal.inserted.removeIf([&](ModelObject* object) { return done.contains(object); });
        const QSet<ModelObject*> left(gone.cbegin(), gone.cend());
        m_journal.deleted.removeIf([&](ModelObject* object) { return left.contains(object); });
        m_pendingDeletes.removeIf([&](ModelObject* object) { return left.contains(object); });
    }
    for (ModelObject* object : std::as_const(removed))
        m_records[object].key = 0;
    ++m_saves;
    announceDeleted(gone);
    Q_EMIT didSave();
    return true;
}

void ModelContext::announceDeleted(const QList<ModelObject*>& objects) {
    for (ModelObject* object : objects) {
        Q_EMIT object->deleted();
        Q_EMIT objectDeleted(object);
    }
}

void ModelContext::rollback() {
    const QList<ModelObject*> dropped = revert(m_journal);
    for (QList<ModelObject*>& dirty : m_dirty) {
        for (ModelObject* object : std::as_const(dirty))
            m_records[object].dirty = false;
        dirty.clear();
    }
    m_pendingDeletes.clear();
    m_journal = Journal();
    announceDeleted(dropped);
}

QList<ModelObject*> ModelContext::revert(const Journal& journal) {
    m_applyingStore = true;
    for (Kind kind : StoreSchema::kinds)
        compact(kind);
    // Deleted objects come back first, so that the restored lists hold live objects.
    for (ModelObject* object : journal.deleted) {
        Record& record = m_records[object];
        if (!record.deleted)
            continue;
        record.deleted = false;
        object->setObserver(this);
        objectsOf(object->kind()).append(object);
        if (record.key)
            keysOf(object->kind()).insert(record.key, object);
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
        if (const ModelObject* owner = ownerOf(object); owner && !inserted.contains(owner)) {
            switch (object->kind()) {
            case Kind::appConfiguration:
                static_cast<AppConfiguration*>(object)->setConfigurationGroup(nullptr);
                break;
            case Kind::positionGroup:
                static_cast<PositionGroup*>(object)->setConfigurationGroup(nullptr);
                break;
            default:
                static_cast<AppPositionMapping*>(object)->setPositionGroup(nullptr);
                break;
            }
        }
        if (object->kind() == Kind::appConfiguration)
            static_cast<AppConfiguration*>(object)->setSavedApp(nullptr);
        record.deleted = true;
        record.dirty = false;
        record.inserted = false;
        object->setObserver(nullptr);
        ++m_deletedInObjects[indexOf(object->kind())];
        dropped.append(object);
    }
    m_applyingStore = false;
    return dropped;
}

void ModelContext::beginChangeSet() {
    m_changeSet.emplace();
    m_changeSet->pending = m_journal;
    m_changeSet->dirty = m_dirty;
    m_changeSet->pendingDeletes = m_pendingDeletes;
}

// Takes back the change set and puts the bookkeeping of what was pending before it back as it was.
void ModelContext::revertChangeSet() {
    if (!m_changeSet)
        return;
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
    announceDeleted(dropped);
}

void ModelContext::scheduleAutosave(double delay) {
    if (!m_autosaveEnabled || m_autosaveScheduled)
        return;
    m_autosaveScheduled = true;
    m_scheduler.after(delay, [context = QPointer<ModelContext>(this)] {
        if (context)
            context->autosave();
    });
}

void ModelContext::autosave() {
    m_autosaveScheduled = false;
    if (!m_autosaveEnabled || !hasChanges())
        return;
    QString error;
    if (save(&error))
        return;
    const QString line = QStringLiteral("❌ Failed to save changes automatically: ") + error;
    if (line != m_lastAutosaveFailure)
        logWarning(lcStore, line);
    m_lastAutosaveFailure = line;
    reportSaveFailure(error);
    // A full disk or a file made read-only may come right again without another change to save.
    scheduleAutosave(autosaveRetryInterval);
}

void ModelContext::reportSaveFailure(const QString& error) {
    if (m_saveFailing)
        return;
    m_saveFailing = true;
    Q_EMIT saveFailed(error);
}

bool ModelContext::load(QString* error) {
    if (!m_tables->prepare(error))
        return false;
    const std::optional<qint64> version =
        m_database.queryInteger(QStringLiteral("PRAGMA data_version"), error);
    if (!version)
        return false;
    m_dataVersion = *version;

    m_applyingStore = true;
    QList<ModelObject*> gone;
    StoreTables::ReadLinks links;
    bool ok = true;
    for (Kind kind : StoreSchema::kinds) {
        QSet<qint64> seen;
        QHash<qint64, ModelObject*>& keys = keysOf(kind);
        const StoreTables::ObjectFor objectFor = [&](qint64 key) {
            seen.insert(key);
            if (ModelObject* object = keys.value(key))
                return object;
            ModelObject* object = create(kind, this);
            m_records.insert(object, Record{key, false, false, false});
            object->setObserver(this);
            objectsOf(kind).append(object);
            keys.insert(key, object);
            return object;
        };
        ok = m_tables->read(kind, objectFor, links, error);
        if (!ok)
            break;
        // Rows that are gone were deleted by another writer.
        QList<ModelObject*> vanished;
        for (auto it = keys.cbegin(); it != keys.cend(); ++it)
            if (!seen.contains(it.key()))
                vanished.append(it.value());
        for (ModelObject* object : std::as_const(vanished))
            forget(object);
        gone.append(vanished);
    }
    if (ok) {
        for (Kind kind : StoreSchema::kinds)
            compact(kind);
        using R = StoreTables::Relation;
        rebuildLists<ConfigurationGroup, AppConfiguration>(
            objectsOf(Kind::configurationGroup), keysOf(Kind::configurationGroup),
            links.links[R::configurationApps], links.presentLists[R::configurationApps],
            &ConfigurationGroup::setConfigurations);
        rebuildLists<ConfigurationGroup, PositionGroup>(
            objectsOf(Kind::configurationGroup), keysOf(Kind::configurationGroup),
            links.links[R::configurationPositionGroups], links.presentLists[R::configurationPositionGroups],
            &ConfigurationGroup::setPositionGroups);
        rebuildLists<PositionGroup, AppPositionMapping>(
            objectsOf(Kind::positionGroup), keysOf(Kind::positionGroup),
            links.links[R::positionGroupMappings], links.presentLists[R::positionGroupMappings],
            &PositionGroup::setAppPositions);
        rebuildLists<SavedApp, AppConfiguration>(
            objectsOf(Kind::savedApp), keysOf(Kind::savedApp), links.links[R::savedAppConfigurations],
            links.presentLists[R::savedAppConfigurations], &SavedApp::setConfigurations);
    }
    m_applyingStore = false;
    announceDeleted(gone);
    return ok;
}

// Drops an object whose row another writer deleted: it leaves every list and is marked deleted.
void ModelContext::forget(ModelObject* object) {
    m_journal.before.remove(object);
    Record& record = m_records[object];
    keysOf(object->kind()).remove(record.key);
    record.key = 0;
    record.deleted = true;
    record.dirty = false;
    ++m_deletedInObjects[indexOf(object->kind())];
    switch (object->kind()) {
    case Kind::appConfiguration: {
        auto* app = static_cast<AppConfiguration*>(object);
        app->setConfigurationGroup(nullptr);
        app->setSavedApp(nullptr);
        break;
    }
    case Kind::positionGroup:
        static_cast<PositionGroup*>(object)->setConfigurationGroup(nullptr);
        break;
    case Kind::appPositionMapping:
        static_cast<AppPositionMapping*>(object)->setPositionGroup(nullptr);
        break;
    default:
        break;
    }
    object->setObserver(nullptr);
}

void ModelContext::checkForRemoteChanges() {
    if (m_remoteChecksHeld) {
        m_remoteCheckWaiting = true;
        return;
    }
    const std::optional<qint64> version = m_database.queryInteger(QStringLiteral("PRAGMA data_version"));
    if (!version || *version == m_dataVersion)
        return;
    reloadAll();
}

void ModelContext::holdRemoteChecks(bool held) {
    m_remoteChecksHeld = held;
    if (!held && std::exchange(m_remoteCheckWaiting, false))
        checkForRemoteChanges();
}

void ModelContext::reloadAll() {
    dropRefresh();
    // What is pending here is written first, so that reading the database back loses nothing.
    // Looks come every few seconds: a failure that lasts is logged once, and the next look tries again.
    const auto fail = [this](const QString& line) {
        if (line != m_lastRemoteFailure)
            logWarning(lcStore, line);
        m_lastRemoteFailure = line;
        m_dataVersion = -1;
    };
    QString error;
    if (!save(&error)) {
        reportSaveFailure(error);
        return fail(QStringLiteral("❌ Failed to save changes before reading remote changes: ") + error);
    }
    if (!load(&error))
        return fail(QStringLiteral("❌ Failed to read remote changes: ") + error);
    m_lastRemoteFailure.clear();
    Q_EMIT remoteChange();
}

namespace {
using Relation = StoreTables::Relation;

struct RelationKinds {
    Relation relation;
    Kind owner;
    Kind child;
};
constexpr std::array<RelationKinds, 4> relations{{
    {Relation::configurationApps, Kind::configurationGroup, Kind::appConfiguration},
    {Relation::configurationPositionGroups, Kind::configurationGroup, Kind::positionGroup},
    {Relation::positionGroupMappings, Kind::positionGroup, Kind::appPositionMapping},
    {Relation::savedAppConfigurations, Kind::savedApp, Kind::appConfiguration},
}};

// The live owner of a child in one relationship.
const ModelObject* liveOwner(Relation relation, const ModelObject* child) {
    switch (relation) {
    case Relation::configurationApps:
        return static_cast<const AppConfiguration*>(child)->configurationGroup();
    case Relation::configurationPositionGroups:
        return static_cast<const PositionGroup*>(child)->configurationGroup();
    case Relation::positionGroupMappings:
        return static_cast<const AppPositionMapping*>(child)->positionGroup();
    case Relation::savedAppConfigurations:
        break;
    }
    return static_cast<const AppConfiguration*>(child)->savedApp();
}
} // namespace

void ModelContext::refresh(const StoreChanges& changes, bool inSlices) {
    finishRefresh();
    const std::optional<qint64> version = m_database.queryInteger(QStringLiteral("PRAGMA data_version"));
    // Asked after reading the version: a commit by anyone else up to now shows in the answer.
    if (!version || hasChanges() || !changes.onlyThisCommit || !changes.onlyThisCommit())
        return reloadAll();
    m_dataVersion = *version;
    m_refresh = std::make_unique<Refresh>();
    m_refresh->changes = changes;
    for (QList<qint64>& keys : m_refresh->changes.written) {
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    }
    m_refresh->saves = m_saves;
    ++m_refreshGeneration;
    if (inSlices)
        scheduleRefreshSlice();
    else
        finishRefresh();
}

void ModelContext::scheduleRefreshSlice() {
    m_scheduler.async([context = QPointer<ModelContext>(this), generation = m_refreshGeneration] {
        if (!context || !context->m_refresh || context->m_refreshGeneration != generation)
            return;
        QString error;
        if (!context->readRefresh(refreshSlice, &error))
            return context->reloadAll();
        if (!context->m_refresh->done)
            return context->scheduleRefreshSlice();
        // Applied on a turn of its own.
        context->m_scheduler.async([context, generation] {
            if (context && context->m_refresh && context->m_refreshGeneration == generation)
                context->finishRefresh();
        });
    });
}

void ModelContext::finishRefresh() {
    if (!m_refresh)
        return;
    QString error;
    bool ok = true;
    while (ok && !m_refresh->done)
        ok = readRefresh(std::numeric_limits<int>::max(), &error);
    const std::optional<qint64> version = m_database.queryInteger(QStringLiteral("PRAGMA data_version"));
    // A save here or another writer's commit since the rows were read: they may be out of date.
    if (!ok || !version || *version != m_dataVersion || m_refresh->saves != m_saves || hasChanges() ||
        !applyRefresh())
        return reloadAll();
    m_refresh.reset();
    m_lastRemoteFailure.clear();
    Q_EMIT remoteChange();
}

bool ModelContext::readRefresh(int budget, QString* error) {
    Refresh& r = *m_refresh;
    int used = 0;
    // Runs of consecutive keys are read with one statement: new rows mostly come in such runs.
    for (; r.kind < StoreSchema::kinds.size(); ++r.kind, r.next = 0) {
        const Kind kind = StoreSchema::kinds[r.kind];
        const QList<qint64>& keys = r.changes.written[indexOf(kind)];
        while (r.next < keys.size()) {
            if (used >= budget)
                return true;
            qsizetype end = r.next + 1;
            while (end < keys.size() && keys[end] == keys[end - 1] + 1 && used + (end - r.next) < budget)
                ++end;
            if (!stageRows(kind, keys[r.next], keys[end - 1], error))
                return false;
            used += int(end - r.next);
            r.next = end;
        }
    }
    if (!r.ownersStaged) {
        if (!stageOwners(error))
            return false;
        r.ownersStaged = true;
        return true;
    }
    // An owner counts as the few children it has.
    constexpr int ownerWeight = 4;
    while (r.nextOwner < r.owners.size()) {
        if (used >= budget)
            return true;
        const auto [relation, first] = r.owners[r.nextOwner];
        qsizetype end = r.nextOwner + 1;
        while (end < r.owners.size() && r.owners[end].first == relation &&
               r.owners[end].second == r.owners[end - 1].second + 1 &&
               used + (end - r.nextOwner) * ownerWeight < budget)
            ++end;
        QHash<qint64, QList<qint64>>& members = r.members[size_t(relation)];
        for (qsizetype i = r.nextOwner; i < end; ++i)
            members.insert(r.owners[i].second, {});
        const auto member = [&members](qint64 owner, qint64 child) { members[owner].append(child); };
        if (!m_tables->members(Relation(relation), first, r.owners[end - 1].second, member, error))
            return false;
        used += int(end - r.nextOwner) * ownerWeight;
        r.nextOwner = end;
    }
    r.done = true;
    return true;
}

bool ModelContext::stageRows(Kind kind, qint64 first, qint64 last, QString* error) {
    Refresh& r = *m_refresh;
    QHash<qint64, ModelObject*>& staged = r.staged[indexOf(kind)];
    const StoreTables::ObjectFor objectFor = [&](qint64 key) {
        ModelObject* object = nullptr;
        if (keysOf(kind).contains(key)) {
            r.copies.emplace_back(create(kind, nullptr));
            object = r.copies.back().get();
        } else {
            object = create(kind, this);
        }
        staged.insert(key, object);
        return object;
    };
    if (!m_tables->readRange(kind, first, last, objectFor, r.links, error))
        return false;
    // Written and deleted again in the same commit.
    for (qint64 key = first; key <= last; ++key)
        if (!staged.contains(key))
            r.missing[indexOf(kind)].insert(key);
    return true;
}

bool ModelContext::stageOwners(QString* error) {
    Refresh& r = *m_refresh;
    std::array<QSet<qint64>, 4> owners;
    const auto noteLiveOwner = [&](const RelationKinds& kinds, qint64 childKey) {
        if (const ModelObject* child = keysOf(kinds.child).value(childKey))
            if (const ModelObject* owner = liveOwner(kinds.relation, child))
                if (const qint64 key = m_records.value(owner).key)
                    owners[kinds.relation].insert(key);
    };
    for (const RelationKinds& kinds : relations) {
        // Where changed children are now, and where they were.
        for (const StoreTables::Link& link : std::as_const(r.links.links[kinds.relation]))
            owners[kinds.relation].insert(link.owner);
        for (auto it = r.staged[indexOf(kinds.child)].cbegin(); it != r.staged[indexOf(kinds.child)].cend();
             ++it)
            noteLiveOwner(kinds, it.key());
        for (qint64 key : std::as_const(r.changes.removed[indexOf(kinds.child)]))
            noteLiveOwner(kinds, key);
        for (qint64 key : std::as_const(r.missing[indexOf(kinds.child)]))
            noteLiveOwner(kinds, key);
        // A changed owner's list may have come or gone.
        for (auto it = r.staged[indexOf(kinds.owner)].cbegin(); it != r.staged[indexOf(kinds.owner)].cend();
             ++it)
            owners[kinds.relation].insert(it.key());
    }
    for (const RelationKinds& kinds : relations)
        for (qint64 owner : std::as_const(owners[kinds.relation])) {
            if (r.changes.removed[indexOf(kinds.owner)].contains(owner))
                continue;
            if (!r.staged[indexOf(kinds.owner)].contains(owner) &&
                !r.missing[indexOf(kinds.owner)].contains(owner) &&
                !stageRows(kinds.owner, owner, owner, error))
                return false;
            if (r.staged[indexOf(kinds.owner)].contains(owner))
                r.owners.append({int(kinds.relation), owner});
        }
    std::sort(r.owners.begin(), r.owners.end());
    return true;
}

bool ModelContext::applyRefresh() {
    Refresh& r = *m_refresh;
    const auto removed = [&](Kind kind, qint64 key) {
        return r.changes.removed[indexOf(kind)].contains(key) || r.missing[indexOf(kind)].contains(key);
    };
    // Every child listed must be known here: else the rows did not come from this commit alone.
    for (const RelationKinds& kinds : relations)
        for (const QList<qint64>& children : std::as_const(r.members[kinds.relation]))
            for (qint64 key : children)
                if (!r.staged[indexOf(kinds.child)].contains(key) &&
                    (!keysOf(kinds.child).contains(key) || removed(kinds.child, key)))
                    return false;

    m_applyingStore = true;
    for (Kind kind : StoreSchema::kinds) {
        const QHash<qint64, ModelObject*>& staged = r.staged[indexOf(kind)];
        for (auto it = staged.cbegin(); it != staged.cend(); ++it) {
            if (ModelObject* live = keysOf(kind).value(it.key())) {
                ObjectSnapshot::copyAttributes(it.value(), live);
                continue;
            }
            ModelObject* object = it.value();
            m_records.insert(object, Record{it.key(), false, false, false});
            object->setObserver(this);
            objectsOf(kind).append(object);
            keysOf(kind).insert(it.key(), object);
        }
    }
    // Gone rows take what they own with them, as the store's delete rules do, unless it moved away.
    QList<ModelObject*> gone;
    const std::function<void(ModelObject*)> drop = [&](ModelObject* object) {
        if (!contains(object))
            return;
        const QList<ModelObject*> children = ownedChildren(object);
        if (object->kind() == Kind::savedApp)
            for (AppConfiguration* app : static_cast<SavedApp*>(object)->configurationList())
                app->setSavedApp(nullptr);
        forget(object);
        gone.append(object);
        for (ModelObject* child : children)
            if (!r.staged[indexOf(child->kind())].contains(m_records.value(child).key))
                drop(child);
    };
    for (Kind kind : StoreSchema::kinds) {
        for (qint64 key : std::as_const(r.changes.removed[indexOf(kind)]))
            if (ModelObject* object = keysOf(kind).value(key))
                drop(object);
        for (qint64 key : std::as_const(r.missing[indexOf(kind)]))
            if (ModelObject* object = keysOf(kind).value(key))
                drop(object);
    }
    for (const RelationKinds& kinds : relations) {
        const QHash<qint64, QList<qint64>>& members = r.members[kinds.relation];
        for (auto it = members.cbegin(); it != members.cend(); ++it) {
            ModelObject* owner = keysOf(kinds.owner).value(it.key());
            if (!owner)
                continue;
            QList<ModelObject*> children;
            children.reserve(it->size());
            for (qint64 key : *it)
                if (ModelObject* child = keysOf(kinds.child).value(key))
                    children.append(child);
            std::optional<QList<ModelObject*>> list;
            if (!children.isEmpty() ||
                r.links.presentLists[kinds.relation].contains(r.staged[indexOf(kinds.owner)].value(it.key())))
                list = children;
            setOwnedList(kinds.relation, owner, list);
        }
    }
    m_applyingStore = false;
    announceDeleted(gone);
    return true;
}

void ModelContext::dropRefresh() {
    if (!m_refresh)
        return;
    // New objects that were never shown to anyone.
    for (const QHash<qint64, ModelObject*>& staged : m_refresh->staged)
        for (ModelObject* object : staged)
            if (object->parent() == this)
                delete object;
    m_refresh.reset();
}
void ModelContext::watch() {
    auto* watcher = new QFileSystemWatcher(this);
    m_watcher = watcher;
    const QString path = m_database.path();
    const auto rewatch = [watcher, path] {
        // SQLite creates and removes the -wal file; a watch on a removed file is lost.
        for (const QString& file : {path, path + QStringLiteral("-wal")})
            if (QFileInfo::exists(file) && !watcher->files().contains(file))
                watcher->addPath(file);
    };
    watcher->addPath(QFileInfo(path).absolutePath());
    rewatch();
    connect(watcher, &QFileSystemWatcher::fileChanged, this, [this, rewatch] {
        rewatch();
        checkForRemoteChanges();
        scheduleRecheck();
    });
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this, rewatch] {
        rewatch();
        checkForRemoteChanges();
        scheduleRecheck();
    });
    startPeriodicCheck();
}

// The event for a write to the log can come before the commit is visible to this connection, and
// a commit of one transaction may bring no later event: look again once the files are quiet.
void ModelContext::scheduleRecheck() {
    const quint64 generation = ++m_recheckGeneration;
    m_scheduler.after(recheckDelay, [context = QPointer<ModelContext>(this), generation] {
        if (context && context->m_recheckGeneration == generation)
            context->checkForRemoteChanges();
    });
}

// A backstop for events that never come (a file system without change events, a missed one). It
// runs on the real clock beside the file watcher, like the watcher's own events.
void ModelContext::startPeriodicCheck() {
    auto* timer = new QTimer(this);
    timer->setInterval(std::chrono::milliseconds(qint64(periodicCheckInterval * 1000)));
    connect(timer, &QTimer::timeout, this, &ModelContext::checkForRemoteChanges);
    timer->start();
}
