// The running applications that the pickers offer: ordinary applications with a name, other
// than this program, sorted by name.
#pragma once

#include "RunningApp.h"
#include "platform/Platform.h"

#include <QList>

class RunningAppsHelper {
public:
    explicit RunningAppsHelper(Platform& platform) : m_platform(platform) {}

    // Callable from any thread: it only reads the workspace.
    QList<RunningApp> getRunningApps();

private:
    Platform& m_platform;
};
