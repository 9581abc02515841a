// A menu entry as shortcut conflict checks see it: its key equivalent and its submenu.
#pragma once

#include "ModifierFlags.h"

#include <QList>
#include <QString>

namespace KeyboardShortcuts {

struct MenuItem {
    QString title;
    // The character of the item's keyboard shortcut; an uppercase letter means Shift.
    QString keyEquivalent;
    ModifierFlags keyEquivalentModifierMask;
    QList<MenuItem> submenu;
};

} // namespace KeyboardShortcuts
