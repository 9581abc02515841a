#include "SyncFolderReader.h"

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

void SyncFolderReader::skip(const QString& path, const SyncFolder::Signature& signature, const QString& why) {
    m_skipped.skip(path, signature, why);
}

bool SyncFolderReader::read(const SyncFolder::Entry& file, ModelObject::Kind kind, const QString& id,
                            std::optional<SyncRecord>* record, QByteArray* json) {
    if (m_skipped.contains(file.path, file.signature)) {
        m_skipped.seen(file.path);
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
    m_skipped.forget(file.path);
    if (json)
        *json = data;
    return true;
}
