// An application of a configuration that is not installed on this machine.
#pragma once

#include <QString>

struct MissingAppInfo {
    QString bundleID;
    // As stored in the configuration.
    QString appName;
    QString configurationName;
};
