// Chooses the display a configuration is placed on when the user picked none: the main
// window's display, else the one under the pointer, else the main display.
#pragma once

#include "platform/HostWindow.h"
#include "platform/Platform.h"

class ScreenDetectionHelper {
public:
    explicit ScreenDetectionHelper(Platform& platform) : m_platform(platform) {}

    // `source` may be null. Without any display it gives an empty screen (id "", zero frames).
    Screen getTargetScreen(const HostWindow* source);

private:
    std::optional<Screen> getCurrentScreenFromCursor(const QList<Screen>& screens);

    Platform& m_platform;
};
