// The desktop's monitors, the pointer and the tray's panel in Qt's pixels, the ones our windows are
// placed in. The desktop services report root pixels; this is where menu-bar mode converts them.
#pragma once

#include "platform/MonitorAreas.h"

#include <QList>
#include <QPoint>
#include <QRect>

class TrayHost;

class DesktopGeometry {
public:
    DesktopGeometry(MonitorAreas& monitors, TrayHost& tray) : m_monitors(monitors), m_tray(tray) {}

    QList<MonitorArea> areas() const;
    QPoint pointer() const;
    // The panel holding the tray; empty when the tray does not tell.
    QRect trayPanel() const;
    // A position the desktop reported (root pixels).
    static QPoint fromRoot(const QPoint& position);

private:
    MonitorAreas& m_monitors;
    TrayHost& m_tray;
};
