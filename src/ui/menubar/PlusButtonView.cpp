#include "PlusButtonView.h"

#include "ui/look/LookColors.h"
#include "ui/look/Symbols.h"

#include <QPainter>
#include <QVariantAnimation>

PlusButtonView::PlusButtonView(QWidget* parent)
    : QAbstractButton(parent), m_animation(new QVariantAnimation(this)) {
    setToolTip(QStringLiteral("Create new configuration"));
    setAccessibleName(QStringLiteral("Create new configuration"));
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
    m_animation->setDuration(200);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_progress = value.toDouble();
        update();
    });
}

void PlusButtonView::setHovering(bool hovering) {
    m_hovering = hovering;
    m_animation->stop();
    m_animation->setStartValue(m_progress);
    m_animation->setEndValue(hovering ? 1.0 : 0.0);
    m_animation->start();
}

void PlusButtonView::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    setHovering(true);
}

void PlusButtonView::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    setHovering(false);
}

void PlusButtonView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor blue = LookColors::blue(LookColors::isDark(this));
    const QColor colour = LookColors::withOpacity(blue, 0.8 + 0.2 * m_progress);
    // Drawn larger under the pointer; the widget keeps its size so nothing moves.
    const double side = 20 * (1.0 + 0.15 * m_progress);
    const QRectF box(width() / 2.0 - side / 2, height() / 2.0 - side / 2, side, side);
    Symbols::paint(painter, box, QStringLiteral("plus.circle.fill"), colour);
}
