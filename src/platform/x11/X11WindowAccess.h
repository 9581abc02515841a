// Window access over EWMH/ICCCM: windows of an application from the managed-window list,
// roles from window types, outer frames from the client geometry and _NET_FRAME_EXTENTS,
// writes through the window manager that return once it has applied them, and the desktop
// entry's actions as the application's only menu.
#pragma once

#include "X11EntryMenu.h"
#include "X11WindowMover.h"

#include "platform/WindowAccess.h"

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

private:
    bool readTrusted();
    WindowAccessError applicationAttribute(const X11Element& app, const QString& attribute,
                                           WindowValue& value);
    WindowAccessError windowAttribute(const X11Element& window, const QString& attribute, WindowValue& value);

    X11Connection& m_conn;
    X11Desktop& m_desktop;
    X11Screens& m_screens;
    X11EntryMenu m_menu;
    X11WindowMover m_mover;
    bool m_trusted = false;
    std::optional<quint64> m_trustedStamp;
};
