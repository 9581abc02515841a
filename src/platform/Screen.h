// One display as the placement rules see it: frames in bottom-left coordinates (origin at the
// bottom-left of the primary display, y up). Two values are the same display when their ids match.
#pragma once

#include "base/Geometry.h"

#include <QList>
#include <QString>

struct Screen {
    QString id;
    Rect frame;
    // The frame less docks and panels (their struts).
    Rect visibleFrame;
    // Device pixels per point; 1.0 on X11.
    double backingScaleFactor = 1.0;
    // The connector the display hangs on (eDP-1, HDMI-1, ...); empty when unknown.
    QString connector = {};

    bool isEqual(const Screen& other) const { return id == other.id; }
};

// The display's position in the list, by identity; -1 when it is not there.
inline int indexOfScreen(const QList<Screen>& screens, const Screen& screen) {
    for (int i = 0; i < screens.size(); ++i) {
        if (screens.at(i).isEqual(screen))
            return i;
    }
    return -1;
}
