// Attribute reads and writes of other programs' windows, through the window manager.
#include "X11WindowAccess.h"

#include "DesktopEntryIndex.h"
#include "ProgramLauncher.h"
#include "X11Connection.h"
#include "X11Desktop.h"
#include "X11Element.h"
#include "X11Screens.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include <signal.h>

namespace {

constexpr int stateTimeoutMs = 300;
// How long an activation already on its way may take before it is asked for again.
constexpr int pendingActivationMs = 50;

bool isConfigureOf(const xcb_generic_event_t* e, quint32 window) {
    return (e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY &&
           reinterpret_cast<const xcb_configure_notify_event_t*>(e)->window == window;
}

bool isPropertyOf(const xcb_generic_event_t* e, quint32 window) {
    return (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
           reinterpret_cast<const xcb_property_notify_event_t*>(e)->window == window;
}

WindowElementRef element(X11Element::Kind kind, const X11Element& from) {
    auto e = std::make_shared<X11Element>(kind);
    e->pid = from.pid;
    e->applicationId = from.applicationId;
    return e;
}

} // namespace

X11WindowAccess::X11WindowAccess(X11Desktop& desktop, X11Screens& screens, const ProgramLauncher& launcher)
    : m_conn(desktop.connection()), m_desktop(desktop), m_screens(screens), m_launcher(launcher) {}

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
        return menuAttribute(*e, attribute, value);
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
            auto w = element(X11Element::Kind::window, app);
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
        value = element(X11Element::Kind::menuBar, app);
        return WindowAccessError::success;
    }
    return WindowAccessError::attributeUnsupported;
}

WindowAccessError X11WindowAccess::menuAttribute(const X11Element& e, const QString& attribute,
                                                 WindowValue& value) {
    const bool children = attribute == QLatin1String("AXChildren");
    const bool title = attribute == QLatin1String("AXTitle");
    const bool role = attribute == QLatin1String("AXRole");
    switch (e.kind) {
    case X11Element::Kind::menuBar:
        if (role)
            value = QStringLiteral("AXMenuBar");
        else if (children)
            value = QList<WindowElementRef>{element(X11Element::Kind::menuBarItem, e)};
        else
            return WindowAccessError::attributeUnsupported;
        return WindowAccessError::success;
    case X11Element::Kind::menuBarItem:
        if (role)
            value = QStringLiteral("AXMenuBarItem");
        else if (title)
            value = QStringLiteral("File");
        else if (children)
            value = QList<WindowElementRef>{element(X11Element::Kind::menu, e)};
        else
            return WindowAccessError::attributeUnsupported;
        return WindowAccessError::success;
    case X11Element::Kind::menu: {
        if (role) {
            value = QStringLiteral("AXMenu");
            return WindowAccessError::success;
        }
        if (!children)
            return WindowAccessError::attributeUnsupported;
        const auto entry = e.applicationId ? m_desktop.entries().entry(*e.applicationId) : std::nullopt;
        if (!entry)
            return WindowAccessError::invalidElement;
        QList<WindowElementRef> items;
        for (const DesktopEntry::Action& action : entry->actions) {
            auto item = element(X11Element::Kind::menuItem, e);
            auto& x = static_cast<X11Element&>(*item);
            x.entryPath = entry->path;
            x.actionId = action.id;
            x.title = action.name;
            items << item;
        }
        value = items;
        return WindowAccessError::success;
    }
    case X11Element::Kind::menuItem:
        if (role)
            value = QStringLiteral("AXMenuItem");
        else if (title)
            value = e.title;
        else
            return WindowAccessError::attributeUnsupported;
        return WindowAccessError::success;
    default:
        return WindowAccessError::attributeUnsupported;
    }
}

