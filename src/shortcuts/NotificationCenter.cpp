// Posting the component's notifications.
#include "NotificationCenter.h"

namespace KeyboardShortcuts {

void NotificationCenter::postShortcutByNameDidChange(const Name& name) {
    Q_EMIT shortcutByNameDidChange(name);
    Q_EMIT posted(shortcutByNameDidChangeName(), {{QStringLiteral("name"), name.rawValue()}});
}

void NotificationCenter::postRecorderActiveStatusDidChange(bool isActive) {
    Q_EMIT recorderActiveStatusDidChange(isActive);
    Q_EMIT posted(recorderActiveStatusDidChangeName(), {{QStringLiteral("isActive"), isActive}});
}

} // namespace KeyboardShortcuts
