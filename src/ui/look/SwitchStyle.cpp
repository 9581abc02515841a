#include "SwitchStyle.h"

#include "LookColors.h"

#include <QApplication>
#include <QCheckBox>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

SwitchStyle::SwitchStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void SwitchStyle::apply(QCheckBox* checkBox) {
    // Lives as long as the application; QProxyStyle must not follow QApplication's style changes.
    static SwitchStyle* shared = [] {
        auto* style = new SwitchStyle;
        style->setParent(qApp);
        return style;
    }();
    checkBox->setStyle(shared);
}

int SwitchStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if (metric == PM_IndicatorWidth)
        return trackWidth;
    if (metric == PM_IndicatorHeight)
        return trackHeight;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void SwitchStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const {
    if (element != PE_IndicatorCheckBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const bool dark = LookColors::isDark(widget);
    const bool on = option->state & State_On;
    const bool enabled = option->state & State_Enabled;
    const QRectF track = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (!enabled)
        painter->setOpacity(0.45);
    const QColor off = dark ? QColor(255, 255, 255, 46) : QColor(0, 0, 0, 38);
    painter->setPen(QPen(dark ? QColor(255, 255, 255, 30) : QColor(0, 0, 0, 30), 1));
    painter->setBrush(on ? LookColors::accent(dark) : off);
    const double radius = track.height() / 2;
    painter->drawRoundedRect(track, radius, radius);
    const double knob = track.height() - 4;
    const double x = on ? track.right() - 2 - knob : track.left() + 2;
    painter->setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter->setBrush(Qt::white);
    painter->drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (option->state & State_HasFocus) {
        painter->setPen(QPen(LookColors::withOpacity(LookColors::accent(dark), 0.6), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    }
    painter->restore();
}
