#include "ModelContext.h"

#include "ChangeTracker.h"
#include "ObjectOwnership.h"
#include "RemoteRefresh.h"
#include "StoreReader.h"
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
#include <QScopeGuard>

namespace {
using Kind = ModelObject::Kind;
} // namespace

ModelContext::ModelContext(Database& database, Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_database(database), m_scheduler(scheduler),
      m_tracker(std::make_unique<ChangeTracker>(this, static_cast<ModelObserver*>(this))),
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

// The tracker stops the objects from calling back while they die with this context.
ModelContext::~ModelContext() = default;

template <class T> QList<T*> ModelContext::fetch() {
    const Kind kind = T::staticKind;
    m_tracker->compact(kind);
    QList<T*> result;
    const QList<ModelObject*>& objects = m_tracker->objectsOf(kind);
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

void ModelContext::insert(ConfigurationGroup* configuration) {
    adopt(configuration);
}

void ModelContext::insert(SavedApp* app) {
    adopt(app);
}

void ModelContext::insert(Item* item) {
    adopt(item);
}

void ModelContext::adopt(ModelObject* root) {
    if (root && m_tracker->adopt(root))
        scheduleAutosave();
}

void ModelContext::modelObjectWillChange(ModelObject* object) {
    m_tracker->noteWillChange(object);
}

void ModelContext::modelObjectDidChange(ModelObject* object, Change change) {
    if (m_tracker->isApplyingStore() || !m_tracker->contains(object))
        return;
    m_tracker->markDirty(object);
    if (change == Change::relationship) {
        // Newly linked objects become stored; list members get their order rewritten.
        const QList<ModelObject*> related = object->relatedObjects();
        for (ModelObject* other : related) {
            if (!m_tracker->holds(other))
                adopt(other);
            m_tracker->markDirty(other);
        }
    }
    scheduleAutosave();
}

void ModelContext::deleteObject(ModelObject* object) {
    if (!m_tracker->contains(object))
        return;
    // Leave the live owner's list; the owner is then saved without it.
    ObjectOwnership::leaveOwner(object);
    m_tracker->markDeleted(object);
    Q_EMIT deletedHere(object);
    scheduleAutosave();
}

bool ModelContext::isDeleted(const ModelObject* object) const {
    return m_tracker->isDeleted(object);
}

bool ModelContext::contains(const ModelObject* object) const {
    return m_tracker->contains(object);
}

ModelContext* ModelContext::of(const ModelObject* object) {
    // Only a context ever observes a stored object.
    ModelObserver* observer = object ? object->observer() : nullptr;
    return observer ? static_cast<ModelContext*>(observer) : nullptr;
}

bool ModelContext::hasChanges() const {
    return m_tracker->hasChanges(nullptr);
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
        m_tracker->markDirty(object);
        queue.append(ownedChildren(object));
    }
    scheduleAutosave();
}

QList<ModelObject*> ModelContext::ownedChildren(const ModelObject* object) {
    return ObjectOwnership::ownedChildren(object);
}

std::optional<QList<ModelObject*>> ModelContext::ownedChildrenBefore(const ModelObject* object) const {
    const ObjectSnapshot* before = m_tracker->before(object);
    if (!before)
        return std::nullopt;
    return before->ownedChildren(object->kind());
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
    announceDeleted(m_tracker->rollback());
}

void ModelContext::beginChangeSet() {
    m_tracker->beginChangeSet();
}

void ModelContext::revertChangeSet() {
    announceDeleted(m_tracker->revertChangeSet());
}

void ModelContext::endChangeSet() {
    m_tracker->endChangeSet();
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
    return m_reader->load(error);
}

void ModelContext::watch() {
    m_reader->watch();
}

void ModelContext::reloadAll() {
    m_remoteRefresh->dropRefresh();
    // The pending changes are saved first, while the live objects do not show the database yet: what
    // that save sets off (an export) waits for the read, as it waits for a refresh.
    m_reloading = true;
    const auto read = qScopeGuard([this] { m_reloading = false; });
    m_reader->reloadAll();
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
    return m_reloading || m_remoteRefresh->isRefreshing();
}

bool ModelContext::isApplyingStore() const {
    return m_tracker->isApplyingStore();
}

void ModelContext::finishRefresh() {
    m_remoteRefresh->finishRefresh();
}