std::optional<X11WindowAccess::Frame> X11WindowAccess::frame(quint32 window, QList<quint32>* stateOut,
                                                             QList<quint32>* hintsOut) {
    xcb_connection_t* c = m_conn.xcb();
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto translateCookie = xcb_translate_coordinates(c, window, m_conn.root(), 0, 0);
    const auto extentsCookie =
        m_conn.requestProperty(window, m_conn.atom(X11Atom::_NET_FRAME_EXTENTS), XCB_ATOM_CARDINAL);
    // Asked in the same round trip when wanted.
    if (stateOut)
        *stateOut = m_conn.cardinals(
            m_conn.requestProperty(window, m_conn.atom(X11Atom::_NET_WM_STATE), XCB_ATOM_ATOM));
    if (hintsOut)
        *hintsOut = m_conn.cardinals(m_conn.requestProperty(window, m_conn.atom(X11Atom::WM_NORMAL_HINTS)));
    auto* geometry = xcb_get_geometry_reply(c, geometryCookie, nullptr);
    auto* translated = xcb_translate_coordinates_reply(c, translateCookie, nullptr);
    const QList<quint32> extents = m_conn.cardinals(extentsCookie);
    std::optional<Frame> out;
    if (geometry && translated) {
        Frame f;
        f.client = QRect(translated->dst_x, translated->dst_y, geometry->width, geometry->height);
        if (extents.size() == 4) {
            f.left = int(extents[0]);
            f.right = int(extents[1]);
            f.top = int(extents[2]);
            f.bottom = int(extents[3]);
        }
        out = f;
    }
    std::free(geometry);
    std::free(translated);
    return out;
}

QList<quint32> X11WindowAccess::state(quint32 window) {
    return m_conn.cardinals(window, X11Atom::_NET_WM_STATE, XCB_ATOM_ATOM);
}

