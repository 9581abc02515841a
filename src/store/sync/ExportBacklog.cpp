#include "ExportBacklog.h"

#include "store/ModelContext.h"

QList<ModelObject*> ExportBacklog::take(int size, const ModelContext& context,
                                        const std::function<bool(ModelObject*)>& takeNew) {
    QList<ModelObject*> taken;
    while (m_next < m_starts.size() && taken.size() < size) {
        QList<ModelObject*> tree{m_starts.at(m_next++)};
        while (!tree.isEmpty()) {
            ModelObject* member = tree.takeLast();
            // Deleted since: the export's tombstones cover it and what it owned.
            if (!context.contains(member))
                continue;
            if (m_pending.remove(member) || takeNew(member))
                taken.append(member);
            tree.append(ModelContext::ownedChildren(member));
        }
    }
    if (m_next == m_starts.size()) {
        for (ModelObject* object : std::as_const(m_pending))
            taken.append(object);
        m_pending.clear();
        m_starts.clear();
        m_next = 0;
    }
    return taken;
}
