#include "SyncFolderReader.h"

#include "base/Log.h"

bool SyncFolderReader::list(ModelObject::Kind kind, QList<SyncFolder::Entry>* files,
                            QHash<QString, Group>* groups, QString* error) {
    QList<SyncFolder::Refused> refused;
    if (!m_folder.list(kind, files, &refused, error))
        return false;
    for (const SyncFolder::Refused& file : std::as_const(refused))
        skip(file.path, file.signature, file.why);
    for (const SyncFolder::Entry& file : std::as_const(*files)) {
        Group& group = (*groups)[file.id];
        if (file.conflictCopy)
            group.copies.append(&file);
        else
            group.main = &file;
    }
    return true;
}

void SyncFolderReader::endRound() {
    for (auto it = m_skipped.begin(); it != m_skipped.end();)
        it = m_refusedThisRound.contains(it.key()) ? std::next(it) : m_skipped.erase(it);
}

bool SyncFolderReader::isRefused(const QString& path, const SyncFolder::Signature& signature) const {
    const auto it = m_skipped.constFind(path);
    return it != m_skipped.constEnd() && *it == signature;
}

void SyncFolderReader::skip(const QString& path, const SyncFolder::Signature& signature, const QString& why) {
    m_refusedThisRound.insert(path);
    auto it = m_skipped.constFind(path);
    if (it != m_skipped.constEnd() && *it == signature)
        return;
    m_skipped.insert(path, signature);
    logLine(QStringLiteral("⚠️ Sync: skipped %1: %2").arg(path, why));
}

bool SyncFolderReader::read(const SyncFolder::Entry& file, ModelObject::Kind kind, const QString& id,
                            std::optional<SyncRecord>* record, QByteArray* json) {
    auto skipped = m_skipped.constFind(file.path);
    if (skipped != m_skipped.constEnd() && *skipped == file.signature) {
        m_refusedThisRound.insert(file.path);
        return false;
    }
    QByteArray data;
    QString why;
    if (!m_folder.read(kind, file, &data, &why)) {
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
    if (json)
        *json = data;
    return true;
}
