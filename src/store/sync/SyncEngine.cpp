#include "SyncEngine.h"

#include "FolderWatcher.h"
#include "SyncFolderReader.h"
#include "SyncMerger.h"
#include "SyncSchema.h"
#include "SyncState.h"
#include "SyncStoreWriter.h"
#include "SyncWorker.h"
#include "TombstoneCollector.h"

#include "base/Log.h"
#include "base/Scheduler.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/Item.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>

#include <memory>

#include <malloc.h>

std::unique_ptr<SyncEngine> SyncEngine::create(ModelContainer& container, Scheduler& scheduler,
                                               const Options& options, QString* error) {
    const QString statePath =
        options.statePath.isEmpty() ? SyncStateStore::pathFor(container.path()) : options.statePath;
    const HybridClock::WallClock wallClock =
        options.wallClock ? options.wallClock : HybridClock::WallClock([&scheduler] {
            return scheduler.currentDateTime().toMSecsSinceEpoch();
        });
    QString message;
    std::unique_ptr<SyncState> state = SyncState::open(statePath, wallClock, &message);
    std::unique_ptr<SyncStoreWriter> writer;
    if (state)
        writer = SyncStoreWriter::open(container.path(), &message);
    if (!state || !writer) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(state ? container.path() : statePath, message);
        return nullptr;
    }
    std::unique_ptr<SyncEngine> engine(new SyncEngine(container, scheduler, options, std::move(state)));
    engine->m_merger = std::make_unique<SyncMerger>(*engine->m_state, *engine->m_reader, std::move(writer));
    engine->m_round =
        std::make_unique<SyncRound>(engine->m_folder, *engine->m_state, *engine->m_reader, *engine->m_merger);
    if (!engine->m_state->load(&message)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(statePath, message);
        return nullptr;
    }
    engine->m_rejoinPending = engine->m_state->isFresh();
    if (!engine->m_state->applying().isEmpty() && !engine->finishApplying(&message))
        logWarning(lcSync, QStringLiteral("❌ Sync failed: ") + message);
    return engine;
}

SyncEngine::SyncEngine(ModelContainer& container, Scheduler& scheduler, const Options& options,
                       std::unique_ptr<SyncState> state)
    : m_context(container.mainContext()), m_scheduler(scheduler), m_folder(options.folder),
      m_state(std::move(state)), m_reader(std::make_unique<SyncFolderReader>(m_folder)),
      m_worker(std::make_unique<SyncWorker>(scheduler)), m_storePath(container.path()),
      m_automatic(options.automatic), m_checkpoint(options.checkpoint),
      m_rounds(options.folder, m_state->clock().machine()) {
    SyncExporter::Hooks hooks;
    hooks.folderChanged = [this] {
        if (m_automatic && !m_importing)
            scheduleScan(settleDelay, true);
    };
    hooks.writeFailed = [this](const QString& message) {
        if (m_manual && m_manual->ok) {
            m_manual->ok = false;
            m_manual->error = message;
        }
        if (message == m_lastError)
            return;
        m_lastError = message;
        logWarning(lcSync, QStringLiteral("❌ Sync export failed: ") + message);
    };
    hooks.isRefused = [this](const QString& path, const SyncFolder::Signature& signature) {
        return m_reader->isRefused(path, signature);
    };
    hooks.workerDone = [this] { workerDone(); };
    m_exporter = std::make_unique<SyncExporter>(m_context, *m_worker, m_folder, *m_state, std::move(hooks));
    const auto exportNow = [this] {
        if (m_importing || m_worker->isBusy() || m_exporter->hasOverlap())
            m_savedMeanwhile = true;
        if (m_importing) {
            m_exportPending = true;
            return;
        }
        exportLogged();
    };
    connect(m_context, &ModelContext::didSave, this, exportNow);
    // Another writer (a second instance, a tool, a round of ours) changed the store: its changes travel
    // too, from the next turn on, so that a large reading-in is not followed by a large export in the
    // same turn.
    connect(m_context, &ModelContext::remoteChange, this, &SyncEngine::scheduleExport);
    if (m_automatic) {
        QStringList classes;
        for (ModelObject::Kind kind : SyncSchema::kinds)
            classes.append(SyncSchema::className(kind));
        m_watcher = new FolderWatcher(m_folder.path(), classes, this);
        connect(m_watcher, &FolderWatcher::changed, this, &SyncEngine::folderEvents);
        scheduleScan(0, true);
        m_scheduler.after(m_watcher->isWatching() ? rescanInterval : pollInterval,
                          [self = QPointer<SyncEngine>(this)] {
                              if (self)
                                  self->scheduledScan();
                          });
    }
}

