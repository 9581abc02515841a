// A label of plain text (user text is never read as rich text) in a font and colour of the look.
#pragma once

#include "Fonts.h"

#include <QColor>
#include <QString>

class QLabel;

// Black stands for the palette's own text colour; an invalid colour for the secondary text colour
// of whichever look is current.
QLabel* textLabel(const QString& value, const QFont& font = Fonts::body(),
                  const QColor& colour = QColor(Qt::black));

// User or peer text as a tooltip: Qt reads a tooltip that looks like markup as rich text, so it is
// escaped inside an explicit rich-text wrapper and always shows as typed.
QString plainToolTip(const QString& text);
