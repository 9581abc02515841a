// The keys that show a glyph instead of their character: function keys, arrows, keypad and the like.
#pragma once

#include <QString>

#include <optional>

namespace KeyboardShortcuts {

class SpecialKey {
public:
    // The special key for a key code, absent for letters, digits, punctuation, modifiers and media keys.
    static std::optional<SpecialKey> forKeyCode(int keyCode);

    int keyCode() const { return m_keyCode; }
    // What a shortcut's display text shows for the key.
    QString glyph() const;
    // What a menu item shows as its key equivalent; absent for the keypad keys.
    std::optional<QString> menuItemKeyEquivalent() const;

private:
    explicit SpecialKey(int index) : m_index(index), m_keyCode(0) {}
    int m_index;
    int m_keyCode;
};

} // namespace KeyboardShortcuts
