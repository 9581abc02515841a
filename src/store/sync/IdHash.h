// Hashes an object id for the standard containers. A set of a whole library's ids built or searched
// in one go is several times faster this way than with QSet<QString>, whose per-key cost dominates
// the longest turns of a large import and export.
#pragma once

#include <QStringView>

#include <functional>
#include <string_view>

struct IdHash {
    size_t operator()(QStringView id) const noexcept {
        return std::hash<std::u16string_view>{}(
            std::u16string_view(reinterpret_cast<const char16_t*>(id.utf16()), size_t(id.size())));
    }
};
