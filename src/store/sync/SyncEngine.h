// Keeps the store in step with the sync folder. Export: after every save of the main context the
// changed and deleted objects are written to the folder, each attribute stamped by a hybrid logical
// clock. Import: the folder is watched (and rescanned every few seconds, since sync services write in
// bursts and watches miss events); new and changed files are merged by stamp and written into the
// database through a connection of its own, after which the main context reads them in and sends its
// remote-change signal. Everything runs on the main thread.
#pragma once

#include "HybridClock.h"
#include "SyncFolder.h"
#include "SyncStateStore.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <memory>

class ModelContainer;
class ModelContext;
class ModelObject;
class QFileSystemWatcher;
class Scheduler;
class SyncStoreWriter;

class SyncEngine : public QObject {
    Q_OBJECT
public:
    static constexpr double rescanInterval = 5.0;
    // How long a burst of folder events may last before it is read.
    static constexpr double settleDelay = 0.2;
    // Files written per turn of the event loop when many wait.
    static constexpr int writeChunk = 64;

    struct Options {
        QString folder = SyncFolder::defaultPath();
        // Beside the database when empty.
        QString statePath;
        // Watch the folder and rescan it on the scheduler; off, only explicit calls sync.
        bool automatic = true;
        // The wall clock in milliseconds; the scheduler's when empty.
        HybridClock::WallClock wallClock;
    };

    // Nothing, with the reason, when the state file cannot be opened.
    static std::unique_ptr<SyncEngine> create(ModelContainer& container, Scheduler& scheduler,
                                              const Options& options, QString* error);
    ~SyncEngine() override;

    SyncFolder::State folderState() const { return m_folder.state(); }
    QString folderPath() const { return m_folder.path(); }
    // The error of the last export or import that failed, empty after one that succeeded.
    QString lastError() const { return m_lastError; }

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
    using Entry = SyncStateStore::Entry;

    SyncEngine(ModelContainer& container, Scheduler& scheduler, const Options& options,
               std::unique_ptr<SyncStateStore> state, std::unique_ptr<SyncStoreWriter> writer);

    bool importNow(QString* error);
    void track(ModelObject* object);
    // Whether the store keeps the object: it is in the context and every owner up the chain is.
    bool isStored(const ModelObject* object) const;
    void touchOwners(const QString& id, const SyncStamp& stamp, QSet<QString>& changed);
    // Queues the objects' files and writes them, a chunk at once when many wait.
    bool writeFiles(const QSet<QString>& ids, QString* error);
    bool drainWrites(int limit, QSet<QString>& done, QString* error);
    bool persist(const QSet<QString>& ids, QString* error);

    // One object's file and conflict copies, merged into the local state.
    struct Group {
        const SyncFolder::Entry* main = nullptr;
        QList<const SyncFolder::Entry*> copies;
    };
    bool importGroup(ModelObject::Kind kind, const QString& id, const Group& group, QSet<QString>& rewrite,
                     QList<std::pair<QString, QString>>& mergedCopies, int& applied, QString* error);
    bool apply(const QString& id, int& applied, QString* error);
    void markAbsent(const QString& id);
    QList<QString> childrenOf(const QString& id);
    bool readRecord(const SyncFolder::Entry& file, ModelObject::Kind kind, const QString& id,
                    std::optional<SyncRecord>* record, QByteArray* json);
    void skip(const QString& path, const SyncFolder::Signature& signature, const QString& why);

    void scheduleScan(double delay);
    void scheduledScan();
    void watchFolder();
    bool fail(const QString& message, QString* error);

    ModelContext* m_context;
    Scheduler& m_scheduler;
    SyncFolder m_folder;
    std::unique_ptr<SyncStateStore> m_state;
    std::unique_ptr<SyncStoreWriter> m_writer;
    HybridClock m_clock;
    QHash<QString, Entry> m_entries;
    QHash<ModelObject*, QString> m_known;
    QSet<ModelObject*> m_dirty;
    // Files that could not be read, by the version that could not, so each is reported once.
    QHash<QString, SyncFolder::Signature> m_skipped;
    // Owner id -> child ids, built on demand during one import.
    std::optional<QMultiHash<QString, QString>> m_children;
    // Entries changed during one import, to be kept in the state file.
    QSet<QString> m_changed;
    QString m_lastError;
    bool m_automatic;
    bool m_startedExport = false;
    bool m_scanScheduled = false;
    bool m_drainScheduled = false;
    QList<QString> m_writeQueue;
    QSet<QString> m_queued;
    bool m_importing = false;
    QFileSystemWatcher* m_watcher = nullptr;
};
