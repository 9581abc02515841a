#include "Actions.h"

#include "PlacementGeometry.h"
#include "WindowControl.h"
#include "WindowControlPermission.h"
#include "base/Format.h"
#include "base/Log.h"

#include <cmath>

Screen Actions::current(const Screen& screen) {
    for (const Screen& s : m_platform.screens.screens()) {
        if (s.isEqual(screen))
            return s;
    }
    return screen;
}

void Actions::summon(const QString& bundleID, const PinSpec& spec, const Screen& screen) {
    logDebug(lcPlacement, QStringLiteral("🚀 SUMMON DEBUG: Starting summon for ") + bundleID);
    logDebug(lcPlacement, QStringLiteral("🎯 SUMMON DEBUG: Target screen: ") + str(current(screen).frame));
    const QList<Screen> screens = m_platform.screens.screens();
    for (int i = 0; i < screens.size(); ++i) {
        logDebug(lcPlacement, QStringLiteral("🖥️ SUMMON DEBUG: Screen %1: ").arg(i) +
                                  str(screens.at(i).frame) + QStringLiteral(" ") +
                                  (screens.at(i).isEqual(screen) ? QStringLiteral("← TARGET") : QString()));
    }

    WindowControl ax(m_platform);
    const std::optional<WindowControl::AppHandle> handle = ax.axApp(bundleID);
    if (!handle)
        return;
    const WindowElementRef win = ax.findWindowWithRetry(handle->element, *handle->app, 3);
    if (!win) {
        logWarning(lcPlacement, QStringLiteral("❌ Could not find or create a window for app"));
        logInfo(
            lcPlacement,
            QStringLiteral(
                "💡 If the app has no windows (closed with red X), try clicking the app in the dock first"));
        return;
    }

    handle->app->activate(true);
    m_platform.windows.writeAttribute(win, QStringLiteral("AXMinimized"), false);

    const Screen now = current(screen);
    Rect rect = constrainToScreen(pinnedRect(now, spec), now.visibleFrame);
    rect = snapRectToBacking(rect, now);
    logDebug(lcPlacement, QStringLiteral("📐 SUMMON DEBUG: Calculated rect: ") + str(rect) +
                              QStringLiteral(" on screen: ") + str(now.frame));

    axSetFrameAnchored(win, rect, anchors(spec.corner), screen, true);
    ensureRightAnchoredAlignment(win, screen, spec);

    Platform* platform = &m_platform;
    m_platform.scheduler.after(0.2,
                               [platform, bundleID, screen] { Actions(*platform).verify(bundleID, screen); });
}

void Actions::axSetFrameAnchored(const WindowElementRef& win, const Rect& target, Anchors anchors,
                                 const Screen& screen, bool forceExactSize) {
    const Rect vf = current(screen).visibleFrame;
    const Rect t = constrainToScreen(target, vf);
    const Margins margins{t.minX() - vf.minX(), vf.maxX() - t.maxX(), t.minY() - vf.minY(),
                          vf.maxY() - t.maxY()};

    WindowControl ax(m_platform);
    m_platform.windows.writeAttribute(win, QStringLiteral("AXSize"), t.size());
    Size actual = ax.axGetSize(win).value_or(t.size());

    const bool exact = forceExactSize && isHalfScreenPosition(anchors);
    if (exact) {
        if (std::abs(actual.width - t.width) >= 0.5 || std::abs(actual.height - t.height) >= 0.5)
            m_platform.windows.writeAttribute(win, QStringLiteral("AXSize"), t.size());
        actual = t.size();
    }

    Point origin = calculateAnchoredOrigin(t, actual, anchors, screen, margins.left, margins.right,
                                           margins.bottom, margins.top);
    const double scale = current(screen).backingScaleFactor;
    origin = {snap(origin.x, scale), snap(origin.y, scale)};
    const Point p = bottomLeftToTopLeft(origin, actual.height, current(screen), m_platform.screens.screens());
    m_platform.windows.writeAttribute(win, QStringLiteral("AXPosition"), p);

    if (exact) {
        Platform* platform = &m_platform;
        m_platform.scheduler.after(0.05, [platform, win, t, anchors, screen, margins] {
            Actions(*platform).correct(win, t, anchors, screen, margins);
        });
    }
}

Point Actions::calculateAnchoredOrigin(const Rect& target, Size actualSize, Anchors anchors,
                                       const Screen& screen, double leftMargin, double rightMargin,
                                       double bottomMargin, double topMargin) {
    const Rect vf = current(screen).visibleFrame;
    double x = target.minX();
    if (anchors.contains(Anchors::left))
        x = vf.minX() + leftMargin;
    else if (anchors.contains(Anchors::right))
        x = vf.maxX() - rightMargin - actualSize.width;

    double y = target.minY();
    const bool top = anchors.contains(Anchors::top);
    const bool bottom = anchors.contains(Anchors::bottom);
    if (bottom)
        y = vf.minY() + bottomMargin;
    else if (top)
        y = vf.maxY() - topMargin - actualSize.height;

    x = std::max(vf.minX(), std::min(x, vf.maxX() - actualSize.width));
    y = std::max(vf.minY(), std::min(y, vf.maxY() - actualSize.height));
    return {x, y};
}

