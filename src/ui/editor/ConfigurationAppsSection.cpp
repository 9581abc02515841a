#include "ConfigurationAppsSection.h"

#include "AppIconView.h"
#include "AppIcons.h"
#include "ConfigurationEditor.h"
#include "model/AppConfiguration.h"
#include "ui/look/Fonts.h"

#include "ui/look/Symbols.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>

#include "MenuItemStyle.h"
#include "ui/look/ElidedLabel.h"
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QString menuText(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
QString rowKey(const AppConfiguration* app) {
    return app->id().toString(QUuid::WithoutBraces);
}
} // namespace

ConfigurationAppsSection::ConfigurationAppsSection(ConfigurationEditor& editor, AppIcons& icons,
                                                   QWidget* parent)
    : QWidget(parent), m_editor(editor), m_icons(icons) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* header = new QHBoxLayout;
    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("appsTitle"));
    m_title->setFont(Fonts::weighted(Fonts::body(), QFont::Medium));
    header->addWidget(m_title);
    header->addStretch();
    m_preview = new QPushButton(Symbols::icon(QStringLiteral("eye"), palette().color(QPalette::ButtonText)),
                                QStringLiteral("Preview"));
    m_preview->setObjectName(QStringLiteral("previewButton"));
    m_preview->setAutoDefault(false);
    header->addWidget(m_preview);
    layout->addLayout(header);
    m_empty = new QLabel(QStringLiteral("No apps added yet"));
    m_empty->setForegroundRole(QPalette::PlaceholderText);
    m_empty->setContentsMargins(0, 8, 0, 8);
    layout->addWidget(m_empty);
    m_rows = new QWidget;
    m_rowsLayout = new QVBoxLayout(m_rows);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(8);
    layout->addWidget(m_rows);

    connect(m_preview, &QPushButton::clicked, &m_editor, &ConfigurationEditor::previewCurrentConfiguration);
    connect(&m_editor, &ConfigurationEditor::changed, this, &ConfigurationAppsSection::rebuild);
    rebuild();
}

QString ConfigurationAppsSection::title() const {
    return m_title->text();
}

QPushButton* ConfigurationAppsSection::positionButton(const AppConfiguration* app) const {
    return m_controls.value(app).position;
}

QMenu* ConfigurationAppsSection::positionMenu(const AppConfiguration* app) const {
    QPushButton* button = positionButton(app);
    return button ? button->menu() : nullptr;
}

QPushButton* ConfigurationAppsSection::removeButton(const AppConfiguration* app) const {
    return m_controls.value(app).remove;
}

void ConfigurationAppsSection::rebuild() {
    const QList<AppConfiguration*> apps = m_editor.apps();
    m_title->setText(
        QStringLiteral("Apps in Configuration (%1/%2)").arg(apps.size()).arg(ConfigurationEditor::maxApps));
    m_preview->setEnabled(!apps.isEmpty());
    m_empty->setVisible(apps.isEmpty());
    m_controls.clear();
    // Later: the rebuild may come from a row's own menu or button.
    while (QLayoutItem* item = m_rowsLayout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    QWidget* previous = m_preview;
    for (AppConfiguration* app : apps) {
        m_rowsLayout->addWidget(row(app));
        // Tab goes from "Preview" through each row's position and remove buttons.
        const RowControls controls = m_controls.value(app);
        QWidget::setTabOrder(previous, controls.position);
        QWidget::setTabOrder(controls.position, controls.remove);
        previous = controls.remove;
    }
}

QWidget* ConfigurationAppsSection::row(AppConfiguration* app) {
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("appRow"));
    row->setAttribute(Qt::WA_StyledBackground);
    row->setStyleSheet(
        QStringLiteral("QWidget#appRow { background: rgba(128,128,128,0.1); border-radius: 4px; }"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(8, 4, 8, 4);
    const QString bundleID = app->bundleID();
    layout->addWidget(new AppIconView([this, bundleID] { return m_icons.iconFor(bundleID); }, 20));
    auto* name = new ElidedLabel(app->appName());
    name->setPreferredWidthLimit(220);
    name->setTextFormat(Qt::PlainText);
    layout->addWidget(name);
    layout->addStretch();

    auto* position =
        new QPushButton(menuText(ConfigurationEditor::positionDisplayName(m_editor.selectedCorner(app))));
    position->setObjectName(QStringLiteral("position ") + rowKey(app));
    position->setAutoDefault(false);
    position->setFixedWidth(180);
    position->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 2px 8px; }"));
    position->setMenu(buildMenu(app, position));
    layout->addWidget(position);

    auto* remove =
        new QPushButton(Symbols::icon(QStringLiteral("minus.circle"), QColor(0xff, 0x3b, 0x30)), QString());
    remove->setObjectName(QStringLiteral("remove ") + rowKey(app));
    remove->setFlat(true);
    remove->setAutoDefault(false);
    remove->setToolTip(QStringLiteral("Remove"));
    remove->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0 4px; }"));
    layout->addWidget(remove);
    m_controls.insert(app, RowControls{position, remove});
    connect(remove, &QPushButton::clicked, this, [this, app] { m_editor.removeAppFromConfiguration(app); });
    return row;
}

QMenu* ConfigurationAppsSection::buildMenu(AppConfiguration* app, QPushButton* button) {
    auto* menu = new QMenu(button);
    menu->setStyle(MenuItemStyle::shared());
    for (Corner corner : m_editor.cornerOptions()) {
        const std::optional<ConfigurationEditor::Owner> owner = m_editor.ownerForCorner(corner, app);
        QString text = menuText(ConfigurationEditor::positionDisplayName(corner));
        // The holder goes into the menu's right-hand column.
        if (owner)
            text += QLatin1Char('\t') + menuText(owner->second);
        QAction* action = menu->addAction(text);
        action->setData(static_cast<int>(corner));
        if (owner) {
            action->setEnabled(false);
            const QIcon ownerIcon = m_icons.iconFor(owner->first);
            action->setIcon(ownerIcon.isNull() ? Symbols::icon(QStringLiteral("app.fill"),
                                                               palette().color(QPalette::PlaceholderText), 12)
                                               : ownerIcon);
        }
        connect(action, &QAction::triggered, this,
                [this, app, corner] { m_editor.choosePosition(app, corner); });
    }
    return menu;
}
