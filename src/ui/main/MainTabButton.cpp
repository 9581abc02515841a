#include "MainTabButton.h"

#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"
#include "ui/look/SpringEasing.h"
#include "ui/look/Symbols.h"

#include <QPainter>
#include <QVariantAnimation>

#include <cmath>
#include <numbers>

namespace {
constexpr int symbolSide = 16;
constexpr int spacing = 6;
constexpr int minimumLabelWidth = 80;
constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 10;
constexpr double bounceDepth = 3;

QFont titleFont() {
    return Fonts::system(14, QFont::Medium);
}
} // namespace

MainTabButton::MainTabButton(const QString& symbol, const QString& title, QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol), m_selectionAnimation(new QVariantAnimation(this)),
      m_bounceAnimation(new QVariantAnimation(this)) {
    setText(title);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(title);
    m_selectionAnimation->setDuration(SpringEasing::durationMs);
    m_selectionAnimation->setEasingCurve(SpringEasing::curve());
    connect(m_selectionAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_selection = v.toDouble();
        update();
    });
    // Down and back: a sine arc over 0.35 s.
    m_bounceAnimation->setDuration(350);
    m_bounceAnimation->setStartValue(0.0);
    m_bounceAnimation->setEndValue(1.0);
    connect(m_bounceAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_bounceOffset = bounceDepth * std::sin(v.toDouble() * std::numbers::pi);
        update();
    });
    connect(m_bounceAnimation, &QVariantAnimation::finished, this, [this] {
        m_bounceOffset = 0;
        update();
    });
}

void MainTabButton::setSelected(bool selected) {
    if (m_selected == selected)
        return;
    m_selected = selected;
    m_selectionAnimation->stop();
    if (!isVisible()) {
        m_selection = selected ? 1 : 0;
        update();
        return;
    }
    m_selectionAnimation->setStartValue(m_selection);
    m_selectionAnimation->setEndValue(selected ? 1.0 : 0.0);
    m_selectionAnimation->start();
}

void MainTabButton::bounce() {
    ++m_bounces;
    m_bounceAnimation->stop();
    m_bounceAnimation->start();
}

QSize MainTabButton::sizeHint() const {
    const QFontMetrics metrics(titleFont());
    const int label = std::max(minimumLabelWidth, symbolSide + spacing + metrics.horizontalAdvance(text()));
    return QSize(label + 2 * horizontalPadding, std::max(symbolSide, metrics.height()) + 2 * verticalPadding);
}

void MainTabButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = LookColors::isDark(this);
    const QColor colour = LookColors::mix(LookColors::secondary(dark), LookColors::accent(dark), m_selection);
    const QFont font = titleFont();
    const QFontMetrics metrics(font);
    const int textWidth = metrics.horizontalAdvance(text());
    const double used = symbolSide + spacing + textWidth;
    const QRectF area =
        QRectF(rect()).adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const double left = area.center().x() - used / 2;
    const double centreY = area.center().y();

    const double iconScale = 0.9 + 0.1 * m_selection;
    const QRectF icon(left, centreY - symbolSide / 2.0, symbolSide, symbolSide);
    painter.save();
    painter.translate(icon.center() + QPointF(0, m_bounceOffset));
    painter.scale(iconScale, iconScale);
    painter.translate(-icon.center());
    Symbols::paint(painter, icon, m_symbol, colour);
    painter.restore();

    const double textScale = 0.95 + 0.05 * m_selection;
    const QRectF label(left + symbolSide + spacing, area.top(), textWidth + 1, area.height());
    painter.translate(label.center());
    painter.scale(textScale, textScale);
    painter.translate(-label.center());
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(label, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text());
}
