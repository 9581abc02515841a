#include "LookColors.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace LookColors {

bool isDark(const QWidget* widget) {
    const QPalette palette = widget ? widget->palette() : QApplication::palette();
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor accent(bool dark) {
    return dark ? QColor(10, 132, 255) : QColor(0, 122, 255);
}
QColor red(bool dark) {
    return dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
}
QColor green(bool dark) {
    return dark ? QColor(48, 209, 88) : QColor(40, 167, 69);
}
QColor orange(bool dark) {
    return dark ? QColor(255, 159, 10) : QColor(245, 140, 0);
}
QColor blue(bool dark) {
    return accent(dark);
}
QColor gray() {
    return QColor(142, 142, 147);
}

QColor primary(bool dark) {
    return dark ? QColor(255, 255, 255, 230) : QColor(0, 0, 0, 217);
}
QColor secondary(bool dark) {
    return dark ? QColor(235, 235, 245, 153) : QColor(60, 60, 67, 153);
}

QColor windowBackground(bool dark) {
    return dark ? QColor(40, 40, 42) : QColor(236, 236, 236);
}
QColor controlBackground(bool dark) {
    // On the dark look a box is lighter than the window (#1e1e1e), or it could not be seen.
    return dark ? QColor(46, 46, 49) : QColor(255, 255, 255);
}
QColor textBackground(bool dark) {
    return dark ? QColor(50, 50, 53) : QColor(255, 255, 255);
}
QColor ultraThinMaterial(bool dark) {
    return withOpacity(windowBackground(dark).lighter(dark ? 125 : 103), 0.55);
}

QColor tertiary(bool dark) {
    return dark ? QColor(235, 235, 245, 76) : QColor(60, 60, 67, 76);
}

void useTertiaryText(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, tertiary(isDark(widget)));
    widget->setPalette(palette);
}

void useSecondaryText(QWidget* widget) {
    widget->setForegroundRole(QPalette::PlaceholderText);
}

QColor withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(float(qBound(0.0, colour.alphaF() * opacity, 1.0)));
    return colour;
}

QColor mix(const QColor& a, const QColor& b, double t) {
    t = qBound(0.0, t, 1.0);
    auto lerp = [t](float x, float y) { return float(x + (y - x) * t); };
    return QColor::fromRgbF(lerp(a.redF(), b.redF()), lerp(a.greenF(), b.greenF()),
                            lerp(a.blueF(), b.blueF()), lerp(a.alphaF(), b.alphaF()));
}

} // namespace LookColors
