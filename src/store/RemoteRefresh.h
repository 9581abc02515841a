// Reads in what another connection of this program just committed, row by row and a slice per turn,
// then applies it to the context's live objects in one turn (see ModelContext::refresh).
#pragma once

#include "StoreChanges.h"
#include "StoreTables.h"

#include "model/ModelObject.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <array>
#include <memory>
#include <vector>

class ModelContext;

class RemoteRefresh {
public:
    explicit RemoteRefresh(ModelContext& context);

    void refresh(const StoreChanges& changes, bool inSlices);
    bool isRefreshing() const { return m_refresh != nullptr; }
    void finishRefresh();
    // Forgets a refresh under way, with the new objects it read.
    void dropRefresh();

private:
    // A refresh under way: the rows read so far, into objects that nobody sees yet.
    struct Refresh {
        StoreChanges changes;
        size_t kind = 0;
        qsizetype next = 0;
        bool ownersStaged = false;
        // The owners whose lists are read (relationship, key), and the next to read.
        QList<std::pair<int, qint64>> owners;
        qsizetype nextOwner = 0;
        bool done = false;
        quint64 saves = 0;
        // Per class, by key: a new object, or a copy of the live one to copy from.
        std::array<QHash<qint64, ModelObject*>, 6> staged;
        std::array<QSet<qint64>, 6> missing;
        StoreTables::ReadLinks links;
        // Per relationship, the owners whose lists are read again, with their children's keys.
        std::array<QHash<qint64, QList<qint64>>, 4> members;
        std::vector<std::unique_ptr<ModelObject>> copies;
    };

    // Reads up to about `budget` rows of the refresh; sets its `done` once everything is read.
    bool readRefresh(int budget, QString* error);
    // Reads the rows from key `first` to `last`, each into a new object or into a copy of the live one.
    bool stageRows(ModelObject::Kind kind, qint64 first, qint64 last, QString* error);
    // The owners whose lists the changed rows touch: their rows are read too.
    bool stageOwners(QString* error);
    // Applies what the refresh read; false (changing nothing) when it no longer fits the live objects.
    bool applyRefresh();
    void scheduleRefreshSlice();

    ModelContext& m_context;
    std::unique_ptr<Refresh> m_refresh;
    quint64 m_refreshGeneration = 0;
};
