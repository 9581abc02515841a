// The real desktop in one object: the X connection and the window, screen and application
// services over it. The program creates one at start; tests create one per test desktop.
#pragma once

#include "DesktopEntryIndex.h"
#include "ProgramLauncher.h"
#include "X11Connection.h"
#include "X11Desktop.h"
#include "X11Screens.h"
#include "X11WindowAccess.h"
#include "X11Workspace.h"

class X11Backend {
public:
    struct Options {
        QString displayName;         // empty: $DISPLAY
        QStringList applicationDirs; // empty: the XDG defaults
        QString ownId = QStringLiteral("io.github.quarlin");
        pid_t ownPid = 0; // 0: this process
    };

    X11Backend();
    explicit X11Backend(const Options& options);

    bool isConnected() const { return connection.isConnected(); }

    X11Connection connection;
    DesktopEntryIndex entries;
    ProgramLauncher launcher;
    X11Desktop desktop;
    X11Screens screens;
    X11WindowAccess windows;
    X11Workspace workspace;
};
