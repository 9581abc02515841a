#include "SyncEngine.h"

#include "SyncSchema.h"
#include "SyncStoreWriter.h"

#include "base/Log.h"
#include "base/Scheduler.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <algorithm>
#include <list>

namespace {
using Kind = ModelObject::Kind;

template <class T> void appendAll(ModelContext* context, QList<ModelObject*>& objects) {
    for (T* object : context->fetch<T>())
        objects.append(object);
}

QList<ModelObject*> liveObjects(ModelContext* context) {
    QList<ModelObject*> objects;
    appendAll<SavedApp>(context, objects);
    appendAll<ConfigurationGroup>(context, objects);
    appendAll<AppConfiguration>(context, objects);
    appendAll<PositionGroup>(context, objects);
    appendAll<AppPositionMapping>(context, objects);
    return objects;
}

int rank(Kind kind) {
    return int(std::find(SyncSchema::kinds.begin(), SyncSchema::kinds.end(), kind) -
               SyncSchema::kinds.begin());
}
} // namespace

std::unique_ptr<SyncEngine> SyncEngine::create(ModelContainer& container, Scheduler& scheduler,
                                               const Options& options, QString* error) {
    const QString statePath =
        options.statePath.isEmpty() ? SyncStateStore::pathFor(container.path()) : options.statePath;
    QString message;
    std::unique_ptr<SyncStateStore> state = SyncStateStore::open(statePath, &message);
    std::unique_ptr<SyncStoreWriter> writer;
    if (state)
        writer = SyncStoreWriter::open(container.path(), &message);
    if (!state || !writer) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(state ? container.path() : statePath, message);
        return nullptr;
    }
    std::unique_ptr<SyncEngine> engine(
        new SyncEngine(container, scheduler, options, std::move(state), std::move(writer)));
    if (!engine->m_state->load(&engine->m_entries, &message)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(statePath, message);
        return nullptr;
    }
    return engine;
}

SyncEngine::SyncEngine(ModelContainer& container, Scheduler& scheduler, const Options& options,
                       std::unique_ptr<SyncStateStore> state, std::unique_ptr<SyncStoreWriter> writer)
    : m_context(container.mainContext()), m_scheduler(scheduler), m_folder(options.folder),
      m_state(std::move(state)), m_writer(std::move(writer)),
      m_clock(m_state->machine(),
              options.wallClock ? options.wallClock : HybridClock::WallClock([&scheduler] {
                  return scheduler.currentDateTime().toMSecsSinceEpoch();
              })),
      m_automatic(options.automatic) {
    m_clock.restore(m_state->clock());
    const auto exportNow = [this] {
        QString error;
        const QString previous = m_lastError;
        if (!m_importing && !exportChanges(&error) && error != previous)
            logLine(QStringLiteral("❌ Sync export failed: ") + error);
    };
    connect(m_context, &ModelContext::didSave, this, exportNow);
    // Another writer (a second instance, a tool) changed the store: its changes travel too.
    connect(m_context, &ModelContext::remoteChange, this, exportNow);
    if (m_automatic) {
        scheduleScan(0);
        m_scheduler.after(rescanInterval, [self = QPointer<SyncEngine>(this)] {
            if (self)
                self->scheduledScan();
        });
    }
}

SyncEngine::~SyncEngine() = default;

bool SyncEngine::fail(const QString& message, QString* error) {
    m_lastError = message;
    if (error)
        *error = message;
    return false;
}

void SyncEngine::track(ModelObject* object) {
    m_known.insert(object, SyncSchema::idOf(object));
    connect(object, &ModelObject::changed, this, [this, object] { m_dirty.insert(object); });
}

bool SyncEngine::isStored(const ModelObject* object) const {
    for (const ModelObject* o = object; o; o = SyncSchema::ownerOf(o))
        if (!m_context->contains(o) || (SyncSchema::ownerKind(o->kind()) && !SyncSchema::ownerOf(o)))
            return false;
    return true;
}

