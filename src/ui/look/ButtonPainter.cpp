#include "ButtonPainter.h"

#include "LookColors.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace ButtonPainter {

QList<ButtonLayer> layers(const ButtonStyle& style, const ButtonPaintState& state) {
    using LookColors::withOpacity;
    const double h = qBound(0.0, state.hover, 1.0);
    const QColor tint = style.tintColour(state.dark);
    const QColor material = LookColors::ultraThinMaterial(state.dark);
    const QColor gray = LookColors::gray();
    QList<ButtonLayer> out;
    if (h < 1.0) {
        const double rest = 1.0 - h;
        out.append({ButtonLayer::Shape::fill, withOpacity(material, rest), 0});
        out.append(
            {ButtonLayer::Shape::fill, withOpacity(gray, style.restingFillOpacity(state.dark) * rest), 0});
        out.append({ButtonLayer::Shape::insideStroke,
                    withOpacity(gray, style.restingBorderOpacity(state.dark) * rest),
                    style.restingBorderWidth});
    }
    if (h > 0.0) {
        if (state.generation == ButtonStyle::Generation::current) {
            out.append({ButtonLayer::Shape::fill, withOpacity(material, h), 0});
            out.append({ButtonLayer::Shape::centredStroke, withOpacity(tint, style.hoverOutlineOpacity * h),
                        style.hoverOutlineWidth});
        } else {
            const double p = qBound(0.0, state.press, 1.0);
            const double opacity = ButtonStyle::hoverFillOpacity +
                                   (ButtonStyle::pressedFillOpacity - ButtonStyle::hoverFillOpacity) * p;
            out.append({ButtonLayer::Shape::fill, withOpacity(tint, opacity * h), 0});
        }
    }
    return out;
}

QColor labelColour(const ButtonStyle& style, const ButtonPaintState& state) {
    return LookColors::mix(LookColors::primary(state.dark), style.tintColour(state.dark), state.hover);
}

double scale(const ButtonStyle& style, const ButtonPaintState& state) {
    return 1.0 + (style.hoverScale - 1.0) * qBound(0.0, state.hover, 1.0);
}

QMarginsF reservedMargins(const ButtonStyle& style, const QSizeF& body) {
    const double growX = body.width() * (style.hoverScale - 1.0) / 2;
    const double growY = body.height() * (style.hoverScale - 1.0) / 2;
    const double outline = style.hoverOutlineWidth / 2;
    const double x =
        std::ceil(std::max(growX + outline, style.shadowBlur + std::abs(style.shadowOffset.x())));
    const double up = std::ceil(std::max(growY + outline, style.shadowBlur - style.shadowOffset.y()));
    const double down = std::ceil(std::max(growY + outline, style.shadowBlur + style.shadowOffset.y()));
    return QMarginsF(x, up, x, down);
}

namespace {
QPainterPath rounded(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}
} // namespace

void paint(QPainter& painter, const ButtonStyle& style, const QRectF& body, const ButtonPaintState& state) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = scale(style, state);
    painter.translate(body.center());
    painter.scale(s, s);
    painter.translate(-body.center());

    // The shadow: a soft stack of growing rounded bodies, offset downwards.
    const double radius = style.cornerRadius;
    const int steps = std::max(1, int(std::ceil(style.shadowBlur)));
    painter.setPen(Qt::NoPen);
    for (int i = steps; i >= 1; --i) {
        const double grow = style.shadowBlur * i / steps;
        const double alpha = style.shadowOpacity * 2.0 / (steps + 1) * (1.0 - double(i - 1) / steps);
        painter.setBrush(QColor(0, 0, 0, int(std::round(255 * alpha))));
        const QRectF r =
            body.translated(style.shadowOffset).adjusted(-grow / 2, -grow / 2, grow / 2, grow / 2);
        painter.drawPath(rounded(r, radius + grow / 2));
    }

    for (const ButtonLayer& layer : layers(style, state)) {
        if (layer.colour.alpha() == 0)
            continue;
        switch (layer.shape) {
        case ButtonLayer::Shape::fill:
            painter.setPen(Qt::NoPen);
            painter.setBrush(layer.colour);
            painter.drawPath(rounded(body, radius));
            break;
        case ButtonLayer::Shape::centredStroke:
            painter.setPen(QPen(layer.colour, layer.width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(rounded(body, radius));
            break;
        case ButtonLayer::Shape::insideStroke: {
            const double half = layer.width / 2;
            painter.setPen(QPen(layer.colour, layer.width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(rounded(body.adjusted(half, half, -half, -half), std::max(0.0, radius - half)));
            break;
        }
        }
    }
    painter.restore();
}

} // namespace ButtonPainter
