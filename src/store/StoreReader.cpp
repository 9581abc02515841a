#include "StoreReader.h"

#include "ChangeTracker.h"
#include "Database.h"
#include "ModelContext.h"
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

namespace {
using Kind = ModelObject::Kind;

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

StoreReader::StoreReader(ModelContext& context) : m_context(context) {}

ModelObject* StoreReader::create(Kind kind, QObject* parent) {
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

bool StoreReader::load(QString* error) {
    if (!m_context.m_tables->prepare(error))
        return false;
    const std::optional<qint64> version =
        m_context.m_database.queryInteger(QStringLiteral("PRAGMA data_version"), error);
    if (!version)
        return false;
    m_context.m_dataVersion = *version;

    ChangeTracker& tracker = *m_context.m_tracker;
    tracker.setApplyingStore(true);
    QList<ModelObject*> gone;
    StoreTables::ReadLinks links;
    bool ok = true;
    for (Kind kind : StoreSchema::kinds) {
        QSet<qint64> seen;
        const QHash<qint64, ModelObject*>& keys = tracker.keysOf(kind);
        const StoreTables::ObjectFor objectFor = [&](qint64 key) {
            seen.insert(key);
            if (ModelObject* object = keys.value(key))
                return object;
            ModelObject* object = create(kind, &m_context);
            tracker.adoptStored(object, key);
            return object;
        };
        ok = m_context.m_tables->read(kind, objectFor, links, error);
        if (!ok)
            break;
        // Rows that are gone were deleted by another writer.
        QList<ModelObject*> vanished;
        for (auto it = keys.cbegin(); it != keys.cend(); ++it)
            if (!seen.contains(it.key()))
                vanished.append(it.value());
        for (ModelObject* object : std::as_const(vanished))
            tracker.forget(object);
        gone.append(vanished);
    }
    if (ok) {
        for (Kind kind : StoreSchema::kinds)
            tracker.compact(kind);
        using R = StoreTables::Relation;
        rebuildLists<ConfigurationGroup, AppConfiguration>(
            tracker.objectsOf(Kind::configurationGroup), tracker.keysOf(Kind::configurationGroup),
            links.links[R::configurationApps], links.presentLists[R::configurationApps],
            &ConfigurationGroup::setConfigurations);
        rebuildLists<ConfigurationGroup, PositionGroup>(
            tracker.objectsOf(Kind::configurationGroup), tracker.keysOf(Kind::configurationGroup),
            links.links[R::configurationPositionGroups], links.presentLists[R::configurationPositionGroups],
            &ConfigurationGroup::setPositionGroups);
        rebuildLists<PositionGroup, AppPositionMapping>(
            tracker.objectsOf(Kind::positionGroup), tracker.keysOf(Kind::positionGroup),
            links.links[R::positionGroupMappings], links.presentLists[R::positionGroupMappings],
            &PositionGroup::setAppPositions);
        rebuildLists<SavedApp, AppConfiguration>(
            tracker.objectsOf(Kind::savedApp), tracker.keysOf(Kind::savedApp),
            links.links[R::savedAppConfigurations], links.presentLists[R::savedAppConfigurations],
            &SavedApp::setConfigurations);
    }
    tracker.setApplyingStore(false);
    m_context.announceDeleted(gone);
    return ok;
}

void StoreReader::checkForRemoteChanges() {
    if (m_remoteChecksHeld) {
        m_remoteCheckWaiting = true;
        return;
    }
    const std::optional<qint64> version =
        m_context.m_database.queryInteger(QStringLiteral("PRAGMA data_version"));
    if (!version || *version == m_context.m_dataVersion)
        return;
    m_context.reloadAll();
}

void StoreReader::holdRemoteChecks(bool held) {
    m_remoteChecksHeld = held;
    if (!held && std::exchange(m_remoteCheckWaiting, false))
        checkForRemoteChanges();
}

void StoreReader::reloadAll() {
    // What is pending here is written first, so that reading the database back loses nothing.
    // Looks come every few seconds: a failure that lasts is logged once, and the next look tries again.
    const auto fail = [this](const QString& line) {
        if (line != m_context.m_lastRemoteFailure)
            logWarning(lcStore, line);
        m_context.m_lastRemoteFailure = line;
        m_context.m_dataVersion = -1;
    };
    QString error;
    if (!m_context.save(&error)) {
        m_context.reportSaveFailure(error);
        return fail(QStringLiteral("❌ Failed to save changes before reading remote changes: ") + error);
    }
    if (!load(&error))
        return fail(QStringLiteral("❌ Failed to read remote changes: ") + error);
    m_context.m_lastRemoteFailure.clear();
    Q_EMIT m_context.remoteChange();
}

void StoreReader::watch() {
    auto* watcher = new QFileSystemWatcher(&m_context);
    m_context.m_watcher = watcher;
    const QString path = m_context.m_database.path();
    const auto rewatch = [watcher, path] {
        // SQLite creates and removes the -wal file; a watch on a removed file is lost.
        for (const QString& file : {path, path + QStringLiteral("-wal")})
            if (QFileInfo::exists(file) && !watcher->files().contains(file))
                watcher->addPath(file);
    };
    watcher->addPath(QFileInfo(path).absolutePath());
    rewatch();
    QObject::connect(watcher, &QFileSystemWatcher::fileChanged, &m_context, [this, rewatch] {
        rewatch();
        checkForRemoteChanges();
        scheduleRecheck();
    });
    QObject::connect(watcher, &QFileSystemWatcher::directoryChanged, &m_context, [this, rewatch] {
        rewatch();
        checkForRemoteChanges();
        scheduleRecheck();
    });
    startPeriodicCheck();
}

// The event for a write to the log can come before the commit is visible to this connection, and
// a commit of one transaction may bring no later event: look again once the files are quiet.
void StoreReader::scheduleRecheck() {
    const quint64 generation = ++m_recheckGeneration;
    m_context.m_scheduler.after(ModelContext::recheckDelay,
                                [context = QPointer<ModelContext>(&m_context), self = this, generation] {
                                    if (context && self->m_recheckGeneration == generation)
                                        self->checkForRemoteChanges();
                                });
}

// A backstop for events that never come (a file system without change events, a missed one). It
// runs on the real clock beside the file watcher, like the watcher's own events.
void StoreReader::startPeriodicCheck() {
    auto* timer = new QTimer(&m_context);
    timer->setInterval(std::chrono::milliseconds(qint64(ModelContext::periodicCheckInterval * 1000)));
    QObject::connect(timer, &QTimer::timeout, &m_context, &ModelContext::checkForRemoteChanges);
    timer->start();
}
