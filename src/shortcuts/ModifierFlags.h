// The modifier keys of a key event, and their conversion to the modifier mask that stored shortcuts use.
#pragma once

#include <QFlags>
#include <QString>

namespace KeyboardShortcuts {

// Event modifier bits, laid out as in the stored shortcuts' original event flags.
enum class ModifierFlag : quint32 {
    capsLock = 0x10000,
    shift = 0x20000,
    control = 0x40000,
    option = 0x80000,
    command = 0x100000,
    numericPad = 0x200000,
    help = 0x400000,
    function = 0x800000,
};
Q_DECLARE_FLAGS(ModifierFlags, ModifierFlag)

// The hot-key mask bits of the stored form.
namespace StoredModifier {
inline constexpr int command = 0x100;
inline constexpr int shift = 0x200;
inline constexpr int option = 0x800;
inline constexpr int control = 0x1000;
inline constexpr int function = 0x20000;
} // namespace StoredModifier

// Both directions keep command, shift, option, control and function only.
ModifierFlags modifierFlagsFromStored(int stored);
int storedModifiers(ModifierFlags flags);
// The mask with every unknown bit dropped.
int normalizedStoredModifiers(int stored);

// The symbols in the fixed order control, option, shift, command, function.
QString ks_symbolicRepresentation(ModifierFlags flags);

} // namespace KeyboardShortcuts

Q_DECLARE_OPERATORS_FOR_FLAGS(KeyboardShortcuts::ModifierFlags)
