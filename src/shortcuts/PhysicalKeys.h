// Where each key code sits on the keyboard: the X keycode (evdev numbering plus 8) of the same
// physical key, and the Qt key that the US layout gives it.
#pragma once

#include <optional>

namespace KeyboardShortcuts::PhysicalKeys {

std::optional<int> xKeycode(int keyCode);
std::optional<int> keyCodeForXKeycode(int xKeycode);
// For key events that carry no hardware code (e.g. synthesised ones): by the key's Qt::Key.
std::optional<int> keyCodeForQtKey(int qtKey);
// The Qt key of a key that types no character (function keys, arrows and the like).
std::optional<int> qtKeyForKeyCode(int keyCode);

} // namespace KeyboardShortcuts::PhysicalKeys
