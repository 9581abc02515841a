#include "SyncEngine.h"

#include "ExportScheduler.h"
#include "ScanScheduler.h"
#include "SyncFolderReader.h"
#include "SyncMerger.h"
#include "SyncSchema.h"
#include "SyncState.h"
#include "SyncStoreWriter.h"
#include "SyncWorker.h"
#include "TombstoneCollector.h"
#include "UnsentEdits.h"

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
    engine->m_exports->setRejoinPending(engine->m_state->isFresh());
    if (!engine->m_state->applying().isEmpty() && !engine->finishApplying(&message)) {
        engine->m_stoppedImport = true;
        logWarning(lcSync, QStringLiteral("❌ Sync failed: ") + message);
    }
    return engine;
}

SyncEngine::SyncEngine(ModelContainer& container, Scheduler& scheduler, const Options& options,
                       std::unique_ptr<SyncState> state)
    : m_context(container.mainContext()), m_scheduler(scheduler), m_folder(options.folder),
      m_state(std::move(state)), m_reader(std::make_unique<SyncFolderReader>(m_folder)),
      m_worker(std::make_unique<SyncWorker>(scheduler)), m_storePath(container.path()),
      m_automatic(options.automatic), m_checkpoint(options.checkpoint),
      m_rounds(options.folder, m_state->clock().machine()), m_scans(new ScanScheduler(*this)),
      m_exports(new ExportScheduler(*this)), m_manual(*this) {
    m_folder.setWriter(m_state->clock().machine());
    m_folder.setCheckpoint(options.checkpoint);
    m_folder.setDenied(options.denied);
    SyncExporter::Hooks hooks;
    hooks.folderChanged = [this] {
        if (m_automatic && !m_importing)
            m_scans->scheduleScan(settleDelay, true);
    };
    hooks.writeFailed = [this](const QString& message) {
        m_manual.fail(message);
        if (message == m_lastError)
            return;
        m_lastError = message;
        logExportFailure(message);
    };
    hooks.isRefused = [this](const QString& path, const SyncFolder::Signature& signature) {
        return m_reader->isRefused(path, signature);
    };
    hooks.workerDone = [this] { workerDone(); };
    hooks.failuresChanged = [this] {
        m_exports->scheduleRetry();
        Q_EMIT writeFailureChanged();
    };
    m_exporter = std::make_unique<SyncExporter>(m_context, *m_worker, m_folder, *m_state, std::move(hooks));
    connect(m_context, &ModelContext::didSave, m_exports, &ExportScheduler::saved);
    // Another writer (a second instance, a tool, a round of ours) changed the store: its changes travel
    // too, from the next turn on, so that a large reading-in is not followed by a large export in the
    // same turn.
    connect(m_context, &ModelContext::remoteChange, m_exports, &ExportScheduler::scheduleExport);
    if (m_automatic)
        m_scans->start();
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

void SyncEngine::workerDone() {
    if (m_worker->isBusy() || m_importing)
        return;
    if (m_exports->takePending())
        m_exports->exportLogged();
    // The rest of a large export comes first, a slice per turn.
    if (m_worker->isBusy() || m_exporter->hasMore())
        return;
    if (m_manual.isActive()) {
        // Its round reads every file anyway; what it leaves to write goes before other rounds.
        m_manual.proceed();
        return;
    }
    if (m_scans->takePending()) {
        // Before the rest of a large batch of files: what other machines wrote comes in meanwhile.
        m_scans->scheduleScan(0, false);
        return;
    }
    m_exporter->writeNextBatch();
}

bool SyncEngine::fail(const QString& message, QString* error) {
    m_lastError = message;
    // Whatever fails while "Sync Now" runs is its outcome.
    m_manual.fail(message);
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
    const QHash<QString, QJsonObject>& replaced = m_state->replaced();
    // The store says by that import's mark whether it holds its commit. If it does, every row written
    // then is there as written or as a save here changed it since, and stays; only the rows that the
    // import found in the store are looked at again, for what a save of them as the program still
    // showed them put back. Without the commit, the import's rows are written again.
    const QString mark = m_state->applyingMark();
    const bool committed = !mark.isEmpty() && m_merger->committedMark() == mark;
    // What a row held as that import found it (as noted with it, else as last merged).
    const auto noted = [&](const QString& id) -> std::optional<QJsonObject> {
        if (const auto before = replaced.constFind(id); before != replaced.constEnd())
            return *before;
        if (const auto entry = entries.constFind(id); entry != entries.constEnd() && !entry->record.deleted)
            return entry->record.fields;
        return std::nullopt;
    };
    // The owners, up the chain, of a row as that import found it; a few levels at most, whatever the
    // rows say.
    const auto ownersOf = [&](const QString& id) {
        QStringList owners;
        QString at = id;
        for (int depth = 0; depth < 4; ++depth) {
            const std::optional<QJsonObject> fields = noted(at);
            if (!fields)
                break;
            at = fields->value(SyncSchema::ownerAttribute(entries.value(at).record.kind)).toString();
            if (at.isEmpty())
                break;
            owners.append(at);
        }
        return owners;
    };
    // The members held here as that import found them, and the edits saved here since (see
    // UnsentEdits).
    // What that import brought was not held here.
    const QSet<QString> wrote(ids.cbegin(), ids.cend());
    const UnsentEdits::Recorded held = [&](const QString& id, ModelObject::Kind kind) -> const QJsonObject* {
        if (const auto before = replaced.constFind(id); before != replaced.constEnd())
            return entries.value(id).record.kind == kind ? &*before : nullptr;
        return UnsentEdits::heldBefore(entries, id, kind,
                                       wrote.contains(id) ? UnsentEdits::Found(nullptr) : std::nullopt);
    };
    const auto placeIn = [&](ModelObject* object) -> std::optional<int> {
        const ModelObject* owner = SyncSchema::ownerOf(object);
        if (!owner)
            return std::nullopt;
        // Among the members still shown, as a save numbers them.
        return UnsentEdits::indexOf(object->kind(), SyncSchema::idOf(object),
                                    m_state->childrenOf(SyncSchema::idOf(owner)),
                                    [&](const QString& id, ModelObject::Kind kind) {
                                        return live.contains(id) ? held(id, kind) : nullptr;
                                    });
    };
    const auto editsIn = [&](ModelObject* object, const QJsonObject& was) {
        return UnsentEdits::of(object->kind(), SyncSchema::fieldsOf(object), was, placeIn(object));
    };
    // A deletion that import merged stands unless the object's rows were written here since, as an
    // edit saved meanwhile: then it is in the store again and goes out as the later change.
    std::optional<QSet<QString>> removedFrom;
    const auto editedHere = [&](ModelObject* root) {
        if (!removedFrom) {
            // Owners, up the chain, of what was in the store then and was taken out here since.
            removedFrom.emplace();
            for (auto it = replaced.cbegin(); it != replaced.cend(); ++it)
                if (!live.contains(it.key()))
                    for (const QString& owner : ownersOf(it.key()))
                        removedFrom->insert(owner);
        }
        QList<ModelObject*> tree{root};
        for (qsizetype i = 0; i < tree.size(); ++i) {
            const QString id = SyncSchema::idOf(tree[i]);
            const std::optional<QJsonObject> was = noted(id);
            if (removedFrom->contains(id) || !was ||
                !UnsentEdits::of(tree[i]->kind(), SyncSchema::fieldsOf(tree[i]), *was, placeIn(tree[i]))
                     .isEmpty())
                return true;
            tree.append(ModelContext::ownedChildren(tree[i]));
        }
        return false;
    };
    SyncMerger::Round round;
    bool ok = true;
    // Back in the store with what it holds there, the later change.
    QSet<QString> back;
    const auto isBack = [&](const QString& id) {
        if (back.contains(id))
            return true;
        const QStringList owners = ownersOf(id);
        return std::any_of(owners.cbegin(), owners.cend(),
                           [&back](const QString& owner) { return back.contains(owner); });
    };
    for (const QString& id : std::as_const(ids)) {
        if (!ok || !entries.contains(id) || (committed && !replaced.contains(id)))
            continue;
        const auto before = replaced.constFind(id);
        if (!replaced.isEmpty()) {
            ModelObject* object = live.value(id);
            // Deleted here since, or left out of what came back: the deletion goes out.
            if (!object && (before != replaced.constEnd() || isBack(id)))
                continue;
            // Deleted elsewhere and still in the store: back for an edit saved here, of it or of what it
            // owns. What went with its owner comes back with the owner (its entry is no tombstone); a
            // member that another machine deleted on its own stays deleted with no edit of its own.
            if (object && entries.value(id).record.deleted && editedHere(object)) {
                back.insert(id);
                continue;
            }
        }
        QJsonObject kept;
        if (ModelObject* object = live.value(id); object && before != replaced.constEnd()) {
            const QJsonObject fields = SyncSchema::fieldsOf(object);
            for (const QString& key : editsIn(object, *before))
                kept.insert(key, fields.value(key));
        }
        ok = m_merger->reapply(id, kept, round, error);
    }
    ok = ok && m_merger->numberLists(round, error, held);
    m_state->forgetChildren();
    m_merger->markCommit(mark);
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

bool SyncEngine::finishStoppedImport(QString* error) {
    if (!m_stoppedImport)
        return true;
    if (!finishApplying(error))
        return false;
    m_stoppedImport = false;
    return true;
}

void SyncEngine::logExportFailure(const QString& error) {
    logWarning(lcSync, QStringLiteral("❌ Sync export failed: ") + error);
}

bool SyncEngine::clearApplying(QString* error) {
    if (m_state->applying().isEmpty() || m_worker->isBusy())
        return true;
    const QStringList none;
    return m_state->persist({}, {}, error, &none);
}

int SyncEngine::unreadableFileCount() const {
    return m_worker->isBusy() ? m_unreadable : m_reader->refusedCount();
}

QStringList SyncEngine::unreadableFiles() const {
    return m_worker->isBusy() ? m_unreadableFiles : m_reader->refusedNamed();
}

QString SyncEngine::writeFailure() const {
    return m_exporter->writeFailure();
}

bool SyncEngine::exportChanges(QString* error) {
    return m_exports->exportChanges(error);
}

bool SyncEngine::flushWrites(QString* error) {
    m_exports->exportRest();
    return m_exporter->flushWrites(error);
}

void SyncEngine::syncNow(SyncDone done) {
    m_manual.request(std::move(done));
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
        if (m_manual.awaitsRound())
            return Start::deferred;
        m_scans->defer(kinds);
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
    if (!finishStoppedImport(&message))
        return failed(message);
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
        if (!m_waited && !m_manual.isActive())
            Q_EMIT finished(true);
        return Start::ended;
    }
    if (state == SyncFolder::State::unavailable)
        return failed(QStringLiteral("%1: the folder cannot be read").arg(m_folder.path()));
    if (m_worker->isBusy() || m_exporter->hasMore()) {
        // The export handed a large batch to the worker, or left more for later: the round follows.
        if (!m_waited)
            return defer();
        m_exports->exportRest();
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
    // "Sync Now" reads every file, those refused before included: a permission put right, a disk
    // that answers again.
    request.retryRefused = full && m_manual.isActive();
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
                            trimOnceRefreshed();
                    });
    return Start::running;
}

