#include "PlacementGeometry.h"

#include "base/Format.h"
#include "base/Log.h"

#include <cmath>

Rect pinnedRect(const Screen& screen, const PinSpec& spec) {
    const Rect vf = screen.visibleFrame;
    const double W = vf.width;
    const double H = vf.height;
    const double mX = spec.marginX;
    const double mY = spec.marginY;
    const double halfW = std::floor(W / 2);
    const double halfH = std::floor(H / 2);
    const double t = std::floor(W / 3);
    const double fullW = W - 2 * mX;
    const double fullH = H - 2 * mY;
    const double left = vf.minX() + mX;
    const double bottom = vf.minY() + mY;

    switch (spec.corner) {
    case Corner::topLeft:
        return {left, vf.maxY() - halfH - mY, halfW, halfH};
    case Corner::topRight:
        return {vf.maxX() - halfW - mX, vf.maxY() - halfH - mY, halfW, halfH};
    case Corner::bottomLeft:
        return {left, bottom, halfW, halfH};
    case Corner::bottomRight:
        return {vf.maxX() - halfW - mX, bottom, halfW, halfH};
    case Corner::topHalf:
        return {left, vf.maxY() - halfH - mY, fullW, halfH};
    case Corner::bottomHalf:
        return {left, bottom, fullW, halfH};
    case Corner::leftHalf:
        return {left, bottom, halfW, fullH};
    case Corner::rightHalf:
        return {vf.maxX() - halfW - mX, bottom, halfW, fullH};
    case Corner::leftThird:
        return {left, bottom, t, fullH};
    case Corner::centerThird:
        return {vf.minX() + t + mX, bottom, t, fullH};
    case Corner::rightThird:
        return {vf.maxX() - t - mX, bottom, t, fullH};
    case Corner::leftTwoThirds:
        return {left, bottom, 2 * t, fullH};
    case Corner::centerTwoThirds:
        // The half offset is deliberately not floored.
        return {vf.minX() + t * 0.5 + mX, bottom, 2 * t, fullH};
    case Corner::rightTwoThirds:
        return {vf.maxX() - 2 * t - mX, bottom, 2 * t, fullH};
    case Corner::fullScreen:
        return {left, bottom, fullW, fullH};
    }
    return {left, bottom, fullW, fullH};
}

Rect constrainToScreen(Rect r, const Rect& bounds) {
    r.width = std::max(r.width, 1.0);
    r.height = std::max(r.height, 1.0);
    if (r.minX() < bounds.minX())
        r.x = bounds.minX();
    if (r.minY() < bounds.minY())
        r.y = bounds.minY();
    if (r.maxX() > bounds.maxX())
        r.x = bounds.maxX() - r.width;
    if (r.maxY() > bounds.maxY())
        r.y = bounds.maxY() - r.height;
    return r;
}

double snap(double value, double scale) {
    return std::round(value * scale) / scale;
}

Rect snapRectToBacking(const Rect& r, const Screen& screen) {
    const double scale = screen.backingScaleFactor;
    return {snap(r.x, scale), snap(r.y, scale), snap(r.width, scale), snap(r.height, scale)};
}

Anchors anchors(Corner corner) {
    constexpr int L = Anchors::left, R = Anchors::right, B = Anchors::bottom, T = Anchors::top;
    switch (corner) {
    case Corner::topLeft:
        return {L | T};
    case Corner::topRight:
        return {R | T};
    case Corner::bottomLeft:
        return {L | B};
    case Corner::bottomRight:
        return {R | B};
    case Corner::topHalf:
        return {L | R | T};
    case Corner::bottomHalf:
        return {L | R | B};
    case Corner::leftHalf:
    case Corner::leftThird:
    case Corner::leftTwoThirds:
        return {L | B | T};
    case Corner::rightHalf:
    case Corner::rightThird:
    case Corner::rightTwoThirds:
        return {R | B | T};
    case Corner::centerThird:
    case Corner::centerTwoThirds:
        return {B | T};
    case Corner::fullScreen:
        return {L | R | B | T};
    }
    return {};
}

bool isHalfScreenPosition(Anchors a) {
    int count = 0;
    for (int option : {Anchors::left, Anchors::right, Anchors::top, Anchors::bottom})
        count += a.contains(option) ? 1 : 0;
    return count > 1;
}

Rect globalBounds(const QList<Screen>& screens) {
    Rect global;
    for (const Screen& screen : screens)
        global = global.united(screen.frame);
    return global;
}

Point bottomLeftToTopLeft(Point origin, double height, const Screen& screen, const QList<Screen>& screens) {
    const Rect global = globalBounds(screens);
    const Point result{origin.x, global.maxY() - (origin.y + height)};
    logDebug(lcPlacement, QStringLiteral("🔧 COORDINATE DEBUG: Converting Cocoa→AX"));
    logDebug(lcPlacement, QStringLiteral("🔧 COORDINATE DEBUG: Global bounds: ") + str(global));
    logDebug(lcPlacement, QStringLiteral("🔧 COORDINATE DEBUG: Target screen: ") + str(screen.frame));
    logDebug(lcPlacement, QStringLiteral("🔧 COORDINATE DEBUG: Cocoa BL: ") + str(origin) +
                              QStringLiteral(", height: ") + str(height));
    logDebug(lcPlacement, QStringLiteral("🔧 COORDINATE DEBUG: Global maxY: ") + str(global.maxY()));
    logDebug(lcPlacement, QStringLiteral("🔧 COORDINATE DEBUG: AX result: (") + str(result.x) +
                              QStringLiteral(", ") + str(result.y) + QStringLiteral(")"));
    return result;
}

Point topLeftToBottomLeft(Point topLeft, double height, const QList<Screen>& screens) {
    return {topLeft.x, globalBounds(screens).maxY() - (topLeft.y + height)};
}
