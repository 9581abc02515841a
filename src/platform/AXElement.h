// An element of another program's user interface as the window-access layer hands it out:
// an application, one of its windows, its menu bar, a menu or a menu item. Each backend
// derives its own element; the engine only passes them back.
#pragma once

#include <memory>

class AXElement {
public:
    virtual ~AXElement() = default;
};

using AXElementRef = std::shared_ptr<AXElement>;