void SyncEngine::trimOnceRefreshed(double after) {
    // On the worker: going over the whole heap takes tens of milliseconds with a large library, which
    // the window would not answer on the main thread. Not while the live objects read the round in,
    // nor while the worker has a job (a large export takes seconds): it looks again a little later.
    m_scheduler.after(after, [self = QPointer<SyncEngine>(this)] {
        if (!self)
            return;
        if (self->m_context->isRefreshing() || self->m_worker->isBusy())
            return self->trimOnceRefreshed(trimRetrySeconds);
        // What waited for the worker meanwhile goes on when the trim is done, as after any job.
        self->m_worker->start(
            [checkpoint = self->m_checkpoint] {
                ::malloc_trim(0);
                if (checkpoint)
                    checkpoint("memoryTrimmed");
            },
            [self] {
                if (self)
                    self->workerDone();
            });
    });
}

void SyncEngine::finishRound(const SyncRound::Result& result, bool full, qint64 started,
                             SyncFolder::State state, bool exported, const QString& exportError) {
    m_unreadable = result.refused;
    m_unreadableFiles = result.refusedNamed;
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
        if (m_manual.isReading()) {
            m_manual.roundEnded(ok, message);
        } else if (!m_waited) {
            if (!ok && message != previous)
                logWarning(lcSync, QStringLiteral("❌ Sync failed: ") + message);
            Q_EMIT finished(ok);
        }
        workerDone();
    };
    if (!result.ok) {
        m_scans->forgetListed();
        return end(false, result.error);
    }
    m_scans->noteListed(result.listed);
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
    m_exporter->noteRound(round);
    QString settleError;
    const bool settled = m_exports->settleOverlap(false, &settleError);
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
    } else {
        if (settled)
            m_context->checkForRemoteChanges();
        // Nothing to read in: settled already.
        if (QString message; !m_exporter->hasOverlap() && !clearApplying(&message))
            return end(false, message);
    }
    // The round's commit is read in all the same; the edits saved meanwhile stay in the store and are
    // weighed again before the next export.
    if (!settleError.isEmpty())
        return end(false, settleError);
    if (!written)
        return end(false, writeError);
    if (!exported)
        return end(false, exportError);
    // The other machines learn that this one has read everything up to now.
    QString message;
    if (full && result.complete && state == SyncFolder::State::available &&
        !m_rounds.noteRound(started, &message))
        return end(false, message);
    end(true, QString());
}

void SyncEngine::collectTombstones(qint64 now) {
    if (const std::optional<qint64> horizon = m_rounds.horizon(now))
        TombstoneCollector(*m_state, m_folder).collect(*horizon, m_exporter->queued());
}

bool SyncEngine::rescan(QString* error) {
    if (m_importing && !m_worker->isBusy())
        return true;
    settle();
    const bool deep = m_scans->nextIsDeep();
    QString message;
    const bool ok =
        roundNow(deep ? std::nullopt : std::optional<QSet<int>>(m_scans->changedClassFolders()), &message);
    if (!ok && error)
        *error = message;
    Q_EMIT finished(ok);
    return ok;
}
