// The pure geometry of placement: the rectangle of a position on a screen, keeping it on the
// screen, pixel alignment, anchors, and the flip between bottom-left and top-left coordinates.
#pragma once

#include "Anchors.h"
#include "PinSpec.h"
#include "base/Geometry.h"
#include "platform/Screen.h"

#include <QList>

// The position's rectangle on the screen's visible frame, bottom-left coordinates.
Rect pinnedRect(const Screen& screen, const PinSpec& spec);
// Moves the rectangle into the bounds without shrinking it (it only grows to at least 1 x 1).
Rect constrainToScreen(Rect rect, const Rect& bounds);
// Aligns to the device pixel grid; halves round away from zero.
double snap(double value, double scale);
Rect snapRectToBacking(const Rect& rect, const Screen& screen);

Anchors anchors(Corner corner);
// True when two or more edges are anchored.
bool isHalfScreenPosition(Anchors anchors);

// The top of the union of all screen frames (and the origin) is where top-left y starts.
Rect globalBounds(const QList<Screen>& screens);
// Bottom-left origin of a window of that height to its top-left corner in top-left
// coordinates. `screen` only appears in the debug lines this writes.
Point bottomLeftToTopLeft(Point origin, double height, const Screen& screen, const QList<Screen>& screens);
// The inverse; writes nothing.
Point topLeftToBottomLeft(Point topLeft, double height, const QList<Screen>& screens);
