// A top-level menu of a simulated application's menu bar, and its items.
#pragma once

#include "platform/WindowValue.h"

#include <QList>
#include <QString>

struct SimMenuItem {
    SimMenuItem(QString title_, WindowAccessError pressError_ = WindowAccessError::success,
                bool opensWindow_ = false)
        : title(std::move(title_)), pressError(pressError_), opensWindow(opensWindow_) {}

    QString title;
    // What pressing it reports; only a successful press has an effect.
    WindowAccessError pressError = WindowAccessError::success;
    // Pressing it opens a new window.
    bool opensWindow = false;
};

struct SimMenu {
    SimMenu(QString title_, bool hasSubmenu_ = true, QList<SimMenuItem> items_ = {})
        : title(std::move(title_)), hasSubmenu(hasSubmenu_), items(std::move(items_)) {}

    QString title;
    // Without a submenu the item has no children.
    bool hasSubmenu = true;
    QList<SimMenuItem> items;
};
