// Presses anywhere on the desktop through XInput 2 raw events on the root window: they reach us
// whichever program the press goes to, and take nothing from it. A connection of its own.
#pragma once

#include "platform/PointerMonitor.h"

#include <QSet>

#include <xcb/xcb.h>

class QSocketNotifier;

class X11PointerMonitor : public PointerMonitor {
    Q_OBJECT
public:
    // An empty name means $DISPLAY.
    explicit X11PointerMonitor(const QString& displayName = {}, QObject* parent = nullptr);
    ~X11PointerMonitor() override;

    bool start() override;
    void stop() override;
    bool isStarted() const override { return m_started; }

    // The top-level client window holding `window` (a child of the root: a frame, a client or an
    // override-redirect window): the first one with WM_STATE at or below it, else `window` itself.
    quint32 clientWindow(quint32 window);

private:
    void processEvents();
    void select(quint32 mask);
    void readEscapeKeycodes();

    xcb_connection_t* m_conn = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_wmState = XCB_ATOM_NONE;
    int m_xinputOpcode = -1;
    QSocketNotifier* m_notifier = nullptr;
    QSet<quint32> m_escapeKeycodes;
    bool m_started = false;
};