void SyncEngine::touchOwners(const QString& id, const SyncStamp& stamp, QSet<QString>& changed) {
    QString owner = m_entries.value(id).record.owner();
    while (!owner.isEmpty()) {
        auto it = m_entries.find(owner);
        if (it == m_entries.end() || it->record.deleted)
            return;
        it->record.stamp = std::max(it->record.stamp, stamp);
        it->json.clear();
        changed.insert(owner);
        owner = it->record.owner();
    }
}

bool SyncEngine::exportChanges(QString* error) {
    for (ModelObject* object : liveObjects(m_context))
        if (!m_known.contains(object)) {
            track(object);
            m_dirty.insert(object);
        }
    // What left the store: (rank of its class, id).
    QList<std::pair<int, QString>> gone;
    for (auto it = m_known.begin(); it != m_known.end();) {
        if (m_context->contains(it.key())) {
            ++it;
            continue;
        }
        disconnect(it.key(), &ModelObject::changed, this, nullptr);
        gone.append({rank(it.key()->kind()), it.value()});
        it = m_known.erase(it);
    }
    if (!m_startedExport) {
        // Deleted while the program was not running (another program, a restored backup).
        m_startedExport = true;
        QSet<QString> live;
        for (auto it = m_known.cbegin(); it != m_known.cend(); ++it)
            live.insert(it.value());
        for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
            if (it->present && !live.contains(it.key()))
                gone.append({rank(it->record.kind), it.key()});
    }

    // A changed list moves its members' places.
    QList<ModelObject*> dirty;
    for (ModelObject* object : std::as_const(m_dirty)) {
        if (!m_context->contains(object))
            continue;
        if (!isStored(object)) {
            // Taken out of its owner's list: the store keeps it no longer, and neither does the folder.
            // It stays known, should it be put back.
            QList<ModelObject*> detached{object};
            while (!detached.isEmpty()) {
                ModelObject* member = detached.takeFirst();
                gone.append({rank(member->kind()), m_known.value(member)});
                detached.append(ModelContext::ownedChildren(member));
            }
            continue;
        }
        dirty.append(object);
        for (ModelObject* child : ModelContext::ownedChildren(object))
            if (m_known.contains(child) && !m_dirty.contains(child))
                dirty.append(child);
    }
    m_dirty.clear();
    const auto byKind = [](ModelObject* a, ModelObject* b) { return rank(a->kind()) < rank(b->kind()); };
    std::stable_sort(dirty.begin(), dirty.end(), byKind);
    std::stable_sort(gone.begin(), gone.end());

    std::optional<SyncStamp> stamp;
    const auto now = [&] {
        if (!stamp)
            stamp = m_clock.tick();
        return *stamp;
    };
    QSet<QString> changed;
    for (ModelObject* object : std::as_const(dirty)) {
        const QString id = m_known.value(object);
        if (id.isEmpty())
            continue;
        const QJsonObject fields = SyncSchema::fieldsOf(object);
        auto it = m_entries.find(id);
        if (it != m_entries.end() && !it->record.deleted && it->record.kind == object->kind()) {
            QStringList differing;
            for (auto field = fields.constBegin(); field != fields.constEnd(); ++field)
                if (it->record.fields.value(field.key()) != field.value())
                    differing.append(field.key());
            if (differing.isEmpty()) {
                if (!it->present) {
                    it->present = true;
                    changed.insert(id);
                }
                continue;
            }
            for (const QString& key : std::as_const(differing)) {
                it->record.fields.insert(key, fields.value(key));
                it->record.stamps.insert(key, now());
            }
            it->record.stamp = now();
            it->json.clear();
            it->present = true;
        } else {
            // New here, or back after a deletion: every attribute is this machine's now.
            SyncRecord record;
            record.kind = object->kind();
            record.id = id;
            record.fields = fields;
            record.stamp = now();
            for (auto field = fields.constBegin(); field != fields.constEnd(); ++field)
                record.stamps.insert(field.key(), record.stamp);
            const SyncFolder::Signature file = it != m_entries.end() ? it->file : SyncFolder::Signature{};
            m_entries.insert(id, Entry{record, true, file, QByteArray()});
        }
        changed.insert(id);
        touchOwners(id, now(), changed);
    }
    for (const auto& [kindRank, id] : std::as_const(gone)) {
        auto it = m_entries.find(id);
        if (it == m_entries.end() || it->record.deleted || !it->present)
            continue;
        const QString owner = it->record.owner();
        const auto ownerEntry = m_entries.constFind(owner);
        if (!owner.isEmpty() &&
            (ownerEntry == m_entries.constEnd() || ownerEntry->record.deleted || !ownerEntry->present)) {
            // Went with its owner: the owner's tombstone says so, and should the owner come back,
            // this comes back with it.
            it->present = false;
            changed.insert(id);
            continue;
        }
        touchOwners(id, now(), changed);
        SyncRecord tombstone;
        tombstone.kind = it->record.kind;
        tombstone.id = id;
        tombstone.deleted = true;
        tombstone.stamp = now();
        it->record = tombstone;
        it->json.clear();
        it->present = false;
        changed.insert(id);
    }
    if (changed.isEmpty())
        return true;
    QString message;
    const bool written = writeFiles(changed, &message);
    if (!persist(changed, written ? &message : nullptr) || !written)
        return fail(message, error);
    m_lastError.clear();
    return true;
}

