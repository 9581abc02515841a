// One window of a simulated application and how it answers size and position writes.
#pragma once

#include "base/Geometry.h"

#include <QSet>
#include <QString>

struct SimWindow {
    explicit SimWindow(QString title_ = {}) : title(std::move(title_)) {}

    QString title;
    QString role = QStringLiteral("AXWindow");
    // Outer frame, top-left coordinates.
    Point position;
    Size size{800, 600};
    bool minimized = false;

    // The application enforces these on every size it takes.
    Size minSize;
    Size sizeIncrement;
    // The size writes before this one (counted from 1) are ignored.
    int acceptsSizeFromWrite = 1;
    // Added to every position written, as a window that places itself a little off.
    Point positionSkew;
    // Listed only from this time of the virtual clock on.
    double appearsAt = 0;
    // Attributes whose reads fail.
    QSet<QString> unreadable;

    // Set by the desktop.
    int id = -1;
    int sizeWrites = 0;
};
