#include "StyledButton.h"

#include "ButtonPainter.h"
#include "Fonts.h"
#include "LookColors.h"
#include "Symbols.h"

#include <QEnterEvent>
#include <QHoverEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

StyledButton::StyledButton(const ButtonStyle& style, const QString& text, const QString& symbol,
                           QWidget* parent)
    : QAbstractButton(parent), m_style(style), m_symbol(symbol),
      m_hoverAnimation(new QVariantAnimation(this)), m_pressAnimation(new QVariantAnimation(this)) {
    setText(text);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (QVariantAnimation* animation : {m_hoverAnimation, m_pressAnimation}) {
        animation->setDuration(int(ButtonStyle::animationSeconds * 1000));
        animation->setEasingCurve(QEasingCurve::InOutQuad);
    }
    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_hover = v.toDouble();
        update();
    });
    connect(m_pressAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_press = v.toDouble();
        update();
    });
    connect(this, &QAbstractButton::pressed, this, [this] { animateTo(m_pressAnimation, 1.0); });
    connect(this, &QAbstractButton::released, this, [this] { animateTo(m_pressAnimation, 0.0); });
}

void StyledButton::setStyle(const ButtonStyle& style) {
    m_style = style;
    updateGeometry();
    update();
}

void StyledButton::setScale(double scale, double seconds) {
    if (scale == m_scaleTarget)
        return;
    m_scaleTarget = scale;
    if (!m_scaleAnimation) {
        m_scaleAnimation = new QVariantAnimation(this);
        m_scaleAnimation->setEasingCurve(QEasingCurve::InOutQuad);
        connect(m_scaleAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            m_scale = v.toDouble();
            update();
        });
    }
    m_scaleAnimation->stop();
    if (seconds <= 0 || !isVisible()) {
        m_scale = scale;
        update();
        return;
    }
    m_scaleAnimation->setDuration(int(seconds * 1000));
    m_scaleAnimation->setStartValue(m_scale);
    m_scaleAnimation->setEndValue(scale);
    m_scaleAnimation->start();
}

void StyledButton::setSymbol(const QString& symbol) {
    m_symbol = symbol;
    updateGeometry();
    update();
}

void StyledButton::setSymbolPixelSize(int pixels) {
    m_symbolPixels = pixels;
    updateGeometry();
    update();
}

void StyledButton::setSymbolColour(const QColor& colour) {
    m_symbolColour = colour;
    update();
}

void StyledButton::setMinimumLabelSize(const QSize& size) {
    m_minimumLabel = size;
    updateGeometry();
}

void StyledButton::setStacked(bool stacked) {
    m_stacked = stacked;
    updateGeometry();
}

void StyledButton::setLabelSpacing(int pixels) {
    m_labelSpacing = pixels;
    updateGeometry();
    update();
}

void StyledButton::animateTo(QVariantAnimation* animation, double target) {
    const double from = animation == m_hoverAnimation ? m_hover : m_press;
    animation->stop();
    if (!isVisible()) {
        (animation == m_hoverAnimation ? m_hover : m_press) = target;
        update();
        return;
    }
    animation->setStartValue(from);
    animation->setEndValue(target);
    animation->start();
}

void StyledButton::setHovering(bool hovering) {
    if (m_hovering == hovering)
        return;
    m_hovering = hovering;
    animateTo(m_hoverAnimation, hovering ? 1.0 : 0.0);
}

void StyledButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    setHovering(true);
}

void StyledButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    setHovering(false);
}

void StyledButton::hideEvent(QHideEvent* event) {
    QAbstractButton::hideEvent(event);
    // A button shown anew starts at rest.
    m_hoverAnimation->stop();
    m_pressAnimation->stop();
    m_hovering = false;
    m_hover = 0;
    m_press = 0;
}

bool StyledButton::event(QEvent* event) {
    // A window that opens over the button (the editor it opened) takes the pointer without a leave
    // reaching the button: the highlight would stay until the pointer came back and left again.
    if (event->type() == QEvent::WindowDeactivate)
        setHovering(false);
    // Back under a pointer that never left (the window was covered meanwhile): hover again.
    if (event->type() == QEvent::HoverMove && !m_hovering && isEnabled() &&
        rect().contains(static_cast<QHoverEvent*>(event)->position().toPoint()))
        setHovering(true);
    return QAbstractButton::event(event);
}

void StyledButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);

    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometry();
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        setHovering(false);
}

QFont StyledButton::labelFont() const {
    return m_style.smallMediumFont ? Fonts::system(10, QFont::Medium) : font();
}

QSize StyledButton::labelSize() const {
    const QFontMetrics metrics(labelFont());
    const int symbolSide = m_symbol.isEmpty() ? 0 : (m_symbolPixels > 0 ? m_symbolPixels : metrics.height());
    const int textWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text());
    const int textHeight = text().isEmpty() ? 0 : metrics.height();
    QSize size;
    if (m_stacked) {
        size = QSize(std::max(symbolSide, textWidth),
                     symbolSide + textHeight + (symbolSide && textHeight ? m_labelSpacing / 2 : 0));
    } else {
        size = QSize(symbolSide + textWidth + (symbolSide && textWidth ? m_labelSpacing : 0),
                     std::max(symbolSide, textHeight));
    }
    return size.expandedTo(m_minimumLabel);
}

QMarginsF StyledButton::margins() const {
    const QSize label = labelSize();
    const QSizeF body(label.width() + 2 * m_style.horizontalPadding,
                      label.height() + 2 * m_style.verticalPadding);
    return ButtonPainter::reservedMargins(m_style, body);
}

QSize StyledButton::sizeHint() const {
    const QSize label = labelSize();
    const QMarginsF m = margins();
    return QSize(int(std::ceil(label.width() + 2 * m_style.horizontalPadding + m.left() + m.right())),
                 int(std::ceil(label.height() + 2 * m_style.verticalPadding + m.top() + m.bottom())));
}

QRectF StyledButton::bodyRect() const {
    return QRectF(rect()).marginsRemoved(margins());
}

bool StyledButton::hitButton(const QPoint& pos) const {
    return bodyRect().contains(pos);
}

void StyledButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const bool dark = LookColors::isDark(this);
    const ButtonPaintState state{m_hover, m_press, dark, ButtonStyle::generation()};
    const QRectF body = bodyRect();
    if (m_scale != 1.0) {
        painter.translate(body.center());
        painter.scale(m_scale, m_scale);
        painter.translate(-body.center());
    }
    ButtonPainter::paint(painter, m_style, body, state);

    const double s = ButtonPainter::scale(m_style, state);
    painter.translate(body.center());
    painter.scale(s, s);
    painter.translate(-body.center());

    const QColor colour = ButtonPainter::labelColour(m_style, state);
    const QFont font = labelFont();
    const QFontMetrics metrics(font);
    const QSize label = labelSize();
    const QRectF content(body.center().x() - label.width() / 2.0, body.center().y() - label.height() / 2.0,
                         label.width(), label.height());
    const int symbolSide = m_symbol.isEmpty() ? 0 : (m_symbolPixels > 0 ? m_symbolPixels : metrics.height());
    const QColor symbolColour = m_symbolColour.isValid() ? m_symbolColour : colour;
    painter.setFont(font);
    painter.setPen(colour);
    if (m_stacked) {
        if (symbolSide)
            Symbols::paint(
                painter,
                QRectF(content.center().x() - symbolSide / 2.0, content.top(), symbolSide, symbolSide),
                m_symbol, symbolColour);
        painter.setPen(colour);
        painter.drawText(
            QRectF(content.left(), content.bottom() - metrics.height(), content.width(), metrics.height()),
            Qt::AlignCenter, text());
    } else {
        const int textWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text());
        const double used = symbolSide + textWidth + (symbolSide && textWidth ? m_labelSpacing : 0);
        double x = content.center().x() - used / 2.0;
        if (symbolSide) {
            Symbols::paint(painter,
                           QRectF(x, content.center().y() - symbolSide / 2.0, symbolSide, symbolSide),
                           m_symbol, symbolColour);
            x += symbolSide + m_labelSpacing;
        }
        if (textWidth) {
            painter.setPen(colour);
            painter.drawText(QRectF(x, content.top(), textWidth + 1, content.height()),
                             Qt::AlignVCenter | Qt::AlignLeft, text());
        }
    }
    if (hasFocus()) {
        painter.setPen(QPen(LookColors::withOpacity(LookColors::accent(dark), 0.6), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(body.adjusted(-1, -1, 1, 1), m_style.cornerRadius + 1,
                                m_style.cornerRadius + 1);
    }
}