WindowAccessError X11WindowAccess::windowAttribute(const X11Element& e, const QString& attribute,
                                                   WindowValue& value) {
    if (attribute == QLatin1String("AXPosition") || attribute == QLatin1String("AXSize")) {
        const auto f = frame(e.window);
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
        value = state(e.window).contains(m_conn.atom(X11Atom::_NET_WM_STATE_HIDDEN));
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
        return moveResize(e->window, std::nullopt,
                          QSize(int(std::lround(std::clamp(size->width, 1.0, 32767.0))),
                                int(std::lround(std::clamp(size->height, 1.0, 32767.0)))));
    }
    if (attribute == QLatin1String("AXPosition")) {
        const Point* p = std::get_if<Point>(&value);
        if (!p || !std::isfinite(p->x) || !std::isfinite(p->y))
            return WindowAccessError::illegalArgument;
        const QPoint origin = X11Screens::topLeftOrigin(m_screens.monitors());
        return moveResize(e->window,
                          QPoint(int(std::lround(std::clamp(p->x, -32768.0, 32767.0))) + origin.x(),
                                 int(std::lround(std::clamp(p->y, -32768.0, 32767.0))) + origin.y()),
                          std::nullopt);
    }
    if (attribute == QLatin1String("AXMinimized")) {
        const bool* minimized = std::get_if<bool>(&value);
        if (!minimized)
            return WindowAccessError::illegalArgument;
        return setMinimized(e->window, *minimized);
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
    const auto entry = DesktopEntry::load(e->entryPath, DesktopEntry::userLocale());
    if (!entry)
        return WindowAccessError::invalidElement;
    for (const DesktopEntry::Action& a : entry->actions) {
        if (a.id == e->actionId)
            return m_launcher.startExec(a.exec) ? WindowAccessError::cannotComplete
                                                : WindowAccessError::success;
    }
    return WindowAccessError::invalidElement;
}

QSize X11WindowAccess::expectedClientSize(const QList<quint32>& h, QSize requested) {
    // WM_SIZE_HINTS: flags, 4 obsolete, min, max, increments, 2 aspects, base, gravity.
    if (h.size() < 17)
        return requested;
    enum : quint32 { minSize = 16, maxSize = 32, resizeInc = 64, baseSize = 256 };
    const quint32 flags = h[0];
    QSize min = flags & minSize ? QSize(int(h[5]), int(h[6])) : QSize();
    QSize base = flags & baseSize ? QSize(int(h[15]), int(h[16])) : QSize();
    if (!(flags & baseSize) && (flags & minSize))
        base = min;
    if (!(flags & minSize) && (flags & baseSize))
        min = base;
    if (!min.isValid())
        min = QSize(1, 1);
    if (!base.isValid())
        base = QSize(0, 0);
    auto axis = [&](int want, int lo, int b, int inc, int hi, bool hasMax) {
        int v = std::max(want, std::max(lo, 1));
        if (hasMax && hi > 0)
            v = std::min(v, hi);
        if (inc > 1)
            v = b + (v - b) / inc * inc;
        return std::max(v, 1);
    };
    const bool hasInc = flags & resizeInc;
    const bool hasMax = flags & maxSize;
    return QSize(
        axis(requested.width(), min.width(), base.width(), hasInc ? int(h[9]) : 1, int(h[7]), hasMax),
        axis(requested.height(), min.height(), base.height(), hasInc ? int(h[10]) : 1, int(h[8]), hasMax));
}

bool X11WindowAccess::leaveMaximized(quint32 window, const QList<quint32>& stateNow) {
    const xcb_atom_t vert = m_conn.atom(X11Atom::_NET_WM_STATE_MAXIMIZED_VERT);
    const xcb_atom_t horz = m_conn.atom(X11Atom::_NET_WM_STATE_MAXIMIZED_HORZ);
    const xcb_atom_t full = m_conn.atom(X11Atom::_NET_WM_STATE_FULLSCREEN);
    auto isConstrained = [&](const QList<quint32>& s) {
        return s.contains(vert) || s.contains(horz) || s.contains(full);
    };
    auto constrained = [&] { return isConstrained(state(window)); };
    if (!isConstrained(stateNow))
        return false;
    auto before = frame(window);
    // A full-screen window has no decorations. What the property says may still be the extents from
    // before (metacity publishes them a frame later): taken as they stand, a late publication of the
    // zeros would pass for the extents after leaving, and the size written with them would come out
    // short by the title bar.
    if (before && stateNow.contains(full))
        before->left = before->right = before->top = before->bottom = 0;
    constexpr quint32 remove = 0, sourcePager = 2;
    m_conn.sendToWindowManager(window, X11Atom::_NET_WM_STATE, {remove, vert, horz, sourcePager, 0});
    m_conn.sendToWindowManager(window, X11Atom::_NET_WM_STATE, {remove, full, 0, sourcePager, 0});
    // Once the window manager has handled the requests the state is final; without that answer,
    // once the state says so.
    if (!m_conn.syncWithWindowManager(stateTimeoutMs)) {
        QDeadlineTimer deadline(stateTimeoutMs);
        while (constrained() && !deadline.hasExpired())
            m_conn.waitForEvent([&](const xcb_generic_event_t* ev) { return isPropertyOf(ev, window); },
                                int(std::max<qint64>(1, deadline.remainingTime())));
    }
    // The frame extents that go with the state may come later still (metacity sets them when it
    // is idle). The ones read before can also be those from before the window was maximised, so
    // when they look unchanged they are waited for a while.
    const auto after = frame(window);
    if (before && after && before->left == after->left && before->top == after->top &&
        before->right == after->right && before->bottom == after->bottom) {
        m_conn.waitForEvent(
            [&](const xcb_generic_event_t* ev) {
                return isPropertyOf(ev, window) &&
                       reinterpret_cast<const xcb_property_notify_event_t*>(ev)->atom ==
                           m_conn.atom(X11Atom::_NET_FRAME_EXTENTS);
            },
            stateTimeoutMs);
    }
    return true;
}

WindowAccessError X11WindowAccess::moveResize(quint32 window, std::optional<QPoint> outerTopLeft,
                                              std::optional<QSize> outerSize) {
    m_conn.watch(window);
    waitUntilShown(window);
    QList<quint32> stateNow, hints;
    auto f = frame(window, &stateNow, &hints);
    if (!f)
        return WindowAccessError::invalidElement;
    if (leaveMaximized(window, stateNow)) {
        f = frame(window);
        if (!f)
            return WindowAccessError::invalidElement;
    }

    // Frame extents can change with the write (leaving maximised state, a window manager that
    // publishes them late): a size computed with other ones is off by the difference, and is asked
    // for again with the new ones.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QPoint targetPosition = outerTopLeft.value_or(f->outer().topLeft());
        QSize targetClient = f->client.size();
        if (outerSize)
            targetClient = QSize(std::max(1, outerSize->width() - f->left - f->right),
                                 std::max(1, outerSize->height() - f->top - f->bottom));
        const QSize expected = expectedClientSize(hints, targetClient);
        // A size alone may move the window too: window managers keep a grown window on its monitor.
        // Some apply the size increments (expected), others the size as asked.
        auto applied = [&](const Frame& now) {
            return (!outerTopLeft || now.outer().topLeft() == targetPosition) &&
                   (now.client.size() == expected || now.client.size() == targetClient);
        };
        if (applied(*f))
            return WindowAccessError::success;

        // Always all four values (the unchanged ones as they are): fluxbox grows a window that is
        // only moved by its title bar's height.
        constexpr quint32 northWest = 1, sourcePager = 2, xywh = 0xf << 8;
        const quint32 flags = northWest | xywh | (sourcePager << 12);
        m_conn.sendToWindowManager(window, X11Atom::_NET_MOVERESIZE_WINDOW,
                                   {flags, quint32(targetPosition.x()), quint32(targetPosition.y()),
                                    quint32(targetClient.width()), quint32(targetClient.height())});

        // Done once the window manager has handled the request: what it applied is then final,
        // also when it settled on something other than what was asked (size increments, limits).
        // Without that answer: once the frame is where we expect it, or at the deadline.
        if (!m_conn.syncWithWindowManager(applyTimeoutMs)) {
            QDeadlineTimer deadline(applyTimeoutMs);
            while (!deadline.hasExpired()) {
                // Events from before the request may still come in; they only cause one more look.
                if (!m_conn.waitForEvent(
                        [&](const xcb_generic_event_t* ev) { return isConfigureOf(ev, window); },
                        int(std::max<qint64>(1, deadline.remainingTime()))))
                    break;
                const auto now = frame(window);
                if (!now)
                    return WindowAccessError::invalidElement;
                if (applied(*now))
                    break;
            }
        }
        const auto now = frame(window);
        if (!now)
            return WindowAccessError::invalidElement;
        const bool sameExtents =
            now->left == f->left && now->right == f->right && now->top == f->top && now->bottom == f->bottom;
        if (!outerSize || sameExtents)
            return WindowAccessError::success;
        f = now;
    }
    return WindowAccessError::success;
}

