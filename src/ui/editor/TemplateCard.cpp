#include "TemplateCard.h"

#include "LayoutThumbnail.h"
#include "ui/look/Fonts.h"

#include "ui/look/Symbols.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
QLabel* passive(QLabel* label) {
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}
} // namespace

TemplateCard::TemplateCard(std::optional<PositionTemplate> positionTemplate, bool isSelected, QWidget* parent)
    : QPushButton(parent), m_template(std::move(positionTemplate)) {
    setObjectName(QStringLiteral("templateCard"));
    setAutoDefault(false);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(m_template ? m_template->name : QStringLiteral("Custom"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);

    auto* top = new QHBoxLayout;
    top->addStretch();
    QLabel* name = passive(new QLabel(m_template ? m_template->name : QStringLiteral("Custom")));
    name->setFont(Fonts::weighted(Fonts::caption(), QFont::Medium));
    top->addWidget(name);
    m_check = passive(new QLabel);
    m_check->setPixmap(Symbols::pixmap(QStringLiteral("checkmark.circle.fill"), 12, QColor(0, 122, 255)));
    top->addWidget(m_check);
    top->addStretch();
    column->addLayout(top);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(8);
    QLabel* desc =
        passive(new QLabel(m_template ? m_template->desc : QStringLiteral("Create custom positions")));
    desc->setFont(Fonts::caption());
    desc->setForegroundRole(QPalette::PlaceholderText);
    desc->setWordWrap(true);
    desc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    bottom->addWidget(desc, 1, Qt::AlignTop);
    auto* thumbnail = new LayoutThumbnail(m_template ? m_template->positions : QList<Corner>());
    thumbnail->setAttribute(Qt::WA_TransparentForMouseEvents);
    bottom->addWidget(thumbnail, 0, Qt::AlignTop);
    column->addLayout(bottom);
    setMinimumHeight(column->sizeHint().height());
    setSelected(isSelected);
}

void TemplateCard::setSelected(bool selected) {
    m_selected = selected;
    m_check->setVisible(selected);
    setStyleSheet(selected
                      ? QStringLiteral("TemplateCard { background: rgba(0,122,255,0.1); "
                                       "border: 1px solid rgb(0,122,255); border-radius: 6px; }")
                      : QStringLiteral("TemplateCard { background: rgba(128,128,128,0.05); "
                                       "border: 1px solid rgba(128,128,128,0.3); border-radius: 6px; }"));
}
