// A client window with the frame the window manager puts around it (_NET_FRAME_EXTENTS), and the
// window's state, as the reads and the writes of window attributes both need them.
#pragma once

#include <QList>
#include <QRect>

#include <optional>

class X11Connection;

struct X11Frame {
    QRect client; // root coordinates
    int left = 0, right = 0, top = 0, bottom = 0;
    QRect outer() const { return client.adjusted(-left, -top, right, bottom); }

    // With stateOut and hintsOut, also _NET_WM_STATE and WM_NORMAL_HINTS, in the same round trip.
    static std::optional<X11Frame> read(X11Connection& conn, quint32 window,
                                        QList<quint32>* stateOut = nullptr,
                                        QList<quint32>* hintsOut = nullptr);
    static QList<quint32> state(X11Connection& conn, quint32 window);
};
