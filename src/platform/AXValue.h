// Attribute values and result codes of the window-access layer, in the vocabulary of the
// attributes it serves ("AXWindows", "AXRole", "AXTitle", "AXPosition", "AXSize",
// "AXMinimized", "AXMenuBar", "AXChildren").
#pragma once

#include "AXElement.h"
#include "base/Geometry.h"

#include <QList>
#include <QString>

#include <variant>

enum class AXError {
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

QString str(AXError error);

// "AXSize" holds a Size, "AXPosition" a Point (top-left coordinates), "AXWindows" and
// "AXChildren" a list of elements, "AXMenuBar" an element, "AXRole"/"AXTitle" a string,
// "AXMinimized" a Boolean.
using AXValue = std::variant<std::monostate, bool, QString, Point, Size, AXElementRef, QList<AXElementRef>>;
