// Mouse presses and Escape anywhere on the desktop, seen without taking them from the program they
// go to (no grab). A window hanging from the tray uses it to go away on a click elsewhere. Main thread.
#pragma once

#include <QObject>
#include <QPoint>

class PointerMonitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // False when the desktop cannot report such events.
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual bool isStarted() const = 0;

Q_SIGNALS:
    // The left or right button went down at `position` (root coordinates) over the top-level client
    // window `window` (an override-redirect window itself; 0 over the bare desktop).
    void buttonPressed(QPoint position, quint64 window);
    // Escape went down, whichever program has the keyboard: `focus` is the window that held the
    // input focus then (0 for none or the root).
    void escapePressed(quint64 focus);
};
