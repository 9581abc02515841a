// One monitor as RandR reports it, in X root coordinates (top-left origin, y down).
#pragma once

#include <QRect>
#include <QString>

struct X11Monitor {
    QString name;
    QRect rect;
    bool primary = false;
    // The name of its first output's connector (eDP-1, HDMI-1, ...); the monitor's name when it
    // has no output.
    QString connector;
};
