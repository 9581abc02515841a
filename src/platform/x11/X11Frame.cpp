// The frame arithmetic of a client window, read in one round trip.
#include "X11Frame.h"

#include "X11Connection.h"

#include <cstdlib>

std::optional<X11Frame> X11Frame::read(X11Connection& conn, quint32 window, QList<quint32>* stateOut,
                                       QList<quint32>* hintsOut) {
    xcb_connection_t* c = conn.xcb();
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto translateCookie = xcb_translate_coordinates(c, window, conn.root(), 0, 0);
    const auto extentsCookie =
        conn.requestProperty(window, conn.atom(X11Atom::_NET_FRAME_EXTENTS), XCB_ATOM_CARDINAL);
    // Asked in the same round trip when wanted.
    if (stateOut)
        *stateOut =
            conn.cardinals(conn.requestProperty(window, conn.atom(X11Atom::_NET_WM_STATE), XCB_ATOM_ATOM));
    if (hintsOut)
        *hintsOut = conn.cardinals(conn.requestProperty(window, conn.atom(X11Atom::WM_NORMAL_HINTS)));
    auto* geometry = xcb_get_geometry_reply(c, geometryCookie, nullptr);
    auto* translated = xcb_translate_coordinates_reply(c, translateCookie, nullptr);
    const QList<quint32> extents = conn.cardinals(extentsCookie);
    std::optional<X11Frame> out;
    if (geometry && translated) {
        X11Frame f;
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

QList<quint32> X11Frame::state(X11Connection& conn, quint32 window) {
    return conn.cardinals(window, X11Atom::_NET_WM_STATE, XCB_ATOM_ATOM);
}
