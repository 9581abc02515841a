#include "X11TrayHost.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QSocketNotifier>

#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
} // namespace

X11TrayHost::X11TrayHost(const QString& displayName, QObject* parent)
    : X11TrayHost(displayName, QDBusConnection::sessionBus(), parent) {}

X11TrayHost::X11TrayHost(const QString& displayName, const QDBusConnection& bus, QObject* parent)
    : TrayHost(parent) {
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
        m_root = root;
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

    m_bus = std::make_unique<QDBusConnection>(bus);
    if (bus.isConnected()) {
        m_watcher = new QDBusServiceWatcher(
            watcherService, bus,
            QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this);
        connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &X11TrayHost::readHost);
        connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { update(m_xembedOwner, false, false); });
        // A host or an item that comes or goes after the watcher.
        for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered",
                                   "StatusNotifierItemRegistered", "StatusNotifierItemUnregistered"})
            m_bus->connect(watcherService, watcherPath, watcherService, QString::fromLatin1(signal), this,
                           SLOT(readHost()));
        readHost();
    }
}

namespace {

// A property of the watcher; nothing when it does not answer.
std::optional<QVariant> watcherProperty(QDBusConnection& bus, const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(watcherService, watcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcherService << name;
    // Events go on meanwhile: the watcher may live in this very process.
    const QDBusMessage reply = bus.call(get, QDBus::BlockWithGui, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().first().value<QDBusVariant>().variant();
}

} // namespace

void X11TrayHost::readHost() {
    bool host = false;
    bool ownItem = false;
    if (m_bus && m_bus->isConnected() && m_bus->interface()->isServiceRegistered(watcherService).value()) {
        const std::optional<QVariant> registered =
            watcherProperty(*m_bus, QStringLiteral("IsStatusNotifierHostRegistered"));
        // A watcher too busy to answer has not lost its host: the tray stays as it was.
        if (!registered)
            return;
        host = registered->toBool();
        ownItem = host ? listsOwnItem() : false;
    }
    update(m_xembedOwner, host, ownItem);
}

bool X11TrayHost::listsOwnItem() const {
    const std::optional<QVariant> items =
        watcherProperty(*m_bus, QStringLiteral("RegisteredStatusNotifierItems"));
    if (!items)
        return m_ownItem;
    // Each item is "service" or "service/path"; the service's process tells whose it is.
    const qint64 ourPid = QCoreApplication::applicationPid();
    const QStringList list = items->toStringList();
    return std::any_of(list.begin(), list.end(), [&](const QString& item) {
        const QString service = item.section(QLatin1Char('/'), 0, 0);
        return !service.isEmpty() && m_bus->interface()->servicePid(service).value() == ourPid;
    });
}

QRect X11TrayHost::panel() const {
    if (!m_statusNotifierHost || !m_conn || !m_bus || !m_bus->isConnected())
        return {};
    // Each host owns a name of its own; the watcher may be another program (a desktop's daemon)
    // that shows nothing.
    QList<uint> hosts;
    for (const QString& name : m_bus->interface()->registeredServiceNames().value())
        if (name.startsWith(QLatin1String("org.kde.StatusNotifierHost")) ||
            name.startsWith(QLatin1String("org.freedesktop.StatusNotifierHost")))
            hosts << m_bus->interface()->servicePid(name).value();
    hosts.removeAll(0u);
    if (hosts.isEmpty())
        return {};
    auto intern = [this](const char* name) {
        xcb_atom_t atom = XCB_ATOM_NONE;
        if (auto* reply = xcb_intern_atom_reply(
                m_conn, xcb_intern_atom(m_conn, 0, static_cast<uint16_t>(std::strlen(name)), name),
                nullptr)) {
            atom = reply->atom;
            std::free(reply);
        }
        return atom;
    };
    auto cardinals = [this](xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
        QList<quint32> out;
        if (auto* reply = xcb_get_property_reply(
                m_conn, xcb_get_property(m_conn, 0, window, property, type, 0, 4096), nullptr)) {
            if (reply->format == 32) {
                const auto* v = static_cast<const quint32*>(xcb_get_property_value(reply));
                for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
                    out << v[i];
            }
            std::free(reply);
        }
        return out;
    };
    const xcb_atom_t strut = intern("_NET_WM_STRUT_PARTIAL");
    const xcb_atom_t wmPid = intern("_NET_WM_PID");
    for (quint32 window : cardinals(m_root, intern("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW)) {
        if (cardinals(window, strut, XCB_ATOM_CARDINAL).isEmpty() ||
            !hosts.contains(cardinals(window, wmPid, XCB_ATOM_CARDINAL).value(0)))
            continue;
        QRect rect;
        auto* geometry = xcb_get_geometry_reply(m_conn, xcb_get_geometry(m_conn, window), nullptr);
        auto* origin = xcb_translate_coordinates_reply(
            m_conn, xcb_translate_coordinates(m_conn, window, m_root, 0, 0), nullptr);
        if (geometry && origin)
            rect = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        std::free(geometry);
        std::free(origin);
        return rect;
    }
    return {};
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
    update(owner, m_statusNotifierHost, m_ownItem);
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

void X11TrayHost::update(quint32 owner, bool host, bool ownItem) {
    const bool was = isAvailable();
    const bool used = usesStatusNotifier();
    m_xembedOwner = owner;
    m_statusNotifierHost = host;
    m_ownItem = ownItem;
    if (isAvailable() != was)
        Q_EMIT availabilityChanged(isAvailable());
    if (usesStatusNotifier() != used)
        Q_EMIT statusNotifierChanged(usesStatusNotifier());
}
