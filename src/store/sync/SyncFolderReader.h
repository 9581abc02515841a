// Reads the sync folder: lists each class's files grouped by object, reads and parses one file, and
// reports each file that cannot be read once per version of it ("⚠️ Sync: skipped <path>: <why>"),
// naming a few per round and counting the rest.
#pragma once

#include "SkippedFiles.h"
#include "SyncFolder.h"

#include <QHash>
#include <QSet>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class SyncFolderReader {
public:
    // One object's file and the conflict copies beside it.
    struct Group {
        const SyncFolder::Entry* main = nullptr;
        QList<const SyncFolder::Entry*> copies;
    };

    explicit SyncFolderReader(const SyncFolder& folder);
    ~SyncFolderReader();

    // Lists the files of these classes, each on a thread of its own, and groups them by id; the groups
    // point into the listing's files. Names that are not object files, links and anything but regular
    // files are reported as skipped, and so is a class folder that cannot be opened (its listing is
    // `unlisted`, the others go on). Stops at the first class, in the order given, that cannot be
    // listed otherwise (a file in its folder's place).
    struct Listing {
        ModelObject::Kind kind;
        QList<SyncFolder::Entry> files;
        QHash<QString, Group> groups;
        bool unlisted = false;
    };
    bool listAll(const QList<ModelObject::Kind>& kinds, std::vector<Listing>* listings, QString* error);
    // The record of one file of the object `id` of class `kind`, and its text when `json` is given.
    // False for a file that cannot be read, is not a record or describes another object; such a file
    // is reported, and passed over until it changes.
    bool read(const SyncFolder::Entry& file, ModelObject::Kind kind, const QString& id,
              std::optional<SyncRecord>* record, QByteArray* json);
    // `mode` as listed (see SyncFolder::Entry), when known.
    void skip(const QString& path, const SyncFolder::Signature& signature, const QString& why,
              quint32 mode = 0);
    // Starts reading and parsing these files on threads of their own, in the order given, so that
    // read() takes them from memory: a round of thousands of files is bound by the disk, not by one
    // core, and the merge goes on right behind the readers (read() waits for the one file it needs).
    // The files must stay listed until dropPrefetched(), and read() takes a file's prefetched version
    // when given that same listed entry. Files refused before are left to read(), which passes them
    // over.
    using ClassFiles = std::pair<ModelObject::Kind, QList<const SyncFolder::Entry*>>;
    void prefetch(const QList<ClassFiles>& files);
    // Stops the readers and drops what was prefetched and not taken (an object that the merge did
    // not need to read).
    void dropPrefetched();

    // Around one reading of the folder (all of it when `full`): what was refused in a full round and is
    // no longer there is forgotten. With `retry`, files refused before are read again all the same.
    void beginRound(bool full, bool retry = false) {
        m_skipped.beginRound(full);
        m_retry = retry;
    }
    void endRound(bool complete) { m_skipped.endRound(m_folder.path(), complete); }
    // Whether this version of the file was refused: this machine's next version of the object may
    // replace it, since no machine can read it.
    bool isRefused(const QString& path, const SyncFolder::Signature& signature) const {
        return m_skipped.contains(path, signature);
    }
    // Files in the folder that were refused, as of the last rounds.
    int refusedCount() const { return m_skipped.count(); }
    // A few of them, each as "<path>: <reason>".
    QStringList refusedNamed() const { return m_skipped.named(); }

private:
    // One file as a worker read it: its record, or why it could not be read.
    struct Fetched {
        SyncFolder::Signature signature;
        QByteArray data;
        std::optional<SyncRecord> record;
        QString why;
    };

    struct Prefetch;
    void readPrefetched(Prefetch& batch);
    // The prefetched version of this file, once a reader is done with it; nothing when it was not
    // prefetched or could not be opened.
    std::optional<Fetched> takePrefetched(const SyncFolder::Entry& file);

    const SyncFolder& m_folder;
    std::unique_ptr<Prefetch> m_batch;
    SkippedFiles m_skipped;
    bool m_retry = false;
};
