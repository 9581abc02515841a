// One reading of the sync folder, run on the sync worker: lists the class folders, reads and parses
// the files that changed, merges them, and writes the result into the sync state and then the store
// (the state first, with a note of what the store is to receive, so that a crash between the two is
// finished at the next start). What is left for the main thread (writing files, refreshing the live
// objects, telling the user) comes back in the result.
#pragma once

#include "SyncFolder.h"
#include "SyncMerger.h"
#include "SyncStoreWriter.h"

#include <QHash>
#include <QSet>

#include <atomic>

#include <functional>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

class SyncFolderReader;
class SyncState;

class SyncRound {
public:
    struct Request {
        // ModelObject::Kind values of the class folders to read; every one when empty.
        std::optional<QSet<int>> kinds;
        // Objects whose files wait to be written: not in the folder yet.
        QSet<QString> queued;
        std::function<void(const char* point)> checkpoint;
        // Read again the files refused before, though they did not change.
        bool retryRefused = false;
    };
    struct Result {
        bool ok = true;
        QString error;
        SyncMerger::Round round;
        // Each class folder read, as it was before it was listed (ModelObject::Kind values).
        QHash<int, SyncFolder::Signature> listed;
        // The copy of the store kept before the round deleted many configurations.
        std::optional<SyncStoreWriter::Backup> backup;
        // What the round's commit wrote into the store.
        StoreChanges changes;
        int refused = 0;
        QStringList refusedNamed;
        // Every class folder asked for was listed (none was skipped as unreadable).
        bool complete = true;
        // Read many files or merged many tombstones: megabytes are free once its copies are gone.
        bool large = false;
    };

    SyncRound(const SyncFolder& folder, SyncState& state, SyncFolderReader& reader, SyncMerger& merger)
        : m_folder(folder), m_state(state), m_reader(reader), m_merger(merger) {}

    // On the worker, or on the main thread while the worker is idle.
    Result run(const Request& request);

private:
    // What the round keeps in the sync state while it merges: the entries that the merge has passed
    // (see Passed), written on a thread of its own while the merge goes on, in one transaction that
    // commits before the store's.
    struct Keeping {
        bool started = false;
        // Set by the writer; `error` is read once it has ended.
        std::atomic<bool> ok = true;
        QString error;
        // Where the round's changes not looked at yet begin, and those looked at that the merge has
        // not passed yet.
        qsizetype next = 0;
        QList<std::pair<QString, ModelObject::Kind>> later;
        QSet<QString> unwritten;
        std::jthread writer;
    };
    // How far the merge has come. No merge changes an entry of a class before its own (owners come
    // first), and the members of a class merge in the order of their ids, so an entry is final once
    // its class is merged or, in the class merging now, once the merge is past its id.
    struct Passed {
        const QList<ModelObject::Kind>& classes;
        ModelObject::Kind current;
        QString below;
        bool has(ModelObject::Kind kind, const QString& id) const {
            return classes.contains(kind) || (kind == current && id < below);
        }
    };
    // Hands the changed entries that the merge has passed (all without `passed`) to the writer.
    void keep(Keeping& keeping, const Request& request, const SyncMerger::Round& round, const Passed* passed);
    bool readAndMerge(const Request& request, Result& result, Keeping& keeping);
    // A class's objects in the folder, by id.
    using Members = std::vector<std::pair<QString, const SyncFolderReader::Group*>>;
    // The files that the merge reads: new or changed object files, and every conflict copy; in the
    // order of `members`. Ids that a class coming first claims too (see claimOrder), in the folder or
    // here, go into `yielded` and are not read: their files are skipped.
    QList<const SyncFolder::Entry*> filesToRead(ModelObject::Kind kind, const Members& members,
                                                const std::vector<SyncFolderReader::Listing>& classes,
                                                QSet<QString>& yielded) const;

    const SyncFolder& m_folder;
    SyncState& m_state;
    SyncFolderReader& m_reader;
    SyncMerger& m_merger;
};
