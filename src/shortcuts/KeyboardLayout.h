// The user's current keyboard layout, as far as shortcut texts need it.
#pragma once

#include <QString>

#include <optional>

namespace KeyboardShortcuts {

class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;
    // What the key types without modifiers in the current layout; absent when it types nothing.
    virtual std::optional<QString> character(int keyCode) const = 0;
};

} // namespace KeyboardShortcuts
