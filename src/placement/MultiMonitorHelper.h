// The connected displays as a display menu lists them.
#pragma once

#include "platform/Platform.h"

class MultiMonitorHelper {
public:
    struct DisplayOption {
        // The display's index in the screen list when it was listed; also its identity.
        int id = 0;
        // "Display 2 (External)" and the like: Main, else Vertical, else Built-in or External.
        QString name;
        Screen screen;

        DisplayOption(int index, const Screen& screen, const std::optional<Screen>& mainScreen);
        bool operator==(const DisplayOption& other) const {
            return id == other.id && name == other.name && screen.isEqual(other.screen);
        }
    };

    explicit MultiMonitorHelper(Platform& platform) : m_platform(platform) {}

    // A laptop's own panel, by the connector it hangs on.
    static bool isBuiltIn(const Screen& screen);

    // One option per display, in the system's order; computed afresh on every call.
    QList<DisplayOption> availableDisplays();

private:
    Platform& m_platform;
};

size_t qHash(const MultiMonitorHelper::DisplayOption& option, size_t seed = 0);
