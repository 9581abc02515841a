#include "DesktopGeometry.h"

#include "platform/TrayHost.h"
#include "ui/NativePixels.h"

QList<MonitorArea> DesktopGeometry::areas() const {
    QList<MonitorArea> list = m_monitors.areas();
    const QList<NativePixels::ScreenScale> screens = NativePixels::screens();
    for (MonitorArea& area : list)
        area = {NativePixels::fromRoot(area.frame, screens), NativePixels::fromRoot(area.visible, screens)};
    return list;
}

QPoint DesktopGeometry::pointer() const {
    return fromRoot(m_monitors.pointer());
}

QRect DesktopGeometry::trayPanel() const {
    return NativePixels::fromRoot(m_tray.panel());
}

QPoint DesktopGeometry::fromRoot(const QPoint& position) {
    return NativePixels::fromRoot(position);
}
