// Monitors, struts and the pointer, read afresh from the server on every call.
#include "X11Screens.h"

#include "X11Connection.h"

#include <QThread>

#include <xcb/randr.h>

#include <algorithm>
#include <cstdlib>

X11Screens::X11Screens(X11Connection& connection, pid_t ownPid) : m_conn(connection), m_ownPid(ownPid) {}

void X11Screens::onChanged(QObject* context, std::function<void()> changed) {
    QObject::connect(&m_conn, &X11Connection::screensChanged, context, std::move(changed));
}

QList<X11Monitor> X11Screens::monitors() {
    if (!m_conn.xcb())
        return {};
    if (refreshCache())
        return m_monitors;
    return monitors(xcb_randr_get_monitors(m_conn.xcb(), m_conn.root(), 1));
}

bool X11Screens::refreshCache() {
    // Kept until an event says that the monitors, the work area or the windows changed; the
    // events that have arrived are read without a round trip.
    if (QThread::currentThread() != m_conn.thread())
        return false;
    m_conn.processEvents();
    const quint64 stamp = m_conn.screenChangeCount();
    if (m_cacheStamp != stamp) {
        const auto cookie = xcb_randr_get_monitors(m_conn.xcb(), m_conn.root(), 1);
        m_monitors = monitors(cookie);
        const QList<QList<quint32>> s = struts(m_monitors.size() == 1);
        m_screens.clear();
        for (const X11Monitor& m : std::as_const(m_monitors))
            m_screens << toScreen(m, m_monitors, s);
        m_cacheStamp = stamp;
    }
    return true;
}

QList<X11Monitor> X11Screens::monitors(xcb_randr_get_monitors_cookie_t cookie) {
    QList<X11Monitor> out;
    xcb_connection_t* c = m_conn.xcb();
    auto* reply = xcb_randr_get_monitors_reply(c, cookie, nullptr);
    if (reply) {
        for (auto it = xcb_randr_get_monitors_monitors_iterator(reply); it.rem;
             xcb_randr_monitor_info_next(&it)) {
            X11Monitor monitor{m_conn.atomName(it.data->name),
                               QRect(it.data->x, it.data->y, it.data->width, it.data->height),
                               it.data->primary != 0, QString()};
            if (monitor.rect.isEmpty())
                continue;
            monitor.connector = monitor.name;
            if (xcb_randr_monitor_info_outputs_length(it.data) > 0) {
                const xcb_randr_output_t output = xcb_randr_monitor_info_outputs(it.data)[0];
                auto* info = xcb_randr_get_output_info_reply(
                    c, xcb_randr_get_output_info(c, output, XCB_CURRENT_TIME), nullptr);
                if (info) {
                    const QString connector =
                        QString::fromUtf8(reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info)),
                                          xcb_randr_get_output_info_name_length(info));
                    if (!connector.isEmpty())
                        monitor.connector = connector;
                    std::free(info);
                }
            }
            out << monitor;
        }
        std::free(reply);
    }
    if (out.isEmpty())
        out << X11Monitor{QStringLiteral("default"), QRect(0, 0, m_conn.rootWidth(), m_conn.rootHeight()),
                          true, QStringLiteral("default")};
    std::stable_partition(out.begin(), out.end(), [](const X11Monitor& m) { return m.primary; });
    return out;
}

QPoint X11Screens::topLeftOrigin(const QList<X11Monitor>& monitors) {
    if (monitors.isEmpty())
        return {};
    int top = monitors.first().rect.y();
    for (const X11Monitor& m : monitors)
        top = std::min(top, m.rect.y());
    return {monitors.first().rect.x(), top};
}

Rect X11Screens::toBottomLeft(const QRect& root, const QList<X11Monitor>& monitors) {
    const QRect primary = monitors.isEmpty() ? QRect() : monitors.first().rect;
    const int primaryBottom = primary.y() + primary.height();
    return Rect(root.x() - primary.x(), primaryBottom - (root.y() + root.height()), root.width(),
                root.height());
}

