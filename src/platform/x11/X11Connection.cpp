// Talking to the X server: one connection, atoms interned once, events dispatched in one place.
#include "X11Connection.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QThread>

#include <xcb/randr.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <poll.h>

namespace {

// In the order of X11Atom.
constexpr const char* atomNames[] = {
    "UTF8_STRING",
    "WM_STATE",
    "WM_CHANGE_STATE",
    "WM_NORMAL_HINTS",
    "_NET_SUPPORTED",
    "_NET_SUPPORTING_WM_CHECK",
    "_NET_CLIENT_LIST",
    "_NET_CLIENT_LIST_STACKING",
    "_NET_ACTIVE_WINDOW",
    "_NET_CURRENT_DESKTOP",
    "_NET_WORKAREA",
    "_NET_MOVERESIZE_WINDOW",
    "_NET_WM_NAME",
    "_NET_WM_PID",
    "_NET_WM_DESKTOP",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_STATE_MAXIMIZED_VERT",
    "_NET_WM_STATE_MAXIMIZED_HORZ",
    "_NET_WM_STATE_FULLSCREEN",
    "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_MENU",
    "_NET_WM_WINDOW_TYPE_SPLASH",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_FRAME_EXTENTS",
    "_NET_REQUEST_FRAME_EXTENTS",
    "_NET_WM_STRUT",
    "_NET_WM_STRUT_PARTIAL",
    "_GTK_APPLICATION_ID",
    "_KDE_NET_WM_DESKTOP_FILE",
    "_QUARLIN_TIMESTAMP",
};
static_assert(std::size(atomNames) == static_cast<size_t>(X11Atom::count));

constexpr int timestampTimeoutMs = 200;

bool isConfigureOf(const xcb_generic_event_t* e, xcb_window_t window) {
    return (e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY &&
           reinterpret_cast<const xcb_configure_notify_event_t*>(e)->window == window;
}

} // namespace

X11Connection::X11Connection(const QString& displayName) {
    const QByteArray name = displayName.toLocal8Bit();
    int screenNumber = 0;
    m_conn = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (xcb_connection_has_error(m_conn)) {
        xcb_disconnect(m_conn);
        m_conn = nullptr;
        return;
    }
    m_displayName = displayName.isEmpty() ? qEnvironmentVariable("DISPLAY") : displayName;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    m_rootWidth = screens.data->width_in_pixels;
    m_rootHeight = screens.data->height_in_pixels;

    xcb_intern_atom_cookie_t cookies[std::size(atomNames)];
    for (size_t i = 0; i < std::size(atomNames); ++i)
        cookies[i] =
            xcb_intern_atom(m_conn, 0, static_cast<uint16_t>(std::strlen(atomNames[i])), atomNames[i]);
    for (size_t i = 0; i < std::size(atomNames); ++i) {
        auto* reply = xcb_intern_atom_reply(m_conn, cookies[i], nullptr);
        m_atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
    }

    // Our own unmapped window: its property changes give us server timestamps.
    m_ownWindow = xcb_generate_id(m_conn);
    const uint32_t ownMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_conn, XCB_COPY_FROM_PARENT, m_ownWindow, m_root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &ownMask);

    // Substructure: restacking of the top-level frames, which not every window manager publishes
    // in _NET_CLIENT_LIST_STACKING (fluxbox does not).
    const uint32_t rootMask =
        XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &rootMask);
    if (const auto* randr = xcb_get_extension_data(m_conn, &xcb_randr_id); randr && randr->present) {
        m_randrEventBase = randr->first_event;
        xcb_randr_select_input(m_conn, m_root,
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    xcb_flush(m_conn);

    if (QThread::currentThread() == thread()) {
        m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_conn), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &X11Connection::processEvents);
    }
}

X11Connection::~X11Connection() {
    delete m_notifier;
    if (m_conn)
        xcb_disconnect(m_conn);
}

