#include "ManualSync.h"

#include "ScanScheduler.h"
#include "SyncEngine.h"
#include "SyncExporter.h"
#include "SyncWorker.h"

#include "store/ModelContext.h"

void ManualSync::request(Done done) {
    if (m_run) {
        m_run->done.append(std::move(done));
        return;
    }
    m_run.emplace();
    m_run->done.append(std::move(done));
    proceed();
}

void ManualSync::proceed() {
    if (!m_run || m_engine.m_worker->isBusy() || m_engine.m_importing)
        return;
    // The live objects show the last round and a large export has gone out before the next step: the
    // exporter compares the two.
    if (m_engine.m_context->isRefreshing() || m_engine.m_exporter->hasMore())
        return;
    switch (m_run->stage) {
    case Stage::waiting: {
        // This round reads everything: what the timer or the watcher asked for so far is included.
        m_engine.m_scans->clearPending();
        m_run->stage = Stage::reading;
        QString error;
        switch (m_engine.startRound(std::nullopt, &error)) {
        case SyncEngine::Start::failed:
            return end(false, error);
        case SyncEngine::Start::deferred:
            // Its export handed the worker a batch of files: the round follows once it is written.
            m_run->stage = Stage::waiting;
            return;
        case SyncEngine::Start::ended:
            return end(m_engine.m_roundOk, m_engine.m_roundError);
        case SyncEngine::Start::running:
            return;
        }
        return;
    }
    case Stage::reading:
        return;
    case Stage::writing:
        break;
    }
    // What the round left to write, in batches on the worker; the last few here.
    if (m_engine.m_exporter->queued().size() > SyncEngine::writeChunk) {
        m_engine.m_exporter->writeNextBatch();
        if (m_engine.m_worker->isBusy())
            return;
    }
    QString error;
    if (!m_engine.m_exporter->flushWrites(&error) && m_run->ok) {
        m_run->ok = false;
        m_run->error = error;
    }
    end(m_run->ok, m_run->error);
}

void ManualSync::end(bool ok, QString error) {
    const QList<Done> done = std::exchange(m_run, std::nullopt)->done;
    if (!ok)
        m_engine.m_lastError = error;
    Q_EMIT m_engine.finished(ok);
    for (const Done& report : done)
        report(ok, error);
    // What came up meanwhile (a folder event, an export) goes now.
    m_engine.workerDone();
}

void ManualSync::fail(const QString& message) {
    if (m_run && m_run->ok) {
        m_run->ok = false;
        m_run->error = message;
    }
}

void ManualSync::roundEnded(bool ok, const QString& message) {
    m_run->stage = Stage::writing;
    if (!ok && m_run->ok) {
        m_run->ok = false;
        m_run->error = message;
    }
}
