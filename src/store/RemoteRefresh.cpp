#include "RemoteRefresh.h"

#include "ChangeTracker.h"
#include "Database.h"
#include "ModelContext.h"
#include "ObjectOwnership.h"
#include "StoreReader.h"
#include "StoreSchema.h"

#include "base/Scheduler.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"

#include <QPointer>

#include <algorithm>
#include <functional>
#include <limits>

namespace {
using Kind = ModelObject::Kind;

size_t indexOf(Kind kind) {
    return static_cast<size_t>(kind);
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

// The live owner of a child in one relationship: the owner it belongs to, but for the link to a
// saved application.
const ModelObject* liveOwner(Relation relation, const ModelObject* child) {
    if (relation == Relation::savedAppConfigurations)
        return static_cast<const AppConfiguration*>(child)->savedApp();
    return ObjectOwnership::ownerOf(child);
}
} // namespace

RemoteRefresh::RemoteRefresh(ModelContext& context) : m_context(context) {}

void RemoteRefresh::refresh(const StoreChanges& changes, bool inSlices) {
    finishRefresh();
    const std::optional<qint64> version =
        m_context.m_database.queryInteger(QStringLiteral("PRAGMA data_version"));
    // Asked after reading the version: a commit by anyone else up to now shows in the answer.
    if (!version || m_context.hasChanges() || !changes.onlyThisCommit || !changes.onlyThisCommit())
        return m_context.reloadAll();
    m_context.m_dataVersion = *version;
    m_refresh = std::make_unique<Refresh>();
    m_refresh->changes = changes;
    for (QList<qint64>& keys : m_refresh->changes.written) {
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    }
    m_refresh->saves = m_context.m_saves;
    ++m_refreshGeneration;
    if (inSlices)
        scheduleRefreshSlice();
    else
        finishRefresh();
}

void RemoteRefresh::scheduleRefreshSlice() {
    m_context.m_scheduler.async(
        [context = QPointer<ModelContext>(&m_context), self = this, generation = m_refreshGeneration] {
            if (!context || !self->m_refresh || self->m_refreshGeneration != generation)
                return;
            QString error;
            if (!self->readRefresh(ModelContext::refreshSlice, &error))
                return context->reloadAll();
            if (!self->m_refresh->done)
                return self->scheduleRefreshSlice();
            // Applied on a turn of its own.
            context->m_scheduler.async([context, self, generation] {
                if (context && self->m_refresh && self->m_refreshGeneration == generation)
                    self->finishRefresh();
            });
        });
}

void RemoteRefresh::finishRefresh() {
    if (!m_refresh)
        return;
    QString error;
    bool ok = true;
    while (ok && !m_refresh->done)
        ok = readRefresh(std::numeric_limits<int>::max(), &error);
    const std::optional<qint64> version =
        m_context.m_database.queryInteger(QStringLiteral("PRAGMA data_version"));
    // A save here or another writer's commit since the rows were read: they may be out of date.
    if (!ok || !version || *version != m_context.m_dataVersion || m_refresh->saves != m_context.m_saves ||
        m_context.hasChanges() || !applyRefresh())
        return m_context.reloadAll();
    m_refresh.reset();
    m_context.m_lastRemoteFailure.clear();
    Q_EMIT m_context.remoteChange();
}

bool RemoteRefresh::readRefresh(int budget, QString* error) {
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
        if (!m_context.m_tables->members(Relation(relation), first, r.owners[end - 1].second, member, error))
            return false;
        used += int(end - r.nextOwner) * ownerWeight;
        r.nextOwner = end;
    }
    r.done = true;
    return true;
}

bool RemoteRefresh::stageRows(Kind kind, qint64 first, qint64 last, QString* error) {
    Refresh& r = *m_refresh;
    QHash<qint64, ModelObject*>& staged = r.staged[indexOf(kind)];
    const StoreTables::ObjectFor objectFor = [&](qint64 key) {
        ModelObject* object = nullptr;
        if (m_context.m_tracker->keysOf(kind).contains(key)) {
            r.copies.emplace_back(StoreReader::create(kind, nullptr));
            object = r.copies.back().get();
        } else {
            object = StoreReader::create(kind, &m_context);
        }
        staged.insert(key, object);
        return object;
    };
    if (!m_context.m_tables->readRange(kind, first, last, objectFor, r.links, error))
        return false;
    // Written and deleted again in the same commit.
    for (qint64 key = first; key <= last; ++key)
        if (!staged.contains(key))
            r.missing[indexOf(kind)].insert(key);
    return true;
}

