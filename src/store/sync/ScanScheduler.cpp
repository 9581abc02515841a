#include "ScanScheduler.h"

#include "FolderWatcher.h"
#include "SyncEngine.h"
#include "SyncExporter.h"
#include "SyncSchema.h"
#include "SyncWorker.h"

#include "base/Log.h"
#include "base/Scheduler.h"

#include <QPointer>

ScanScheduler::ScanScheduler(SyncEngine& engine)
    : QObject(&engine), m_engine(engine), m_scheduler(engine.m_scheduler) {}

void ScanScheduler::start() {
    QStringList classes;
    for (ModelObject::Kind kind : SyncSchema::kinds)
        classes.append(SyncSchema::className(kind));
    m_watcher = new FolderWatcher(m_engine.m_folder.path(), classes, this);
    connect(m_watcher, &FolderWatcher::changed, this, &ScanScheduler::folderEvents);
    scheduleScan(0, true);
    m_scheduler.after(m_watcher->isWatching() ? SyncEngine::rescanInterval : SyncEngine::pollInterval,
                      [self = QPointer<ScanScheduler>(this)] {
                          if (self)
                              self->scheduledScan();
                      });
}

bool ScanScheduler::nextIsDeep() {
    const bool deep = ++m_rescans >= SyncEngine::deepRescanEvery;
    if (deep)
        m_rescans = 0;
    return deep;
}

void ScanScheduler::defer(const std::optional<QSet<int>>& kinds) {
    m_fullScanPending = m_fullScanPending || !kinds;
    if (kinds)
        m_pendingKinds.unite(*kinds);
    m_scanPending = true;
}

void ScanScheduler::clearPending() {
    m_scanPending = false;
    m_fullScanPending = false;
    m_pendingKinds.clear();
}

void ScanScheduler::scheduleScan(double delay, bool full) {
    m_fullScanPending = m_fullScanPending || full;
    if (m_scanScheduled)
        return;
    m_scanScheduled = true;
    m_scheduler.after(delay, [self = QPointer<ScanScheduler>(this)] {
        if (!self)
            return;
        self->m_scanScheduled = false;
        if (self->m_engine.m_importing || self->m_engine.m_worker->isBusy()) {
            // Read once the worker is free, with what it was to read.
            self->m_scanPending = true;
            return;
        }
        std::optional<QSet<int>> kinds;
        if (!self->m_fullScanPending)
            kinds = std::exchange(self->m_pendingKinds, {});
        self->m_fullScanPending = false;
        self->m_pendingKinds.clear();
        QString error;
        const QString previous = self->m_engine.m_lastError;
        // Ends on a later turn, with `finished`.
        if (self->m_engine.startRound(kinds, &error) == SyncEngine::Start::failed) {
            if (error != previous)
                logWarning(lcSync, QStringLiteral("❌ Sync failed: ") + error);
            Q_EMIT self->m_engine.finished(false);
        }
        if (!self->m_engine.m_worker->isBusy())
            self->m_engine.m_exporter->writeNextBatch();
        // A folder that appeared since is watched from now on.
        self->m_watcher->refresh();
    });
}

QString ScanScheduler::classFolder(ModelObject::Kind kind) const {
    return m_engine.m_folder.path() + u'/' + SyncSchema::className(kind);
}

QSet<int> ScanScheduler::changedClassFolders() const {
    QSet<int> changed;
    for (ModelObject::Kind kind : SyncSchema::kinds) {
        const auto known = m_listed.constFind(int(kind));
        // A file renamed into place or removed changes its folder; a sync service writes that way.
        if (known == m_listed.constEnd() || SyncFolder::signatureOf(classFolder(kind)) != *known)
            changed.insert(int(kind));
    }
    return changed;
}

void ScanScheduler::scheduledScan() {
    if (++m_rescans >= SyncEngine::deepRescanEvery) {
        m_rescans = 0;
        scheduleScan(0, true);
    } else if (const QSet<int> changed = changedClassFolders(); !changed.isEmpty()) {
        m_pendingKinds.unite(changed);
        scheduleScan(0, false);
    }
    m_scheduler.after(m_watcher->isWatching() ? SyncEngine::rescanInterval : SyncEngine::pollInterval,
                      [self = QPointer<ScanScheduler>(this)] {
                          if (self)
                              self->scheduledScan();
                      });
}

void ScanScheduler::folderEvents() {
    const bool full = m_watcher->takeNeedsFullScan();
    const QSet<QString> changed = m_watcher->takeChangedSubfolders();
    for (ModelObject::Kind kind : SyncSchema::kinds)
        if (changed.contains(SyncSchema::className(kind)))
            m_pendingKinds.insert(int(kind));
    // Our own writes show up too; a round that finds nothing new costs one listing.
    scheduleScan(SyncEngine::settleDelay, full);
}
