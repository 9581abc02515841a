// The monitors and their free areas in root coordinates, from the backend's screens.
#pragma once

#include "platform/MonitorAreas.h"

#include "platform/Screen.h"

class X11Connection;
class X11Screens;
struct X11Monitor;

class X11MonitorAreas : public MonitorAreas {
    Q_OBJECT
public:
    X11MonitorAreas(X11Connection& connection, X11Screens& screens, QObject* parent = nullptr);

    QList<MonitorArea> areas() override;
    QPoint pointer() override;

    // The displays (bottom-left coordinates) back in root coordinates, paired by position with the
    // monitors they were made from.
    static QList<MonitorArea> toRoot(const QList<X11Monitor>& monitors, const QList<Screen>& screens);

private:
    X11Connection& m_conn;
    X11Screens& m_screens;
};
