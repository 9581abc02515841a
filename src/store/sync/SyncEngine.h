// Keeps the store in step with the sync folder. Export: after every save of the main context the
// changed and deleted objects are written to the folder, each attribute stamped by a hybrid logical
// clock (SyncExporter). Import: the folder is watched with inotify, and the class folders in which
// something changed are read shortly after a burst ends; all of it is read every few minutes, since
// watches can miss events (every few seconds where there is no watch). New and changed files are read
// (SyncFolderReader),
// merged by stamp and written into the database through a connection of its own (SyncMerger), after
// which the main context reads them in and sends its remote-change signal. What this machine knows of
// every object is kept in SyncState. Everything runs on the main thread.
#pragma once

#include "HybridClock.h"
#include "PeerRounds.h"
#include "SyncExporter.h"
#include "SyncFolder.h"

#include <QObject>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

class ModelContainer;
class ModelContext;
class FolderWatcher;
class Scheduler;
class SyncFolderReader;
class SyncMerger;
class SyncState;

class SyncEngine : public QObject {
    Q_OBJECT
public:
    // How often the whole folder is read while it is watched, and where it cannot be watched.
    static constexpr double rescanInterval = 300.0;
    static constexpr double pollInterval = 5.0;
    // Rescans read only the class folders whose entries changed since they were last read; every
    // so many, and on "Sync Now", all files are read whatever the folders say.
    static constexpr int deepRescanEvery = 12;
    // How long a burst of folder events may last before it is read.
    static constexpr double settleDelay = 0.2;
    // Files written per turn of the event loop when many wait.
    static constexpr int writeChunk = SyncExporter::writeChunk;

    struct Options {
        QString folder = SyncFolder::defaultPath();
        // Beside the database when empty.
        QString statePath;
        // Watch the folder and rescan it on the scheduler; off, only explicit calls sync.
        bool automatic = true;
        // The wall clock in milliseconds; the scheduler's when empty.
        HybridClock::WallClock wallClock;
        // Called at the points where the store and the sync state are written, by name; tests stop
        // the process there.
        std::function<void(const char* point)> checkpoint;
    };

    // Nothing, with the reason, when the state file cannot be opened.
    static std::unique_ptr<SyncEngine> create(ModelContainer& container, Scheduler& scheduler,
                                              const Options& options, QString* error);
    ~SyncEngine() override;

    SyncFolder::State folderState() const { return m_folder.state(); }
    QString folderPath() const { return m_folder.path(); }
    // The error of the last export or import that failed, empty after one that succeeded.
    QString lastError() const { return m_lastError; }
    // Files in the folder that could not be read (damaged, foreign, of a newer format, links), as of
    // the last rounds; a few were named with "⚠️ Sync: skipped", the rest counted.
    int unreadableFileCount() const;
    // What to tell the user of the last copy of the store kept before a round deleted many
    // configurations, and how to restore it; kept for the rest of the run.
    QString notice() const { return m_notice; }

    // Writes what changed in the store since the last export.
    bool exportChanges(QString* error = nullptr);
    // Saves what is pending, exports, then merges what the folder holds that this store has not seen;
    // returns once every file is written.
    bool importChanges(QString* error = nullptr);
    // What the timer runs: reads the class folders that changed since they were last read, or all of
    // them every `deepRescanEvery` times.
    bool rescan(QString* error = nullptr);
    // Writes now what is still waiting to be written to the folder.
    bool flushWrites(QString* error = nullptr);

Q_SIGNALS:
    // After an import that brought changes into the store.
    void imported(int changes);
    // After every import, whether it succeeded or not.
    void finished(bool ok);

private:
    SyncEngine(ModelContainer& container, Scheduler& scheduler, const Options& options,
               std::unique_ptr<SyncState> state);

    // Reads every class folder, or only those of `kinds` (ModelObject::Kind values).
    bool importNow(const std::optional<QSet<int>>& kinds, QString* error);
    // Writes into the store what an import interrupted by a crash had not finished writing.
    bool finishApplying(QString* error);
    // Without a sync state, leaves what the folder holds to the first import.
    void prepareRejoin();
    void checkpoint(const char* point) const {
        if (m_checkpoint)
            m_checkpoint(point);
    }
    void scheduleScan(double delay, bool full);
    void scheduledScan();
    void folderEvents();
    // The class folders (ModelObject::Kind values) whose entries changed since they were last read.
    QSet<int> changedClassFolders() const;
    QString classFolder(ModelObject::Kind kind) const;
    // Drops what every machine has read of the deletions older than the tombstones' lifetime.
    void collectTombstones(qint64 now);
    bool fail(const QString& message, QString* error);

    ModelContext* m_context;
    Scheduler& m_scheduler;
    SyncFolder m_folder;
    std::unique_ptr<SyncState> m_state;
    std::unique_ptr<SyncFolderReader> m_reader;
    std::unique_ptr<SyncMerger> m_merger;
    std::unique_ptr<SyncExporter> m_exporter;
    QString m_lastError;
    QString m_storePath;
    bool m_automatic;
    bool m_rejoinPending = false;
    std::function<void(const char*)> m_checkpoint;
    bool m_scanScheduled = false;
    bool m_fullScanPending = false;
    int m_rescans = 0;
    // Each class folder as it was when last read, by ModelObject::Kind value.
    QHash<int, SyncFolder::Signature> m_listed;
    QSet<int> m_pendingKinds; // as ModelObject::Kind values
    bool m_importing = false;
    FolderWatcher* m_watcher = nullptr;
    PeerRounds m_rounds;
    QString m_notice;
};
