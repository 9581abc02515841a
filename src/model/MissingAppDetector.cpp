#include "MissingAppDetector.h"

#include "AppConfiguration.h"
#include "ConfigurationGroup.h"

#include "platform/Workspace.h"

bool MissingAppDetector::isAppInstalled(Workspace& workspace, const QString& bundleID) {
    return workspace.urlForApplication(bundleID).has_value();
}

QList<MissingAppInfo> MissingAppDetector::findMissingApps(Workspace& workspace,
                                                          const ConfigurationGroup* configuration) {
    QList<MissingAppInfo> missing;
    if (!configuration)
        return missing;
    for (AppConfiguration* app : configuration->configurationList())
        if (!isAppInstalled(workspace, app->bundleID()))
            missing.append({app->bundleID(), app->appName(), configuration->name()});
    return missing;
}
