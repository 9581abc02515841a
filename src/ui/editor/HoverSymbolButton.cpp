#include "HoverSymbolButton.h"

#include "ui/look/Symbols.h"

#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

HoverSymbolButton::HoverSymbolButton(const QString& symbol, int pixelSize, const QColor& colour,
                                     QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol), m_pixelSize(pixelSize), m_colour(colour),
      m_animation(new QVariantAnimation(this)) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    m_animation->setDuration(animationMs);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_scale = value.toDouble();
        update();
    });
}

void HoverSymbolButton::setHovered(bool hovered) {
    if (hovered == m_hovered)
        return;
    m_hovered = hovered;
    m_animation->stop();
    m_animation->setStartValue(m_scale);
    m_animation->setEndValue(targetScale());
    m_animation->start();
}

QSize HoverSymbolButton::sizeHint() const {
    const int side = int(std::ceil(m_pixelSize * hoverScale)) + 4;
    return QSize(side, side);
}

void HoverSymbolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = m_pixelSize * m_scale;
    QRectF box(0, 0, side, side);
    box.moveCenter(QRectF(rect()).center());
    QColor colour = m_colour.isValid() ? m_colour : palette().color(QPalette::ButtonText);
    if (!isEnabled())
        colour.setAlphaF(colour.alphaF() * 0.4);
    Symbols::paint(painter, box, m_symbol, colour);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
}

void HoverSymbolButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    setHovered(true);
}

void HoverSymbolButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    setHovered(false);
}
