#include "LayoutThumbnail.h"

#include "placement/PlacementGeometry.h"

#include <QPainter>
#include <QPainterPath>

LayoutThumbnail::LayoutThumbnail(QList<Corner> positions, QWidget* parent)
    : QWidget(parent), m_positions(std::move(positions)) {
    setFixedSize(36, 28);
}

QList<QRectF> LayoutThumbnail::tiles(const QList<Corner>& positions, const QSizeF& size) {
    const Screen screen{QStringLiteral("thumbnail"), Rect(0, 0, size.width(), size.height()),
                        Rect(0, 0, size.width(), size.height()), 1.0};
    QList<QRectF> out;
    for (Corner corner : positions) {
        PinSpec spec;
        spec.corner = corner;
        const Rect r = pinnedRect(screen, spec);
        // Bottom-left frame to top-left painting coordinates.
        out.append(QRectF(r.x, size.height() - r.y - r.height, r.width, r.height));
    }
    return out;
}

void LayoutThumbnail::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outline = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
    const QColor ink = palette().color(QPalette::WindowText);
    if (m_positions.isEmpty()) {
        QPen pen(palette().color(QPalette::PlaceholderText), 1.5, Qt::DashLine);
        painter.setPen(pen);
        const double side = outline.height();
        painter.drawRoundedRect(QRectF(outline.center().x() - side / 2, outline.top(), side, side), 3, 3);
        return;
    }
    painter.setPen(QPen(ink, 1.5));
    painter.drawRoundedRect(outline, 3, 3);
    const QRectF inner = outline.adjusted(2, 2, -2, -2);
    QColor fill = ink;
    fill.setAlphaF(0.75);
    for (const QRectF& tile : tiles(m_positions, inner.size())) {
        painter.fillRect(tile.translated(inner.topLeft()).adjusted(0.75, 0.75, -0.75, -0.75), fill);
    }
}
