#include "X11TrayHost.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QSocketNotifier>

#include <xcb/xfixes.h>

#include <cstdlib>

namespace {
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
} // namespace

X11TrayHost::X11TrayHost(const QString& displayName, QObject* parent) : TrayHost(parent) {
    const QByteArray name = displayName.toLocal8Bit();
    int screenNumber = 0;
    m_conn = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (xcb_connection_has_error(m_conn)) {
        xcb_disconnect(m_conn);
        m_conn = nullptr;
    }
    if (m_conn) {
        auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
        for (int i = 0; i < screenNumber && screens.rem; ++i)
            xcb_screen_next(&screens);
        const xcb_window_t root = screens.data->root;
        const QByteArray atomName = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber);
        if (auto* reply = xcb_intern_atom_reply(
                m_conn,
                xcb_intern_atom(m_conn, 0, static_cast<uint16_t>(atomName.size()), atomName.constData()),
                nullptr)) {
            m_selection = reply->atom;
            std::free(reply);
        }
        const auto* xfixes = xcb_get_extension_data(m_conn, &xcb_xfixes_id);
        if (xfixes && xfixes->present) {
            std::free(
                xcb_xfixes_query_version_reply(m_conn, xcb_xfixes_query_version(m_conn, 5, 0), nullptr));
            m_xfixesEventBase = xfixes->first_event;
            xcb_xfixes_select_selection_input(m_conn, root, m_selection,
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        }
        xcb_flush(m_conn);
        m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_conn), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &X11TrayHost::processEvents);
        readOwner();
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        m_watcher = new QDBusServiceWatcher(
            watcherService, bus,
            QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this);
        connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this,
                [this] { update(m_xembedOwner, true); });
        connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { update(m_xembedOwner, false); });
        if (QDBusConnectionInterface* bus_ = bus.interface())
            m_statusNotifierWatcher = bus_->isServiceRegistered(watcherService).value();
    }
}

X11TrayHost::~X11TrayHost() {
    delete m_notifier;
    if (m_conn)
        xcb_disconnect(m_conn);
}

void X11TrayHost::readOwner() {
    quint32 owner = 0;
    if (auto* reply =
            xcb_get_selection_owner_reply(m_conn, xcb_get_selection_owner(m_conn, m_selection), nullptr)) {
        owner = reply->owner;
        std::free(reply);
    }
    update(owner, m_statusNotifierWatcher);
}

void X11TrayHost::processEvents() {
    bool selectionChanged = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_conn)) {
        if (m_xfixesEventBase >= 0 &&
            (event->response_type & 0x7f) == m_xfixesEventBase + XCB_XFIXES_SELECTION_NOTIFY)
            selectionChanged = true;
        std::free(event);
    }
    if (selectionChanged)
        readOwner();
}

void X11TrayHost::update(quint32 owner, bool watcher) {
    const bool was = isAvailable();
    m_xembedOwner = owner;
    m_statusNotifierWatcher = watcher;
    if (isAvailable() != was)
        Q_EMIT availabilityChanged(isAvailable());
}
