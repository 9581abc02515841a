#include "RunningAppsHelper.h"

#include <QCollator>

#include <algorithm>

QList<RunningApp> RunningAppsHelper::getRunningApps() {
    const QString own = m_platform.workspace.mainBundleIdentifier();
    QList<RunningApp> apps;
    for (const RunningApplicationRef& app : m_platform.workspace.runningApplications()) {
        const std::optional<QString> bundleID = app->bundleIdentifier();
        const std::optional<QString> name = app->localizedName();
        if (!bundleID || bundleID->isEmpty() || *bundleID == own)
            continue;
        if (app->activationPolicy() != ActivationPolicy::regular || !name || name->isEmpty())
            continue;
        apps.append(RunningApp(*app));
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(), [&collator](const RunningApp& a, const RunningApp& b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return apps;
}
