#include "X11MonitorAreas.h"

#include "X11Connection.h"
#include "X11Monitor.h"
#include "X11Screens.h"

#include <cmath>
#include <cstdlib>

X11MonitorAreas::X11MonitorAreas(X11Connection& connection, X11Screens& screens, QObject* parent)
    : MonitorAreas(parent), m_conn(connection), m_screens(screens) {
    connect(&m_conn, &X11Connection::screensChanged, this, &MonitorAreas::changed);
}

QList<MonitorArea> X11MonitorAreas::areas() {
    if (!m_conn.isConnected())
        return {};
    return toRoot(m_screens.monitors(), m_screens.screens());
}

QList<MonitorArea> X11MonitorAreas::toRoot(const QList<X11Monitor>& monitors, const QList<Screen>& screens) {
    QList<MonitorArea> out;
    for (int i = 0; i < monitors.size() && i < screens.size(); ++i) {
        const QRect root = monitors.at(i).rect;
        const Rect frame = screens.at(i).frame;
        const Rect visible = screens.at(i).visibleFrame;
        // x shifts; y flips around the line that maps the monitor's frame onto its root rectangle.
        const double dx = root.x() - frame.x;
        const double flip = root.y() + frame.y + frame.height;
        const QRect visibleRoot(static_cast<int>(std::lround(visible.x + dx)),
                                static_cast<int>(std::lround(flip - visible.y - visible.height)),
                                static_cast<int>(std::lround(visible.width)),
                                static_cast<int>(std::lround(visible.height)));
        out.append({root, visibleRoot});
    }
    return out;
}

QPoint X11MonitorAreas::pointer() {
    if (!m_conn.isConnected())
        return {};
    QPoint position;
    if (auto* reply =
            xcb_query_pointer_reply(m_conn.xcb(), xcb_query_pointer(m_conn.xcb(), m_conn.root()), nullptr)) {
        position = QPoint(reply->root_x, reply->root_y);
        std::free(reply);
    }
    return position;
}
