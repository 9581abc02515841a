#include "X11PointerMonitor.h"

#include <QMetaObject>

#include <xcb/xinput.h>

#include <cstdlib>

namespace {

constexpr quint32 escapeKeysym = 0xff1b;
constexpr quint32 leftButton = 1;
constexpr quint32 rightButton = 3;

} // namespace

X11PointerMonitor::X11PointerMonitor(const QString& displayName, QObject* parent) : PointerMonitor(parent) {
    const QByteArray name = displayName.toLocal8Bit();
    int screenNumber = 0;
    m_conn = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (xcb_connection_has_error(m_conn)) {
        xcb_disconnect(m_conn);
        m_conn = nullptr;
        return;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    if (auto* reply = xcb_intern_atom_reply(m_conn, xcb_intern_atom(m_conn, 0, 8, "WM_STATE"), nullptr)) {
        m_wmState = reply->atom;
        std::free(reply);
    }
    const auto* xinput = xcb_get_extension_data(m_conn, &xcb_input_id);
    if (xinput && xinput->present) {
        // Raw events reach the root whoever grabs the device from 2.1 on.
        auto* version =
            xcb_input_xi_query_version_reply(m_conn, xcb_input_xi_query_version(m_conn, 2, 2), nullptr);
        if (version &&
            (version->major_version > 2 || (version->major_version == 2 && version->minor_version >= 1)))
            m_xinputOpcode = xinput->major_opcode;
        std::free(version);
    }
    m_wake = xcb_generate_id(m_conn);
    xcb_create_window(m_conn, XCB_COPY_FROM_PARENT, m_wake, m_root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(m_conn);
    m_reader = std::thread([this] { read(); });
}

X11PointerMonitor::~X11PointerMonitor() {
    if (!m_conn)
        return;
    xcb_client_message_event_t wake{};
    wake.response_type = XCB_CLIENT_MESSAGE;
    wake.format = 32;
    wake.window = m_wake;
    xcb_send_event(m_conn, 0, m_wake, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&wake));
    xcb_flush(m_conn);
    m_reader.join();
    xcb_disconnect(m_conn);
}

bool X11PointerMonitor::start() {
    if (m_started)
        return true;
    if (!m_conn || m_xinputOpcode < 0)
        return false;
    readEscapeKeycodes();
    QMutexLocker lock(&m_mutex);
    m_startSequence =
        select(XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS);
    m_started = true;
    return true;
}

void X11PointerMonitor::stop() {
    if (!m_started)
        return;
    QMutexLocker lock(&m_mutex);
    select(0);
    m_started = false;
    // Presses already read or on their way belong to the time before the stop.
    ++m_generation;
}

unsigned int X11PointerMonitor::select(quint32 mask) {
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } masks{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, mask};
    const xcb_void_cookie_t cookie = xcb_input_xi_select_events(m_conn, m_root, 1, &masks.head);
    xcb_flush(m_conn);
    return cookie.sequence;
}

void X11PointerMonitor::readEscapeKeycodes() {
    QMutexLocker lock(&m_mutex);
    m_escapeKeycodes.clear();
    const xcb_setup_t* setup = xcb_get_setup(m_conn);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto* reply = xcb_get_keyboard_mapping_reply(
        m_conn, xcb_get_keyboard_mapping(m_conn, setup->min_keycode, static_cast<uint8_t>(count)), nullptr);
    if (!reply)
        return;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply);
    const int perKeycode = reply->keysyms_per_keycode;
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < perKeycode; ++j)
            if (keysyms[i * perKeycode + j] == escapeKeysym)
                m_escapeKeycodes.insert(static_cast<quint32>(setup->min_keycode + i));
    std::free(reply);
}

quint32 X11PointerMonitor::clientWindow(quint32 window) {
    // Breadth first, as a frame holds its client a level or two down.
    QList<xcb_window_t> level = {window};
    for (int depth = 0; depth < 3 && !level.isEmpty(); ++depth) {
        QList<xcb_get_property_cookie_t> cookies;
        for (xcb_window_t w : level)
            cookies << xcb_get_property(m_conn, 0, w, m_wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0);
        xcb_window_t found = 0;
        for (int i = 0; i < cookies.size(); ++i) {
            auto* reply = xcb_get_property_reply(m_conn, cookies.at(i), nullptr);
            if (reply && reply->type != XCB_ATOM_NONE && !found)
                found = level.at(i);
            std::free(reply);
        }
        if (found)
            return found;
        QList<xcb_window_t> next;
        for (xcb_window_t w : level) {
            if (auto* tree = xcb_query_tree_reply(m_conn, xcb_query_tree(m_conn, w), nullptr)) {
                const xcb_window_t* children = xcb_query_tree_children(tree);
                for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
                    next << children[i];
                std::free(tree);
            }
        }
        level = next;
    }
    return window;
}

void X11PointerMonitor::read() {
    while (xcb_generic_event_t* event = xcb_wait_for_event(m_conn)) {
        const bool more = handle(event);
        std::free(event);
        if (!more)
            return;
    }
}

bool X11PointerMonitor::handle(const xcb_generic_event_t* event) {
    const int type = event->response_type & 0x7f;
    if (type == XCB_CLIENT_MESSAGE)
        return reinterpret_cast<const xcb_client_message_event_t*>(event)->window != m_wake;
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (type != XCB_GE_GENERIC || ge->extension != m_xinputOpcode)
        return true;
    const auto* raw = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event);
    int generation = 0;
    {
        QMutexLocker lock(&m_mutex);
        // Sent before the current selection was made: from an earlier time on screen.
        if (!m_started || raw->full_sequence < m_startSequence)
            return true;
        if (ge->event_type == XCB_INPUT_RAW_KEY_PRESS && !m_escapeKeycodes.contains(raw->detail))
            return true;
        generation = m_generation;
    }
    if (ge->event_type == XCB_INPUT_RAW_KEY_PRESS) {
        // Asked at once: a program learns of a change of focus only a moment after the server.
        quint32 focus = 0;
        if (auto* reply = xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr)) {
            if (reply->focus != XCB_INPUT_FOCUS_POINTER_ROOT && reply->focus != m_root)
                focus = reply->focus;
            std::free(reply);
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, focus] {
                if (m_started && m_generation == generation)
                    Q_EMIT escapePressed(focus);
            },
            Qt::QueuedConnection);
    } else if (ge->event_type == XCB_INPUT_RAW_BUTTON_PRESS &&
               (raw->detail == leftButton || raw->detail == rightButton)) {
        QPoint position;
        quint32 window = 0;
        if (auto* pointer = xcb_query_pointer_reply(m_conn, xcb_query_pointer(m_conn, m_root), nullptr)) {
            position = QPoint(pointer->root_x, pointer->root_y);
            window = pointer->child ? clientWindow(pointer->child) : 0;
            std::free(pointer);
        }
        ++m_pressesRead;
        QMetaObject::invokeMethod(
            this,
            [this, generation, position, window] {
                if (m_started && m_generation == generation)
                    Q_EMIT buttonPressed(position, window);
            },
            Qt::QueuedConnection);
    }
    return true;
}