SyncEngine::~SyncEngine() {
    // A round in progress ends with the store and the sync state written together; files still
    // queued are kept as not written, and the next start writes them.
    m_exporter->close();
    m_worker.reset();
}

bool SyncEngine::isBusy() const {
    return m_worker->isBusy();
}

void SyncEngine::settle() {
    while (m_worker->isBusy())
        m_worker->wait();
}

void SyncEngine::exportLogged() {
    QString error;
    const QString previous = m_lastError;
    if (!exportChanges(&error) && error != previous)
        logWarning(lcSync, QStringLiteral("❌ Sync export failed: ") + error);
}

void SyncEngine::scheduleExport() {
    if (m_exportScheduled)
        return;
    m_exportScheduled = true;
    m_scheduler.async([self = QPointer<SyncEngine>(this)] {
        if (!self)
            return;
        self->m_exportScheduled = false;
        if (self->m_importing || self->m_worker->isBusy()) {
            self->m_exportPending = true;
            return;
        }
        self->exportLogged();
        self->workerDone();
    });
}

void SyncEngine::workerDone() {
    if (m_worker->isBusy() || m_importing)
        return;
    if (m_exportPending) {
        m_exportPending = false;
        exportLogged();
    }
    // The rest of a large export comes first, a slice per turn.
    if (m_worker->isBusy() || m_exporter->hasMore())
        return;
    if (m_manual) {
        // Its round reads every file anyway; what it leaves to write goes before other rounds.
        continueManualSync();
        return;
    }
    if (m_scanPending) {
        // Before the rest of a large batch of files: what other machines wrote comes in meanwhile.
        m_scanPending = false;
        scheduleScan(0, false);
        return;
    }
    m_exporter->writeNextBatch();
}

bool SyncEngine::fail(const QString& message, QString* error) {
    m_lastError = message;
    if (error)
        *error = message;
    return false;
}

bool SyncEngine::finishApplying(QString* error) {
    QStringList ids = m_state->applying();
    SyncEntries& entries = m_state->entries();
    const auto rank = [&](const QString& id) {
        return std::find(SyncSchema::kinds.begin(), SyncSchema::kinds.end(), entries.value(id).record.kind) -
               SyncSchema::kinds.begin();
    };
    // Owners before what they own.
    std::stable_sort(ids.begin(), ids.end(),
                     [&](const QString& x, const QString& y) { return rank(x) < rank(y); });
    // The store still holds what the rows held before that import, except where an edit was saved
    // here meanwhile (not yet in the sync state): those values stay, and go out as edits made here.
    QHash<QString, ModelObject*> live;
    if (!m_state->replaced().isEmpty()) {
        const auto add = [&live](const auto& objects) {
            for (ModelObject* object : objects)
                live.insert(SyncSchema::idOf(object), object);
        };
        add(m_context->fetch<ConfigurationGroup>());
        add(m_context->fetch<SavedApp>());
        add(m_context->fetch<Item>());
        add(m_context->fetch<AppConfiguration>());
        add(m_context->fetch<PositionGroup>());
        add(m_context->fetch<AppPositionMapping>());
    }
    SyncMerger::Round round;
    bool ok = true;
    for (const QString& id : std::as_const(ids)) {
        if (!ok || !entries.contains(id))
            continue;
        QJsonObject kept;
        const auto before = m_state->replaced().constFind(id);
        if (ModelObject* object = live.value(id); object && before != m_state->replaced().constEnd()) {
            const QJsonObject fields = SyncSchema::fieldsOf(object);
            for (auto field = fields.constBegin(); field != fields.constEnd(); ++field)
                if (before->value(field.key()) != field.value())
                    kept.insert(field.key(), field.value());
        }
        ok = m_merger->reapply(id, kept, round, error);
    }
    if (!(ok && m_merger->commit(error))) {
        m_merger->rollback();
        return false;
    }
    const QStringList none;
    if (!m_state->persist(round.changed, {}, error, &none))
        return false;
    m_context->checkForRemoteChanges();
    return true;
}