bool RemoteRefresh::stageOwners(QString* error) {
    Refresh& r = *m_refresh;
    std::array<QSet<qint64>, 4> owners;
    const auto noteLiveOwner = [&](const RelationKinds& kinds, qint64 childKey) {
        if (const ModelObject* child = m_context.m_tracker->keysOf(kinds.child).value(childKey))
            if (const ModelObject* owner = liveOwner(kinds.relation, child))
                if (const qint64 key = m_context.m_tracker->recordOf(owner).key)
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

bool RemoteRefresh::applyRefresh() {
    Refresh& r = *m_refresh;
    ChangeTracker& tracker = *m_context.m_tracker;
    const auto removed = [&](Kind kind, qint64 key) {
        return r.changes.removed[indexOf(kind)].contains(key) || r.missing[indexOf(kind)].contains(key);
    };
    // Every child listed must be known here: else the rows did not come from this commit alone.
    for (const RelationKinds& kinds : relations)
        for (const QList<qint64>& children : std::as_const(r.members[kinds.relation]))
            for (qint64 key : children)
                if (!r.staged[indexOf(kinds.child)].contains(key) &&
                    (!tracker.keysOf(kinds.child).contains(key) || removed(kinds.child, key)))
                    return false;

    // This turn is all the lists wait for: no table grows step by step in it.
    std::array<qsizetype, 6> staging{};
    for (Kind kind : StoreSchema::kinds)
        staging[indexOf(kind)] = r.staged[indexOf(kind)].size();
    tracker.reserveStored(staging);
    tracker.setApplyingStore(true);
    for (Kind kind : StoreSchema::kinds) {
        const QHash<qint64, ModelObject*>& staged = r.staged[indexOf(kind)];
        for (auto it = staged.cbegin(); it != staged.cend(); ++it) {
            if (ModelObject* live = tracker.keysOf(kind).value(it.key())) {
                ObjectSnapshot::copyAttributes(it.value(), live);
                continue;
            }
            tracker.adoptStored(it.value(), it.key());
        }
    }
    // Gone rows take what they own with them, as the store's delete rules do, unless it moved away.
    QList<ModelObject*> gone;
    const std::function<void(ModelObject*)> drop = [&](ModelObject* object) {
        if (!m_context.contains(object))
            return;
        const QList<ModelObject*> children = ObjectOwnership::ownedChildren(object);
        if (object->kind() == Kind::savedApp)
            for (AppConfiguration* app : static_cast<SavedApp*>(object)->configurationList())
                app->setSavedApp(nullptr);
        tracker.forget(object);
        gone.append(object);
        for (ModelObject* child : children)
            if (!r.staged[indexOf(child->kind())].contains(tracker.recordOf(child).key))
                drop(child);
    };
    for (Kind kind : StoreSchema::kinds) {
        for (qint64 key : std::as_const(r.changes.removed[indexOf(kind)]))
            if (ModelObject* object = tracker.keysOf(kind).value(key))
                drop(object);
        for (qint64 key : std::as_const(r.missing[indexOf(kind)]))
            if (ModelObject* object = tracker.keysOf(kind).value(key))
                drop(object);
    }
    for (const RelationKinds& kinds : relations) {
        const QHash<qint64, QList<qint64>>& members = r.members[kinds.relation];
        for (auto it = members.cbegin(); it != members.cend(); ++it) {
            ModelObject* owner = tracker.keysOf(kinds.owner).value(it.key());
            if (!owner)
                continue;
            QList<ModelObject*> children;
            children.reserve(it->size());
            for (qint64 key : *it)
                if (ModelObject* child = tracker.keysOf(kinds.child).value(key))
                    children.append(child);
            std::optional<QList<ModelObject*>> list;
            if (!children.isEmpty() ||
                r.links.presentLists[kinds.relation].contains(r.staged[indexOf(kinds.owner)].value(it.key())))
                list = children;
            setOwnedList(kinds.relation, owner, list);
        }
    }
    tracker.setApplyingStore(false);
    m_context.announceDeleted(gone);
    return true;
}

void RemoteRefresh::dropRefresh() {
    if (!m_refresh)
        return;
    // New objects that were never shown to anyone.
    for (const QHash<qint64, ModelObject*>& staged : m_refresh->staged)
        for (ModelObject* object : staged)
            if (object->parent() == &m_context)
                delete object;
    m_refresh.reset();
}
