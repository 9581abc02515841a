#include "PositionGroupChip.h"

#include "MenuItemStyle.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "ui/look/ElidedLabel.h"
#include "ui/look/Fonts.h"

#include "ui/look/SymbolView.h"
#include "ui/look/Symbols.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QToolButton>

namespace {
constexpr int pillRadius = 16;
constexpr int maxNameWidth = 160;

// The applications the group places. A removed application's mapping stays in the draft until Save
// takes it along, so the mappings alone would count it.
int placedApps(const PositionGroup* group) {
    const ConfigurationGroup* configuration = group->configurationGroup();
    if (!configuration)
        return int(group->appPositionList().size());
    QSet<QString> present;
    for (const AppConfiguration* app : configuration->configurationList())
        present.insert(app->bundleID());
    int placed = 0;
    for (const AppPositionMapping* mapping : group->appPositionList())
        placed += present.contains(mapping->bundleID()) ? 1 : 0;
    return placed;
}

QLabel* passive(QLabel* label) {
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}
} // namespace

PositionGroupChip::PositionGroupChip(PositionGroup* group, bool isSelected, bool isDefault, Actions actions,
                                     QWidget* parent)
    : QWidget(parent), m_group(group), m_selected(isSelected), m_default(isDefault) {
    setObjectName(QStringLiteral("positionGroupChip"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    m_button = new QPushButton;
    m_button->setAutoDefault(false);
    m_button->setCursor(Qt::PointingHandCursor);
    m_button->setAccessibleName(group->name());
    auto* label = new QHBoxLayout(m_button);
    label->setContentsMargins(8, 4, 8, 4);
    label->setSpacing(6);
    if (isDefault) {
        auto* star = new SymbolView(QStringLiteral("star.fill"), 11, QColor(0xff, 0xcc, 0x00));
        star->setObjectName(QStringLiteral("defaultStar"));
        star->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->addWidget(star);
    }
    auto* name = new ElidedLabel(group->name());
    name->setAttribute(Qt::WA_TransparentForMouseEvents);
    name->setPreferredWidthLimit(maxNameWidth);
    name->setObjectName(QStringLiteral("groupName"));
    name->setFont(Fonts::weighted(Fonts::caption(), isSelected ? QFont::DemiBold : QFont::Medium));
    label->addWidget(name);
    QLabel* count = passive(new QLabel(QStringLiteral("(%1)").arg(placedApps(group))));
    count->setObjectName(QStringLiteral("groupCount"));
    count->setFont(Fonts::caption());
    count->setForegroundRole(QPalette::PlaceholderText);
    label->addWidget(count);
    m_button->setMinimumSize(label->sizeHint());
    // A pill: a corner radius of 16 rounds a chip this low fully, as a radius of half its height
    // (style sheets draw square corners when the radius exceeds that).
    const int height = label->sizeHint().height() + 2;
    m_button->setFixedHeight(height);
    const int radius = qMin(pillRadius, height / 2);
    m_button->setStyleSheet(
        (isSelected ? QStringLiteral("QPushButton { background: rgba(0,122,255,0.2); border: 1px solid "
                                     "rgb(0,122,255); border-radius: %1px; }")
                    : QStringLiteral("QPushButton { background: rgba(128,128,128,0.1); border: 1px solid "
                                     "transparent; border-radius: %1px; }"))
            .arg(radius));
    row->addWidget(m_button);

    m_more = new QToolButton;
    m_more->setObjectName(QStringLiteral("groupMenuButton"));
    m_more->setIcon(
        Symbols::icon(QStringLiteral("ellipsis"), palette().color(QPalette::PlaceholderText), 12));
    m_more->setAutoRaise(true);
    m_more->setPopupMode(QToolButton::InstantPopup);
    m_more->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 4px; } "
                                         "QToolButton::menu-indicator { image: none; }"));
    m_menu = new QMenu(m_more);
    m_menu->setStyle(MenuItemStyle::shared());
    m_menu->addAction(QStringLiteral("Edit Name"), this, [onEditName = actions.onEditName] { onEditName(); });
    if (!isDefault)
        m_menu->addAction(QStringLiteral("Set as Default"), this,
                          [onSetDefault = actions.onSetDefault] { onSetDefault(); });
    QAction* remove =
        m_menu->addAction(QStringLiteral("Delete"), this, [onDelete = actions.onDelete] { onDelete(); });
    remove->setProperty(MenuItemStyle::destructiveProperty, true);
    m_more->setMenu(m_menu);
    row->addWidget(m_more);

    connect(m_button, &QPushButton::clicked, this, [onSelect = actions.onSelect] { onSelect(); });
}
