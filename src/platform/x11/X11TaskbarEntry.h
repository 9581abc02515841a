// Our windows' taskbar, pager and above state on an EWMH window manager: client messages while a
// window is mapped, the _NET_WM_STATE property itself while it is not. A fixed window drops the move
// and resize functions from its Motif hints, which window managers read also while it is mapped.
#pragma once

#include "platform/TaskbarEntry.h"

#include <xcb/xcb.h>

class X11Connection;

class X11TaskbarEntry : public TaskbarEntry {
public:
    explicit X11TaskbarEntry(X11Connection& connection);

    void setState(quint64 window, const TaskbarEntryState& state) override;

private:
    X11Connection& m_conn;
    xcb_atom_t m_skipPager = XCB_ATOM_NONE;
    xcb_atom_t m_above = XCB_ATOM_NONE;
    xcb_atom_t m_motifHints = XCB_ATOM_NONE;
};
