// A top-level menu of a simulated application's menu bar, and its items.
#pragma once

#include "platform/AXValue.h"

#include <QList>
#include <QString>

struct SimMenuItem {
    QString title;
    // What pressing it reports; only a successful press has an effect.
    AXError pressError = AXError::success;
    // Pressing it opens a new window.
    bool opensWindow = false;
};

struct SimMenu {
    QString title;
    // Without a submenu the item has no children.
    bool hasSubmenu = true;
    QList<SimMenuItem> items;
};
