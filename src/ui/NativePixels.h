// Qt places our windows in device-independent pixels; X (the monitors and their panels, the pointer,
// the tray's windows) speaks root pixels. With a scale factor (QT_SCALE_FACTOR, or Xft.dpi above 96)
// the two differ, so every crossing between them goes through here. Each screen keeps its top-left
// corner in both systems; inside it, root pixels are Qt pixels times the screen's factor.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace NativePixels {

struct ScreenScale {
    // The screen in Qt pixels (its top-left is also its top-left in root pixels).
    QRect geometry;
    double factor = 1.0;
};

// The application's screens as Qt sees them now.
QList<ScreenScale> screens();

QPoint toRoot(const QPoint& point, const QList<ScreenScale>& screens = NativePixels::screens());
QRect toRoot(const QRect& rect, const QList<ScreenScale>& screens = NativePixels::screens());
QPoint fromRoot(const QPoint& point, const QList<ScreenScale>& screens = NativePixels::screens());
QRect fromRoot(const QRect& rect, const QList<ScreenScale>& screens = NativePixels::screens());

} // namespace NativePixels
