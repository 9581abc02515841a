// Attribute values and result codes of the window-access layer (WindowAccess.h).
#pragma once

#include "WindowElement.h"
#include "base/Geometry.h"

#include <QList>
#include <QString>

#include <variant>

enum class WindowAccessError {
    success,
    failure,
    illegalArgument,
    invalidElement,
    attributeUnsupported,
    actionUnsupported,
    cannotComplete,
    noValue,
    apiDisabled,
};

QString str(WindowAccessError error);

// "AXSize" holds a Size, "AXPosition" a Point (top-left coordinates), "AXWindows" and
// "AXChildren" a list of elements, "AXMenuBar" an element, "AXRole"/"AXTitle" a string,
// "AXMinimized" a Boolean.
using WindowValue =
    std::variant<std::monostate, bool, QString, Point, Size, WindowElementRef, QList<WindowElementRef>>;
