// Keeps the store in step with the sync folder. Export: after every save of the main context the
// changed and deleted objects are written to the folder, each attribute stamped by a hybrid logical
// clock (SyncExporter). Import: the folder is watched with inotify, and the class folders in which
// something changed are read shortly after a burst ends; all of it is read every few minutes, since
// watches can miss events (every few seconds where there is no watch; ScanScheduler). A round
// (SyncRound) reads and parses the new and changed files (SyncFolderReader), merges them by stamp and
// writes them into the sync state and the database through a connection of its own (SyncMerger);
// after it the main context reads them in and sends its remote-change signal. What this machine knows
// of every object is kept in SyncState. "Sync Now" runs through ManualSync.
// Threads: rounds, large batches of files and the listing a re-join needs run on the sync worker
// (SyncWorker), one at a time; stamping, the exporter's bookkeeping, small batches of files and
// everything the program sees run on the main thread, which touches the sync state only while the
// worker is idle. What comes up while the worker is busy (a save to export, a folder event, "Sync
// Now") waits for it.
#pragma once

#include "HybridClock.h"
#include "ManualSync.h"
#include "PeerRounds.h"
#include "SyncExporter.h"
#include "SyncFolder.h"
#include "SyncFolderReader.h"
#include "SyncRound.h"

#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

class ModelContainer;
class ExportScheduler;
class ModelContext;
class ScanScheduler;
class Scheduler;
class SyncFolderReader;
class SyncMerger;
class SyncState;
class SyncWorker;

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
    // When files whose writing failed are first tried again.
    static constexpr double firstRetry = 2.0;
    // Files written at once on the main thread; more are written by the worker.
    static constexpr int writeChunk = SyncExporter::writeChunk;
    // Objects stamped per turn when a large export comes.
    static constexpr int exportSlice = SyncExporter::slice;

    struct Options {
        QString folder = SyncFolder::defaultPath();
        // Beside the database when empty.
        QString statePath;
        // Watch the folder and rescan it on the scheduler; off, only explicit calls sync.
        bool automatic = true;
        // The wall clock in milliseconds; the scheduler's when empty.
        HybridClock::WallClock wallClock;
        // Called at the points where the store and the sync state are written, by name, on the
        // worker's thread, once each file's temporary file is written, and once a large round's memory
        // is given back; tests stop the process there.
        std::function<void(const char* point)> checkpoint;
        // Tests: paths refused as unreadable (see SyncFolder::setDenied).
        SyncFolder::Denied denied;
    };

    // Nothing, with the reason, when the state file cannot be opened.
    static std::unique_ptr<SyncEngine> create(ModelContainer& container, Scheduler& scheduler,
                                              const Options& options, QString* error);
    ~SyncEngine() override;

    SyncFolder::State folderState() const { return m_folder.state(); }
    QString folderPath() const { return m_folder.path(); }
    // The error of the last export or import that failed, empty after one that succeeded.
    QString lastError() const { return m_lastError; }
    // Why files wait for another try after their writing failed (tried again after `firstRetry`
    // seconds, then twice as long each time up to `rescanInterval`); empty when none wait.
    QString writeFailure() const;
    // Files in the folder that could not be read (damaged, foreign, of a newer format, links), as of
    // the last rounds; a few were named with "⚠️ Sync: skipped", the rest counted.
    int unreadableFileCount() const;
    // A few of them, each as "<path>: <reason>".
    QStringList unreadableFiles() const;
    // What to tell the user of the last copy of the store kept before a round deleted many
    // configurations, and how to restore it; kept for the rest of the run.
    QString notice() const { return m_notice; }

    // Writes what changed in the store since the last export; while the worker is busy, once it is
    // done.
    bool exportChanges(QString* error = nullptr);
    using SyncDone = ManualSync::Done;
    // "Sync Now": saves what is pending, exports, reads every file of the folder and writes what the
    // round leaves, the slow parts on the worker, so that the windows keep answering. `done` runs on
    // the main thread once every file is written (on this turn when nothing had to wait). Whatever
    // runs first is waited for (a round of the timer, a large export); a request made while one is
    // under way joins it rather than reading the folder twice.
    void syncNow(SyncDone done);
    // Saves what is pending, exports, then merges what the folder holds that this store has not seen;
    // returns once the round is done and every file is written (it waits for the worker).
    bool importChanges(QString* error = nullptr);
    // What the timer runs, here at once: reads the class folders that changed since they were last
    // read, or all of them every `deepRescanEvery` times.
    bool rescan(QString* error = nullptr);
    // Writes now what is still waiting to be written to the folder.
    bool flushWrites(QString* error = nullptr);
    // Whether a round or a batch of files is running on the worker.
    bool isBusy() const;
    // Waits until the worker has finished everything that was started, finishing each on this thread.
    void settle();

