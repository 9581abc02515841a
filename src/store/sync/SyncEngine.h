// Keeps the store in step with the sync folder. Export: after every save of the main context the
// changed and deleted objects are written to the folder, each attribute stamped by a hybrid logical
// clock (SyncExporter). Import: the folder is watched (and rescanned every few seconds, since sync
// services write in bursts and watches miss events); new and changed files are read (SyncFolderReader),
// merged by stamp and written into the database through a connection of its own (SyncMerger), after
// which the main context reads them in and sends its remote-change signal. What this machine knows of
// every object is kept in SyncState. Everything runs on the main thread.
#pragma once

#include "HybridClock.h"
#include "SyncExporter.h"
#include "SyncFolder.h"

#include <QObject>

#include <functional>
#include <memory>

class ModelContainer;
class ModelContext;
class QFileSystemWatcher;
class Scheduler;
class SyncFolderReader;
class SyncMerger;
class SyncState;

class SyncEngine : public QObject {
    Q_OBJECT
public:
    static constexpr double rescanInterval = 5.0;
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
    // the last import; each was reported once with "⚠️ Sync: skipped".
    int unreadableFileCount() const;

    // Writes what changed in the store since the last export.
    bool exportChanges(QString* error = nullptr);
    // Saves what is pending, exports, then merges what the folder holds that this store has not seen;
    // returns once every file is written.
    bool importChanges(QString* error = nullptr);
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

    bool importNow(QString* error);
    // Writes into the store what an import interrupted by a crash had not finished writing.
    bool finishApplying(QString* error);
    // Without a sync state, leaves what the folder holds to the first import.
    void prepareRejoin();
    void checkpoint(const char* point) const {
        if (m_checkpoint)
            m_checkpoint(point);
    }
    void scheduleScan(double delay);
    void scheduledScan();
    void watchFolder();
    bool fail(const QString& message, QString* error);

    ModelContext* m_context;
    Scheduler& m_scheduler;
    SyncFolder m_folder;
    std::unique_ptr<SyncState> m_state;
    std::unique_ptr<SyncFolderReader> m_reader;
    std::unique_ptr<SyncMerger> m_merger;
    std::unique_ptr<SyncExporter> m_exporter;
    QString m_lastError;
    bool m_automatic;
    bool m_rejoinPending = false;
    std::function<void(const char*)> m_checkpoint;
    bool m_scanScheduled = false;
    bool m_importing = false;
    QFileSystemWatcher* m_watcher = nullptr;
};
