#include "HighlightRow.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

HighlightRow::HighlightRow(QWidget* parent) : QFrame(parent) {
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(8, 6, 8, 6);
    m_layout->setSpacing(12);
    setCursor(Qt::PointingHandCursor);
}

void HighlightRow::setHighlighted(bool highlighted) {
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void HighlightRow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
        onClick();
    QFrame::mouseReleaseEvent(event);
}

void HighlightRow::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!m_highlighted)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    QColor accent = palette().color(QPalette::Highlight);
    painter.setPen(QPen(accent, 1));
    accent.setAlphaF(0.1f);
    painter.fillPath(path, accent);
    painter.drawPath(path);
}
