// The tray's presence on X11: the owner of the XEmbed tray selection (_NET_SYSTEM_TRAY_S<n>),
// followed through XFixes, and a StatusNotifierWatcher on the session bus that has a host registered
// (a watcher alone shows no icon anywhere). A connection of its own so that the selection events
// reach it whatever the backend does.
//
// Our icon counts as drawn by the StatusNotifier host only while the watcher lists an item of this
// process: Qt picks the icon's kind once, when the program starts, so an icon made while no host was
// there stays an XEmbed icon that a host appearing later never shows.
#pragma once

#include "platform/TrayHost.h"

#include <xcb/xcb.h>

#include <memory>

class QDBusServiceWatcher;
class QDBusConnection;
class QSocketNotifier;

class X11TrayHost : public TrayHost {
    Q_OBJECT
public:
    // An empty name means $DISPLAY.
    explicit X11TrayHost(const QString& displayName = {}, QObject* parent = nullptr);
    // On the given session bus instead of the default one.
    X11TrayHost(const QString& displayName, const QDBusConnection& bus, QObject* parent = nullptr);
    ~X11TrayHost() override;

    bool isAvailable() const override { return m_xembedOwner != 0 || m_statusNotifierHost; }
    bool usesStatusNotifier() const override { return m_statusNotifierHost && m_ownItem; }
    // The StatusNotifier panel: the window with a strut of a process that hosts items (a standalone
    // tray, a panel). Empty for an XEmbed tray, which tells the icon's own rectangle.
    QRect panel() const override;
    // The current owner of the tray selection; 0 when none.
    quint32 xembedOwner() const { return m_xembedOwner; }

private Q_SLOTS:
    void readHost();

private:
    void readOwner();
    void processEvents();
    void update(quint32 owner, bool host, bool ownItem);
    bool listsOwnItem() const;

    xcb_connection_t* m_conn = nullptr;
    xcb_atom_t m_selection = XCB_ATOM_NONE;
    int m_xfixesEventBase = -1;
    QSocketNotifier* m_notifier = nullptr;
    QDBusServiceWatcher* m_watcher = nullptr;
    std::unique_ptr<QDBusConnection> m_bus;
    quint32 m_xembedOwner = 0;
    bool m_statusNotifierHost = false;
    bool m_ownItem = false;
    xcb_window_t m_root = 0;
};
