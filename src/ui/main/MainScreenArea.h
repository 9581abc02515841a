// The main screen's free area as our windows are placed: the display holding our focused window
// (else the primary) and its visible frame less panels, as the desktop backend reads them, in Qt's
// pixels. Qt's own availableGeometry cannot stand in: it is wrong with two monitors.
#pragma once

#include "platform/Screen.h"

#include <QList>
#include <QRect>

#include <optional>

class Screens;

class MainScreenArea {
public:
    // The main screen's visible frame; absent without displays.
    static std::optional<QRect> visibleFrame(Screens& screens);
    // A rectangle of the displays' bottom-left coordinates in Qt's pixels. The X root's origin is the
    // top-left corner of the displays' bounding box.
    static QRect toQtPixels(const Rect& rect, const QList<Screen>& screens);
};