QString X11Connection::atomName(xcb_atom_t atom) {
    {
        QMutexLocker lock(&m_mutex);
        if (auto it = m_atomNames.constFind(atom); it != m_atomNames.constEnd())
            return *it;
    }
    auto* reply = xcb_get_atom_name_reply(m_conn, xcb_get_atom_name(m_conn, atom), nullptr);
    QString name;
    if (reply)
        name = QString::fromLatin1(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
    std::free(reply);
    QMutexLocker lock(&m_mutex);
    m_atomNames.insert(atom, name);
    return name;
}

xcb_get_property_cookie_t X11Connection::requestProperty(xcb_window_t window, xcb_atom_t property,
                                                         xcb_atom_t type) {
    return xcb_get_property(m_conn, 0, window, property, type, 0, 1 << 16);
}

QList<quint32> X11Connection::cardinals(xcb_get_property_cookie_t cookie) {
    QList<quint32> out;
    auto* reply = xcb_get_property_reply(m_conn, cookie, nullptr);
    if (reply && reply->format == 32) {
        const auto* values = static_cast<const quint32*>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        out.reserve(n);
        for (int i = 0; i < n; ++i)
            out << values[i];
    }
    std::free(reply);
    return out;
}

QByteArray X11Connection::bytes(xcb_get_property_cookie_t cookie) {
    QByteArray out;
    auto* reply = xcb_get_property_reply(m_conn, cookie, nullptr);
    if (reply && reply->format == 8)
        out = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                         xcb_get_property_value_length(reply));
    std::free(reply);
    return out;
}

QList<quint32> X11Connection::cardinals(xcb_window_t window, X11Atom property, xcb_atom_t type) {
    return cardinals(requestProperty(window, atom(property), type));
}

QByteArray X11Connection::bytes(xcb_window_t window, xcb_atom_t property) {
    return bytes(requestProperty(window, property));
}

xcb_res_query_client_ids_cookie_t X11Connection::requestPid(xcb_window_t window) {
    xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    return xcb_res_query_client_ids(m_conn, 1, &spec);
}

pid_t X11Connection::pid(xcb_res_query_client_ids_cookie_t cookie) {
    pid_t result = 0;
    auto* reply = xcb_res_query_client_ids_reply(m_conn, cookie, nullptr);
    if (!reply)
        return 0;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem; xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
            xcb_res_client_id_value_value_length(it.data) >= 1) {
            result = static_cast<pid_t>(*xcb_res_client_id_value_value(it.data));
            break;
        }
    }
    std::free(reply);
    return result;
}

void X11Connection::sendToWindowManager(xcb_window_t window, X11Atom type, std::array<quint32, 5> data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(type);
    for (size_t i = 0; i < data.size(); ++i)
        event.data.data32[i] = data[i];
    xcb_send_event(m_conn, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_conn);
    m_sentSinceSync = true;
}

xcb_timestamp_t X11Connection::serverTime() {
    const xcb_atom_t property = atom(X11Atom::_QUARLIN_TIMESTAMP);
    xcb_change_property(m_conn, XCB_PROP_MODE_APPEND, m_ownWindow, property, XCB_ATOM_CARDINAL, 32, 0,
                        nullptr);
    xcb_flush(m_conn);
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    waitForEvent(
        [&](const xcb_generic_event_t* e) {
            if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                return false;
            const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e);
            if (p->window != m_ownWindow || p->atom != property)
                return false;
            time = p->time;
            return true;
        },
        timestampTimeoutMs);
    return time;
}

bool X11Connection::windowManagerSupports(X11Atom feature) {
    processEvents();
    if (m_supportedStamp != m_wmChanges.load()) {
        m_supportedStamp = m_wmChanges.load();
        m_supported = cardinals(m_root, X11Atom::_NET_SUPPORTED, XCB_ATOM_ATOM);
    }
    return m_supported.contains(atom(feature));
}

