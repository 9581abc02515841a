#include "MissingAppRow.h"

#include "ui/look/ElidedLabel.h"
#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"
#include "ui/look/SymbolView.h"
#include "ui/look/Symbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

MissingAppRow::MissingAppRow(const MissingAppInfo& missingApp, std::function<void()> onRemove,
                             QWidget* parent)
    : QWidget(parent) {
    const bool dark = LookColors::isDark(parent);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(12);
    auto* icon = new SymbolView(QStringLiteral("app.fill"), 22, LookColors::gray());
    auto* iconFrame = new QWidget;
    iconFrame->setFixedSize(32, 32);
    auto* iconLayout = new QHBoxLayout(iconFrame);
    iconLayout->setContentsMargins(0, 0, 0, 0);
    iconLayout->addWidget(icon, 0, Qt::AlignCenter);
    row->addWidget(iconFrame);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* name = new ElidedLabel(missingApp.appName);
    name->setObjectName(QStringLiteral("appName"));
    name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    name->setFont(Fonts::system(14, QFont::Medium));
    auto* where = new ElidedLabel(tr("in %1").arg(missingApp.configurationName));
    where->setObjectName(QStringLiteral("configurationName"));
    where->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    where->setFont(Fonts::system(12));
    LookColors::useSecondaryText(where);
    texts->addWidget(name);
    texts->addWidget(where);
    row->addLayout(texts, 1);

    if (onRemove) {
        m_remove = new QToolButton;
        m_remove->setAutoRaise(true);
        m_remove->setIcon(Symbols::icon(QStringLiteral("trash"), LookColors::red(dark), 16));
        m_remove->setToolTip(tr("Remove from configuration"));
        m_remove->setAccessibleName(tr("Remove from configuration"));
        connect(m_remove, &QToolButton::clicked, this, [onRemove = std::move(onRemove)] { onRemove(); });
        row->addWidget(m_remove);
    }
}

void MissingAppRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(LookColors::textBackground(LookColors::isDark(this)));
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
}
