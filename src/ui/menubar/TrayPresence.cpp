#include "TrayPresence.h"

#include "DesktopGeometry.h"
#include "StatusItem.h"

#include "platform/TrayHost.h"

#include <algorithm>

bool TrayPresence::isTrayAvailable() const {
    return m_tray.isAvailable();
}

bool TrayPresence::isIconShown() const {
    if (!m_statusItem.isVisible() || !m_tray.isAvailable())
        return false;
    return m_tray.usesStatusNotifier() || !m_statusItem.geometry().isEmpty();
}

bool TrayPresence::isIconReachable() const {
    if (!isIconShown())
        return false;
    const QRect icon = iconRect();
    // A StatusNotifier host shows the icon without saying where.
    if (icon.isEmpty())
        return m_tray.usesStatusNotifier();
    const QList<MonitorArea> areas = m_desktop.areas();
    return std::any_of(areas.begin(), areas.end(),
                       [&](const MonitorArea& a) { return a.frame.contains(icon); });
}

QRect TrayPresence::iconRect() const {
    return m_statusItem.geometry();
}

QRect TrayPresence::anchor(std::optional<QPoint> clickPointer, QPoint pointer) const {
    const QRect icon = iconRect();
    if (!icon.isEmpty())
        return icon;
    const QRect panel = m_desktop.trayPanel();
    if (clickPointer && (panel.isEmpty() || panel.contains(*clickPointer)))
        return QRect(*clickPointer, QSize(1, 1));
    if (!panel.isEmpty())
        return panel;
    return QRect(clickPointer.value_or(pointer), QSize(1, 1));
}