bool X11Connection::canSyncWithWindowManager() {
    // Some list the request but leave it unanswered (fluxbox): asked until one went unanswered.
    // A late answer (a busy window manager) shows it answers after all.
    return m_conn && windowManagerSupports(X11Atom::_NET_REQUEST_FRAME_EXTENTS) &&
           (m_syncAnswering || m_syncUnanswered != m_wmChanges.load());
}

bool X11Connection::syncWithWindowManager(int timeoutMs) {
    if (!canSyncWithWindowManager())
        return false;
    if (!m_syncWindow) {
        // Never mapped: the window manager only estimates its frame, which is the answer we wait for.
        m_syncWindow = xcb_generate_id(m_conn);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_conn, XCB_COPY_FROM_PARENT, m_syncWindow, m_root, -100, -100, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    }
    sendToWindowManager(m_syncWindow, X11Atom::_NET_REQUEST_FRAME_EXTENTS, {0, 0, 0, 0, 0});
    // Answers come in the order of the requests: this one is answered by the answer that makes the
    // count reach it, not by a late answer to an earlier one. One that has answered before does so
    // however busy it is, so it is waited for until it looks stuck rather than for timeoutMs.
    const quint64 wanted = ++m_syncRequests;
    const bool answered = waitForEvent([&](const xcb_generic_event_t*) { return m_syncAnswers >= wanted; },
                                       m_syncAnswering ? stuckWindowManagerMs : timeoutMs);
    if (!answered && !m_syncAnswering)
        m_syncUnanswered = m_wmChanges.load();
    return answered;
}

void X11Connection::requestMoveResize(xcb_window_t window, std::array<quint32, 5> data) {
    MoveCount& count = m_moves[window];
    // Answers beyond the requests came for something else (an activation's raise).
    count.requests = std::max(count.requests, count.answers) + 1;
    sendToWindowManager(window, X11Atom::_NET_MOVERESIZE_WINDOW, data);
}

bool X11Connection::waitForMoveResize(xcb_window_t window, int timeoutMs,
                                      const std::function<bool(bool answered)>& done) {
    // A gone window is not waited for.
    auto answered = [&] {
        const auto it = m_moves.constFind(window);
        return it == m_moves.constEnd() || it->answers >= it->requests;
    };
    // One that answers the sync has been waited for by it.
    QDeadlineTimer deadline(m_moveAnswering && !m_syncAnswering ? stuckWindowManagerMs : timeoutMs);
    processEvents();
    while (!done(answered())) {
        const bool configured =
            !deadline.hasExpired() &&
            waitForEvent([&](const xcb_generic_event_t* e) { return isConfigureOf(e, window); },
                         int(std::max<qint64>(1, deadline.remainingTime())));
        if (!configured) {
            if (!answered())
                m_moveAnswering = false;
            return false;
        }
    }
    return true;
}

void X11Connection::watch(xcb_window_t window) {
    {
        QMutexLocker lock(&m_mutex);
        if (m_watched.contains(window))
            return;
        m_watched.insert(window);
    }
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_conn, window, XCB_CW_EVENT_MASK, &mask);
}

void X11Connection::sync() {
    std::free(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr));
    m_sentSinceSync = false;
    m_lastSync.start();
    processEvents();
}

void X11Connection::syncUnlessFresh() {
    // Several reads in a row (one placement looks up its window three times) need one round trip.
    constexpr qint64 freshNs = 2'000'000;
    if (!m_sentSinceSync && m_lastSync.isValid() && m_lastSync.nsecsElapsed() < freshNs)
        processEvents();
    else
        sync();
}

void X11Connection::processEvents() {
    if (!m_conn)
        return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_conn)) {
        dispatch(event);
        std::free(event);
    }
}

bool X11Connection::waitForEvent(const std::function<bool(const xcb_generic_event_t*)>& match,
                                 int timeoutMs) {
    if (!m_conn)
        return false;
    QDeadlineTimer deadline(timeoutMs);
    xcb_flush(m_conn);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_conn)) {
            dispatch(event);
            const bool matched = match(event);
            std::free(event);
            if (matched)
                return true;
        }
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || xcb_connection_has_error(m_conn))
            return false;
        pollfd fd{xcb_get_file_descriptor(m_conn), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left));
    }
}

