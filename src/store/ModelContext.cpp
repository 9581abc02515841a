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

#include <algorithm>

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

// Rebuilds one relationship's lists from the rows read: each owner gets its children in stored order.
template <class Owner, class Child, class Setter>
void rebuildLists(const QList<ModelObject*>& owners, const QHash<qint64, ModelObject*>& ownerKeys,
                  QList<StoreTables::Link> links, const QSet<const ModelObject*>& present, Setter set) {
    std::stable_sort(links.begin(), links.end(), [](const StoreTables::Link& a, const StoreTables::Link& b) {
        return a.owner != b.owner ? a.owner < b.owner : a.order < b.order;
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
      m_tables(std::make_unique<StoreTables>(database)) {}

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
        m_records.insert(object, Record{});
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
    Record& record = m_records[object];
    if (record.deleted)
        return;
    record.deleted = true;
    record.dirty = false;
    object->setObserver(nullptr);
    ++m_deletedInObjects[indexOf(object->kind())];
    if (record.key) {
        m_pendingDeletes.emplace_back(object->kind(), record.key);
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
    if (!m_pendingDeletes.empty())
        return true;
    for (const QList<ModelObject*>& dirty : m_dirty)
        for (ModelObject* object : dirty) {
            const Record& record = m_records[object];
            if (record.dirty && !record.deleted)
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
    if (!hasChanges())
        return true;
    QString message;
    if (!m_database.execute(QStringLiteral("BEGIN IMMEDIATE"), &message)) {
        if (error)
            *error = message;
        return false;
    }
    QHash<const ModelObject*, qint64> newKeys;
    QList<ModelObject*> dropped;
    const StoreTables::KeyOf keyOf = [&](const ModelObject* related) -> qint64 {
        const qint64 key = m_records.value(related).key;
        return key ? key : newKeys.value(related);
    };
    // Parents are written before the children that refer to them, and rows are deleted last, so
    // that a child moved away from a deleted owner is not taken with it.
    bool ok = true;
    for (Kind kind : StoreSchema::kinds) {
        for (ModelObject* object : std::as_const(m_dirty[indexOf(kind)])) {
            const Record& record = m_records[object];
            if (!record.dirty || record.deleted)
                continue;
            if (!isStorable(object)) {
                if (record.key) {
                    ok = m_tables->remove(kind, record.key, &message);
                    dropped.append(object);
                }
            } else if (record.key) {
                bool found = false;
                ok = m_tables->update(object, record.key, keyOf, &found, &message);
            } else {
                qint64 key = 0;
                ok = m_tables->insert(object, keyOf, &key, &message);
                newKeys.insert(object, key);
            }
            if (!ok)
                break;
        }
        if (!ok)
            break;
    }
    for (size_t i = 0; ok && i < m_pendingDeletes.size(); ++i)
        ok = m_tables->remove(m_pendingDeletes[i].first, m_pendingDeletes[i].second, &message);
    if (ok && !m_database.execute(QStringLiteral("COMMIT"), &message))
        ok = false;
    if (!ok) {
        m_database.execute(QStringLiteral("ROLLBACK"));
        if (error)
            *error = message;
        return false;
    }
    for (auto it = newKeys.cbegin(); it != newKeys.cend(); ++it) {
        auto* object = const_cast<ModelObject*>(it.key());
        m_records[object].key = it.value();
        keysOf(object->kind()).insert(it.value(), object);
    }
    for (ModelObject* object : std::as_const(dropped)) {
        Record& record = m_records[object];
        keysOf(object->kind()).remove(record.key);
        record.key = 0;
    }
    for (QList<ModelObject*>& dirty : m_dirty) {
        for (ModelObject* object : std::as_const(dirty))
            m_records[object].dirty = false;
        dirty.clear();
    }
    m_pendingDeletes.clear();
    Q_EMIT didSave();
    return true;
}

void ModelContext::scheduleAutosave() {
    if (!m_autosaveEnabled || m_autosaveScheduled)
        return;
    m_autosaveScheduled = true;
    m_scheduler.after(autosaveDelay, [context = QPointer<ModelContext>(this)] {
        if (context)
            context->autosave();
    });
}

void ModelContext::autosave() {
    m_autosaveScheduled = false;
    if (!m_autosaveEnabled || !hasChanges())
        return;
    QString error;
    if (!save(&error))
        logLine(QStringLiteral("❌ Failed to save changes automatically: ") + error);
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
            m_records.insert(object, Record{key, false, false});
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
    return ok;
}

// Drops an object whose row another writer deleted: it leaves every list and is marked deleted.
void ModelContext::forget(ModelObject* object) {
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
    const std::optional<qint64> version = m_database.queryInteger(QStringLiteral("PRAGMA data_version"));
    if (!version || *version == m_dataVersion)
        return;
    // What is pending here is written first, so that reading the database back loses nothing.
    QString error;
    if (!save(&error)) {
        logLine(QStringLiteral("❌ Failed to save changes before reading remote changes: ") + error);
        return;
    }
    if (!load(&error)) {
        logLine(QStringLiteral("❌ Failed to read remote changes: ") + error);
        return;
    }
    Q_EMIT remoteChange();
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
    });
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this, rewatch] {
        rewatch();
        checkForRemoteChanges();
    });
}
