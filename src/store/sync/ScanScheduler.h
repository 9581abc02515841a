// When the sync engine reads the folder: the class folders named by a burst of folder events once it
// ends, those whose entries changed every few minutes (every few seconds where there is no watch),
// and all of them every `SyncEngine::deepRescanEvery` times. A scan that comes while the worker is
// busy waits for it, with what it was to read.
#pragma once

#include "SyncFolder.h"

#include "model/ModelObject.h"

#include <QHash>
#include <QObject>
#include <QSet>

#include <optional>
#include <utility>

class FolderWatcher;
class Scheduler;
class SyncEngine;

class ScanScheduler : public QObject {
    Q_OBJECT
public:
    // A child of the engine, gone with it.
    explicit ScanScheduler(SyncEngine& engine);

    // Watches the folder and starts the timer.
    void start();
    void scheduleScan(double delay, bool full);
    // The class folders (ModelObject::Kind values) whose entries changed since they were last read.
    QSet<int> changedClassFolders() const;
    // Counts a rescan; true when it is one that reads every file.
    bool nextIsDeep();
    // A round asked for while something ran first: it is read once the worker is free.
    void defer(const std::optional<QSet<int>>& kinds);
    // Whether a scan waits for the worker; it is taken.
    bool takePending() { return std::exchange(m_scanPending, false); }
    // A round that reads everything includes what the timer or the watcher asked for so far.
    void clearPending();
    // Each class folder a round read, as it was then; after a failed round, none.
    void noteListed(const QHash<int, SyncFolder::Signature>& listed) { m_listed.insert(listed); }
    void forgetListed() { m_listed.clear(); }

private:
    void scheduledScan();
    void folderEvents();
    QString classFolder(ModelObject::Kind kind) const;

    SyncEngine& m_engine;
    Scheduler& m_scheduler;
    bool m_scanScheduled = false;
    bool m_fullScanPending = false;
    bool m_scanPending = false;
    int m_rescans = 0;
    // Each class folder as it was when last read, by ModelObject::Kind value.
    QHash<int, SyncFolder::Signature> m_listed;
    QSet<int> m_pendingKinds; // as ModelObject::Kind values
    FolderWatcher* m_watcher = nullptr;
};
