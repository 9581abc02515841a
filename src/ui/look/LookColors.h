// The named colours of the interface, for the dark and the light look. Views ask for a colour by
// its role; the scheme comes from the widget's palette, which the application's theme drives.
#pragma once

#include <QColor>

class QWidget;

namespace LookColors {

// True when the widget (or, without one, the application) currently shows the dark look.
bool isDark(const QWidget* widget = nullptr);

// System-style named colours, each with its dark and light value.
QColor accent(bool dark);
QColor red(bool dark);
QColor green(bool dark);
QColor orange(bool dark);
QColor blue(bool dark);
QColor gray();
// Text colours.
QColor primary(bool dark);
QColor secondary(bool dark);
// Backgrounds: the window, a list or box inside it, and a row of text inside such a box.
QColor windowBackground(bool dark);
QColor controlBackground(bool dark);
QColor textBackground(bool dark);
// The "ultra thin" material: a translucent fill of the window colour (no blur on X11).
QColor ultraThinMaterial(bool dark);

// Draws a label's text in the secondary text colour of whichever look is current.
void useSecondaryText(QWidget* widget);
// The tertiary text colour (fainter than the secondary) of the widget's look.
QColor tertiary(bool dark);
void useTertiaryText(QWidget* widget);

// The colour with its alpha multiplied by opacity.
QColor withOpacity(QColor colour, double opacity);
// Linear blend from a (t = 0) to b (t = 1), alpha included.
QColor mix(const QColor& a, const QColor& b, double t);

} // namespace LookColors
