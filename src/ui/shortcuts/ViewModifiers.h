// Named shortcuts for widgets: run code on a slot's hot key while a widget lives, or give a button
// the slot's shortcut as its own.
#pragma once

#include "shortcuts/Name.h"
#include "shortcuts/Registry.h"

#include <functional>

class QAbstractButton;
class QWidget;

namespace KeyboardShortcuts {

// Every press and release of the slot's hot key, for as long as the widget exists.
void onKeyboardShortcut(QWidget* widget, const Name& name, std::function<void(EventType)> perform);
// Only the presses, or only the releases.
void onKeyboardShortcut(QWidget* widget, const Name& name, EventType type, std::function<void()> perform);
void onGlobalKeyboardShortcut(QWidget* widget, const Name& name, std::function<void(EventType)> perform);
void onGlobalKeyboardShortcut(QWidget* widget, const Name& name, EventType type,
                              std::function<void()> perform);
// The button's own shortcut follows the slot; it has none while a recorder records.
void globalKeyboardShortcut(QAbstractButton* button, const Name& name);

} // namespace KeyboardShortcuts
