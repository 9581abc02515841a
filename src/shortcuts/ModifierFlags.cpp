// Modifier conversions and their symbols.
#include "ModifierFlags.h"

namespace KeyboardShortcuts {

namespace {
struct Pair {
    ModifierFlag flag;
    int stored;
};
constexpr Pair pairs[] = {
    {ModifierFlag::command, StoredModifier::command},   {ModifierFlag::shift, StoredModifier::shift},
    {ModifierFlag::option, StoredModifier::option},     {ModifierFlag::control, StoredModifier::control},
    {ModifierFlag::function, StoredModifier::function},
};
} // namespace

ModifierFlags modifierFlagsFromStored(int stored) {
    ModifierFlags flags;
    for (const Pair& p : pairs)
        if (stored & p.stored)
            flags |= p.flag;
    return flags;
}

int storedModifiers(ModifierFlags flags) {
    int mask = 0;
    for (const Pair& p : pairs)
        if (flags.testFlag(p.flag))
            mask |= p.stored;
    return mask;
}

int normalizedStoredModifiers(int mask) {
    return storedModifiers(modifierFlagsFromStored(mask));
}

QString ks_symbolicRepresentation(ModifierFlags flags) {
    QString text;
    if (flags.testFlag(ModifierFlag::control))
        text += QChar(0x2303);
    if (flags.testFlag(ModifierFlag::option))
        text += QChar(0x2325);
    if (flags.testFlag(ModifierFlag::shift))
        text += QChar(0x21E7);
    if (flags.testFlag(ModifierFlag::command))
        text += QChar(0x2318);
    if (flags.testFlag(ModifierFlag::function))
        text += QString::fromUcs4(U"\U0001F310\uFE0E");
    return text;
}

} // namespace KeyboardShortcuts
