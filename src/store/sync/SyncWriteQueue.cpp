#include "SyncWriteQueue.h"

#include "SyncState.h"
#include "SyncWorker.h"

#include <memory>
#include <utility>

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
                              QString* error, bool& ok, Failures& failed) {
    const auto it = m_state.entries().find(id);
    if (it == m_state.entries().end())
        return;
    SyncState::Entry& entry = *it;
    done.insert(id);
    const QString path = m_folder.fileFor(entry.record.kind, id);
    const std::optional<SyncFolder::Signature> there =
        writable ? SyncFolder::signatureOf(path) : std::nullopt;
    // Another machine wrote it since this one last read it: merged by the next import, not lost. What
    // stood in the way of the last try is not: the failure forgot which version the folder holds.
    const auto failedOn = m_failed.constFind(id);
    const bool overwrites = there && *there != entry.file && !m_hooks.isRefused(path, *there) &&
                            (failedOn == m_failed.constEnd() || *failedOn != *there);
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
        failed.insert(id, there.value_or(SyncFolder::Signature{}));
    }
}

QSet<QString> SyncWriteQueue::failed() const {
    QSet<QString> ids;
    for (auto it = m_failed.cbegin(); it != m_failed.cend(); ++it)
        ids.insert(it.key());
    return ids;
}

void SyncWriteQueue::noteFailures(const QList<QString>& tried, const Failures& failed, const QString& why) {
    const bool waited = !m_failed.isEmpty();
    const QString before = m_failure;
    for (const QString& id : tried)
        if (!failed.contains(id))
            m_failed.remove(id);
    m_failed.insert(failed);
    if (!failed.isEmpty())
        m_failure = why;
    else if (m_failed.isEmpty())
        m_failure.clear();
    if ((waited != !m_failed.isEmpty() || before != m_failure) && m_hooks.failuresChanged)
        m_hooks.failuresChanged();
}

bool SyncWriteQueue::drainWrites(QSet<QString>& done, QString* error) {
    const bool writable = m_folder.state() == SyncFolder::State::available;
    bool ok = true;
    bool changedThere = false;
    Failures failed;
    QString why;
    for (const QString& id : std::as_const(m_writeQueue))
        writeOne(id, writable, done, changedThere, &why, ok, failed);
    const QList<QString> tried = std::exchange(m_writeQueue, {});
    m_queued.clear();
    if (error && !ok)
        *error = why;
    noteFailures(tried, failed, why);
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
        Failures failed;
    };
    auto outcome = std::make_shared<Outcome>();
    const QList<QString> batch = m_writeQueue.mid(0, workerBatch);
    m_worker.start(
        [this, keep, batch, waiting = m_queued, outcome]() mutable {
            const bool writable = m_folder.state() == SyncFolder::State::available;
            QSet<QString> done;
            for (const QString& id : batch) {
                writeOne(id, writable, done, outcome->changedThere, &outcome->error, outcome->ok,
                         outcome->failed);
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
            noteFailures(batch, outcome->failed, outcome->error);
            if (outcome->changedThere)
                m_hooks.folderChanged();
            if (!outcome->ok)
                m_hooks.writeFailed(outcome->error);
            m_hooks.workerDone();
        });
}