bool X11WindowAccess::isFullyShown(quint32 window) {
    xcb_connection_t* c = m_conn.xcb();
    xcb_window_t top = window;
    for (int depth = 0; depth < 8; ++depth) {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, top), nullptr);
        if (!tree)
            return false;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == m_conn.root() || parent == XCB_WINDOW_NONE)
            break;
        top = parent;
    }
    auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    const auto client = frame(window);
    auto* outer = xcb_get_geometry_reply(c, xcb_get_geometry(c, top), nullptr);
    const QRect held = outer ? QRect(outer->x, outer->y, outer->width, outer->height) : QRect();
    std::free(outer);
    return viewable && client && held.contains(client->client);
}

void X11WindowAccess::waitUntilShown(quint32 window) {
    if (!m_desktop.isRestoring(window))
        return;
    // The frame moves and grows (ConfigureNotify on the root's substructure) and ends in place.
    QDeadlineTimer deadline(showTimeoutMs);
    while (!isFullyShown(window) && !deadline.hasExpired())
        m_conn.waitForEvent(
            [](const xcb_generic_event_t* ev) {
                const uint8_t type = ev->response_type & 0x7f;
                return type == XCB_CONFIGURE_NOTIFY || type == XCB_MAP_NOTIFY;
            },
            int(std::max<qint64>(1, deadline.remainingTime())));
    m_desktop.restored(window);
}

