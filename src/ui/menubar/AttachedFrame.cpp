#include "AttachedFrame.h"

#include <algorithm>
#include <iterator>

namespace {

// The monitor holding most of `rect`, else the one nearest to its centre; -1 without monitors.
int monitorFor(const QList<MonitorArea>& areas, const QRect& rect) {
    int best = -1;
    qint64 bestArea = -1;
    for (int i = 0; i < areas.size(); ++i) {
        const QRect overlap = areas.at(i).frame.intersected(rect);
        const qint64 area = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    if (bestArea > 0 || areas.isEmpty())
        return best;
    const QPoint centre = rect.center();
    qint64 bestDistance = -1;
    for (int i = 0; i < areas.size(); ++i) {
        const QRect f = areas.at(i).frame;
        const qint64 dx = std::max({f.left() - centre.x(), 0, centre.x() - f.right()});
        const qint64 dy = std::max({f.top() - centre.y(), 0, centre.y() - f.bottom()});
        const qint64 distance = dx * dx + dy * dy;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// Clamps into [low, high]; the low bound wins when the range is empty.
int clampLowWins(int value, int low, int high) {
    return std::max(std::min(value, high), low);
}

QPoint centreOf(const QRect& anchor) {
    return QPoint(anchor.x() + anchor.width() / 2, anchor.y() + anchor.height() / 2);
}

} // namespace

QRect AttachedFrame::under(const QList<MonitorArea>& areas, const QRect& anchor, int w, int h) {
    const int index = monitorFor(areas, anchor);
    if (index < 0)
        return QRect(100, 100, w, h);
    const QRect frame = areas.at(index).frame;
    const QRect vf = areas.at(index).visible;
    const QPoint c = centreOf(anchor);

    // The panel's edge: where the anchor lies outside the free area, else the monitor edge nearest to it.
    enum Edge { top, bottom, left, right } edge;
    if (c.y() < vf.top())
        edge = top;
    else if (c.y() > vf.bottom())
        edge = bottom;
    else if (c.x() < vf.left())
        edge = left;
    else if (c.x() > vf.right())
        edge = right;
    else {
        const int distances[] = {c.y() - frame.top(), frame.bottom() - c.y(), c.x() - frame.left(),
                                 frame.right() - c.x()};
        edge = static_cast<Edge>(std::min_element(std::begin(distances), std::end(distances)) - distances);
    }

    const int vfRight = vf.x() + vf.width();
    const int vfBottom = vf.y() + vf.height();
    const int centredX = clampLowWins(c.x() - w / 2, vf.x() + edgeMargin, vfRight - w - edgeMargin);
    const int centredY = clampLowWins(c.y() - h / 2, vf.y() + edgeMargin, vfBottom - h - edgeMargin);
    // Never over the icon itself: a panel the free area does not show (a window manager's own
    // panel on a second monitor) still holds it.
    const QRect icon = anchor.isEmpty() ? QRect(anchor.topLeft(), QSize(1, 1)) : anchor;
    // An anchor within the free area (the pointer, without a tray) may have no room for the panel on
    // either side: the panel then covers it rather than leave the screen.
    const bool within = insideFreeArea(areas, anchor);
    const auto onScreen = [&](int y) {
        return within ? clampLowWins(y, vf.y() + edgeMargin, vfBottom - h - edgeMargin) : y;
    };
    switch (edge) {
    case top:
        return QRect(centredX, onScreen(std::max(vf.y(), icon.y() + icon.height()) + panelGap), w, h);
    case bottom:
        return QRect(centredX, onScreen(std::min(vfBottom, icon.y()) - h - panelGap), w, h);
    case left:
        return QRect(std::max(vf.x(), icon.x() + icon.width()) + panelGap, centredY, w, h);
    case right:
        break;
    }
    return QRect(std::min(vfRight, icon.x()) - w - panelGap, centredY, w, h);
}

bool AttachedFrame::insideFreeArea(const QList<MonitorArea>& areas, const QRect& anchor) {
    const int index = monitorFor(areas, anchor);
    return index >= 0 && areas.at(index).visible.contains(centreOf(anchor));
}

QRect AttachedFrame::keepingTop(const QList<MonitorArea>& areas, const QRect& shown, int w, int h) {
    const int index = monitorFor(areas, shown);
    if (index < 0)
        return QRect(shown.topLeft(), QSize(w, h));
    const QRect vf = areas.at(index).visible;
    const int y = clampLowWins(shown.y(), vf.y() + edgeMargin, vf.y() + vf.height() - h - edgeMargin);
    return QRect(shown.x(), y, w, h);
}

int AttachedFrame::heightLimit(const QList<MonitorArea>& areas, const QRect& frame) {
    const int index = monitorFor(areas, frame);
    if (index < 0)
        return maximumHeightWithoutScreen;
    const int visible = areas.at(index).visible.height();
    const int height = std::max(std::min(visible - 40, maximumHeight), minimumHeight);
    // On a short free area (a high scale) it shrinks below its usual minimum and its content scrolls.
    return std::max(std::min(height, visible - panelGap - edgeMargin), 1);
}

int AttachedFrame::heightFloor(const QList<MonitorArea>& areas, const QRect& frame) {
    return std::min(minimumHeight, heightLimit(areas, frame));
}
