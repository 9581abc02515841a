// Reading window state straight from the X server, with a connection of the test's own.
#pragma once

#include <QString>
#include <QStringList>

#include <xcb/xcb.h>

#include <cstdlib>

// The names of the window's _NET_WM_STATE atoms.
inline QStringList netWmState(const QString& display, quint32 window) {
    QStringList names;
    xcb_connection_t* conn = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    auto* atomReply = xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, 13, "_NET_WM_STATE"), nullptr);
    auto* reply = xcb_get_property_reply(
        conn, xcb_get_property(conn, 0, window, atomReply->atom, XCB_ATOM_ATOM, 0, 64), nullptr);
    std::free(atomReply);
    if (reply && reply->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i) {
            auto* name = xcb_get_atom_name_reply(conn, xcb_get_atom_name(conn, atoms[i]), nullptr);
            if (name)
                names << QString::fromLatin1(xcb_get_atom_name_name(name),
                                             xcb_get_atom_name_name_length(name));
            std::free(name);
        }
    }
    std::free(reply);
    xcb_disconnect(conn);
    return names;
}
