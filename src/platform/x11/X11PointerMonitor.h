// Presses anywhere on the desktop through XInput 2 raw events on the root window: they reach us
// whichever program the press goes to, and take nothing from it. A connection of its own, read on
// a thread of its own: a raw press has no position, so the pointer is asked where it is at once,
// before a busy main thread lets it move on (a press inside a window, dragged out, is still inside).
#pragma once

#include "platform/PointerMonitor.h"

#include <QMutex>
#include <QSet>

#include <xcb/xcb.h>

#include <atomic>
#include <thread>

class X11PointerMonitor : public PointerMonitor {
    Q_OBJECT
public:
    // An empty name means $DISPLAY.
    explicit X11PointerMonitor(const QString& displayName = {}, QObject* parent = nullptr);
    ~X11PointerMonitor() override;

    bool start() override;
    void stop() override;
    bool isStarted() const override { return m_started.load(); }

    // The top-level client window holding `window` (a child of the root: a frame, a client or an
    // override-redirect window): the first one with WM_STATE at or below it, else `window` itself.
    quint32 clientWindow(quint32 window);
    // Presses whose position the reader has taken so far: it runs ahead of the signals, which wait
    // for the main thread.
    int pressesRead() const { return m_pressesRead.load(); }

private:
    void read();
    // Reader thread: the event, and whether reading goes on.
    bool handle(const xcb_generic_event_t* event);
    // The sequence number of the request.
    unsigned int select(quint32 mask);
    void readEscapeKeycodes();

    xcb_connection_t* m_conn = nullptr;
    xcb_window_t m_root = 0;
    xcb_window_t m_wake = 0; // an unmapped window of ours: a message to it ends the reader
    xcb_atom_t m_wmState = XCB_ATOM_NONE;
    int m_xinputOpcode = -1;
    QMutex m_mutex; // the reader's view of the three below
    QSet<quint32> m_escapeKeycodes;
    unsigned int m_startSequence = 0;
    std::atomic<bool> m_started = false;
    // Grows with every stop: what the reader saw before it is not reported.
    std::atomic<int> m_generation = 0;
    std::atomic<int> m_pressesRead = 0;
    std::thread m_reader;
};
