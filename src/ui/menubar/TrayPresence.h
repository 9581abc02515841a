// Whether the tray really shows our icon where the user can click it, and where the attached window
// hangs from. Qt pixels throughout.
#pragma once

#include <QPoint>
#include <QRect>

#include <optional>

class DesktopGeometry;
class StatusItem;
class TrayHost;

class TrayPresence {
public:
    TrayPresence(StatusItem& statusItem, TrayHost& tray, const DesktopGeometry& desktop)
        : m_statusItem(statusItem), m_tray(tray), m_desktop(desktop) {}

    // Some tray (an XEmbed tray, or a StatusNotifier host that shows items) is there.
    bool isTrayAvailable() const;
    // The icon is shown: embedded in an XEmbed tray, or handed to a StatusNotifier host.
    bool isIconShown() const;
    // Shown on a monitor, where a click reaches it.
    bool isIconReachable() const;
    // The icon's rectangle; empty when the tray does not tell (StatusNotifier hosts).
    QRect iconRect() const;
    // What the attached window hangs from: the icon; without its rectangle the pointer of the click
    // on it when that lay on the tray's panel, else that panel, else `pointer`.
    QRect anchor(std::optional<QPoint> clickPointer, QPoint pointer) const;

private:
    StatusItem& m_statusItem;
    TrayHost& m_tray;
    const DesktopGeometry& m_desktop;
};
