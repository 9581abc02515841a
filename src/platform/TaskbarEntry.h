// The window-manager state that decides whether our own windows show in the taskbar and the pager,
// whether they float above ordinary windows and whether the user may move them. Window managers drop
// it when a window is unmapped, so callers set it again at every show. Main thread.
#pragma once

#include <QtGlobal>

struct TaskbarEntryState {
    bool skipTaskbar = false;
    bool skipPager = false;
    bool above = false;
    // Asks the window manager not to let the user move or resize it.
    bool fixed = false;
    friend bool operator==(const TaskbarEntryState&, const TaskbarEntryState&) = default;
};

class TaskbarEntry {
public:
    virtual ~TaskbarEntry() = default;
    // `window` is the native id of one of our own top-level windows.
    virtual void setState(quint64 window, const TaskbarEntryState& state) = 0;
};
