// The order in which configurations are listed, selected at launch and cycled through.
#pragma once

#include <QList>

class ConfigurationGroup;

// Most recently activated first (never activated counts as the most distant past); equal dates
// newest created first. Stable: otherwise equal configurations keep their order.
QList<ConfigurationGroup*> recentActivationOrder(QList<ConfigurationGroup*> configurations);
