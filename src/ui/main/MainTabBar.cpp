#include "MainTabBar.h"

#include "MainTabButton.h"
#include "ui/look/LookColors.h"
#include "ui/look/SpringEasing.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVariantAnimation>

namespace {
constexpr double highlightRadius = 20;
constexpr double highlightDrop = 2;
} // namespace

MainTabBar::MainTabBar(const QList<TabItem>& tabs, QWidget* parent)
    : QWidget(parent), m_slide(new QVariantAnimation(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, int(highlightDrop));
    row->setSpacing(8);
    for (int i = 0; i < tabs.size(); ++i) {
        auto* button = new MainTabButton(tabs.at(i).symbol, tabs.at(i).title, this);
        button->setSelected(i == m_current);
        connect(button, &QAbstractButton::clicked, this, [this, i] { Q_EMIT tabPressed(i); });
        row->addWidget(button);
        m_buttons.append(button);
    }
    m_slide->setDuration(SpringEasing::durationMs);
    m_slide->setEasingCurve(SpringEasing::curve());
    connect(m_slide, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_highlight = v.toRectF();
        update();
    });
}

QRectF MainTabBar::targetRect() const {
    const MainTabButton* b = button(m_current);
    return b ? QRectF(b->geometry()).translated(0, highlightDrop) : QRectF();
}

void MainTabBar::setCurrentIndex(int index) {
    if (index < 0 || index >= m_buttons.size())
        return;
    m_current = index;
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons.at(i)->setSelected(i == index);
    m_slide->stop();
    if (!isVisible() || m_highlight.isNull()) {
        m_highlight = targetRect();
        update();
        return;
    }
    m_slide->setStartValue(m_highlight);
    m_slide->setEndValue(targetRect());
    m_slide->start();
}

void MainTabBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_slide->state() != QAbstractAnimation::Running)
        m_highlight = targetRect();
}

void MainTabBar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_highlight = targetRect();
}

void MainTabBar::paintEvent(QPaintEvent*) {
    if (m_highlight.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = LookColors::isDark(this);
    painter.setBrush(LookColors::ultraThinMaterial(dark));
    painter.setPen(QPen(LookColors::withOpacity(LookColors::accent(dark), 0.25), 1));
    painter.drawRoundedRect(m_highlight.adjusted(0.5, 0.5, -0.5, -0.5), highlightRadius, highlightRadius);
}
