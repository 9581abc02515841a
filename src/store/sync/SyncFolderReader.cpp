#include "SyncFolderReader.h"

bool SyncFolderReader::list(ModelObject::Kind kind, QList<SyncFolder::Entry>* files,
                            QHash<QString, Group>* groups, QString* error) {
    QStringList foreign;
    if (!m_folder.list(kind, files, &foreign, error))
        return false;
    for (const QString& path : std::as_const(foreign))
        skip(path, SyncFolder::signatureOf(path).value_or(SyncFolder::Signature{}),
             QStringLiteral("not an object file"));
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
    m_skipped.forget(file.path);
    if (json)
        *json = data;
    return true;
}