bool SyncEngine::writeFiles(const QSet<QString>& ids, QString* error) {
    for (const QString& id : ids)
        if (!m_queued.contains(id)) {
            m_queued.insert(id);
            m_writeQueue.append(id);
        }
    QSet<QString> done;
    return drainWrites(m_writeQueue.size() <= writeChunk ? -1 : writeChunk, done, error);
}

bool SyncEngine::flushWrites(QString* error) {
    QSet<QString> done;
    QString message;
    const bool written = drainWrites(-1, done, &message);
    if ((done.isEmpty() || persist(done, written ? &message : nullptr)) && written)
        return true;
    if (error)
        *error = message;
    return false;
}

bool SyncEngine::drainWrites(int limit, QSet<QString>& done, QString* error) {
    const bool writable = m_folder.state() == SyncFolder::State::available;
    bool ok = true;
    bool changedThere = false;
    while (!m_writeQueue.isEmpty() && (limit < 0 || done.size() < limit)) {
        const QString id = m_writeQueue.takeFirst();
        m_queued.remove(id);
        const auto it = m_entries.find(id);
        if (it == m_entries.end())
            continue;
        Entry& entry = *it;
        done.insert(id);
        const std::optional<SyncFolder::Signature> there =
            writable ? SyncFolder::signatureOf(m_folder.fileFor(entry.record.kind, id)) : std::nullopt;
        // Another machine wrote it since this one last read it: merged by the next import, not lost.
        const bool overwrites = there && *there != entry.file;
        changedThere = changedThere || overwrites;
        if (!writable || overwrites) {
            // The file there is not this version: the next scan merges and rewrites it.
            entry.file = SyncFolder::Signature{};
            continue;
        }
        if (entry.json.isEmpty())
            entry.json = entry.record.toJson();
        QString message;
        if (!m_folder.write(entry.record.kind, id, entry.json, &entry.file, &message)) {
            entry.file = SyncFolder::Signature{};
            if (ok && error)
                *error = message;
            ok = false;
        }
    }
    if (changedThere && m_automatic && !m_importing)
        scheduleScan(settleDelay);
    // A large batch (a whole library when the folder appears) goes out a chunk per turn of the event
    // loop, so that the program stays responsive meanwhile.
    if (!m_writeQueue.isEmpty() && !m_drainScheduled) {
        m_drainScheduled = true;
        m_scheduler.async([self = QPointer<SyncEngine>(this)] {
            if (!self)
                return;
            self->m_drainScheduled = false;
            QSet<QString> written;
            QString message;
            const bool drained = self->drainWrites(writeChunk, written, &message);
            if ((!self->persist(written, drained ? &message : nullptr) || !drained) &&
                message != self->m_lastError) {
                self->m_lastError = message;
                logLine(QStringLiteral("❌ Sync export failed: ") + message);
            }
        });
    }
    return ok;
}