void X11Connection::dispatch(const xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (p->window == m_syncWindow) {
            if (p->atom == atom(X11Atom::_NET_FRAME_EXTENTS)) {
                ++m_syncAnswers;
                m_syncAnswering = true;
            }
            return;
        }
        if (p->window != m_root) {
            // The properties the managed-window list is made of.
            static const X11Atom read[] = {X11Atom::_NET_WM_STATE,       X11Atom::_NET_WM_DESKTOP,
                                           X11Atom::_NET_WM_WINDOW_TYPE, X11Atom::_NET_WM_PID,
                                           X11Atom::_GTK_APPLICATION_ID, X11Atom::_KDE_NET_WM_DESKTOP_FILE};
            const bool relevant =
                p->atom == XCB_ATOM_WM_CLASS || p->atom == XCB_ATOM_WM_TRANSIENT_FOR ||
                std::any_of(std::begin(read), std::end(read), [&](X11Atom a) { return atom(a) == p->atom; });
            if (relevant && p->window != m_ownWindow)
                ++m_changes;
            return;
        }
        if (p->atom == atom(X11Atom::_NET_SUPPORTED) || p->atom == atom(X11Atom::_NET_SUPPORTING_WM_CHECK)) {
            ++m_wmChanges;
            // Another window manager: what the one before left unanswered stays so.
            m_syncAnswering = false;
            m_syncAnswers = m_syncRequests;
            m_moveAnswering = true;
            m_stateCarriedOut = true;
            for (MoveCount& count : m_moves)
                count.answers = count.requests;
        }
        if (p->atom == atom(X11Atom::_NET_WORKAREA)) {
            ++m_screenChanges;
            Q_EMIT screensChanged();
        } else if (p->atom == atom(X11Atom::_NET_CLIENT_LIST) ||
                   p->atom == atom(X11Atom::_NET_CLIENT_LIST_STACKING)) {
            ++m_changes;
            if (p->atom == atom(X11Atom::_NET_CLIENT_LIST))
                ++m_screenChanges;
            Q_EMIT clientsChanged();
        }
    } else if (type == XCB_CONFIGURE_NOTIFY) {
        const auto* c = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if ((event->response_type & 0x80) && c->event == c->window) {
            if (const auto it = m_moves.find(c->window); it != m_moves.end()) {
                if (it->answers < it->requests)
                    m_moveAnswering = true;
                ++it->answers;
            }
            return;
        }
        if (c->event != m_root)
            return;
        // The root window itself: monitors set or deleted (xrandr --setmonitor) are announced only
        // this way, without a RandR event.
        if (c->window == m_root) {
            ++m_screenChanges;
            Q_EMIT screensChanged();
            return;
        }
        // A move or resize in place keeps the stacking; anything else may be a restack (also one
        // that leaves the sibling below the same).
        const TopLevel now{c->above_sibling, QRect(c->x, c->y, c->width, c->height)};
        QMutexLocker lock(&m_mutex);
        const auto it = m_topLevels.constFind(c->window);
        const bool moved =
            it != m_topLevels.constEnd() && it->above == now.above && it->geometry != now.geometry;
        m_topLevels.insert(c->window, now);
        if (!moved)
            ++m_changes;
    } else if (type == XCB_DESTROY_NOTIFY) {
        ++m_changes;
        ++m_wmChanges;
        QMutexLocker lock(&m_mutex);
        m_watched.remove(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
        m_moves.remove(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
        m_topLevels.remove(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
    } else if (m_randrEventBase >= 0 && (type == m_randrEventBase + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                                         type == m_randrEventBase + XCB_RANDR_NOTIFY)) {
        ++m_screenChanges;
        Q_EMIT screensChanged();
    }
}
