// Writes the context's pending changes to the database in one transaction: the saving half of
// ModelContext, which owns it; the context's ChangeTracker keeps the bookkeeping it reads and updates.
#pragma once

#include <QSet>
#include <QString>

class ModelContext;
class ModelObject;

class StoreWriter {
public:
    explicit StoreWriter(ModelContext& context);

    // Writes every pending change, or only those of the objects in `only`; see ModelContext::save.
    bool write(const QSet<const ModelObject*>* only, QString* error);

private:
    ModelContext& m_context;
};