int X11Screens::monitorIndexFor(const QRect& root, const QList<X11Monitor>& monitors) {
    int best = -1;
    qint64 bestArea = 0;
    for (int i = 0; i < monitors.size(); ++i) {
        const QRect overlap = monitors[i].rect.intersected(root);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (!overlap.isEmpty() && area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

QRect X11Screens::visibleRect(const QRect& monitor, const QList<QList<quint32>>& struts, QSize rootSize) {
    int left = monitor.x(), top = monitor.y();
    int right = monitor.x() + monitor.width(), bottom = monitor.y() + monitor.height();
    for (const QList<quint32>& s : struts) {
        if (s.size() < 12)
            continue;
        // Each strut reserves a band along one edge of the root window; it only takes from
        // a monitor that the band overlaps.
        const QRect leftBand(0, int(s[4]), int(s[0]), int(s[5]) + 1 - int(s[4]));
        const QRect rightBand(rootSize.width() - int(s[1]), int(s[6]), int(s[1]), int(s[7]) + 1 - int(s[6]));
        const QRect topBand(int(s[8]), 0, int(s[9]) + 1 - int(s[8]), int(s[2]));
        const QRect bottomBand(int(s[10]), rootSize.height() - int(s[3]), int(s[11]) + 1 - int(s[10]),
                               int(s[3]));
        if (s[0] && leftBand.intersects(monitor))
            left = std::max(left, leftBand.x() + leftBand.width());
        if (s[1] && rightBand.intersects(monitor))
            right = std::min(right, rightBand.x());
        if (s[2] && topBand.intersects(monitor))
            top = std::max(top, topBand.y() + topBand.height());
        if (s[3] && bottomBand.intersects(monitor))
            bottom = std::min(bottom, bottomBand.y());
    }
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

QList<QList<quint32>> X11Screens::struts(bool oneMonitor) {
    const bool mainThread = QThread::currentThread() == m_conn.thread();
    if (mainThread) {
        m_conn.processEvents();
        if (m_strutsStamp == m_conn.screenChangeCount()) {
            QList<QList<quint32>> out = m_struts;
            if (oneMonitor && !m_workAreaBands.isEmpty())
                out << m_workAreaBands;
            return out;
        }
    }
    const quint64 stamp = m_conn.screenChangeCount();
    QList<QList<quint32>> out;
    const auto workArea =
        m_conn.requestProperty(m_conn.root(), m_conn.atom(X11Atom::_NET_WORKAREA), XCB_ATOM_CARDINAL);
    const auto desktop =
        m_conn.requestProperty(m_conn.root(), m_conn.atom(X11Atom::_NET_CURRENT_DESKTOP), XCB_ATOM_CARDINAL);
    const QList<quint32> clients =
        m_conn.cardinals(m_conn.root(), X11Atom::_NET_CLIENT_LIST, XCB_ATOM_WINDOW);
    QList<xcb_get_property_cookie_t> partial, full;
    for (quint32 w : clients) {
        partial << m_conn.requestProperty(w, m_conn.atom(X11Atom::_NET_WM_STRUT_PARTIAL), XCB_ATOM_CARDINAL);
        full << m_conn.requestProperty(w, m_conn.atom(X11Atom::_NET_WM_STRUT), XCB_ATOM_CARDINAL);
    }
    for (qsizetype i = 0; i < clients.size(); ++i) {
        QList<quint32> s = m_conn.cardinals(partial[i]);
        const QList<quint32> f = m_conn.cardinals(full[i]);
        if (s.size() < 12 && f.size() >= 4) {
            // The older form spans the whole edge.
            const quint32 w = quint32(m_conn.rootWidth() - 1), h = quint32(m_conn.rootHeight() - 1);
            s = {f[0], f[1], f[2], f[3], 0, h, 0, h, 0, w, 0, w};
        }
        if (s.size() >= 12)
            out << s;
    }
    const QList<quint32> bands = workAreaBands(m_conn.cardinals(workArea), m_conn.cardinals(desktop).value(0),
                                               QSize(m_conn.rootWidth(), m_conn.rootHeight()));
    if (mainThread) {
        m_struts = out;
        m_workAreaBands = bands;
        m_strutsStamp = stamp;
    }
    if (oneMonitor && !bands.isEmpty())
        out << bands;
    return out;
}

QList<quint32> X11Screens::workAreaBands(const QList<quint32>& workAreas, quint32 desktop, QSize rootSize) {
    const qsizetype at = qsizetype(desktop) * 4 + 3 < workAreas.size() ? qsizetype(desktop) * 4 : 0;
    if (workAreas.size() < at + 4)
        return {};
    const QRect area{int(workAreas[at]), int(workAreas[at + 1]), int(workAreas[at + 2]),
                     int(workAreas[at + 3])};
    const QRect root(QPoint(0, 0), rootSize);
    if (area.isEmpty() || !root.contains(area))
        return {};
    const quint32 w = quint32(rootSize.width() - 1), h = quint32(rootSize.height() - 1);
    return {quint32(area.left()),
            quint32(root.right() - area.right()),
            quint32(area.top()),
            quint32(root.bottom() - area.bottom()),
            0,
            h,
            0,
            h,
            0,
            w,
            0,
            w};
}

Screen X11Screens::toScreen(const X11Monitor& monitor, const QList<X11Monitor>& all,
                            const QList<QList<quint32>>& struts) {
    Screen screen;
    screen.id = monitor.name;
    screen.connector = monitor.connector;
    screen.frame = toBottomLeft(monitor.rect, all);
    screen.visibleFrame =
        toBottomLeft(visibleRect(monitor.rect, struts, QSize(m_conn.rootWidth(), m_conn.rootHeight())), all);
    screen.backingScaleFactor = 1.0;
    return screen;
}

QList<Screen> X11Screens::screens() {
    if (!m_conn.xcb())
        return {};
    if (refreshCache())
        return m_screens;
    // Asked for first, so that its answer travels with the struts' round trip.
    const auto cookie = xcb_randr_get_monitors(m_conn.xcb(), m_conn.root(), 1);
    const QList<X11Monitor> all = monitors(cookie);
    const QList<QList<quint32>> s = struts(all.size() == 1);
    QList<Screen> out;
    for (const X11Monitor& m : all)
        out << toScreen(m, all, s);
    return out;
}

std::optional<Screen> X11Screens::mainScreen() {
    const QList<X11Monitor> all = monitors();
    if (all.isEmpty())
        return std::nullopt;
    int index = 0;
    const QList<quint32> active =
        m_conn.cardinals(m_conn.root(), X11Atom::_NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW);
    if (!active.isEmpty() && active.first() && m_conn.pid(m_conn.requestPid(active.first())) == m_ownPid) {
        xcb_connection_t* c = m_conn.xcb();
        auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, active.first()), nullptr);
        auto* translated = xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, active.first(), m_conn.root(), 0, 0), nullptr);
        if (geometry && translated) {
            const int found = monitorIndexFor(
                QRect(translated->dst_x, translated->dst_y, geometry->width, geometry->height), all);
            if (found >= 0)
                index = found;
        }
        std::free(geometry);
        std::free(translated);
    }
    return toScreen(all[index], all, struts(all.size() == 1));
}

Point X11Screens::mouseLocation() {
    xcb_connection_t* c = m_conn.xcb();
    if (!c)
        return {};
    auto* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, m_conn.root()), nullptr);
    if (!reply)
        return {};
    // The pointer's pixel as a 1 x 1 rectangle, so that every pixel of a monitor lies inside
    // its frame (the top row included).
    const Rect pixel = toBottomLeft(QRect(reply->root_x, reply->root_y, 1, 1), monitors());
    std::free(reply);
    return pixel.origin();
}
