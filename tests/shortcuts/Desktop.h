// The shortcut component over hot keys and a keyboard layout in memory, on a virtual clock.
#pragma once

#include "FakeHotKeyBackend.h"
#include "FakeKeyboardLayout.h"

#include "base/PreferenceStore.h"
#include "platform/sim/VirtualScheduler.h"
#include "shortcuts/Registry.h"

struct Desktop {
    PreferenceStore store;
    FakeHotKeyBackend backend;
    VirtualScheduler clock;
    FakeKeyboardLayout layout;
    KeyboardShortcuts::Registry registry{store, backend, clock, &layout};
};
