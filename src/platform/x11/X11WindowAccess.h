// Window access over EWMH/ICCCM: windows of an application from the managed-window list,
// roles from window types, outer frames from the client geometry and _NET_FRAME_EXTENTS,
// writes through the window manager that return once it has applied them, and the desktop
// entry's actions as the application's only menu.
#pragma once

#include "platform/WindowAccess.h"

#include <QRect>

class ProgramLauncher;
class X11Connection;
class X11Desktop;
class X11Element;
class X11Screens;

class X11WindowAccess : public WindowAccess {
public:
    X11WindowAccess(X11Desktop& desktop, X11Screens& screens, const ProgramLauncher& launcher);

    bool isProcessTrusted(bool prompt) override;
    WindowElementRef applicationElement(pid_t pid) override;
    WindowAccessError readAttribute(const WindowElementRef& element, const QString& attribute,
                                    WindowValue& value) override;
    WindowAccessError writeAttribute(const WindowElementRef& element, const QString& attribute,
                                     const WindowValue& value) override;
    WindowAccessError performAction(const WindowElementRef& element, const QString& action) override;

    // The longest a write waits for the window manager.
    static constexpr int applyTimeoutMs = 150;
    // The longest a restored window may take to be shown in full.
    static constexpr int showTimeoutMs = 1000;

private:
    struct Frame {
        QRect client; // root coordinates
        int left = 0, right = 0, top = 0, bottom = 0;
        QRect outer() const { return client.adjusted(-left, -top, right, bottom); }
    };

    bool readTrusted();
    WindowAccessError applicationAttribute(const X11Element& app, const QString& attribute,
                                           WindowValue& value);
    WindowAccessError windowAttribute(const X11Element& window, const QString& attribute, WindowValue& value);
    WindowAccessError menuAttribute(const X11Element& element, const QString& attribute, WindowValue& value);

    // With stateOut and hintsOut, also _NET_WM_STATE and WM_NORMAL_HINTS, in the same round trip.
    std::optional<Frame> frame(quint32 window, QList<quint32>* stateOut = nullptr,
                               QList<quint32>* hintsOut = nullptr);
    // The client size the window manager will give for a requested one (WM_NORMAL_HINTS).
    static QSize expectedClientSize(const QList<quint32>& hints, QSize requested);
    // False when the window was neither maximised nor full-screen (by its state now).
    bool leaveMaximized(quint32 window, const QList<quint32>& stateNow);
    WindowAccessError moveResize(quint32 window, std::optional<QPoint> outerTopLeft,
                                 std::optional<QSize> outerSize);
    WindowAccessError setMinimized(quint32 window, bool minimized);
    WindowAccessError changeMinimized(quint32 window, bool minimized);
    // After an activation restored the window from minimised: until the window manager shows all
    // of it in its frame (openbox animates the restore, moving a cut-off frame up from the bottom
    // of the screen for about 160 ms, and puts it back where it was at the end), reads give passing
    // positions and writes are undone. Returns at once for any other window.
    void waitUntilShown(quint32 window);
    // Mapped, and its whole client area inside the top-level window (the frame) that holds it.
    bool isFullyShown(quint32 window);
    QList<quint32> state(quint32 window);

    X11Connection& m_conn;
    X11Desktop& m_desktop;
    X11Screens& m_screens;
    const ProgramLauncher& m_launcher;
    bool m_trusted = false;
    std::optional<quint64> m_trustedStamp;
};