bool SyncEngine::persist(const QSet<QString>& ids, QString* error) {
    QList<const Entry*> entries;
    entries.reserve(ids.size());
    // What waits to be written is kept as not in the folder yet, so that a restart writes it.
    std::list<Entry> waiting;
    for (const QString& id : ids) {
        const auto it = m_entries.constFind(id);
        if (it == m_entries.constEnd())
            continue;
        if (m_queued.contains(id)) {
            waiting.push_back(*it);
            waiting.back().file = SyncFolder::Signature{};
            entries.append(&waiting.back());
        } else {
            entries.append(&*it);
        }
    }
    QString message;
    if (m_state->store(entries, m_clock.last(), &message)) {
        // The text was only kept to be written twice; a library's worth would weigh megabytes.
        for (const QString& id : ids)
            if (!m_queued.contains(id))
                if (const auto it = m_entries.find(id); it != m_entries.end())
                    it->json.clear();
        return true;
    }
    if (error)
        *error = QStringLiteral("Could not keep the sync state: ") + message;
    return false;
}

void SyncEngine::skip(const QString& path, const SyncFolder::Signature& signature, const QString& why) {
    auto it = m_skipped.constFind(path);
    if (it != m_skipped.constEnd() && *it == signature)
        return;
    m_skipped.insert(path, signature);
    logLine(QStringLiteral("⚠️ Sync: skipped %1: %2").arg(path, why));
}

bool SyncEngine::readRecord(const SyncFolder::Entry& file, Kind kind, const QString& id,
                            std::optional<SyncRecord>* record, QByteArray* json) {
    auto skipped = m_skipped.constFind(file.path);
    if (skipped != m_skipped.constEnd() && *skipped == file.signature)
        return false;
    QByteArray data;
    QString why;
    if (!SyncFolder::read(file.path, &data, &why)) {
        skip(file.path, file.signature, why);
        return false;
    }
    *record = SyncRecord::fromJson(data, &why);
    if (*record && ((*record)->kind != kind || (*record)->id != id)) {
        why = QStringLiteral("it describes another object than its name says");
        record->reset();
    }
    if (!*record) {
        skip(file.path, file.signature, why);
        return false;
    }
    m_skipped.remove(file.path);
    m_clock.observe((*record)->stamp);
    if (json)
        *json = data;
    return true;
}

QList<QString> SyncEngine::childrenOf(const QString& id) {
    if (!m_children) {
        m_children.emplace();
        for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
            if (const QString owner = it->record.owner(); !owner.isEmpty())
                m_children->insert(owner, it.key());
    }
    return m_children->values(id);
}

void SyncEngine::markAbsent(const QString& id) {
    for (const QString& child : childrenOf(id)) {
        auto it = m_entries.find(child);
        if (it == m_entries.end() || !it->present)
            continue;
        it->present = false;
        m_changed.insert(child);
        markAbsent(child);
    }
}

bool SyncEngine::apply(const QString& id, int& applied, QString* error) {
    if (!m_writer->isOpen() && !m_writer->begin(error))
        return false;
    Entry& entry = m_entries[id];
    m_changed.insert(id);
    if (entry.record.deleted) {
        if (m_writer->contains(entry.record.kind, id)) {
            m_writer->remove(entry.record.kind, id);
            ++applied;
        }
        entry.present = false;
        markAbsent(id);
        return true;
    }
    bool ownerMissing = false;
    if (!m_writer->put(entry.record, &ownerMissing, error)) {
        if (!ownerMissing)
            return false;
        // Waits until its owner comes (back).
        entry.present = false;
        markAbsent(id);
        return true;
    }
    ++applied;
    entry.present = true;
    for (const QString& child : childrenOf(id)) {
        const Entry& waiting = m_entries[child];
        if (!waiting.present && !waiting.record.deleted && waiting.record.owner() == id &&
            !apply(child, applied, error))
            return false;
    }
    return true;
}

