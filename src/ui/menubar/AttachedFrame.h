// Where the attached window goes and how tall it may be: on the anchor's side of its panel (below
// a top panel, above a bottom one, beside a side panel), inside the monitor's free area. Qt pixels.
#pragma once

#include "platform/MonitorAreas.h"

#include <QList>
#include <QRect>

class AttachedFrame {
public:
    static constexpr int width = 428;
    static constexpr int minimumHeight = 545;
    static constexpr int maximumHeight = 900;
    static constexpr int maximumHeightWithoutScreen = 860;
    static constexpr int edgeMargin = 8;
    static constexpr int panelGap = 6;

    // The frame of a window of the given size hanging from `anchor`; at (100, 100) without monitors.
    static QRect under(const QList<MonitorArea>& areas, const QRect& anchor, int width, int height);
    // Whether `anchor` lies in its monitor's free area (the pointer, without a tray): no panel's
    // side to hang from.
    static bool insideFreeArea(const QList<MonitorArea>& areas, const QRect& anchor);
    // The window shown at `shown`, at a new size: its top edge stays, moved up only as far as the
    // free area needs.
    static QRect keepingTop(const QList<MonitorArea>& areas, const QRect& shown, int width, int height);
    // The height limit on the monitor holding `frame`: it always fits the free area.
    static int heightLimit(const QList<MonitorArea>& areas, const QRect& frame);
    // The smallest height there: the usual minimum where it fits.
    static int heightFloor(const QList<MonitorArea>& areas, const QRect& frame);
};
