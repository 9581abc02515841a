#include "ShortcutNames.h"

namespace ShortcutNames {

KeyboardShortcuts::Name activateCurrentGroup() {
    return KeyboardShortcuts::Name(QStringLiteral("activateCurrentGroup"));
}

KeyboardShortcuts::Name cycleConfigurations() {
    return KeyboardShortcuts::Name(QStringLiteral("cycleConfigurations"));
}

KeyboardShortcuts::Name cycleConfigurationsBackward() {
    return KeyboardShortcuts::Name(QStringLiteral("cycleConfigurationsBackward"));
}

KeyboardShortcuts::Name toggleMenuBar() {
    return KeyboardShortcuts::Name(QStringLiteral("toggleMenuBar"));
}

KeyboardShortcuts::Name cyclePositionGroups() {
    return KeyboardShortcuts::Name(QStringLiteral("cyclePositionGroups"));
}

} // namespace ShortcutNames
