#include "Divider.h"

#include "LookColors.h"

#include <QPainter>

Divider::Divider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(),
                     LookColors::withOpacity(LookColors::gray(), LookColors::isDark(this) ? 0.35 : 0.3));
}
