// Draws a ButtonStyle: the drop shadow and the layered rounded background of a button body, and
// gives the label colour and the drawn scale. While an animation runs, hover and press are
// fractions between 0 and 1 and the resting and hover looks cross-fade.
#pragma once

#include "ButtonStyle.h"

#include <QList>
#include <QMarginsF>
#include <QRectF>

class QPainter;

struct ButtonLayer {
    enum class Shape {
        fill,          // the rounded body filled
        centredStroke, // its outline, half of the line outside the body
        insideStroke   // its outline inset by half the line, wholly inside the body
    };
    Shape shape = Shape::fill;
    QColor colour;
    double width = 0;
    bool operator==(const ButtonLayer&) const = default;
};

struct ButtonPaintState {
    double hover = 0; // 0 resting .. 1 under the pointer
    double press = 0; // 0 released .. 1 held down
    bool dark = true;
    ButtonStyle::Generation generation = ButtonStyle::Generation::current;
};

namespace ButtonPainter {

// The background layers, bottom to top, with the cross-fade already in their colours.
QList<ButtonLayer> layers(const ButtonStyle& style, const ButtonPaintState& state);
QColor labelColour(const ButtonStyle& style, const ButtonPaintState& state);
double scale(const ButtonStyle& style, const ButtonPaintState& state);
// Room to keep around a body of this size so that the hover scale and the shadow never reach past
// the widget and the layout never moves.
QMarginsF reservedMargins(const ButtonStyle& style, const QSizeF& body);

// Shadow and background of the body, scaled about its centre.
void paint(QPainter& painter, const ButtonStyle& style, const QRectF& body, const ButtonPaintState& state);

} // namespace ButtonPainter
