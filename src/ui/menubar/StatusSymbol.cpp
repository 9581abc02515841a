#include "StatusSymbol.h"

#include <QPainter>
#include <QPixmap>

namespace StatusSymbol {

QIcon icon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal unit = size / 16.0;
        // A wide window on top, two side by side below, as in a layout group.
        const QRectF parts[] = {
            {1.5 * unit, 2 * unit, 13 * unit, 5 * unit},
            {1.5 * unit, 8.5 * unit, 6 * unit, 5.5 * unit},
            {8.5 * unit, 8.5 * unit, 6 * unit, 5.5 * unit},
        };
        for (const QRectF& part : parts) {
            painter.setPen(QPen(QColor(30, 30, 30, 200), unit * 1.6));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(part, unit, unit);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(235, 235, 235));
            painter.drawRoundedRect(part, unit, unit);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace StatusSymbol
