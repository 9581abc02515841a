#include "ModelContext.h"

#include "RemoteRefresh.h"
#include "StoreReader.h"
#include "StoreSchema.h"
#include "StoreTables.h"
#include "StoreWriter.h"

#include "base/Log.h"
#include "base/Scheduler.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/Item.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"

#include <QPointer>

namespace {
using Kind = ModelObject::Kind;

size_t indexOf(Kind kind) {
    return static_cast<size_t>(kind);
}
} // namespace

ModelContext::ModelContext(Database& database, Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_database(database), m_scheduler(scheduler),
      m_tables(std::make_unique<StoreTables>(database)), m_writer(std::make_unique<StoreWriter>(*this)),
      m_reader(std::make_unique<StoreReader>(*this)),
      m_remoteRefresh(std::make_unique<RemoteRefresh>(*this)) {
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

const ModelObject* ModelContext::ownerOf(const ModelObject* object) {
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

bool ModelContext::write(const QSet<const ModelObject*>* only, QString* error) {
    return m_writer->write(only, error);
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

bool ModelContext::load(QString* error) {
    return m_reader->load(error);
}

void ModelContext::watch() {
    m_reader->watch();
}

void ModelContext::checkForRemoteChanges() {
    m_reader->checkForRemoteChanges();
}

void ModelContext::holdRemoteChecks(bool held) {
    m_reader->holdRemoteChecks(held);
}

void ModelContext::refresh(const StoreChanges& changes, bool inSlices) {
    m_remoteRefresh->refresh(changes, inSlices);
}

bool ModelContext::isRefreshing() const {
    return m_remoteRefresh->isRefreshing();
}

void ModelContext::finishRefresh() {
    m_remoteRefresh->finishRefresh();
}