bool SyncEngine::importGroup(Kind kind, const QString& id, const Group& group, QSet<QString>& rewrite,
                             QList<std::pair<QString, QString>>& mergedCopies, int& applied, QString* error) {
    auto it = m_entries.find(id);
    if (it != m_entries.end() && it->record.kind != kind) {
        if (group.main)
            skip(group.main->path, group.main->signature,
                 QStringLiteral("the id belongs to an object of another class"));
        return true;
    }
    const bool mainChanged = group.main && (it == m_entries.end() || group.main->signature != it->file);
    if (!mainChanged && group.copies.isEmpty())
        return true;

    std::optional<SyncRecord> mainRecord;
    QByteArray mainJson;
    if (mainChanged)
        readRecord(*group.main, kind, id, &mainRecord, &mainJson);
    QList<SyncRecord> remotes;
    if (mainRecord)
        remotes.append(*mainRecord);
    for (const SyncFolder::Entry* copy : group.copies) {
        std::optional<SyncRecord> record;
        if (readRecord(*copy, kind, id, &record, nullptr)) {
            remotes.append(*record);
            mergedCopies.append({id, copy->path});
        }
    }
    if (remotes.isEmpty())
        return true;

    const bool known = it != m_entries.end();
    // What the folder's own file holds now, as far as is known.
    std::optional<SyncRecord> inFolder = mainRecord;
    if (group.main && !mainChanged)
        inFolder = it->record;
    SyncRecord merged = known ? it->record : remotes.first();
    for (const SyncRecord& remote : std::as_const(remotes))
        merged = SyncRecord::merged(merged, remote);
    if (!known)
        it = m_entries.insert(id, Entry{merged, false, SyncFolder::Signature{}, QByteArray()});
    const bool recordChanged = !known || merged != it->record;
    if (recordChanged || mainRecord) {
        it->record = merged;
        it->json = mainRecord && *mainRecord == merged ? mainJson : QByteArray();
    }
    if (mainRecord)
        it->file = group.main->signature;
    m_changed.insert(id);
    if (!inFolder || *inFolder != merged)
        rewrite.insert(id);
    if (recordChanged || (!it->present && !merged.deleted))
        return apply(id, applied, error);
    return true;
}

bool SyncEngine::importChanges(QString* error) {
    if (m_importing)
        return true;
    QString message;
    bool ok = importNow(&message);
    QString writeError;
    if (!flushWrites(&writeError) && ok) {
        ok = false;
        message = writeError;
    }
    if (!ok && error)
        *error = message;
    if (!ok)
        m_lastError = message;
    Q_EMIT finished(ok);
    return ok;
}

