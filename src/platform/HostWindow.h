// This program's own main window, as the core sees it; the user interface implements it.
#pragma once

#include "Screen.h"

#include <optional>

class HostWindow {
public:
    virtual ~HostWindow() = default;

    // The display the window is on (the one holding most of it); absent when it is on none,
    // e.g. not shown yet.
    virtual std::optional<Screen> screen() const = 0;
};
