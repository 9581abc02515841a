// An element of the simulated desktop: what it is, and whose. Windows and menu entries are
// found again by id and position, so an element outlives changes to the lists it came from.
#pragma once

#include "platform/WindowElement.h"

#include <sys/types.h>

class SimElement : public WindowElement {
public:
    enum class Kind { application, window, menuBar, menuBarItem, menu, menuItem };

    SimElement(Kind kind_, pid_t pid_, int window_ = -1, int menu_ = -1, int item_ = -1)
        : kind(kind_), pid(pid_), window(window_), menu(menu_), item(item_) {}

    const Kind kind;
    const pid_t pid;
    // The window's id, for windows.
    const int window;
    // The top-level menu's index, for menu bar items, menus and menu items.
    const int menu;
    // The item's index within its menu, for menu items.
    const int item;
};
