#include "ScreenDetectionHelper.h"

#include "base/Format.h"
#include "base/Log.h"

Screen ScreenDetectionHelper::getTargetScreen(const HostWindow* source) {
    const QList<Screen> screens = m_platform.screens.screens();
    const std::optional<Screen> main = m_platform.screens.mainScreen();
    const auto described = [&screens](const Screen& s) {
        return QStringLiteral("%1: ").arg(indexOfScreen(screens, s)) + str(s.frame);
    };

    logDebug(lcPlacement, QStringLiteral("🔍 SCREEN DETECTION: Starting screen detection process"));
    logDebug(lcPlacement, QStringLiteral("🔍 SCREEN DETECTION: Available screens: %1").arg(screens.size()));
    for (int i = 0; i < screens.size(); ++i) {
        const bool isMain = main && screens.at(i).isEqual(*main);
        logDebug(lcPlacement, QStringLiteral("🔍 SCREEN DETECTION: Screen %1: ").arg(i) +
                                  str(screens.at(i).frame) + QStringLiteral(" ") +
                                  (isMain ? QStringLiteral("(MAIN)") : QString()));
    }

    if (source) {
        if (const std::optional<Screen> own = source->screen()) {
            logDebug(lcPlacement,
                     QStringLiteral("🎯 SCREEN DETECTION: Using source window screen ") + described(*own));
            return *own;
        }
    }
    logDebug(lcPlacement,
             QStringLiteral("🔍 SCREEN DETECTION: No source window provided or window has no screen"));
    if (const std::optional<Screen> underCursor = getCurrentScreenFromCursor(screens)) {
        logDebug(lcPlacement,
                 QStringLiteral("🎯 SCREEN DETECTION: Using cursor-based screen ") + described(*underCursor));
        return *underCursor;
    }
    logDebug(lcPlacement, QStringLiteral("🔍 SCREEN DETECTION: Cursor-based detection failed"));
    // With no display at all there is nothing sensible to place on; an empty screen keeps
    // callers going and places nothing visible.
    const Screen fallback = main ? *main : (screens.isEmpty() ? Screen{} : screens.first());
    logWarning(lcPlacement,
               QStringLiteral("⚠️ SCREEN DETECTION: Falling back to main screen ") + described(fallback));
    return fallback;
}

std::optional<Screen> ScreenDetectionHelper::getCurrentScreenFromCursor(const QList<Screen>& screens) {
    const Point location = m_platform.screens.mouseLocation();
    logDebug(lcPlacement, QStringLiteral("🔍 ScreenDetection: Mouse location: ") + str(location));
    for (int i = 0; i < screens.size(); ++i) {
        const bool contained = screens.at(i).frame.contains(location);
        logDebug(lcPlacement, QStringLiteral("🔍 ScreenDetection: Screen %1 ").arg(i) +
                                  str(screens.at(i).frame) + QStringLiteral(": contains cursor? ") +
                                  str(contained));
        if (contained) {
            logDebug(lcPlacement, QStringLiteral("🔍 ScreenDetection: ✅ Found cursor on screen %1").arg(i));
            return screens.at(i);
        }
    }
    logDebug(lcPlacement, QStringLiteral("🔍 ScreenDetection: ❌ Cursor not found on any screen"));
    return std::nullopt;
}
