#include "ExportScheduler.h"

#include "SyncEngine.h"
#include "SyncExporter.h"
#include "SyncMerger.h"
#include "SyncSchema.h"
#include "SyncWorker.h"

#include "base/Scheduler.h"
#include "model/ConfigurationGroup.h"
#include "model/SavedApp.h"
#include "store/ModelContext.h"

#include <QPointer>
#include <QScopeGuard>

#include <algorithm>
#include <memory>

ExportScheduler::ExportScheduler(SyncEngine& engine)
    : QObject(&engine), m_engine(engine), m_retryDelay(SyncEngine::firstRetry) {}

void ExportScheduler::saved() {
    if (m_engine.m_importing || m_engine.m_worker->isBusy() || m_engine.m_exporter->hasOverlap())
        m_savedMeanwhile = true;
    if (m_engine.m_importing) {
        m_exportPending = true;
        return;
    }
    exportLogged();
}

void ExportScheduler::exportLogged() {
    QString error;
    const QString previous = m_engine.m_lastError;
    // A file that failed to be written was named then: a later try is no news.
    const QString failing = m_engine.m_exporter->writeFailure();
    if (!exportChanges(&error) && error != previous && error != failing)
        SyncEngine::logExportFailure(error);
}

void ExportScheduler::scheduleExport() {
    if (m_exportScheduled)
        return;
    m_exportScheduled = true;
    m_engine.m_scheduler.async([self = QPointer<ExportScheduler>(this)] {
        if (!self)
            return;
        self->m_exportScheduled = false;
        if (self->m_engine.m_importing || self->m_engine.m_worker->isBusy()) {
            self->m_exportPending = true;
            return;
        }
        self->exportLogged();
        self->m_engine.workerDone();
    });
}

void ExportScheduler::scheduleRetry() {
    if (m_engine.m_exporter->failedWrites().isEmpty()) {
        m_retryDelay = SyncEngine::firstRetry;
        return;
    }
    if (m_retryScheduled)
        return;
    m_retryScheduled = true;
    m_engine.m_scheduler.after(m_retryDelay, [self = QPointer<ExportScheduler>(this)] {
        if (!self)
            return;
        self->m_retryScheduled = false;
        self->retryWrites();
    });
}

void ExportScheduler::retryWrites() {
    SyncExporter& exporter = *m_engine.m_exporter;
    if (exporter.failedWrites().isEmpty())
        return;
    // The state is the worker's meanwhile; a round may well write them itself.
    if (m_engine.m_importing || m_engine.m_worker->isBusy())
        return scheduleRetry();
    // An obstacle that stays (a folder at the name, a full disk) is not tried every few seconds for good.
    m_retryDelay = std::min(m_retryDelay * 2, SyncEngine::rescanInterval);
    const QString previous = exporter.writeFailure();
    QString error;
    const QSet<QString> failed = exporter.failedWrites();
    if (exporter.writeFiles(failed, &error)) {
        if (m_engine.m_lastError == previous)
            m_engine.m_lastError.clear();
    } else {
        if (error != previous)
            SyncEngine::logExportFailure(error);
        m_engine.m_lastError = error;
    }
    scheduleRetry();
}

bool ExportScheduler::prepareRejoin() {
    const SyncFolder::State state = m_engine.m_folder.state();
    if (!m_rejoinPending || (state != SyncFolder::State::available && state != SyncFolder::State::readOnly))
        return false;
    m_rejoinPending = false;
    // Only objects held here are held back; an empty store (a new machine joining) has none.
    if (m_engine.m_context->fetch<ConfigurationGroup>().isEmpty() &&
        m_engine.m_context->fetch<SavedApp>().isEmpty())
        return false;
    // Listing a large folder takes tens of milliseconds: not on the main thread.
    auto ids = std::make_shared<QSet<QString>>();
    m_engine.m_worker->start(
        [this, ids] {
            for (ModelObject::Kind kind : SyncSchema::kinds) {
                QList<SyncFolder::Entry> files;
                m_engine.m_folder.list(kind, &files, nullptr, nullptr);
                for (const SyncFolder::Entry& file : std::as_const(files))
                    ids->insert(file.id);
            }
        },
        [this, ids] {
            m_engine.m_exporter->setRejoining(std::move(*ids));
            m_engine.workerDone();
        });
    return true;
}

