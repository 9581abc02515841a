#include "SyncWriteQueue.h"

#include "SyncState.h"
#include "SyncWorker.h"

#include <memory>

SyncWriteQueue::SyncWriteQueue(SyncWorker& worker, SyncFolder& folder, SyncState& state, Hooks hooks)
    : m_worker(worker), m_folder(folder), m_state(state), m_hooks(std::move(hooks)) {}

bool SyncWriteQueue::persist(const QSet<QString>& ids, QString* error) {
    return m_state.persist(ids, m_queued, error);
}

bool SyncWriteQueue::writeFiles(const QSet<QString>& ids, QString* error, const QSet<QString>& keep) {
    Q_ASSERT(!m_worker.isBusy());
    for (const QString& id : ids)
        if (!m_queued.contains(id)) {
            m_queued.insert(id);
            m_writeQueue.append(id);
        }
    if (m_writeQueue.size() > writeChunk) {
        // A large batch (a whole library when the folder appears) is written on the worker.
        startBatch(keep);
        return true;
    }
    QSet<QString> done;
    QString writeError;
    const bool written = drainWrites(done, &writeError);
    done.unite(keep);
    QString keepError;
    const bool kept = done.isEmpty() || persist(done, &keepError);
    if (written && kept)
        return true;
    if (error)
        *error = written ? keepError : writeError;
    return false;
}

bool SyncWriteQueue::flushWrites(QString* error) {
    Q_ASSERT(!m_worker.isBusy());
    QSet<QString> done;
    QString message;
    const bool written = drainWrites(done, &message);
    if ((done.isEmpty() || persist(done, written ? &message : nullptr)) && written)
        return true;
    if (error)
        *error = message;
    return false;
}

void SyncWriteQueue::writeOne(const QString& id, bool writable, QSet<QString>& done, bool& changedThere,
                              QString* error, bool& ok) {
    const auto it = m_state.entries().find(id);
    if (it == m_state.entries().end())
        return;
    SyncState::Entry& entry = *it;
    done.insert(id);
    const QString path = m_folder.fileFor(entry.record.kind, id);
    const std::optional<SyncFolder::Signature> there =
        writable ? SyncFolder::signatureOf(path) : std::nullopt;
    // Another machine wrote it since this one last read it: merged by the next import, not lost.
    const bool overwrites = there && *there != entry.file && !m_hooks.isRefused(path, *there);
    changedThere = changedThere || overwrites;
    if (!writable || overwrites) {
        // The file there is not this version: the next scan merges and rewrites it.
        entry.file = SyncFolder::Signature{};
        return;
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

bool SyncWriteQueue::drainWrites(QSet<QString>& done, QString* error) {
    const bool writable = m_folder.state() == SyncFolder::State::available;
    bool ok = true;
    bool changedThere = false;
    for (const QString& id : std::as_const(m_writeQueue))
        writeOne(id, writable, done, changedThere, error, ok);
    m_writeQueue.clear();
    m_queued.clear();
    if (changedThere)
        m_hooks.folderChanged();
    return ok;
}

void SyncWriteQueue::startBatch(const QSet<QString>& keep) {
    if (m_worker.isBusy() || m_closing || (m_writeQueue.isEmpty() && keep.isEmpty()))
        return;
    struct Outcome {
        bool ok = true;
        bool changedThere = false;
        QString error;
    };
    auto outcome = std::make_shared<Outcome>();
    const QList<QString> batch = m_writeQueue.mid(0, workerBatch);
    m_worker.start(
        [this, keep, batch, waiting = m_queued, outcome]() mutable {
            const bool writable = m_folder.state() == SyncFolder::State::available;
            QSet<QString> done;
            for (const QString& id : batch) {
                writeOne(id, writable, done, outcome->changedThere, &outcome->error, outcome->ok);
                waiting.remove(id);
            }
            // Kept once the files are written, as a small export keeps them; those still queued as not
            // written yet, so that a restart writes them.
            done.unite(keep);
            QString message;
            if (!m_state.persist(done, waiting, &message) && outcome->ok) {
                outcome->ok = false;
                outcome->error = message;
            }
        },
        [this, batch, outcome] {
            m_writeQueue.remove(0, batch.size());
            for (const QString& id : batch)
                m_queued.remove(id);
            if (outcome->changedThere)
                m_hooks.folderChanged();
            if (!outcome->ok)
                m_hooks.writeFailed(outcome->error);
            m_hooks.workerDone();
        });
}
