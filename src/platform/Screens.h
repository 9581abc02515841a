// The connected displays and the pointer, read afresh on every call. Main thread.
#pragma once

#include "Screen.h"

#include <QList>

#include <optional>

class Screens {
public:
    virtual ~Screens() = default;

    // Primary first, then the others in the system's order.
    virtual QList<Screen> screens() = 0;
    // The display holding this program's focused window, else the primary; absent without displays.
    virtual std::optional<Screen> mainScreen() = 0;
    // The pointer, in bottom-left coordinates (the same system as the frames).
    virtual Point mouseLocation() = 0;
};