bool ExportScheduler::settleOverlap(bool done, QString* error) {
    if (!m_engine.m_exporter->hasOverlap())
        return false;
    m_settling = true;
    const auto settled = qScopeGuard([this] { m_settling = false; });
    // Saved first: the edits must be in their rows, and a later save would write whole rows again.
    if (m_engine.m_context->hasChanges() && !m_engine.m_context->save(error))
        return false;
    const bool savedMeanwhile = std::exchange(m_savedMeanwhile, false);
    // A settlement that the store refuses is weighed again, whole, at the next try; the round's
    // objects count as shown only once it is in.
    bool stored = false;
    const auto next = qScopeGuard([&] {
        if (!stored)
            m_savedMeanwhile = m_savedMeanwhile || savedMeanwhile;
        else if (done)
            m_engine.m_exporter->overlapSettled();
    });
    const SyncExporter::Settlement settlement = m_engine.m_exporter->settleOverlap(savedMeanwhile, false);
    if (settlement.isEmpty()) {
        stored = true;
        return false;
    }
    // Through the main context, which knows the rows it holds. Its save writes a revived member's list
    // whole, as the live objects show it, which is before the rounds: the rows weighed go in after.
    for (ModelObject* object : settlement.revive)
        m_engine.m_context->rewrite(object);
    for (ModelObject* object : settlement.drop)
        m_engine.m_context->deleteObject(object);
    if (m_engine.m_context->hasChanges() && !m_engine.m_context->save(error))
        return false;
    if (!settlement.rows.isEmpty() && !m_engine.m_merger->store(settlement.rows, error))
        return false;
    if (!settlement.reviveMembers.isEmpty() && !m_engine.m_merger->store(settlement.reviveMembers, error))
        return false;
    stored = true;
    m_engine.m_context->checkForRemoteChanges();
    return true;
}

bool ExportScheduler::exportChanges(QString* error) {
    // The exporter compares the live objects with what was merged: they must show the whole round first.
    if (m_settling || m_engine.m_worker->isBusy() || m_engine.m_context->isRefreshing() || prepareRejoin()) {
        m_exportPending = true;
        return true;
    }
    QString message;
    if (!m_engine.finishStoppedImport(&message))
        return m_engine.fail(message, error);
    if (m_engine.m_exporter->hasOverlap()) {
        settleOverlap(true, &message);
        if (!message.isEmpty())
            return m_engine.fail(message, error);
    }
    // The live objects show the last round and the edits saved meanwhile are settled with it.
    if (!m_engine.clearApplying(&message))
        return m_engine.fail(message, error);
    const SyncExporter::Result result = m_engine.m_exporter->exportChanges(&message);
    // Numbered by key, through the store as a round writes, while nothing waits to be saved over them.
    if (const QList<SyncRecord> rows = m_engine.m_exporter->takeMisordered();
        !rows.isEmpty() && !m_engine.m_context->hasChanges()) {
        if (!m_engine.m_merger->store(rows, &message))
            return m_engine.fail(message, error);
        m_engine.m_context->checkForRemoteChanges();
    }
    if (m_engine.m_exporter->hasMore())
        scheduleExport();
    switch (result) {
    case SyncExporter::Result::unchanged:
        return true;
    case SyncExporter::Result::written:
        m_engine.m_lastError.clear();
        return true;
    case SyncExporter::Result::failed:
        break;
    }
    return m_engine.fail(message, error);
}

void ExportScheduler::exportRest() {
    m_engine.settle();
    m_engine.m_context->finishRefresh();
    while (m_engine.m_exporter->hasMore()) {
        exportChanges();
        m_engine.settle();
    }
}
