// The fifteen screen positions. The raw value (the case name) is how positions are stored.
#pragma once

#include <QString>

#include <array>
#include <optional>

enum class Corner {
    topLeft,
    topRight,
    bottomLeft,
    bottomRight,
    topHalf,
    bottomHalf,
    leftHalf,
    rightHalf,
    leftThird,
    centerThird,
    rightThird,
    leftTwoThirds,
    centerTwoThirds,
    rightTwoThirds,
    fullScreen,
};

namespace CornerInfo {
// Every position in case order.
inline constexpr std::array<Corner, 15> allCases = {
    Corner::topLeft,         Corner::topRight,       Corner::bottomLeft, Corner::bottomRight,
    Corner::topHalf,         Corner::bottomHalf,     Corner::leftHalf,   Corner::rightHalf,
    Corner::leftThird,       Corner::centerThird,    Corner::rightThird, Corner::leftTwoThirds,
    Corner::centerTwoThirds, Corner::rightTwoThirds, Corner::fullScreen,
};

QString rawValue(Corner corner);
// Exact, case-sensitive; any other text gives nothing.
std::optional<Corner> fromRawValue(const QString& raw);
} // namespace CornerInfo

inline QString str(Corner corner) {
    return CornerInfo::rawValue(corner);
}
