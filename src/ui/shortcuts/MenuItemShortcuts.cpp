// Menu item key sequences from shortcuts and slots.
#include "MenuItemShortcuts.h"

#include "ShortcutKeys.h"

#include "base/Scheduler.h"
#include "shortcuts/Registry.h"

#include <QAction>
#include <QPointer>

namespace KeyboardShortcuts {

namespace {
// The item's observation of its slot lives in a child object, so replacing or deleting it ends it.
const char* const observerName = "KeyboardShortcuts_observer";

void dropObserver(QAction* item) {
    delete item->findChild<QObject*>(QLatin1String(observerName), Qt::FindDirectChildrenOnly);
}
} // namespace

void setShortcut(QAction* item, const std::optional<Shortcut>& shortcut) {
    if (!item)
        return;
    item->setShortcut(shortcut ? ShortcutKeys::keySequence(*shortcut) : QKeySequence());
}

void setShortcutFor(QAction* item, const std::optional<Name>& name) {
    if (!item)
        return;
    dropObserver(item);
    Registry* registry = Registry::current();
    if (!name || !registry) {
        item->setShortcut(QKeySequence());
        return;
    }
    setShortcut(item, registry->getShortcut(*name));
    auto* observer = new QObject(item);
    observer->setObjectName(QLatin1String(observerName));
    QPointer<QAction> target(item);
    QObject::connect(&registry->notificationCenter(), &NotificationCenter::shortcutByNameDidChange, observer,
                     [target, slot = *name, registry](const Name& changed) {
                         if (changed != slot)
                             return;
                         registry->scheduler().async([target, slot] {
                             Registry* current = Registry::current();
                             if (target && current)
                                 setShortcut(target, current->getShortcut(slot));
                         });
                     });
}

} // namespace KeyboardShortcuts