void Actions::correct(const WindowElementRef& win, const Rect& t, Anchors anchors, const Screen& screen,
                      const Margins& margins) {
    const std::optional<Size> s = WindowControl(m_platform).axGetSize(win);
    if (!s)
        return;
    if (std::abs(s->width - t.width) < 2.0 && std::abs(s->height - t.height) < 2.0)
        return;
    m_platform.windows.writeAttribute(win, QStringLiteral("AXSize"), t.size());
    Point origin = calculateAnchoredOrigin(t, t.size(), anchors, screen, margins.left, margins.right,
                                           margins.bottom, margins.top);
    const double scale = current(screen).backingScaleFactor;
    origin = {snap(origin.x, scale), snap(origin.y, scale)};
    const Point p = bottomLeftToTopLeft(origin, t.height, current(screen), m_platform.screens.screens());
    m_platform.windows.writeAttribute(win, QStringLiteral("AXPosition"), p);
    logDebug(lcPlacement, QStringLiteral("🎯 Invisible correction applied: pos=") + str(p));
}

void Actions::ensureRightAnchoredAlignment(const WindowElementRef& win, const Screen& screen,
                                           const PinSpec& spec) {
    const Corner corner = spec.corner;
    if (corner != Corner::topRight && corner != Corner::bottomRight && corner != Corner::rightHalf &&
        corner != Corner::rightThird && corner != Corner::rightTwoThirds)
        return;

    WindowControl ax(m_platform);
    const std::optional<Size> size = ax.axGetSize(win);
    if (!size) {
        logWarning(lcPlacement,
                   QStringLiteral("⚠️ ensureRightAnchoredAlignment: could not read actual size"));
        return;
    }
    const std::optional<Point> position = ax.axGetPosition(win);
    if (!position) {
        logWarning(lcPlacement,
                   QStringLiteral("⚠️ ensureRightAnchoredAlignment: could not read current position"));
        return;
    }

    const Rect vf = current(screen).visibleFrame;
    double nominalWidth = std::floor(vf.width / 2);
    if (corner == Corner::rightThird)
        nominalWidth = std::floor(vf.width / 3);
    else if (corner == Corner::rightTwoThirds)
        nominalWidth = 2 * std::floor(vf.width / 3);
    const double desiredX = std::max(vf.minX(), vf.maxX() - spec.marginX - nominalWidth);

    const QList<Screen> screens = m_platform.screens.screens();
    const Point bottomLeft = topLeftToBottomLeft(*position, size->height, screens);
    const Point p = bottomLeftToTopLeft({desiredX, bottomLeft.y}, size->height, current(screen), screens);
    if (std::abs(position->x - desiredX) > 1.0)
        m_platform.windows.writeAttribute(win, QStringLiteral("AXPosition"), p);
}

void Actions::verify(const QString& bundleID, const Screen& target) {
    const std::optional<Rect> frame = getCurrentWindowFrame(bundleID);
    if (!frame) {
        logWarning(lcPlacement,
                   QStringLiteral("❌ SUMMON VERIFICATION: Could not get window frame for verification"));
        return;
    }
    logDebug(lcPlacement, QStringLiteral("🔍 SUMMON VERIFICATION: Window ended up at: ") + str(*frame));
    const QList<Screen> screens = m_platform.screens.screens();
    const Point centre = topLeftToBottomLeft({frame->midX(), frame->midY()}, 0, screens);
    for (int i = 0; i < screens.size(); ++i) {
        logDebug(lcPlacement, QStringLiteral("🔍 SUMMON VERIFICATION: Screen %1 contains window? ").arg(i) +
                                  str(screens.at(i).frame.contains(centre)) +
                                  QStringLiteral(" (was target: ") + str(screens.at(i).isEqual(target)) +
                                  QStringLiteral(")"));
    }
    logDebug(
        lcPlacement,
        QStringLiteral("🎯 SUMMON VERIFICATION: Target was screen %1: ").arg(indexOfScreen(screens, target)) +
            str(current(target).frame));
}

void Actions::launchApp(const QString& bundleID) {
    const QList<RunningApplicationRef> running = m_platform.workspace.runningApplications(bundleID);
    if (!running.isEmpty()) {
        running.first()->activate(true);
        return;
    }
    Workspace& workspace = m_platform.workspace;
    const std::optional<QString> location = workspace.urlForApplication(bundleID);
    if (!location) {
        workspace.beep();
        return;
    }
    Workspace* ws = &workspace;
    workspace.openApplication(*location, true, [ws](std::optional<QString> error) {
        if (error)
            ws->beep();
    });
}

std::optional<Rect> Actions::getCurrentWindowFrame(const QString& bundleID) {
    if (!WindowControlPermission(m_platform).isTrusted(false))
        return std::nullopt;
    WindowControl ax(m_platform);
    const std::optional<WindowControl::AppHandle> handle = ax.axApp(bundleID);
    if (!handle)
        return std::nullopt;
    const WindowElementRef win = ax.firstStandardWindow(handle->element, nullptr, 0);
    if (!win) {
        logWarning(lcPlacement, QStringLiteral("❌ No window found for app"));
        return std::nullopt;
    }
    WindowValue position;
    WindowValue size;
    const WindowAccessError positionError =
        m_platform.windows.readAttribute(win, QStringLiteral("AXPosition"), position);
    const WindowAccessError sizeError = m_platform.windows.readAttribute(win, QStringLiteral("AXSize"), size);
    if (positionError != WindowAccessError::success || sizeError != WindowAccessError::success) {
        logWarning(lcPlacement, QStringLiteral("❌ Failed to get window frame - position: ") +
                                    str(positionError) + QStringLiteral(", size: ") + str(sizeError));
        return std::nullopt;
    }
    const auto* p = std::get_if<Point>(&position);
    const auto* s = std::get_if<Size>(&size);
    return Rect(p ? *p : Point{}, s ? *s : Size{});
}
