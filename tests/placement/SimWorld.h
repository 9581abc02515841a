// A simulated desktop on a virtual clock, wired up as the engine's platform, with the screen
// layouts the placement tests share.
#pragma once

#include "base/Format.h"
#include "base/LogCapture.h"
#include "base/PreferenceStore.h"
#include "platform/HostWindow.h"
#include "platform/Platform.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/VirtualScheduler.h"

#include <QStringList>

struct SimWorld {
    VirtualScheduler clock;
    PreferenceStore preferences;
    SimDesktop desktop{clock};
    Platform platform{clock, preferences, desktop, desktop, desktop};
    LogCapture log;

    // A 1440 x 900 primary display whose bottom 25 points are taken by a panel.
    static Screen laptop(double scale = 2.0) {
        return Screen{QStringLiteral("laptop"), Rect(0, 0, 1440, 900), Rect(0, 25, 1440, 875), scale};
    }
    // A 1920 x 1080 display above the laptop.
    static Screen above() { return display(QStringLiteral("above"), Rect(0, 900, 1920, 1080)); }
    // A display without panels.
    static Screen display(const QString& id, Rect frame, double scale = 1.0) {
        return Screen{id, frame, frame, scale};
    }

    SimWorld() { desktop.setScreens({laptop()}); }

    // A running application with one ordinary window that takes any size.
    SimWindow& runWithWindow(const QString& bundleID, const QString& name) {
        SimWindow w(name);
        w.position = {300, 200};
        return desktop.addWindow(desktop.run(bundleID, name), w);
    }
    SimWindow& notesWithWindow() {
        return runWithWindow(QStringLiteral("org.example.Notes"), QStringLiteral("Notes"));
    }
};

// This program's main window, on the given display (on none when absent).
class WindowOn : public HostWindow {
public:
    explicit WindowOn(std::optional<Screen> screen) : m_screen(std::move(screen)) {}
    std::optional<Screen> screen() const override { return m_screen; }

private:
    std::optional<Screen> m_screen;
};

// The six lines every conversion to top-left coordinates writes.
inline QStringList flipLines(const Rect& global, const Rect& target, Point bottomLeft, double height,
                             Point result) {
    return {
        QStringLiteral("🔧 COORDINATE DEBUG: Converting Cocoa→AX"),
        QStringLiteral("🔧 COORDINATE DEBUG: Global bounds: ") + str(global),
        QStringLiteral("🔧 COORDINATE DEBUG: Target screen: ") + str(target),
        QStringLiteral("🔧 COORDINATE DEBUG: Cocoa BL: ") + str(bottomLeft) + QStringLiteral(", height: ") +
            str(height),
        QStringLiteral("🔧 COORDINATE DEBUG: Global maxY: ") + str(global.maxY()),
        QStringLiteral("🔧 COORDINATE DEBUG: AX result: (") + str(result.x) + QStringLiteral(", ") +
            str(result.y) + QStringLiteral(")"),
    };
}
