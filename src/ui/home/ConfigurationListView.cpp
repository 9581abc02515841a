#include "ConfigurationListView.h"

#include "ConfigurationRow.h"
#include "HomeSection.h"
#include "app/RecentActivationOrder.h"

#include <QEasingCurve>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QVariantAnimation>

ConfigurationListView::ConfigurationListView(QScrollArea* scrollArea, RowFactory factory, QWidget* parent)
    : QWidget(parent), m_scrollArea(scrollArea), m_factory(std::move(factory)) {
    m_empty = HomeSection::makeNote(QString(), this);
    m_empty->move(inset, 0);
    connect(m_scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { layoutRows(); });
}

void ConfigurationListView::setConfigurations(const QList<ConfigurationGroup*>& configurations) {
    m_order = recentActivationOrder(configurations);
    const QSet<const ConfigurationGroup*> kept(m_order.cbegin(), m_order.cend());
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (!kept.contains(it.key())) {
            discard(it.value());
            it = m_rows.erase(it);
        } else {
            ++it;
        }
    }
    m_empty->setVisible(m_order.isEmpty());
    measureRowHeight();
    setMinimumHeight(contentHeight());
    updateGeometry();
    layoutRows();
}

void ConfigurationListView::reorder() {
    m_order = recentActivationOrder(m_order);
    layoutRows();
}

// A row may go away from inside one of its own handlers: let that finish first.
void ConfigurationListView::discard(ConfigurationRow* row) {
    row->hide();
    row->deleteLater();
}

void ConfigurationListView::setEmptyText(const QString& text) {
    m_empty->setText(text);
    m_empty->resize(qMax(width() - 2 * inset, 100), m_empty->heightForWidth(qMax(width() - 2 * inset, 100)));
    updateGeometry();
}

ConfigurationRow* ConfigurationListView::rowFor(const ConfigurationGroup* configuration) const {
    return m_rows.value(configuration, nullptr);
}

QList<ConfigurationRow*> ConfigurationListView::builtRows() const {
    return m_rows.values();
}

int ConfigurationListView::rowTop(int index) const {
    return inset + index * (m_rowHeight + spacing);
}

int ConfigurationListView::contentHeight() const {
    if (m_order.isEmpty())
        return m_empty->sizeHint().height();
    return 2 * inset + int(m_order.size()) * m_rowHeight + int(m_order.size() - 1) * spacing;
}

QSize ConfigurationListView::sizeHint() const {
    return QSize(200, contentHeight());
}

// Every row has the same parts, so one measurement serves them all.
void ConfigurationListView::measureRowHeight() {
    if (m_rowHeight > 0 || m_order.isEmpty())
        return;
    ConfigurationRow* probe = m_factory(m_order.first(), this);
    m_rowHeight = probe->sizeHint().height();
    m_rows.insert(m_order.first(), probe);
    probe->setFixedHeight(m_rowHeight);
}

void ConfigurationListView::layoutRows() {
    if (m_layingOut || m_order.isEmpty() || m_rowHeight <= 0)
        return;
    m_layingOut = true;
    const QWidget* viewport = m_scrollArea->viewport();
    const int top = -pos().y();
    const int bottom = top + viewport->height();
    const int pitch = m_rowHeight + spacing;
    const int first = qMax(0, (top - inset) / pitch - overscan);
    const int last = qMin(int(m_order.size()) - 1, (bottom - inset) / pitch + overscan);
    QSet<const ConfigurationGroup*> wanted;
    for (int i = first; i <= last; ++i)
        wanted.insert(m_order.at(i));
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (!wanted.contains(it.key())) {
            discard(it.value());
            it = m_rows.erase(it);
        } else {
            ++it;
        }
    }
    const int rowWidth = width() - 2 * inset;
    for (int i = first; i <= last; ++i) {
        ConfigurationGroup* configuration = m_order.at(i);
        ConfigurationRow* row = m_rows.value(configuration, nullptr);
        if (!row) {
            row = m_factory(configuration, this);
            row->setFixedHeight(m_rowHeight);
            m_rows.insert(configuration, row);
        }
        row->setGeometry(inset, rowTop(i), rowWidth, m_rowHeight);
        if (!row->isVisible() && isVisible())
            row->show();
    }
    m_layingOut = false;
}

void ConfigurationListView::scrollToConfiguration(const ConfigurationGroup* configuration) {
    const int index = int(m_order.indexOf(const_cast<ConfigurationGroup*>(configuration)));
    if (index < 0)
        return;
    QScrollBar* bar = m_scrollArea->verticalScrollBar();
    const int target = qBound(bar->minimum(), rowTop(index) - inset, bar->maximum());
    if (m_scroll)
        m_scroll->stop();
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(bar->value());
    animation->setEndValue(target);
    animation->setDuration(scrollDuration);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation, &QVariantAnimation::valueChanged, bar,
            [bar](const QVariant& value) { bar->setValue(value.toInt()); });
    m_scroll = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

bool ConfigurationListView::isScrolling() const {
    return m_scroll && m_scroll->state() == QAbstractAnimation::Running;
}

void ConfigurationListView::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    layoutRows();
}

void ConfigurationListView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_empty->resize(qMax(width() - 2 * inset, 100), m_empty->sizeHint().height());
    layoutRows();
}

void ConfigurationListView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    layoutRows();
}
