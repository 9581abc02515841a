// The displays of the X server (RandR 1.5 monitors, primary first), their visible frames less
// the struts of docks and panels, the pointer, and the conversions between X root coordinates
// and the bottom-left and top-left coordinates the rest of the program uses.
#pragma once

#include "X11Monitor.h"
#include "platform/Screens.h"

#include <QPoint>
#include <QRect>

#include <xcb/randr.h>

#include <sys/types.h>

class X11Connection;

class X11Screens : public Screens {
public:
    // ownPid: this program's process, whose focused window decides the main screen.
    explicit X11Screens(X11Connection& connection, pid_t ownPid);

    QList<Screen> screens() override;
    std::optional<Screen> mainScreen() override;
    Point mouseLocation() override;
    void onChanged(QObject* context, std::function<void()> changed) override;

    // Primary first, then RandR's order; the whole root window when RandR reports none.
    QList<X11Monitor> monitors();

    // Where top-left coordinates start in root coordinates: x at the primary monitor's left
    // edge, y at the top of the highest monitor.
    static QPoint topLeftOrigin(const QList<X11Monitor>& monitors);
    // A root rectangle in bottom-left coordinates (origin at the primary's bottom-left corner).
    static Rect toBottomLeft(const QRect& root, const QList<X11Monitor>& monitors);
    // The monitor a root rectangle overlaps most; -1 when none.
    static int monitorIndexFor(const QRect& root, const QList<X11Monitor>& monitors);
    // The monitor less the struts that touch it; struts as the 12 values of
    // _NET_WM_STRUT_PARTIAL, relative to the root window of the given size.
    static QRect visibleRect(const QRect& monitor, const QList<QList<quint32>>& struts, QSize rootSize);
    // The bands _NET_WORKAREA (of the given desktop, else the first) leaves along the root's edges,
    // in the same 12 values; empty when it gives no usable area.
    static QList<quint32> workAreaBands(const QList<quint32>& workAreas, quint32 desktop, QSize rootSize);

private:
    QList<X11Monitor> monitors(xcb_randr_get_monitors_cookie_t cookie);
    // The struts of the listed clients. A window manager's own panels (icewm's taskbar, fluxbox's
    // toolbar) are no listed client and may carry no strut at all: only the work area tells of them.
    // It is one rectangle for all monitors, so it counts only when there is one monitor.
    QList<QList<quint32>> struts(bool oneMonitor);
    Screen toScreen(const X11Monitor& monitor, const QList<X11Monitor>& all,
                    const QList<QList<quint32>>& struts);

    X11Connection& m_conn;
    pid_t m_ownPid;
    // Brings the kept monitors and screens up to date; false off the main thread, where nothing
    // is kept.
    bool refreshCache();

    QList<X11Monitor> m_monitors;
    QList<Screen> m_screens;
    std::optional<quint64> m_cacheStamp;
    // Struts only change with the work area or the windows (main thread).
    QList<QList<quint32>> m_struts;
    QList<quint32> m_workAreaBands;
    std::optional<quint64> m_strutsStamp;
};
