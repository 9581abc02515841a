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

// The functions the window's _MOTIF_WM_HINTS allow the window manager to offer (the hint's
// "all but these" form turned around); all of them when the hints do not restrict functions.
inline quint32 motifFunctions(const QString& display, quint32 window) {
    constexpr quint32 all = 1, hintsFunctions = 1, everyFunction = 0x3e;
    quint32 functions = everyFunction;
    xcb_connection_t* conn = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    auto* atomReply = xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, 15, "_MOTIF_WM_HINTS"), nullptr);
    auto* reply = xcb_get_property_reply(
        conn, xcb_get_property(conn, 0, window, atomReply->atom, XCB_ATOM_ANY, 0, 5), nullptr);
    std::free(atomReply);
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 8) {
        const auto* hints = static_cast<const quint32*>(xcb_get_property_value(reply));
        if (hints[0] & hintsFunctions)
            functions = (hints[1] & all) ? everyFunction & ~hints[1] : hints[1];
    }
    std::free(reply);
    xcb_disconnect(conn);
    return functions;
}
