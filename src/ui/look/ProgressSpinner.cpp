#include "ProgressSpinner.h"

#include <QPainter>
#include <QVariantAnimation>

ProgressSpinner::ProgressSpinner(int side, QWidget* parent)
    : QWidget(parent), m_side(side), m_turn(new QVariantAnimation(this)) {
    setFixedSize(side, side);
    setAccessibleName(tr("In progress"));
    m_turn->setStartValue(0);
    m_turn->setEndValue(360);
    m_turn->setDuration(900);
    m_turn->setLoopCount(-1);
    connect(m_turn, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_angle = value.toInt();
        update();
    });
}

bool ProgressSpinner::isSpinning() const {
    return m_turn->state() == QAbstractAnimation::Running;
}

void ProgressSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double pen = std::max(1.5, m_side / 8.0);
    const QRectF ring = QRectF(rect()).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.2);
    painter.setPen(QPen(track, pen));
    painter.drawEllipse(ring);
    QColor arc = palette().color(QPalette::WindowText);
    arc.setAlphaF(0.7);
    painter.setPen(QPen(arc, pen, Qt::SolidLine, Qt::RoundCap));
    // Qt counts angles anticlockwise in sixteenths of a degree; the arc turns clockwise.
    painter.drawArc(ring, (90 - m_angle) * 16, -100 * 16);
}

void ProgressSpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_turn->start();
}

void ProgressSpinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_turn->stop();
}
