#include "NativePixels.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace NativePixels {

namespace {

QRect rootRect(const ScreenScale& s) {
    return QRect(s.geometry.topLeft(), QSize(static_cast<int>(std::lround(s.geometry.width() * s.factor)),
                                             static_cast<int>(std::lround(s.geometry.height() * s.factor))));
}

// The screen holding the point (in the system `inRoot` says), else the nearest one.
ScreenScale screenFor(const QPoint& point, const QList<ScreenScale>& screens, bool inRoot) {
    if (screens.isEmpty())
        return {};
    qint64 best = -1;
    ScreenScale found = screens.first();
    for (const ScreenScale& s : screens) {
        const QRect r = inRoot ? rootRect(s) : s.geometry;
        const qint64 dx = std::max({r.left() - point.x(), 0, point.x() - r.right()});
        const qint64 dy = std::max({r.top() - point.y(), 0, point.y() - r.bottom()});
        const qint64 distance = dx * dx + dy * dy;
        if (best < 0 || distance < best) {
            best = distance;
            found = s;
        }
    }
    return found;
}

int scaled(int value, double factor) {
    return static_cast<int>(std::lround(value * factor));
}

QPoint map(const QPoint& point, const ScreenScale& s, double factor) {
    const QPoint origin = s.geometry.topLeft();
    return origin + QPoint(scaled(point.x() - origin.x(), factor), scaled(point.y() - origin.y(), factor));
}

} // namespace

QList<ScreenScale> screens() {
    QList<ScreenScale> list;
    for (const QScreen* screen : QGuiApplication::screens())
        list.append({screen->geometry(), screen->devicePixelRatio()});
    return list;
}

QPoint toRoot(const QPoint& point, const QList<ScreenScale>& screens) {
    const ScreenScale s = screenFor(point, screens, false);
    return map(point, s, s.factor);
}

QRect toRoot(const QRect& rect, const QList<ScreenScale>& screens) {
    if (rect.isNull())
        return rect;
    const ScreenScale s = screenFor(rect.center(), screens, false);
    return QRect(map(rect.topLeft(), s, s.factor),
                 QSize(scaled(rect.width(), s.factor), scaled(rect.height(), s.factor)));
}

QPoint fromRoot(const QPoint& point, const QList<ScreenScale>& screens) {
    const ScreenScale s = screenFor(point, screens, true);
    return map(point, s, 1.0 / s.factor);
}

QRect fromRoot(const QRect& rect, const QList<ScreenScale>& screens) {
    if (rect.isNull())
        return rect;
    const ScreenScale s = screenFor(rect.center(), screens, true);
    return QRect(map(rect.topLeft(), s, 1.0 / s.factor),
                 QSize(scaled(rect.width(), 1.0 / s.factor), scaled(rect.height(), 1.0 / s.factor)));
}

} // namespace NativePixels
