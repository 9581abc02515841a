// Menu items that show a shortcut, or follow a slot's shortcut as it changes.
#pragma once

#include "shortcuts/Name.h"

#include <optional>

class QAction;

namespace KeyboardShortcuts {

// The item's key sequence becomes the shortcut's; none clears it.
void setShortcut(QAction* item, const std::optional<Shortcut>& shortcut);
// The item shows the slot's shortcut and follows its changes; none clears it and stops following.
void setShortcutFor(QAction* item, const std::optional<Name>& name);

} // namespace KeyboardShortcuts
