// The one persistent connection to the X server: interned atoms, property reads, client
// messages to the window manager, server timestamps, and the events the backend waits for.
// Requests may come from any thread; events are read on the main thread only.
#pragma once

#include "X11Atom.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QRect>
#include <QSet>
#include <QString>

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <array>
#include <atomic>
#include <functional>
#include <optional>

class QSocketNotifier;

class X11Connection : public QObject {
    Q_OBJECT
public:
    // An empty name means $DISPLAY.
    explicit X11Connection(const QString& displayName = {});
    ~X11Connection() override;

    bool isConnected() const { return m_conn != nullptr; }
    QString displayName() const { return m_displayName; }
    xcb_connection_t* xcb() const { return m_conn; }
    xcb_window_t root() const { return m_root; }
    int rootWidth() const { return m_rootWidth; }
    int rootHeight() const { return m_rootHeight; }
    xcb_atom_t atom(X11Atom a) const { return m_atoms[static_cast<size_t>(a)]; }
    QString atomName(xcb_atom_t atom);

    // Requests that can be sent for many windows before the first reply is read.
    xcb_get_property_cookie_t requestProperty(xcb_window_t window, xcb_atom_t property,
                                              xcb_atom_t type = XCB_GET_PROPERTY_TYPE_ANY);
    // The 32-bit items of the reply (empty when the property is absent or not 32-bit).
    QList<quint32> cardinals(xcb_get_property_cookie_t cookie);
    // The bytes of an 8-bit property.
    QByteArray bytes(xcb_get_property_cookie_t cookie);
    QList<quint32> cardinals(xcb_window_t window, X11Atom property,
                             xcb_atom_t type = XCB_GET_PROPERTY_TYPE_ANY);
    QByteArray bytes(xcb_window_t window, xcb_atom_t property);

    // The process that created a window, asked of the server (XRes) since _NET_WM_PID can be
    // missing or wrong; 0 when unknown.
    xcb_res_query_client_ids_cookie_t requestPid(xcb_window_t window);
    pid_t pid(xcb_res_query_client_ids_cookie_t cookie);

    // A client message to the root window, as EWMH asks pagers to send them.
    void sendToWindowManager(xcb_window_t window, X11Atom type, std::array<quint32, 5> data);

    // Grows whenever the window manager's root properties changed or a watched window went, as far
    // as the events that have arrived tell (read without a round trip). Main thread.
    quint64 windowManagerChangeCount() {
        processEvents();
        return m_wmChanges;
    }
    // Whether the running window manager lists the feature in _NET_SUPPORTED. Main thread.
    bool windowManagerSupports(X11Atom feature);
    // Returns once the window manager has handled every request sent before (it answers a frame
    // estimate for a window of ours in order with them). False when it cannot answer, or did not:
    // within timeoutMs while it has never answered, within stuckWindowManagerMs once it has (a busy
    // one answers late). Main thread.
    bool syncWithWindowManager(int timeoutMs);
    static constexpr int stuckWindowManagerMs = 2000;
    // Whether it can (as far as known).
    bool canSyncWithWindowManager();

    // _NET_MOVERESIZE_WINDOW for another program's window (watched).
    void requestMoveResize(xcb_window_t window, std::array<quint32, 5> data);
    // Reads events until `done` holds, asked after each ConfigureNotify of the window with whether
    // the window manager has answered each request for it by then. Some answer each with a
    // synthetic ConfigureNotify of the window, the geometry they settled on (fluxbox, which leaves
    // the sync unanswered, also when nothing changed, and also for other causes than a request).
    // False within stuckWindowManagerMs while the window manager is taken to answer so (until one
    // went unanswered) and does not answer the sync, within timeoutMs otherwise. Main thread.
    bool waitForMoveResize(xcb_window_t window, int timeoutMs,
                           const std::function<bool(bool answered)>& done);

    // Whether the running window manager carries out an activation or a minimising as far as seen
    // (taken to until one was not done in time); one that does is busy when it is late.
    bool carriesOutStateRequests() const { return m_stateCarriedOut; }
    void setCarriesOutStateRequests(bool carriedOut) { m_stateCarriedOut = carriedOut; }

    // A real server timestamp (from a property change on our own window). Main thread.
    xcb_timestamp_t serverTime();

    // Receive structure and property events of another program's window (once per window).
    void watch(xcb_window_t window);
    // A round trip: every event the server generated before it has been read afterwards.
    void sync();
    // The same, unless one was made a moment ago and nothing was sent since. Main thread.
    void syncUnlessFresh();
    // Reads events until `match` accepts one or timeoutMs passed; every event is also dispatched.
    // Main thread.
    bool waitForEvent(const std::function<bool(const xcb_generic_event_t*)>& match, int timeoutMs);
    // Reads and dispatches what is queued.
    void processEvents();
    // Grows whenever the managed windows or a property the backend reads from them changed
    // (as far as the events read so far tell).
    quint64 changeCount() const { return m_changes; }
    // Grows whenever the monitors, the work area or the set of managed windows changed.
    quint64 screenChangeCount() const { return m_screenChanges; }

Q_SIGNALS:
    // The monitors or the struts changed.
    void screensChanged();
    // A window was managed or unmanaged, or the stacking changed.
    void clientsChanged();

private:
    void dispatch(const xcb_generic_event_t* event);

    QString m_displayName;
    xcb_connection_t* m_conn = nullptr;
    xcb_window_t m_root = 0;
    xcb_window_t m_ownWindow = 0;
    xcb_window_t m_syncWindow = 0;
    QList<quint32> m_supported;
    std::optional<quint64> m_supportedStamp;
    std::optional<quint64> m_syncUnanswered;
    // Sync requests sent and answers seen; whether the window manager running has answered one.
    quint64 m_syncRequests = 0;
    quint64 m_syncAnswers = 0;
    bool m_syncAnswering = false;
    // Per window: move requests sent and synthetic ConfigureNotify events seen since.
    struct MoveCount {
        quint64 requests = 0;
        quint64 answers = 0;
    };
    QHash<xcb_window_t, MoveCount> m_moves;
    bool m_moveAnswering = true;
    bool m_stateCarriedOut = true;
    bool m_sentSinceSync = true;
    QElapsedTimer m_lastSync;
    std::atomic<quint64> m_wmChanges{0};
    int m_rootWidth = 0;
    int m_rootHeight = 0;
    int m_randrEventBase = -1;
    std::array<xcb_atom_t, static_cast<size_t>(X11Atom::count)> m_atoms{};
    QMutex m_mutex;
    QHash<xcb_atom_t, QString> m_atomNames;
    QSet<xcb_window_t> m_watched;
    // Each top-level window's last known sibling below and geometry.
    struct TopLevel {
        xcb_window_t above = 0;
        QRect geometry;
    };
    QHash<xcb_window_t, TopLevel> m_topLevels;
    QSocketNotifier* m_notifier = nullptr;
    std::atomic<quint64> m_changes{0};
    std::atomic<quint64> m_screenChanges{0};
};
