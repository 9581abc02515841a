// A named shortcut slot: the program refers to its shortcuts by these, never by key combinations.
#pragma once

#include "Shortcut.h"

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

#include <optional>

namespace KeyboardShortcuts {

class Name {
public:
    // Declares the slot; a default is stored when the slot has never held anything.
    explicit Name(const QString& rawValue, std::optional<Shortcut> defaultShortcut = std::nullopt);
    // A slot without default, e.g. one found in the preferences.
    static Name fromRawValue(const QString& rawValue) { return Name(rawValue); }

    const QString& rawValue() const { return m_rawValue; }
    const std::optional<Shortcut>& defaultShortcut() const { return m_defaultShortcut; }
    // The preference key of the slot.
    QString userDefaultsKey() const { return QStringLiteral("KeyboardShortcuts_") + m_rawValue; }

    std::optional<Shortcut> shortcut() const;
    // Returns false when the combination could not be made a system-wide hot key.
    bool setShortcut(const std::optional<Shortcut>& shortcut) const;

    // The slot is its raw value; defaults do not take part.
    bool operator==(const Name& other) const { return m_rawValue == other.m_rawValue; }

private:
    QString m_rawValue;
    std::optional<Shortcut> m_defaultShortcut;
};

inline size_t qHash(const Name& name, size_t seed = 0) {
    return qHash(name.rawValue(), seed);
}

} // namespace KeyboardShortcuts

Q_DECLARE_METATYPE(KeyboardShortcuts::Name)
