#include "TemplateSymbols.h"

#include <set>
#include <utility>
#include <vector>

std::optional<QString> TemplateSymbols::symbolName(const QList<Corner>& corners) {
    using enum Corner;
    // Sets that share a symbol stay separate rows; the first equal set wins.
    static const std::vector<std::pair<std::set<Corner>, const char*>> symbols = {
        {{leftHalf, rightHalf}, "rectangle.split.2x1"},
        {{topHalf, bottomHalf}, "rectangle.split.1x2"},
        {{topLeft, topRight}, "rectangle.topthird.inset.filled"},
        {{bottomLeft, bottomRight}, "rectangle.bottomthird.inset.filled"},
        {{topLeft, bottomRight}, "rectangle.slash"},
        {{topRight, bottomLeft}, "rectangle.slash"},
        {{topLeft, topRight, bottomRight}, "squares.below.rectangle"},
        {{topHalf, bottomLeft, bottomRight}, "inset.filled.tophalf.bottomleft.bottomright.rectangle"},
        {{topLeft, topRight, bottomHalf}, "inset.filled.topleft.topright.bottomhalf.rectangle"},
        {{topLeft, topRight, bottomLeft, bottomRight}, "rectangle.grid.2x2"},
        {{leftThird, centerThird, rightThird}, "rectangle.split.3x1"},
        {{leftTwoThirds, rightThird}, "rectangle.rightthird.inset.filled"},
        {{leftThird, rightTwoThirds}, "rectangle.leftthird.inset.filled"},
        {{leftHalf, topRight, bottomRight}, "rectangles.below.rectangle"},
        {{rightHalf, topLeft, bottomLeft}, "rectangles.below.rectangle"},
        {{topLeft, bottomLeft}, "rectangle.leftthird.inset.filled"},
        {{topRight, bottomRight}, "rectangle.rightthird.inset.filled"},
    };
    const std::set<Corner> wanted(corners.begin(), corners.end());
    for (const auto& [set, name] : symbols)
        if (set == wanted)
            return QString::fromLatin1(name);
    return std::nullopt;
}
