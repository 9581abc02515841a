// When the sync engine exports: after every save (or once a round has ended), on the turn after another
// writer changed the store, a slice per turn when much changed, and not before the live objects show
// the last round, the edits saved meanwhile are settled against it and a re-join has listed what the
// folder holds. What comes while the worker is busy waits for it.
#pragma once

#include <QObject>
#include <QString>

#include <utility>

class SyncEngine;

class ExportScheduler : public QObject {
    Q_OBJECT
public:
    // A child of the engine, gone with it.
    explicit ExportScheduler(SyncEngine& engine);

    // The store was saved.
    void saved();
    // Writes what changed in the store since the last export; while the worker is busy, once it is
    // done.
    bool exportChanges(QString* error = nullptr);
    // Exports, and logs a failure unless it is the one already reported.
    void exportLogged();
    // Exports on a later turn (what a large export left, or another writer's changes).
    void scheduleExport();
    // Waits for the worker and exports what earlier exports left, here and now.
    void exportRest();
    // Makes the store hold, per attribute, the later of the edits saved here while a round ran and what
    // the round merged (see SyncExporter::settleOverlap). True when it wrote into the store.
    bool settleOverlap(bool done, QString* error);
    // Whether an export waits for the worker; it is taken.
    bool takePending() { return std::exchange(m_exportPending, false); }
    // Tries the files whose writing failed again after a while, longer each time, while any wait.
    void scheduleRetry();
    // Without a sync state, what the folder holds is left to the first import.
    void setRejoinPending(bool pending) { m_rejoinPending = pending; }

private:
    // Lists what the folder holds on the worker, for a re-join. True while that listing runs; exports
    // wait for it.
    bool prepareRejoin();
    void retryWrites();

    SyncEngine& m_engine;
    bool m_rejoinPending = false;
    bool m_settling = false;
    // The store was saved while a round ran or was read in: it may hold whole rows older than the round.
    bool m_savedMeanwhile = false;
    // Waiting for the worker.
    bool m_exportPending = false;
    bool m_exportScheduled = false;
    bool m_retryScheduled = false;
    double m_retryDelay;
};