bool SyncEngine::prepareRejoin() {
    const SyncFolder::State state = m_folder.state();
    if (!m_rejoinPending || (state != SyncFolder::State::available && state != SyncFolder::State::readOnly))
        return false;
    m_rejoinPending = false;
    // Only objects held here are held back; an empty store (a new machine joining) has none.
    if (m_context->fetch<ConfigurationGroup>().isEmpty() && m_context->fetch<SavedApp>().isEmpty())
        return false;
    // Listing a large folder takes tens of milliseconds: not on the main thread.
    auto ids = std::make_shared<QSet<QString>>();
    m_worker->start(
        [this, ids] {
            for (ModelObject::Kind kind : SyncSchema::kinds) {
                QList<SyncFolder::Entry> files;
                m_folder.list(kind, &files, nullptr, nullptr);
                for (const SyncFolder::Entry& file : std::as_const(files))
                    ids->insert(file.id);
            }
        },
        [this, ids] {
            m_exporter->setRejoining(std::move(*ids));
            workerDone();
        });
    return true;
}

bool SyncEngine::settleOverlap(bool done, QString* error) {
    if (!m_exporter->hasOverlap())
        return false;
    m_settling = true;
    const auto settled = qScopeGuard([this] { m_settling = false; });
    // Saved first: the edits must be in their rows, and a later save would write whole rows again.
    if (m_context->hasChanges() && !m_context->save(error))
        return false;
    const SyncExporter::Settlement settlement =
        m_exporter->settleOverlap(std::exchange(m_savedMeanwhile, false), done);
    if (settlement.isEmpty())
        return false;
    if (!settlement.rows.isEmpty() && !m_merger->store(settlement.rows, error))
        return false;
    // Through the main context, which knows the rows it holds.
    for (ModelObject* object : settlement.revive)
        m_context->rewrite(object);
    for (ModelObject* object : settlement.drop)
        m_context->deleteObject(object);
    if (m_context->hasChanges() && !m_context->save(error))
        return false;
    m_context->checkForRemoteChanges();
    return true;
}

bool SyncEngine::exportChanges(QString* error) {
    // The exporter compares the live objects with what was merged: they must show the whole round first.
    if (m_settling || m_worker->isBusy() || m_context->isRefreshing() || prepareRejoin()) {
        m_exportPending = true;
        return true;
    }
    QString message;
    if (m_exporter->hasOverlap()) {
        settleOverlap(true, &message);
        if (!message.isEmpty())
            return fail(message, error);
    }
    const SyncExporter::Result result = m_exporter->exportChanges(&message);
    if (m_exporter->hasMore())
        scheduleExport();
    switch (result) {
    case SyncExporter::Result::unchanged:
        return true;
    case SyncExporter::Result::written:
        m_lastError.clear();
        return true;
    case SyncExporter::Result::failed:
        break;
    }
    return fail(message, error);
}

int SyncEngine::unreadableFileCount() const {
    return m_worker->isBusy() ? m_unreadable : m_reader->refusedCount();
}

bool SyncEngine::flushWrites(QString* error) {
    exportRest();
    return m_exporter->flushWrites(error);
}

void SyncEngine::exportRest() {
    settle();
    m_context->finishRefresh();
    while (m_exporter->hasMore()) {
        exportChanges();
        settle();
    }
}

