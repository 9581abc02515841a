// The monitors in X root coordinates (top-left origin, y down), as our own windows are placed: each
// monitor's frame and the part of it that panels leave free. Main thread.
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>

struct MonitorArea {
    QRect frame;
    QRect visible;
};

class MonitorAreas : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The primary first; empty without monitors.
    virtual QList<MonitorArea> areas() = 0;
    // The pointer, in root coordinates.
    virtual QPoint pointer() = 0;

Q_SIGNALS:
    // Monitors, panels or struts changed.
    void changed();
};
