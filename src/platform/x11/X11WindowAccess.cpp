// Attribute reads and writes of other programs' windows, through the window manager.
#include "X11WindowAccess.h"

#include "DesktopEntryIndex.h"
#include "X11Connection.h"
#include "X11Desktop.h"
#include "X11Element.h"
#include "X11Frame.h"
#include "X11Screens.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include <signal.h>

X11WindowAccess::X11WindowAccess(X11Desktop& desktop, X11Screens& screens, const ProgramLauncher& launcher)
    : m_conn(desktop.connection()), m_desktop(desktop), m_screens(screens), m_menu(desktop, launcher),
      m_mover(desktop) {}

bool X11WindowAccess::isProcessTrusted(bool) {
    if (!m_conn.isConnected() || xcb_connection_has_error(m_conn.xcb()))
        return false;
    // Asked before every window search: kept until the window manager's properties change or a
    // window goes (its check window among them).
    const quint64 stamp = m_conn.windowManagerChangeCount();
    if (m_trustedStamp == stamp)
        return m_trusted;
    m_trusted = readTrusted();
    m_trustedStamp = stamp;
    return m_trusted;
}

bool X11WindowAccess::readTrusted() {
    const QList<quint32> check =
        m_conn.cardinals(m_conn.root(), X11Atom::_NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW);
    if (check.isEmpty() || !check.first())
        return false;
    // A stale property names a window that is gone or no longer points to itself.
    m_conn.watch(check.first());
    const QList<quint32> self =
        m_conn.cardinals(check.first(), X11Atom::_NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW);
    if (self.isEmpty() || self.first() != check.first())
        return false;
    const QList<quint32> supported = m_conn.cardinals(m_conn.root(), X11Atom::_NET_SUPPORTED, XCB_ATOM_ATOM);
    return supported.contains(m_conn.atom(X11Atom::_NET_MOVERESIZE_WINDOW)) &&
           supported.contains(m_conn.atom(X11Atom::_NET_ACTIVE_WINDOW));
}

WindowElementRef X11WindowAccess::applicationElement(pid_t pid) {
    auto app = std::make_shared<X11Element>(X11Element::Kind::application);
    app->pid = pid;
    app->applicationId = m_desktop.applicationIdOfProcess(pid, m_desktop.clients());
    return app;
}

WindowAccessError X11WindowAccess::readAttribute(const WindowElementRef& ref, const QString& attribute,
                                                 WindowValue& value) {
    value = std::monostate{};
    const auto* e = dynamic_cast<const X11Element*>(ref.get());
    if (!e)
        return WindowAccessError::illegalArgument;
    if (!m_conn.isConnected())
        return WindowAccessError::cannotComplete;
    switch (e->kind) {
    case X11Element::Kind::application:
        return applicationAttribute(*e, attribute, value);
    case X11Element::Kind::window:
        return windowAttribute(*e, attribute, value);
    default:
        return m_menu.attribute(*e, attribute, value);
    }
}

WindowAccessError X11WindowAccess::applicationAttribute(const X11Element& app, const QString& attribute,
                                                        WindowValue& value) {
    if (attribute == QLatin1String("AXRole")) {
        value = QStringLiteral("AXApplication");
        return WindowAccessError::success;
    }
    if (attribute == QLatin1String("AXWindows")) {
        // Without a window manager to move them no window is usable: failing here keeps the
        // engine from taking recovery steps, which would start the application a second time.
        if (!isProcessTrusted(false))
            return WindowAccessError::apiDisabled;
        const QList<X11Client> windows =
            X11Desktop::windowsOf(app.pid, app.applicationId, m_desktop.clients());
        if (windows.isEmpty() && app.pid > 0 && ::kill(app.pid, 0) != 0 && errno == ESRCH)
            return WindowAccessError::invalidElement;
        QList<WindowElementRef> list;
        for (const X11Client& c : windows) {
            auto w = app.sameApplication(X11Element::Kind::window);
            static_cast<X11Element&>(*w).window = c.window;
            list << w;
        }
        value = list;
        return WindowAccessError::success;
    }
    const auto entry = app.applicationId ? m_desktop.entries().entry(*app.applicationId) : std::nullopt;
    if (attribute == QLatin1String("AXTitle")) {
        if (!entry || entry->name.isEmpty())
            return WindowAccessError::noValue;
        value = entry->name;
        return WindowAccessError::success;
    }
    if (attribute == QLatin1String("AXMenuBar")) {
        // X11 gives no access to another program's menus; its entry's actions stand in.
        if (!entry || entry->actions.isEmpty())
            return WindowAccessError::noValue;
        value = app.sameApplication(X11Element::Kind::menuBar);
        return WindowAccessError::success;
    }
    return WindowAccessError::attributeUnsupported;
}

