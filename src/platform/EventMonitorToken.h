// The handle of an installed event monitor: whoever installed it keeps it to remove it later.
// Nothing compares two handles.
#pragma once

#include <memory>

struct EventMonitorToken {
    std::shared_ptr<void> handle;
};
