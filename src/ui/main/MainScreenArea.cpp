#include "MainScreenArea.h"

#include "platform/Screens.h"
#include "ui/NativePixels.h"

#include <algorithm>
#include <cmath>

std::optional<QRect> MainScreenArea::visibleFrame(Screens& screens) {
    const std::optional<Screen> main = screens.mainScreen();
    if (!main)
        return std::nullopt;
    return toQtPixels(main->visibleFrame, screens.screens());
}

QRect MainScreenArea::toQtPixels(const Rect& rect, const QList<Screen>& screens) {
    double left = rect.x, top = rect.y + rect.height;
    for (const Screen& screen : screens) {
        left = std::min(left, screen.frame.x);
        top = std::max(top, screen.frame.y + screen.frame.height);
    }
    const QRect root(static_cast<int>(std::lround(rect.x - left)),
                     static_cast<int>(std::lround(top - (rect.y + rect.height))),
                     static_cast<int>(std::lround(rect.width)), static_cast<int>(std::lround(rect.height)));
    return NativePixels::fromRoot(root);
}