bool SyncEngine::importNow(QString* error) {
    QString message;
    // What is pending here is stored and stamped first, so that nothing merged below overtakes it.
    if (m_context->hasChanges() && !m_context->save(&message))
        return fail(QStringLiteral("Could not save pending changes: ") + message, error);
    QString exportError;
    const bool exported = exportChanges(&exportError);

    const SyncFolder::State state = m_folder.state();
    if (state == SyncFolder::State::noFolder)
        return exported ? true : fail(exportError, error);
    if (state == SyncFolder::State::unavailable)
        return fail(QStringLiteral("%1: the folder cannot be read").arg(m_folder.path()), error);

    m_importing = true;
    m_changed.clear();
    m_children.reset();
    const QHash<QString, Entry> before = m_entries;
    QSet<QString> rewrite, seen;
    QList<std::pair<QString, QString>> mergedCopies;
    int applied = 0;
    bool ok = true;
    for (Kind kind : SyncSchema::kinds) {
        QList<SyncFolder::Entry> files;
        QStringList foreign;
        if (!(ok = m_folder.list(kind, &files, &foreign, &message)))
            break;
        for (const QString& path : std::as_const(foreign))
            skip(path, SyncFolder::signatureOf(path).value_or(SyncFolder::Signature{}),
                 QStringLiteral("not an object file"));
        QHash<QString, Group> groups;
        for (const SyncFolder::Entry& file : std::as_const(files)) {
            Group& group = groups[file.id];
            if (file.conflictCopy)
                group.copies.append(&file);
            else
                group.main = &file;
        }
        for (auto group = groups.cbegin(); ok && group != groups.cend(); ++group) {
            seen.insert(group.key());
            ok = importGroup(kind, group.key(), group.value(), rewrite, mergedCopies, applied, &message);
        }
        if (!ok)
            break;
    }
    if (ok && m_writer->isOpen())
        ok = m_writer->commit(&message);
    if (!ok) {
        m_writer->rollback();
        m_entries = before;
        m_importing = false;
        return fail(message, error);
    }

    // The folder ends up holding every object as merged here, including those it did not hold yet.
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        if (!seen.contains(it.key()))
            rewrite.insert(it.key());
    QString writeError;
    bool written = true;
    if (state == SyncFolder::State::available) {
        written = writeFiles(rewrite, &writeError);
        m_changed.unite(rewrite);
        // Merged copies go once what they held is in the object's file; until then the next scan
        // merges them again.
        for (const auto& [id, path] : std::as_const(mergedCopies))
            if (!m_queued.contains(id) && m_entries.value(id).file.inode != 0)
                QFile::remove(path);
    }
    const bool kept = m_changed.isEmpty() || persist(m_changed, &message);
    m_changed.clear();
    m_children.reset();
    m_importing = false;

    if (applied > 0) {
        logLine(QStringLiteral("🔄 Sync: merged %1 changes from %2").arg(applied).arg(m_folder.path()));
        // Reads the commit into the live objects now rather than at the next file event.
        m_context->checkForRemoteChanges();
        Q_EMIT imported(applied);
    }
    if (!kept)
        return fail(message, error);
    if (!written)
        return fail(writeError, error);
    if (!exported)
        return fail(exportError, error);
    m_lastError.clear();
    return true;
}

void SyncEngine::scheduleScan(double delay) {
    if (m_scanScheduled)
        return;
    m_scanScheduled = true;
    m_scheduler.after(delay, [self = QPointer<SyncEngine>(this)] {
        if (!self)
            return;
        self->m_scanScheduled = false;
        if (self->m_importing)
            return;
        QString error;
        const QString previous = self->m_lastError;
        const bool ok = self->importNow(&error);
        if (!ok && error != previous)
            logLine(QStringLiteral("❌ Sync failed: ") + error);
        Q_EMIT self->finished(ok);
        self->watchFolder();
    });
}

void SyncEngine::scheduledScan() {
    scheduleScan(0);
    m_scheduler.after(rescanInterval, [self = QPointer<SyncEngine>(this)] {
        if (self)
            self->scheduledScan();
    });
}

void SyncEngine::watchFolder() {
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
                [this] { scheduleScan(settleDelay); });
    }
    // The parent shows the folder appearing; the class folders show their files changing.
    QStringList wanted{QFileInfo(m_folder.path()).absolutePath(), m_folder.path()};
    for (Kind kind : SyncSchema::kinds)
        wanted.append(m_folder.path() + u'/' + SyncSchema::className(kind));
    const QStringList watched = m_watcher->directories();
    for (const QString& path : std::as_const(wanted))
        if (!watched.contains(path) && QFileInfo(path).isDir())
            m_watcher->addPath(path);
}
