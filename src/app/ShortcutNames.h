// The program's five shortcut slots, in the order their handlers are registered.
#pragma once

#include "shortcuts/Name.h"

#include <QList>

namespace ShortcutNames {
// Each call declares the slot with the running shortcut component; none has a default combination.
KeyboardShortcuts::Name activateCurrentGroup();
KeyboardShortcuts::Name cycleConfigurations();
KeyboardShortcuts::Name cycleConfigurationsBackward();
KeyboardShortcuts::Name toggleMenuBar();
KeyboardShortcuts::Name cyclePositionGroups();
} // namespace ShortcutNames
