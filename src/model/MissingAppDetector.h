// Lists the applications of a configuration that are not installed, before an activation runs.
#pragma once

#include "MissingAppInfo.h"

#include <QList>

class ConfigurationGroup;
class Workspace;

namespace MissingAppDetector {
// True exactly when the workspace knows where an application with this identifier is installed.
bool isAppInstalled(Workspace& workspace, const QString& bundleID);
// In the configuration's order; an application listed twice is reported twice. Launches nothing.
QList<MissingAppInfo> findMissingApps(Workspace& workspace, const ConfigurationGroup* configuration);
} // namespace MissingAppDetector