WindowAccessError X11WindowAccess::windowAttribute(const X11Element& e, const QString& attribute,
                                                   WindowValue& value) {
    if (attribute == QLatin1String("AXPosition") || attribute == QLatin1String("AXSize")) {
        const auto f = X11Frame::read(m_conn, e.window);
        if (!f)
            return WindowAccessError::invalidElement;
        const QRect outer = f->outer();
        if (attribute == QLatin1String("AXSize")) {
            value = Size{double(outer.width()), double(outer.height())};
        } else {
            const QPoint origin = X11Screens::topLeftOrigin(m_screens.monitors());
            value = Point{double(outer.x() - origin.x()), double(outer.y() - origin.y())};
        }
        return WindowAccessError::success;
    }
    xcb_connection_t* c = m_conn.xcb();
    auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, e.window), nullptr);
    if (!attributes)
        return WindowAccessError::invalidElement;
    std::free(attributes);
    if (attribute == QLatin1String("AXRole")) {
        const auto typesCookie =
            m_conn.requestProperty(e.window, m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE), XCB_ATOM_ATOM);
        const auto transientCookie =
            m_conn.requestProperty(e.window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW);
        const QList<quint32> types = m_conn.cardinals(typesCookie);
        const bool transient = !m_conn.cardinals(transientCookie).isEmpty();
        QString role = transient ? QStringLiteral("AXDialog") : QStringLiteral("AXWindow");
        // The first type the window lists that we know decides.
        for (quint32 t : types) {
            if (t == m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE_NORMAL)) {
                role = QStringLiteral("AXWindow");
            } else if (t == m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE_DIALOG)) {
                role = QStringLiteral("AXDialog");
            } else if (t == m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE_UTILITY) ||
                       t == m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE_TOOLBAR) ||
                       t == m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE_MENU)) {
                role = QStringLiteral("AXFloatingWindow");
            } else if (t == m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE_SPLASH) ||
                       t == m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE_DOCK) ||
                       t == m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE_DESKTOP)) {
                role = QStringLiteral("AXUnknown");
            } else {
                continue;
            }
            break;
        }
        value = role;
        return WindowAccessError::success;
    }
    if (attribute == QLatin1String("AXTitle")) {
        const QByteArray name = m_conn.bytes(e.window, m_conn.atom(X11Atom::_NET_WM_NAME));
        if (!name.isEmpty()) {
            value = QString::fromUtf8(name);
        } else {
            value = QString::fromLocal8Bit(m_conn.bytes(e.window, XCB_ATOM_WM_NAME));
        }
        return WindowAccessError::success;
    }
    if (attribute == QLatin1String("AXMinimized")) {
        value = X11Frame::state(m_conn, e.window).contains(m_conn.atom(X11Atom::_NET_WM_STATE_HIDDEN));
        return WindowAccessError::success;
    }
    return WindowAccessError::attributeUnsupported;
}

WindowAccessError X11WindowAccess::writeAttribute(const WindowElementRef& ref, const QString& attribute,
                                                  const WindowValue& value) {
    const auto* e = dynamic_cast<const X11Element*>(ref.get());
    if (!e)
        return WindowAccessError::illegalArgument;
    if (!m_conn.isConnected())
        return WindowAccessError::cannotComplete;
    if (e->kind != X11Element::Kind::window)
        return WindowAccessError::attributeUnsupported;
    if (attribute == QLatin1String("AXSize")) {
        const Size* size = std::get_if<Size>(&value);
        if (!size || !std::isfinite(size->width) || !std::isfinite(size->height))
            return WindowAccessError::illegalArgument;
        return m_mover.moveResize(e->window, std::nullopt,
                                  QSize(int(std::lround(std::clamp(size->width, 1.0, 32767.0))),
                                        int(std::lround(std::clamp(size->height, 1.0, 32767.0)))));
    }
    if (attribute == QLatin1String("AXPosition")) {
        const Point* p = std::get_if<Point>(&value);
        if (!p || !std::isfinite(p->x) || !std::isfinite(p->y))
            return WindowAccessError::illegalArgument;
        const QPoint origin = X11Screens::topLeftOrigin(m_screens.monitors());
        return m_mover.moveResize(e->window,
                                  QPoint(int(std::lround(std::clamp(p->x, -32768.0, 32767.0))) + origin.x(),
                                         int(std::lround(std::clamp(p->y, -32768.0, 32767.0))) + origin.y()),
                                  std::nullopt);
    }
    if (attribute == QLatin1String("AXMinimized")) {
        const bool* minimized = std::get_if<bool>(&value);
        if (!minimized)
            return WindowAccessError::illegalArgument;
        return m_mover.setMinimized(e->window, *minimized);
    }
    return WindowAccessError::attributeUnsupported;
}

WindowAccessError X11WindowAccess::performAction(const WindowElementRef& ref, const QString& action) {
    const auto* e = dynamic_cast<const X11Element*>(ref.get());
    if (!e)
        return WindowAccessError::illegalArgument;
    if (action == QLatin1String("AXRaise") && e->kind == X11Element::Kind::window) {
        m_desktop.activate(e->window, 0xFFFFFFFF, m_conn.serverTime());
        return WindowAccessError::success;
    }
    if (action != QLatin1String("AXPress") || e->kind != X11Element::Kind::menuItem)
        return WindowAccessError::actionUnsupported;
    return m_menu.press(*e);
}
