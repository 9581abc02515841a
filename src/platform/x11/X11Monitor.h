// One monitor as RandR reports it, in X root coordinates (top-left origin, y down).
#pragma once

#include <QRect>
#include <QString>

struct X11Monitor {
    QString name;
    QRect rect;
    bool primary = false;
};
