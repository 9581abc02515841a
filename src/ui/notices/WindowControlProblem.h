// What keeps Quarlin from moving other programs' windows in this session, in the user's words: no
// X11 display, or no window manager that lets other programs move windows. The home tab's
// permission screen and the settings tab say the same.
#pragma once

#include <QString>

class WindowControlProblem {
public:
    static QString title();
    static QString detail();
};
