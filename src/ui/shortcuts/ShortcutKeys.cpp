// Key event and key sequence conversions.
#include "ShortcutKeys.h"

#include "shortcuts/PhysicalKeys.h"
#include "shortcuts/SpecialKey.h"

#include <QKeyEvent>

namespace KeyboardShortcuts::ShortcutKeys {

ModifierFlags modifierFlags(Qt::KeyboardModifiers modifiers) {
    ModifierFlags flags;
    if (modifiers & Qt::ShiftModifier)
        flags |= ModifierFlag::shift;
    if (modifiers & Qt::ControlModifier)
        flags |= ModifierFlag::control;
    if (modifiers & Qt::AltModifier)
        flags |= ModifierFlag::option;
    if (modifiers & Qt::MetaModifier)
        flags |= ModifierFlag::command;
    if (modifiers & Qt::KeypadModifier)
        flags |= ModifierFlag::numericPad;
    return flags;
}

Qt::KeyboardModifiers qtModifiers(ModifierFlags flags) {
    Qt::KeyboardModifiers modifiers;
    if (flags.testFlag(ModifierFlag::shift))
        modifiers |= Qt::ShiftModifier;
    if (flags.testFlag(ModifierFlag::control))
        modifiers |= Qt::ControlModifier;
    if (flags.testFlag(ModifierFlag::option))
        modifiers |= Qt::AltModifier;
    if (flags.testFlag(ModifierFlag::command))
        modifiers |= Qt::MetaModifier;
    return modifiers;
}

std::optional<int> keyCode(const QKeyEvent& event) {
    if (event.nativeScanCode() != 0)
        if (const auto code = PhysicalKeys::keyCodeForXKeycode(int(event.nativeScanCode())))
            return code;
    return PhysicalKeys::keyCodeForQtKey(event.key());
}

std::optional<Shortcut> shortcut(const QKeyEvent& event) {
    const auto type = event.type() == QEvent::KeyPress     ? KeyEventType::keyDown
                      : event.type() == QEvent::KeyRelease ? KeyEventType::keyUp
                                                           : KeyEventType::other;
    const auto code = keyCode(event);
    if (!code)
        return std::nullopt;
    return Shortcut::fromEvent(type, *code, modifierFlags(event.modifiers()));
}

QKeySequence keySequence(const Shortcut& shortcut) {
    int qtKey = 0;
    if (SpecialKey::forKeyCode(shortcut.carbonKeyCode())) {
        qtKey = PhysicalKeys::qtKeyForKeyCode(shortcut.carbonKeyCode()).value_or(0);
    } else if (const auto character = keyToCharacter(shortcut.carbonKeyCode())) {
        const QKeySequence typed = QKeySequence::fromString(character->toUpper(), QKeySequence::PortableText);
        qtKey = typed.isEmpty() ? 0 : int(typed[0].key());
    }
    if (qtKey == 0)
        return {};
    return QKeySequence(QKeyCombination(qtModifiers(shortcut.modifiers()), Qt::Key(qtKey)));
}

MenuItem menuItem(const QString& title, const QKeySequence& sequence) {
    MenuItem item{title, {}, {}, {}};
    if (sequence.isEmpty())
        return item;
    const QKeyCombination combination = sequence[0];
    item.keyEquivalentModifierMask = modifierFlags(combination.keyboardModifiers());
    item.keyEquivalentModifierMask.setFlag(ModifierFlag::numericPad, false);
    const int key = int(combination.key());
    const auto code = PhysicalKeys::keyCodeForQtKey(key);
    if (code && SpecialKey::forKeyCode(*code))
        item.keyEquivalent = SpecialKey::forKeyCode(*code)->menuItemKeyEquivalent().value_or(QString());
    else if (key >= 0x20 && key < 0x7f)
        item.keyEquivalent = QString(QChar(key)).toLower();
    else
        item.keyEquivalent = QKeySequence(key).toString(QKeySequence::PortableText).toLower();
    return item;
}

} // namespace KeyboardShortcuts::ShortcutKeys
