#include "X11TaskbarEntry.h"

#include "X11Connection.h"

#include <QList>

#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t intern(xcb_connection_t* conn, const char* name) {
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (auto* reply = xcb_intern_atom_reply(
            conn, xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr)) {
        atom = reply->atom;
        std::free(reply);
    }
    return atom;
}

} // namespace

X11TaskbarEntry::X11TaskbarEntry(X11Connection& connection) : m_conn(connection) {
    if (!m_conn.isConnected())
        return;
    m_skipPager = intern(m_conn.xcb(), "_NET_WM_STATE_SKIP_PAGER");
    m_above = intern(m_conn.xcb(), "_NET_WM_STATE_ABOVE");
    m_motifHints = intern(m_conn.xcb(), "_MOTIF_WM_HINTS");
}

void X11TaskbarEntry::setState(quint64 window, const TaskbarEntryState& state) {
    if (!m_conn.isConnected() || window == 0)
        return;
    xcb_connection_t* conn = m_conn.xcb();
    const auto id = static_cast<xcb_window_t>(window);
    if (state.fixed) {
        // Functions and decorations given: only closing, no border or title.
        constexpr quint32 functionsAndDecorations = 1 | 2, close = 32;
        const quint32 hints[5] = {functionsAndDecorations, close, 0, 0, 0};
        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, id, m_motifHints, m_motifHints, 32, 5, hints);
    }
    const QList<std::pair<xcb_atom_t, bool>> wanted = {
        {m_conn.atom(X11Atom::_NET_WM_STATE_SKIP_TASKBAR), state.skipTaskbar},
        {m_skipPager, state.skipPager},
        {m_above, state.above},
    };

    bool mapped = false;
    if (auto* attributes =
            xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, id), nullptr)) {
        mapped = attributes->map_state != XCB_MAP_STATE_UNMAPPED;
        std::free(attributes);
    }
    if (mapped) {
        constexpr quint32 remove = 0, add = 1, sourceApplication = 1;
        for (const auto& [atom, on] : wanted)
            m_conn.sendToWindowManager(id, X11Atom::_NET_WM_STATE,
                                       {on ? add : remove, atom, 0, sourceApplication, 0});
        return;
    }
    // Unmapped: the window manager reads the property when the window is mapped.
    QList<quint32> atoms = m_conn.cardinals(id, X11Atom::_NET_WM_STATE, XCB_ATOM_ATOM);
    for (const auto& [atom, on] : wanted) {
        atoms.removeAll(atom);
        if (on)
            atoms.append(atom);
    }
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, id, m_conn.atom(X11Atom::_NET_WM_STATE), XCB_ATOM_ATOM,
                        32, static_cast<uint32_t>(atoms.size()), atoms.constData());
    xcb_flush(conn);
}