WindowAccessError X11WindowAccess::setMinimized(quint32 window, bool minimized) {
    const WindowAccessError result = changeMinimized(window, minimized);
    if (!minimized && result == WindowAccessError::success)
        waitUntilShown(window);
    return result;
}

WindowAccessError X11WindowAccess::changeMinimized(quint32 window, bool minimized) {
    m_conn.watch(window);
    if (!frame(window))
        return WindowAccessError::invalidElement;
    const xcb_atom_t hidden = m_conn.atom(X11Atom::_NET_WM_STATE_HIDDEN);
    // Restoring also raises and focuses the window, and is done once it has the focus.
    // The focus can come before the raise and the switch of desktop that go with it: a window
    // manager that answers a sync has done all of it then; with others, wait to see it in front.
    bool answersSync = m_conn.canSyncWithWindowManager();
    auto inFront = [&] {
        for (const X11Client& c : m_desktop.clients())
            if (c.normal)
                return c.window == window;
        return false;
    };
    auto done = [&] {
        if (minimized)
            return state(window).contains(hidden);
        const QList<quint32> active =
            m_conn.cardinals(m_conn.root(), X11Atom::_NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW);
        return !state(window).contains(hidden) && !active.isEmpty() && active.first() == window &&
               (answersSync || inFront());
    };
    // A shown window that bringing the application forward just asked for: the window manager
    // handles requests in order, so what is asked of it next finds the window in front.
    if (!minimized && answersSync && m_desktop.recentlyActivated(window) && !state(window).contains(hidden))
        return WindowAccessError::success;
    // The window manager may still be handling what came before (a new window taking the focus).
    // One that leaves the sync unanswered is then watched for the raise as well.
    if (!minimized && answersSync)
        answersSync = m_conn.syncWithWindowManager(stateTimeoutMs);
    if (done())
        return WindowAccessError::success;
    auto wait = [&](int timeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (!done() && !deadline.hasExpired())
            m_conn.waitForEvent(
                [&](const xcb_generic_event_t* ev) {
                    return isPropertyOf(ev, window) || isPropertyOf(ev, m_conn.root()) ||
                           ((ev->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY &&
                            reinterpret_cast<const xcb_configure_notify_event_t*>(ev)->event ==
                                m_conn.root());
                },
                int(std::max<qint64>(1, deadline.remainingTime())));
        return done();
    };
    // Bringing the application forward just asked for this window already.
    if (!minimized && m_desktop.recentlyActivated(window) && wait(pendingActivationMs)) {
        if (answersSync)
            m_conn.syncWithWindowManager(stateTimeoutMs);
        return WindowAccessError::success;
    }
    if (minimized) {
        constexpr quint32 iconicState = 3;
        m_conn.sendToWindowManager(window, X11Atom::WM_CHANGE_STATE, {iconicState, 0, 0, 0, 0});
    } else {
        const QList<quint32> desktop = m_conn.cardinals(window, X11Atom::_NET_WM_DESKTOP, XCB_ATOM_CARDINAL);
        m_desktop.activate(window, desktop.isEmpty() ? 0xFFFFFFFF : desktop.first(), m_conn.serverTime());
    }
    if (!wait(stateTimeoutMs))
        return WindowAccessError::cannotComplete;
    if (!minimized && answersSync)
        m_conn.syncWithWindowManager(stateTimeoutMs);
    return WindowAccessError::success;
}
