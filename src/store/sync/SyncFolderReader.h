// Reads the sync folder: lists each class's files grouped by object, reads and parses one file, and
// reports each file that cannot be read once per version of it ("⚠️ Sync: skipped <path>: <why>"),
// naming a few per round and counting the rest.
#pragma once

#include "SkippedFiles.h"
#include "SyncFolder.h"

#include <QHash>

#include <optional>

class SyncFolderReader {
public:
    // One object's file and the conflict copies beside it.
    struct Group {
        const SyncFolder::Entry* main = nullptr;
        QList<const SyncFolder::Entry*> copies;
    };

    explicit SyncFolderReader(const SyncFolder& folder) : m_folder(folder) {}

    // Lists the files of one class into `files` and groups them by id; the groups point into `files`.
    // Files that are not object files are reported as skipped.
    bool list(ModelObject::Kind kind, QList<SyncFolder::Entry>* files, QHash<QString, Group>* groups,
              QString* error);
    // The record of one file of the object `id` of class `kind`, and its text when `json` is given.
    // False for a file that cannot be read, is not a record or describes another object; such a file
    // is reported, and passed over until it changes.
    bool read(const SyncFolder::Entry& file, ModelObject::Kind kind, const QString& id,
              std::optional<SyncRecord>* record, QByteArray* json);
    void skip(const QString& path, const SyncFolder::Signature& signature, const QString& why);

    // A round lists every class (full) or some; the skipped files of a full round are all there are.
    void beginRound(bool full) { m_skipped.beginRound(full); }
    void endRound() { m_skipped.endRound(m_folder.path()); }
    int unreadableFileCount() const { return m_skipped.count(); }

private:
    const SyncFolder& m_folder;
    SkippedFiles m_skipped;
};
