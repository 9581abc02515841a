// A key together with modifier keys: what a shortcut slot holds and what the hot keys grab.
#pragma once

#include "Key.h"
#include "MenuItem.h"
#include "ModifierFlags.h"

#include <QByteArray>
#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

namespace KeyboardShortcuts {

class Name;
class KeyboardLayout;

enum class KeyEventType { keyDown, keyUp, other };

class Shortcut {
public:
    // Keeps only the five known modifier bits.
    Shortcut(int carbonKeyCode, int carbonModifiers);
    Shortcut(Key key, ModifierFlags modifiers);
    // The shortcut of a key event; absent unless it is a key press or release. Function is ignored.
    static std::optional<Shortcut> fromEvent(KeyEventType type, int keyCode, ModifierFlags modifiers);
    // The shortcut stored for the name.
    static std::optional<Shortcut> fromName(const Name& name);

    // The stored JSON text, and back; decoding keeps the values as written.
    QByteArray encoded() const;
    static std::optional<Shortcut> decoded(const QByteArray& json);

    int carbonKeyCode() const { return m_carbonKeyCode; }
    int carbonModifiers() const { return m_carbonModifiers; }
    std::optional<Key> key() const { return Key(m_carbonKeyCode); }
    ModifierFlags modifiers() const { return modifierFlagsFromStored(m_carbonModifiers); }
    // The same combination without stray modifier bits.
    Shortcut normalized() const { return Shortcut(m_carbonKeyCode, m_carbonModifiers); }

    // The text shown to the user, e.g. ⇧⌘A.
    QString presentableDescription() const;
    QString description() const { return presentableDescription(); }
    // The key equivalent for a menu item, absent for keypad keys and keys without a character.
    std::optional<QString> nsMenuItemKeyEquivalent() const;
    // The first item of the menu or its submenus with this shortcut, depth first.
    std::optional<MenuItem> menuItemWithMatchingShortcut(const QList<MenuItem>& menu) const;
    std::optional<MenuItem> takenByMainMenu(const std::optional<QList<MenuItem>>& mainMenu) const;
    // Another program holds the combination; plain F12 never counts.
    bool isTakenBySystem() const;
    // Combinations refused by the platform itself; none on this desktop.
    bool isDisallowed() const { return false; }

    bool operator==(const Shortcut& other) const {
        return m_carbonKeyCode == other.m_carbonKeyCode && m_carbonModifiers == other.m_carbonModifiers;
    }

private:
    struct AsStored {};
    Shortcut(AsStored, int keyCode, int modifiers) : m_carbonKeyCode(keyCode), m_carbonModifiers(modifiers) {}

    int m_carbonKeyCode;
    int m_carbonModifiers;
};

inline size_t qHash(const Shortcut& s, size_t seed = 0) {
    return qHashMulti(seed, s.carbonKeyCode(), s.carbonModifiers());
}

// The key's character in the current layout; absent for special keys and keys that type nothing.
std::optional<QString> keyToCharacter(int keyCode);

} // namespace KeyboardShortcuts
