// The tray's presence on X11: the owner of the XEmbed tray selection (_NET_SYSTEM_TRAY_S<n>),
// followed through XFixes, and a StatusNotifierWatcher on the session bus. A connection of its own
// so that the selection events reach it whatever the backend does.
#pragma once

#include "platform/TrayHost.h"

#include <xcb/xcb.h>

class QDBusServiceWatcher;
class QSocketNotifier;

class X11TrayHost : public TrayHost {
    Q_OBJECT
public:
    // An empty name means $DISPLAY.
    explicit X11TrayHost(const QString& displayName = {}, QObject* parent = nullptr);
    ~X11TrayHost() override;

    bool isAvailable() const override { return m_xembedOwner != 0 || m_statusNotifierWatcher; }
    bool usesStatusNotifier() const override { return m_statusNotifierWatcher; }
    // The current owner of the tray selection; 0 when none.
    quint32 xembedOwner() const { return m_xembedOwner; }

private:
    void readOwner();
    void processEvents();
    void update(quint32 owner, bool watcher);

    xcb_connection_t* m_conn = nullptr;
    xcb_atom_t m_selection = XCB_ATOM_NONE;
    int m_xfixesEventBase = -1;
    QSocketNotifier* m_notifier = nullptr;
    QDBusServiceWatcher* m_watcher = nullptr;
    quint32 m_xembedOwner = 0;
    bool m_statusNotifierWatcher = false;
};