Q_SIGNALS:
    // After an import that brought changes into the store.
    void imported(int changes);
    // After every import, whether it succeeded or not.
    void finished(bool ok);
    // Files began or ceased to wait for another try, or the reason changed (see writeFailure).
    void writeFailureChanged();

private:
    friend class ExportScheduler;
    friend class ManualSync;
    friend class ScanScheduler;

    SyncEngine(ModelContainer& container, Scheduler& scheduler, const Options& options,
               std::unique_ptr<SyncState> state);

    enum class Start {
        failed,   // with the reason
        deferred, // the worker or the exporter has work to finish first
        ended,    // at once: there is no folder to read
        running,  // on the worker
    };
    // Starts a round on the worker that reads every class folder, or only those of `kinds`
    // (ModelObject::Kind values); `finished` is sent when it ends, unless someone waits for it.
    Start startRound(const std::optional<QSet<int>>& kinds, QString* error);
    // On the main thread, what the round left to do.
    // Gives back to the system what a large round freed, once the live objects have read it in.
    void trimOnceRefreshed(double after = 0);
    static constexpr double trimRetrySeconds = 0.1;
    void finishRound(const SyncRound::Result& result, bool full, qint64 started, SyncFolder::State state,
                     bool exported, const QString& exportError);
    // A round started and waited for: what importChanges and rescan run.
    bool roundNow(const std::optional<QSet<int>>& kinds, QString* error);
    // The worker is free: what waited for it goes now.
    void workerDone();
    // Writes into the store what an import interrupted by a crash had not finished writing.
    bool finishApplying(QString* error);
    // Such an import that could not be finished at start, tried again: nothing is sent or read before
    // it is done, since the sync state holds what the store lacks, which an export would send as
    // deletions made here.
    bool finishStoppedImport(QString* error);
    // One console line per new reason.
    static void logExportFailure(const QString& error);
    // The last round is settled against the edits saved meanwhile: its note goes.
    bool clearApplying(QString* error);
    void checkpoint(const char* point) const {
        if (m_checkpoint)
            m_checkpoint(point);
    }
    // Drops what every machine has read of the deletions older than the tombstones' lifetime.
    void collectTombstones(qint64 now);
    bool fail(const QString& message, QString* error);

    ModelContext* m_context;
    Scheduler& m_scheduler;
    SyncFolder m_folder;
    std::unique_ptr<SyncState> m_state;
    std::unique_ptr<SyncFolderReader> m_reader;
    std::unique_ptr<SyncMerger> m_merger;
    std::unique_ptr<SyncRound> m_round;
    std::unique_ptr<SyncWorker> m_worker;
    std::unique_ptr<SyncExporter> m_exporter;
    QString m_lastError;
    QString m_storePath;
    bool m_automatic;
    std::function<void(const char*)> m_checkpoint;
    bool m_importing = false;
    bool m_stoppedImport = false;
    // The outcome of the last round, for those that wait for it.
    bool m_roundOk = true;
    // A caller waits for the round (importChanges, rescan) and reports its end itself.
    bool m_waited = false;
    QString m_roundError;
    int m_unreadable = 0;
    QStringList m_unreadableFiles;
    PeerRounds m_rounds;
    QString m_notice;
    // The engine's child: scans, the timer and the folder's watch.
    ScanScheduler* m_scans;
    // The engine's child: when exports run.
    ExportScheduler* m_exports;
    ManualSync m_manual;
};
