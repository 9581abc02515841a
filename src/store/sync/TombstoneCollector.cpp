#include "TombstoneCollector.h"

#include "SyncFolder.h"
#include "SyncState.h"

#include "base/Log.h"

#include <utility>

void TombstoneCollector::collect(qint64 horizon, const QSet<QString>& queued) {
    const QList<QString> ids = m_state.collectTombstones(horizon, queued);
    if (ids.isEmpty())
        return;
    QList<std::pair<ModelObject::Kind, SyncFolder::Entry>> files;
    for (const QString& id : ids) {
        const SyncState::Entry& entry = std::as_const(m_state).entries().value(id);
        SyncFolder::Entry file;
        file.path = m_folder.fileFor(entry.record.kind, id);
        file.name = id + QStringLiteral(".json");
        file.id = id;
        file.signature = entry.file;
        files.append({entry.record.kind, file});
    }
    QString message;
    if (!m_state.forget(ids, &message)) {
        logWarning(lcSync, QStringLiteral("❌ Sync failed: ") + message);
        return;
    }
    // Only the version this machine knows: a file rewritten since then is another machine's news.
    for (const auto& [kind, file] : std::as_const(files))
        if (file.signature.inode != 0 && SyncFolder::signatureOf(file.path) == file.signature)
            m_folder.remove(kind, file);
}
