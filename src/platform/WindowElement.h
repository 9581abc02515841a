// An element of another program's user interface as the window-access layer hands it out:
// an application, one of its windows, its menu bar, a menu or a menu item. Each backend
// derives its own element; the engine only passes them back.
#pragma once

#include <memory>

class WindowElement {
public:
    virtual ~WindowElement() = default;
};

using WindowElementRef = std::shared_ptr<WindowElement>;
