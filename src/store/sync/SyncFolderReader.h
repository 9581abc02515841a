// Reads the sync folder: lists each class's files grouped by object, reads and parses one file, and
// reports each file that cannot be read once per version of it ("⚠️ Sync: skipped <path>: <why>"),
// naming a few per round and counting the rest.
#pragma once

#include "SkippedFiles.h"
#include "SyncFolder.h"

#include <QHash>
#include <QSet>

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
    // Names that are not object files, links and anything but regular files are reported as skipped.
    bool list(ModelObject::Kind kind, QList<SyncFolder::Entry>* files, QHash<QString, Group>* groups,
              QString* error);
    // The record of one file of the object `id` of class `kind`, and its text when `json` is given.
    // False for a file that cannot be read, is not a record or describes another object; such a file
    // is reported, and passed over until it changes.
    bool read(const SyncFolder::Entry& file, ModelObject::Kind kind, const QString& id,
              std::optional<SyncRecord>* record, QByteArray* json);
    void skip(const QString& path, const SyncFolder::Signature& signature, const QString& why);
    // Reads and parses these files on worker threads, joined before it returns, so that read() then
    // takes them from memory: a round of thousands of files is bound by the disk, not by one core.
    // Files refused before are left to read(), which passes them over.
    void prefetch(ModelObject::Kind kind, const QList<const SyncFolder::Entry*>& files);
    // Drops what was prefetched and not taken (an object that the merge did not need to read).
    void dropPrefetched() { m_prefetched.clear(); }

    // Around one reading of the folder (all of it when `full`): what was refused in a full round and is
    // no longer there is forgotten.
    void beginRound(bool full) { m_skipped.beginRound(full); }
    void endRound(bool complete) { m_skipped.endRound(m_folder.path(), complete); }
    // Whether this version of the file was refused: this machine's next version of the object may
    // replace it, since no machine can read it.
    bool isRefused(const QString& path, const SyncFolder::Signature& signature) const {
        return m_skipped.contains(path, signature);
    }
    // Files in the folder that were refused, as of the last rounds.
    int refusedCount() const { return m_skipped.count(); }

private:
    // One file as a worker read it: its record, or why it could not be read.
    struct Fetched {
        SyncFolder::Signature signature;
        QByteArray data;
        std::optional<SyncRecord> record;
        QString why;
    };

    const SyncFolder& m_folder;
    // By path; touched on the calling thread only, once the workers are joined.
    QHash<QString, Fetched> m_prefetched;
    SkippedFiles m_skipped;
};
