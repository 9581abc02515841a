// Between Qt's key events and key sequences and the component's shortcuts.
#pragma once

#include "shortcuts/Shortcut.h"

#include <QKeySequence>

#include <optional>

class QKeyEvent;

namespace KeyboardShortcuts::ShortcutKeys {

ModifierFlags modifierFlags(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers qtModifiers(ModifierFlags flags);
// The key code of the physical key (from the X keycode, or by Qt key when the event has none).
std::optional<int> keyCode(const QKeyEvent& event);
// The shortcut of a key press or release.
std::optional<Shortcut> shortcut(const QKeyEvent& event);
// The key sequence that types the shortcut in the current layout; empty when there is none.
QKeySequence keySequence(const Shortcut& shortcut);
// The key equivalent and mask of a key sequence, as the menu conflict check reads menu items.
MenuItem menuItem(const QString& title, const QKeySequence& sequence);

} // namespace KeyboardShortcuts::ShortcutKeys
