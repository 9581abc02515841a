// Moving, resizing, minimising and restoring another program's window through the window
// manager, each returning once the window manager has applied it (or at a deadline).
#pragma once

#include "platform/WindowValue.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QSize>

#include <optional>

class X11Connection;
class X11Desktop;

class X11WindowMover {
public:
    explicit X11WindowMover(X11Desktop& desktop);

    WindowAccessError moveResize(quint32 window, std::optional<QPoint> outerTopLeft,
                                 std::optional<QSize> outerSize);
    WindowAccessError setMinimized(quint32 window, bool minimized);

    // The longest a write waits for the window manager.
    static constexpr int applyTimeoutMs = 150;
    // The longest a restored window may take to be shown in full.
    static constexpr int showTimeoutMs = 1000;
    // How long a request the window manager has not answered by the deadline still counts as asked.
    static constexpr int unansweredKeptMs = 2000;

private:
    // The client size the window manager will give for a requested one (WM_NORMAL_HINTS).
    static QSize expectedClientSize(const QList<quint32>& hints, QSize requested);
    // False when the window was neither maximised nor full-screen (by its state now).
    bool leaveMaximized(quint32 window, const QList<quint32>& stateNow);
    WindowAccessError changeMinimized(quint32 window, bool minimized);
    // After an activation restored the window from minimised: until the window manager shows all
    // of it in its frame (openbox animates the restore, moving a cut-off frame up from the bottom
    // of the screen for about 160 ms, and puts it back where it was at the end), reads give passing
    // positions and writes are undone. Returns at once for any other window.
    void waitUntilShown(quint32 window);
    // Mapped, and its whole client area inside the top-level window (the frame) that holds it.
    bool isFullyShown(quint32 window);

    // A move or resize asked for and not yet shown by the deadline: where and how large, and where
    // and how large the frame was when it was asked.
    struct Unanswered {
        QPoint position;
        QSize client;
        QPoint shownPosition;
        QSize shownClient;
        QDeadlineTimer until;
    };

    X11Connection& m_conn;
    X11Desktop& m_desktop;
    QHash<quint32, Unanswered> m_unanswered;
};
