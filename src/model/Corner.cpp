#include "Corner.h"

namespace {
constexpr std::array<const char*, 15> names = {
    "topLeft",    "topRight",      "bottomLeft",      "bottomRight",    "topHalf",
    "bottomHalf", "leftHalf",      "rightHalf",       "leftThird",      "centerThird",
    "rightThird", "leftTwoThirds", "centerTwoThirds", "rightTwoThirds", "fullScreen",
};
}

QString CornerInfo::rawValue(Corner corner) {
    return QString::fromLatin1(names[static_cast<size_t>(corner)]);
}

std::optional<Corner> CornerInfo::fromRawValue(const QString& raw) {
    for (size_t i = 0; i < names.size(); ++i)
        if (raw == QLatin1String(names[i]))
            return static_cast<Corner>(i);
    return std::nullopt;
}
