// One managed top-level window, with what the backend needs to know about it.
#pragma once

#include <QString>

#include <optional>

#include <sys/types.h>

struct X11Client {
    quint32 window = 0;
    pid_t pid = 0; // 0 when the server does not know it
    // The desktop-entry id of its application; absent when it maps to none.
    std::optional<QString> applicationId;
    QString wmClass; // the class part of WM_CLASS
    // A normal top-level window: _NET_WM_WINDOW_TYPE_NORMAL, or no type and not transient.
    bool normal = false;
    bool dialog = false;
    bool skipTaskbar = false;
    bool minimized = false; // _NET_WM_STATE_HIDDEN
    quint32 desktop = 0xFFFFFFFF;
};
