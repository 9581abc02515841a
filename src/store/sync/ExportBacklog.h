// What a large export still has to take on or compare, kept between its slices: a slice then costs
// what it takes rather than another walk of the whole library. It holds objects, not their values:
// each is compared as it is when its slice comes, so an edit made meanwhile goes out with its newest
// values, and an object deleted meanwhile is left to the export's tombstones.
#pragma once

#include <QList>
#include <QSet>

#include <functional>

class ModelContext;
class ModelObject;

class ExportBacklog {
public:
    bool isEmpty() const { return m_starts.isEmpty() && m_pending.isEmpty(); }
    // Trees to walk, in this order: each object with everything it owns.
    void addTrees(const QList<ModelObject*>& starts) { m_starts.append(starts); }
    // Objects to compare when a tree that holds them is walked.
    void addPending(const QSet<ModelObject*>& objects) { m_pending.unite(objects); }
    bool isPending(ModelObject* object) const { return m_pending.contains(object); }
    // Walks whole trees until at least `size` members were taken: those pending, and those that
    // `takeNew` takes on. Once every tree is walked, what is still pending (taken out of its tree
    // meanwhile) comes with the last slice.
    QList<ModelObject*> take(int size, const ModelContext& context,
                             const std::function<bool(ModelObject*)>& takeNew);

private:
    QList<ModelObject*> m_starts;
    qsizetype m_next = 0;
    QSet<ModelObject*> m_pending;
};
