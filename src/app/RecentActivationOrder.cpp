#include "RecentActivationOrder.h"

#include "model/ConfigurationGroup.h"

#include <algorithm>

QList<ConfigurationGroup*> recentActivationOrder(QList<ConfigurationGroup*> configurations) {
    std::stable_sort(configurations.begin(), configurations.end(),
                     [](const ConfigurationGroup* a, const ConfigurationGroup* b) {
                         const std::optional<QDateTime> da = a->lastActivatedAt();
                         const std::optional<QDateTime> db = b->lastActivatedAt();
                         if (da != db) {
                             if (!da)
                                 return false;
                             if (!db)
                                 return true;
                             return *da > *db;
                         }
                         return a->dateCreated() > b->dateCreated();
                     });
    return configurations;
}
