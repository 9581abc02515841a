// Modifier conversions and their symbols.
#include "ModifierFlags.h"

namespace KeyboardShortcuts {

namespace {
struct Pair {
    ModifierFlag flag;
    int carbon;
};
constexpr Pair pairs[] = {
    {ModifierFlag::command, CarbonModifier::command},   {ModifierFlag::shift, CarbonModifier::shift},
    {ModifierFlag::option, CarbonModifier::option},     {ModifierFlag::control, CarbonModifier::control},
    {ModifierFlag::function, CarbonModifier::function},
};
} // namespace

ModifierFlags modifierFlagsFromCarbon(int carbon) {
    ModifierFlags flags;
    for (const Pair& p : pairs)
        if (carbon & p.carbon)
            flags |= p.flag;
    return flags;
}

int carbon(ModifierFlags flags) {
    int mask = 0;
    for (const Pair& p : pairs)
        if (flags.testFlag(p.flag))
            mask |= p.carbon;
    return mask;
}

int normalizedCarbonModifiers(int mask) {
    return carbon(modifierFlagsFromCarbon(mask));
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
