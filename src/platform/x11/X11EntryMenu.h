// X11 gives no access to another program's menus: the actions of its desktop entry stand in,
// as a menu bar with one item ("File") whose menu lists them; pressing one runs its command.
#pragma once

#include "platform/WindowValue.h"

class ProgramLauncher;
class X11Desktop;
class X11Element;

class X11EntryMenu {
public:
    X11EntryMenu(X11Desktop& desktop, const ProgramLauncher& launcher);

    // Of the menu bar, its item, the menu and the menu's items.
    WindowAccessError attribute(const X11Element& element, const QString& attribute, WindowValue& value);
    WindowAccessError press(const X11Element& item);

private:
    X11Desktop& m_desktop;
    const ProgramLauncher& m_launcher;
};