bool SyncEngine::importChanges(QString* error) {
    if (m_importing && !m_worker->isBusy())
        return true;
    QString message;
    bool ok = roundNow(std::nullopt, &message);
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

void SyncEngine::syncNow(SyncDone done) {
    if (m_manual) {
        m_manual->done.append(std::move(done));
        return;
    }
    m_manual.emplace();
    m_manual->done.append(std::move(done));
    continueManualSync();
}

void SyncEngine::continueManualSync() {
    if (!m_manual || m_worker->isBusy() || m_importing)
        return;
    // The live objects show the last round and a large export has gone out before the next step: the
    // exporter compares the two.
    if (m_context->isRefreshing() || m_exporter->hasMore())
        return;
    switch (m_manual->stage) {
    case ManualSync::Stage::waiting: {
        // This round reads everything: what the timer or the watcher asked for so far is included.
        m_scanPending = false;
        m_fullScanPending = false;
        m_pendingKinds.clear();
        m_manual->stage = ManualSync::Stage::reading;
        QString error;
        switch (startRound(std::nullopt, &error)) {
        case Start::failed:
            return endManualSync(false, error);
        case Start::deferred:
            // Its export handed the worker a batch of files: the round follows once it is written.
            m_manual->stage = ManualSync::Stage::waiting;
            return;
        case Start::ended:
            return endManualSync(m_roundOk, m_roundError);
        case Start::running:
            return;
        }
        return;
    }
    case ManualSync::Stage::reading:
        return;
    case ManualSync::Stage::writing:
        break;
    }
    // What the round left to write, in batches on the worker; the last few here.
    if (m_exporter->queued().size() > writeChunk) {
        m_exporter->writeNextBatch();
        if (m_worker->isBusy())
            return;
    }
    QString error;
    if (!m_exporter->flushWrites(&error) && m_manual->ok) {
        m_manual->ok = false;
        m_manual->error = error;
    }
    endManualSync(m_manual->ok, m_manual->error);
}

void SyncEngine::endManualSync(bool ok, QString error) {
    const QList<SyncDone> done = std::exchange(m_manual, std::nullopt)->done;
    if (!ok)
        m_lastError = error;
    Q_EMIT finished(ok);
    for (const SyncDone& report : done)
        report(ok, error);
    // What came up meanwhile (a folder event, an export) goes now.
    workerDone();
}

bool SyncEngine::roundNow(const std::optional<QSet<int>>& kinds, QString* error) {
    // What is running goes first: a round started by the timer, files being written.
    settle();
    m_waited = true;
    const Start start = startRound(kinds, error);
    if (start != Start::failed)
        settle();
    m_waited = false;
    if (start == Start::failed)
        return false;
    if (!m_roundOk && error)
        *error = m_roundError;
    return m_roundOk;
}

SyncEngine::Start SyncEngine::startRound(const std::optional<QSet<int>>& kinds, QString* error) {
    const auto defer = [&] {
        // "Sync Now" reads every file once the worker is free: this round would add nothing.
        if (m_manual && m_manual->stage != ManualSync::Stage::writing)
            return Start::deferred;
        m_fullScanPending = m_fullScanPending || !kinds;
        if (kinds)
            m_pendingKinds.unite(*kinds);
        m_scanPending = true;
        return Start::deferred;
    };
    const auto failed = [&](const QString& message) {
        fail(message, error);
        return Start::failed;
    };
    // The last round's changes are still being read in: this one follows them.
    if (m_context->isRefreshing() && !m_waited)
        return defer();
    m_context->finishRefresh();
    QString message;
    // What is pending here is stored and stamped first, so that nothing merged below overtakes it.
    if (m_context->hasChanges() && !m_context->save(&message))
        return failed(QStringLiteral("Could not save pending changes: ") + message);
    QString exportError;
    const bool exported = exportChanges(&exportError);
    const SyncFolder::State state = m_folder.state();
    if (state == SyncFolder::State::noFolder) {
        if (!exported)
            return failed(exportError);
        m_roundOk = true;
        m_roundError.clear();
        if (!m_waited && !m_manual)
            Q_EMIT finished(true);
        return Start::ended;
    }
    if (state == SyncFolder::State::unavailable)
        return failed(QStringLiteral("%1: the folder cannot be read").arg(m_folder.path()));
    if (m_worker->isBusy() || m_exporter->hasMore()) {
        // The export handed a large batch to the worker, or left more for later: the round follows.
        if (!m_waited)
            return defer();
        exportRest();
    }

    m_importing = true;
    const bool full = !kinds;
    const qint64 started = m_scheduler.currentDateTime().toMSecsSinceEpoch();
    if (full && state == SyncFolder::State::available)
        collectTombstones(started);
    // The store as the main context last read it, apart from this round's commit: lets it read in only
    // what the round wrote.
    const std::optional<qint64> storeVersion = m_merger->storeVersion();
    m_context->checkForRemoteChanges();
    // The round's commit is read in when it ends, only its rows: a file event before that would read
    // the whole store.
    m_context->holdRemoteChecks(true);
    SyncRound::Request request;
    request.kinds = kinds;
    request.queued = m_exporter->queued();
    request.checkpoint = m_checkpoint;
    auto result = std::make_shared<SyncRound::Result>();
    m_worker->start([this, request, result] { *result = m_round->run(request); },
                    [this, result, full, started, state, exported, exportError, storeVersion] {
                        result->changes.onlyThisCommit = [this, storeVersion] {
                            return storeVersion && m_merger->storeVersion() == storeVersion;
                        };
                        finishRound(*result, full, started, state, exported, exportError);
                        // By the next turn the round's copies are gone: what they held goes back
                        // to the system rather than staying with the process until it ends.
                        if (result->large)
                            m_scheduler.after(0, [] { ::malloc_trim(0); });
                    });
    return Start::running;
}

void SyncEngine::finishRound(const SyncRound::Result& result, bool full, qint64 started,
                             SyncFolder::State state, bool exported, const QString& exportError) {
    m_unreadable = result.refused;
    const QString previous = m_lastError;
    const auto end = [this, previous](bool ok, const QString& message) {
        m_importing = false;
        m_context->holdRemoteChecks(false);
        m_roundOk = ok;
        m_roundError = message;
        if (ok)
            m_lastError.clear();
        else
            m_lastError = message;
        // A round that someone waits for is theirs to report.
        if (isManualRound()) {
            m_manual->stage = ManualSync::Stage::writing;
            if (!ok && m_manual->ok) {
                m_manual->ok = false;
                m_manual->error = message;
            }
        } else if (!m_waited) {
            if (!ok && message != previous)
                logWarning(lcSync, QStringLiteral("❌ Sync failed: ") + message);
            Q_EMIT finished(ok);
        }
        workerDone();
    };
    if (!result.ok) {
        m_listed.clear();
        return end(false, result.error);
    }
    m_listed.insert(result.listed);
    if (const std::optional<SyncStoreWriter::Backup>& backup = result.backup) {
        QStringList what;
        if (backup->configurations > 0)
            what.append(QStringLiteral("%1 configurations").arg(backup->configurations));
        if (backup->savedApps > 0)
            what.append(QStringLiteral("%1 saved applications").arg(backup->savedApps));
        const QString deleted = what.join(QStringLiteral(" and "));
        logWarning(lcSync, QStringLiteral(
                               "⚠️ Sync: another machine deleted %1; the library as it was is kept in %2")
                               .arg(deleted, backup->path));
        m_notice = tr("Another machine deleted %1. The library as it was is kept in %2: to get them back, "
                      "quit Quarlin and copy that file over %3.")
                       .arg(deleted, backup->path, m_storePath);
    }

    const SyncMerger::Round& round = result.round;
    // Edits saved while the round ran are settled against what it merged before the live objects
    // read the round in; the whole store is read then, as it holds more than the round's rows.
    m_exporter->noteRound(round.before);
    QString settleError;
    const bool settled = settleOverlap(false, &settleError);
    if (!settleError.isEmpty())
        logWarning(lcSync, QStringLiteral("❌ Sync failed: ") + settleError);
    StoreChanges changes = result.changes;
    if (settled)
        changes.onlyThisCommit = {};
    QString writeError;
    bool written = true;
    if (state == SyncFolder::State::available) {
        written = m_exporter->writeFiles(round.rewrite, &writeError);
        // Merged copies go once what they held is in the object's file; until then the next scan
        // merges them again.
        if (!m_worker->isBusy())
            for (const SyncMerger::Round::Copy& copy : round.mergedCopies)
                if (!m_exporter->isQueued(copy.id) && m_state->entries().value(copy.id).file.inode != 0)
                    m_folder.remove(copy.kind, copy.file);
    }
    m_exporter->rejoined();
    m_importing = false;

    if (round.applied > 0) {
        logInfo(lcSync,
                QStringLiteral("🔄 Sync: merged %1 changes from %2").arg(round.applied).arg(m_folder.path()));
        // Reads the commit into the live objects now rather than at the next file event; a little per
        // turn unless someone waits for the round.
        m_context->refresh(changes, !m_waited);
        Q_EMIT imported(round.applied);
    } else if (settled) {
        m_context->checkForRemoteChanges();
    }
    if (!written)
        return end(false, writeError);
    if (!exported)
        return end(false, exportError);
    // The other machines learn that this one has read everything up to now.
    QString message;
    if (full && state == SyncFolder::State::available && !m_rounds.noteRound(started, &message))
        return end(false, message);
    end(true, QString());
}

void SyncEngine::collectTombstones(qint64 now) {
    if (const std::optional<qint64> horizon = m_rounds.horizon(now))
        TombstoneCollector(*m_state, m_folder).collect(*horizon, m_exporter->queued());
}

void SyncEngine::scheduleScan(double delay, bool full) {
    m_fullScanPending = m_fullScanPending || full;
    if (m_scanScheduled)
        return;
    m_scanScheduled = true;
    m_scheduler.after(delay, [self = QPointer<SyncEngine>(this)] {
        if (!self)
            return;
        self->m_scanScheduled = false;
        if (self->m_importing || self->m_worker->isBusy()) {
            // Read once the worker is free, with what it was to read.
            self->m_scanPending = true;
            return;
        }
        std::optional<QSet<int>> kinds;
        if (!self->m_fullScanPending)
            kinds = std::exchange(self->m_pendingKinds, {});
        self->m_fullScanPending = false;
        self->m_pendingKinds.clear();
        QString error;
        const QString previous = self->m_lastError;
        // Ends on a later turn, with `finished`.
        if (self->startRound(kinds, &error) == Start::failed) {
            if (error != previous)
                logWarning(lcSync, QStringLiteral("❌ Sync failed: ") + error);
            Q_EMIT self->finished(false);
        }
        if (!self->m_worker->isBusy())
            self->m_exporter->writeNextBatch();
        // A folder that appeared since is watched from now on.
        self->m_watcher->refresh();
    });
}

QString SyncEngine::classFolder(ModelObject::Kind kind) const {
    return m_folder.path() + u'/' + SyncSchema::className(kind);
}

QSet<int> SyncEngine::changedClassFolders() const {
    QSet<int> changed;
    for (ModelObject::Kind kind : SyncSchema::kinds) {
        const auto known = m_listed.constFind(int(kind));
        // A file renamed into place or removed changes its folder; a sync service writes that way.
        if (known == m_listed.constEnd() || SyncFolder::signatureOf(classFolder(kind)) != *known)
            changed.insert(int(kind));
    }
    return changed;
}

bool SyncEngine::rescan(QString* error) {
    if (m_importing && !m_worker->isBusy())
        return true;
    settle();
    const bool deep = ++m_rescans >= deepRescanEvery;
    if (deep)
        m_rescans = 0;
    QString message;
    const bool ok = roundNow(deep ? std::nullopt : std::optional<QSet<int>>(changedClassFolders()), &message);
    if (!ok && error)
        *error = message;
    Q_EMIT finished(ok);
    return ok;
}

void SyncEngine::scheduledScan() {
    if (++m_rescans >= deepRescanEvery) {
        m_rescans = 0;
        scheduleScan(0, true);
    } else if (const QSet<int> changed = changedClassFolders(); !changed.isEmpty()) {
        m_pendingKinds.unite(changed);
        scheduleScan(0, false);
    }
    m_scheduler.after(m_watcher->isWatching() ? rescanInterval : pollInterval,
                      [self = QPointer<SyncEngine>(this)] {
                          if (self)
                              self->scheduledScan();
                      });
}

void SyncEngine::folderEvents() {
    const bool full = m_watcher->takeNeedsFullScan();
    const QSet<QString> changed = m_watcher->takeChangedSubfolders();
    for (ModelObject::Kind kind : SyncSchema::kinds)
        if (changed.contains(SyncSchema::className(kind)))
            m_pendingKinds.insert(int(kind));
    // Our own writes show up too; a round that finds nothing new costs one listing.
    scheduleScan(settleDelay, full);
}
