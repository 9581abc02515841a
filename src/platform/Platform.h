// The platform services one run of the program works with: the real X11 desktop in the
// program, the simulated desktop in tests. Owned elsewhere; outlives everything that uses it.
#pragma once

#include "Screens.h"
#include "WindowAccess.h"
#include "Workspace.h"
#include "base/PreferenceStore.h"
#include "base/Scheduler.h"

struct Platform {
    Scheduler& scheduler;
    PreferenceStore& preferences;
    Workspace& workspace;
    WindowAccess& windows;
    Screens& screens;
};
