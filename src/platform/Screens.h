// The connected displays and the pointer, read afresh on every call. Main thread.
#pragma once

#include "Screen.h"

#include <QList>
#include <QObject>

#include <functional>

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
    // Calls `changed` on the main thread whenever displays are plugged in or out or their visible
    // frames change, until `context` is destroyed; screens() then gives the new ones.
    virtual void onChanged(QObject* context, std::function<void()> changed) = 0;
};
