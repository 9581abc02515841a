// Reads the whole database into the context's live objects, and looks for commits by other
// connections: at file events, after the files are quiet, and now and then as a backstop.
#pragma once

#include "model/ModelObject.h"

#include <QString>

class ModelContext;
class QObject;

class StoreReader {
public:
    explicit StoreReader(ModelContext& context);

    // A new object of the class, not yet held by any context.
    static ModelObject* create(ModelObject::Kind kind, QObject* parent);

    // Reads the whole database into live objects, reconciling with those already held.
    bool load(QString* error);
    void watch();
    void checkForRemoteChanges();
    void holdRemoteChecks(bool held);
    // Saves what is pending, reads the whole database again and sends remoteChange; see
    // ModelContext::reloadAll, which forgets a refresh under way first.
    void reloadAll();

private:
    void scheduleRecheck();
    void startPeriodicCheck();

    ModelContext& m_context;
    quint64 m_recheckGeneration = 0;
    bool m_remoteChecksHeld = false;
    bool m_remoteCheckWaiting = false;
};
