// Window-manager requests for another program's window and the waits that end them.
#include "X11WindowMover.h"

#include "X11Connection.h"
#include "X11Desktop.h"
#include "X11Frame.h"

#include <QDeadlineTimer>

#include <cstdlib>

namespace {

constexpr int stateTimeoutMs = 300;
// How long an activation already on its way may take before it is asked for again.
constexpr int pendingActivationMs = 50;

bool isPropertyOf(const xcb_generic_event_t* e, quint32 window) {
    return (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
           reinterpret_cast<const xcb_property_notify_event_t*>(e)->window == window;
}

} // namespace

X11WindowMover::X11WindowMover(X11Desktop& desktop) : m_conn(desktop.connection()), m_desktop(desktop) {}

QSize X11WindowMover::expectedClientSize(const QList<quint32>& h, QSize requested) {
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

bool X11WindowMover::leaveMaximized(quint32 window, const QList<quint32>& stateNow) {
    const xcb_atom_t vert = m_conn.atom(X11Atom::_NET_WM_STATE_MAXIMIZED_VERT);
    const xcb_atom_t horz = m_conn.atom(X11Atom::_NET_WM_STATE_MAXIMIZED_HORZ);
    const xcb_atom_t full = m_conn.atom(X11Atom::_NET_WM_STATE_FULLSCREEN);
    auto isConstrained = [&](const QList<quint32>& s) {
        return s.contains(vert) || s.contains(horz) || s.contains(full);
    };
    auto constrained = [&] { return isConstrained(X11Frame::state(m_conn, window)); };
    if (!isConstrained(stateNow))
        return false;
    auto before = X11Frame::read(m_conn, window);
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
    const auto after = X11Frame::read(m_conn, window);
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

WindowAccessError X11WindowMover::moveResize(quint32 window, std::optional<QPoint> outerTopLeft,
                                             std::optional<QSize> outerSize) {
    m_conn.watch(window);
    waitUntilShown(window);
    QList<quint32> stateNow, hints;
    auto f = X11Frame::read(m_conn, window, &stateNow, &hints);
    if (!f)
        return WindowAccessError::invalidElement;
    if (leaveMaximized(window, stateNow)) {
        f = X11Frame::read(m_conn, window);
        if (!f)
            return WindowAccessError::invalidElement;
    }

    // A value not written now is asked for as it was last asked, while the window manager has not
    // shown that request yet: a busy one handles requests in turn, and this one, carrying the value
    // the frame still shows, would undo the earlier one. Once the frame shows another value than
    // when it was asked, the window manager has settled it, or another program (the user) changed
    // it since: the frame's value stands.
    std::optional<Unanswered> last;
    if (const auto it = m_unanswered.constFind(window);
        it != m_unanswered.constEnd() && !it->until.hasExpired())
        last = *it;
    const auto lastPosition = [&](const X11Frame& now) {
        return last && now.outer().topLeft() == last->shownPosition ? last->position : now.outer().topLeft();
    };
    const auto lastClient = [&](const X11Frame& now) {
        return last && now.client.size() == last->shownClient ? last->client : now.client.size();
    };
    // Frame extents can change with the write (leaving maximised state, a window manager that
    // publishes them late): a size computed with other ones is off by the difference, and is asked
    // for again with the new ones.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QPoint targetPosition = outerTopLeft.value_or(lastPosition(*f));
        QSize targetClient = lastClient(*f);
        if (outerSize)
            targetClient = QSize(std::max(1, outerSize->width() - f->left - f->right),
                                 std::max(1, outerSize->height() - f->top - f->bottom));
        const QSize expected = expectedClientSize(hints, targetClient);
        // A size alone may move the window too: window managers keep a grown window on its monitor.
        // Some apply the size increments (expected), others the size as asked.
        auto applied = [&](const X11Frame& now) {
            return (!outerTopLeft || now.outer().topLeft() == targetPosition) &&
                   (now.client.size() == expected || now.client.size() == targetClient);
        };
        if (applied(*f)) {
            m_unanswered.remove(window);
            return WindowAccessError::success;
        }

        // Always all four values (the unchanged ones as they are): fluxbox grows a window that is
        // only moved by its title bar's height.
        constexpr quint32 northWest = 1, sourcePager = 2, xywh = 0xf << 8;
        const quint32 flags = northWest | xywh | (sourcePager << 12);
        m_conn.requestMoveResize(window, {flags, quint32(targetPosition.x()), quint32(targetPosition.y()),
                                          quint32(targetClient.width()), quint32(targetClient.height())});

        // Done once the window manager has handled the request: what it applied is then final,
        // also when it settled on something other than what was asked (size increments, limits).
        // One that leaves the sync unanswered may answer the request itself, but the same answer
        // can also be one sent before for something else (fluxbox's to an activation's raise):
        // it is taken once the frame shows a change. Without an answer: once the frame is where
        // we expect it, or at the deadline.
        const bool answered = m_conn.syncWithWindowManager(applyTimeoutMs) ||
                              m_conn.waitForMoveResize(window, applyTimeoutMs, [&](bool answeredAll) {
                                  const auto now = X11Frame::read(m_conn, window);
                                  return !now || applied(*now) || (answeredAll && now->client != f->client);
                              });
        const auto now = X11Frame::read(m_conn, window);
        if (!now)
            return WindowAccessError::invalidElement;
        m_unanswered.removeIf([window](const auto& entry) {
            return entry.key() == window || entry.value().until.hasExpired();
        });
        if (!answered && !applied(*now))
            m_unanswered.insert(window, {targetPosition, targetClient, f->outer().topLeft(), f->client.size(),
                                         QDeadlineTimer(unansweredKeptMs)});
        const bool sameExtents =
            now->left == f->left && now->right == f->right && now->top == f->top && now->bottom == f->bottom;
        if (!outerSize || sameExtents)
            return WindowAccessError::success;
        f = now;
    }
    return WindowAccessError::success;
}

bool X11WindowMover::isFullyShown(quint32 window) {
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
    const auto client = X11Frame::read(m_conn, window);
    auto* outer = xcb_get_geometry_reply(c, xcb_get_geometry(c, top), nullptr);
    const QRect held = outer ? QRect(outer->x, outer->y, outer->width, outer->height) : QRect();
    std::free(outer);
    return viewable && client && held.contains(client->client);
}

void X11WindowMover::waitUntilShown(quint32 window) {
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

WindowAccessError X11WindowMover::setMinimized(quint32 window, bool minimized) {
    const WindowAccessError result = changeMinimized(window, minimized);
    if (!minimized && result == WindowAccessError::success)
        waitUntilShown(window);
    return result;
}

WindowAccessError X11WindowMover::changeMinimized(quint32 window, bool minimized) {
    m_conn.watch(window);
    if (!X11Frame::read(m_conn, window))
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
            return X11Frame::state(m_conn, window).contains(hidden);
        const QList<quint32> active =
            m_conn.cardinals(m_conn.root(), X11Atom::_NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW);
        return !X11Frame::state(m_conn, window).contains(hidden) && !active.isEmpty() &&
               active.first() == window && (answersSync || inFront());
    };
    // A shown window that bringing the application forward just asked for: the window manager
    // handles requests in order, so what is asked of it next finds the window in front.
    if (!minimized && answersSync && m_desktop.recentlyActivated(window) &&
        !X11Frame::state(m_conn, window).contains(hidden))
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
    // Without the sync, one that has carried out such requests before does so however busy it is.
    const bool carriedOut =
        wait(!answersSync && m_conn.carriesOutStateRequests() ? X11Connection::stuckWindowManagerMs
                                                              : stateTimeoutMs);
    if (!answersSync)
        m_conn.setCarriesOutStateRequests(carriedOut);
    if (!carriedOut)
        return WindowAccessError::cannotComplete;
    if (!minimized && answersSync)
        m_conn.syncWithWindowManager(stateTimeoutMs);
    return WindowAccessError::success;
}
