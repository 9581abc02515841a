// The one table of symbol names the interface uses ("house", "trash", "play.fill", the layout
// symbols of the templates, ...), each drawn either as a glyph of the Material Design icon font
// (loaded once from the system's fonts) or painted with QPainter (the layout pictures). An unknown
// name, or a glyph whose font is missing, draws a dashed box with a question mark, so a gap in the
// table shows on screen instead of vanishing.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

class Symbols {
public:
    // Every name of the table, sorted.
    static QStringList names();
    static bool isKnown(const QString& name);
    // True when the icon font was found and loaded (tried once, on first use).
    static bool iconFontLoaded();

    // Draws the symbol centred in box, as large as fits a square of the box's smaller side.
    static void paint(QPainter& painter, const QRectF& box, const QString& name, const QColor& colour);
    // The symbol on a transparent square of pixelSize device-independent pixels.
    static QPixmap pixmap(const QString& name, int pixelSize, const QColor& colour,
                          qreal devicePixelRatio = 1.0);
    // An icon of the symbol for menus, combo boxes and standard buttons.
    static QIcon icon(const QString& name, const QColor& colour, int pixelSize = 16);

private:
    static void paintFallback(QPainter& painter, const QRectF& square, const QColor& colour);
};
