#include "ConfigurationRow.h"

#include "ApplicationIcons.h"
#include "HomeLook.h"
#include "LayoutButtonChoice.h"
#include "app/AppState.h"
#include "base/Log.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/PositionGroupTemplateMatcher.h"
#include "model/TemplateSymbols.h"
#include "placement/MultiMonitorHelper.h"
#include "store/ModelContext.h"
#include "ui/look/ElidedLabel.h"
#include "ui/look/StyledButton.h"

#include "ui/look/ElidingComboBox.h"
#include "ui/look/TextLabel.h"
#include <QAbstractButton>

#include <QComboBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

#include <utility>

namespace {
constexpr int iconSize = 16;
constexpr int maxIcons = 4;
} // namespace

ConfigurationRow::ConfigurationRow(Platform& platform, AppState& state, ConfigurationGroup* configuration,
                                   ApplicationIcons& icons, Callbacks callbacks, QWidget* parent)
    : QFrame(parent), m_platform(platform), m_state(state), m_configuration(configuration), m_icons(icons),
      m_callbacks(std::move(callbacks)),
      // The activator's deferred steps may outlive the row: its getter must not reach a dead row.
      m_activator(platform, ConfigurationActivator::Variant::mainWindow,
                  ConfigurationActivator::Row{configuration, &state,
                                              [self = QPointer<ConfigurationRow>(this)] {
                                                  return self ? self->m_localSelectedPositionGroupID
                                                              : QString();
                                              },
                                              m_callbacks.onScrollToSelf}) {
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(12);

    auto* text = new QVBoxLayout();
    text->setSpacing(2);
    auto* firstLine = new QHBoxLayout();
    firstLine->setSpacing(6);
    // A long name is cut short with "…": the row never grows past its list.
    m_name = new ElidedLabel(configuration->name(), this);
    m_name->setFont(HomeLook::font(13, QFont::Medium));
    m_name->setMinimumWidth(40);
    firstLine->addWidget(m_name);
    m_check = HomeLook::symbolLabel(QStringLiteral("checkmark.circle.fill"), HomeLook::namedColor("green"),
                                    12, this);
    firstLine->addWidget(m_check);
    firstLine->addStretch(1);
    text->addLayout(firstLine);

    auto* secondLine = new QHBoxLayout();
    secondLine->setSpacing(4);
    m_count = HomeLook::plainLabel(QString(), HomeLook::font(11), this);
    QPalette secondary = m_count->palette();
    secondary.setColor(QPalette::WindowText, HomeLook::secondaryText(this));
    m_count->setPalette(secondary);
    secondLine->addWidget(m_count);
    m_strip = new QHBoxLayout();
    m_strip->setSpacing(2);
    secondLine->addLayout(m_strip);
    m_overflow = HomeLook::plainLabel(QString(), HomeLook::font(10), this);
    m_overflow->setPalette(secondary);
    secondLine->addWidget(m_overflow);
    secondLine->addStretch(1);
    text->addLayout(secondLine);
    row->addLayout(text, 1);

    auto* trailing = new QHBoxLayout();
    trailing->setSpacing(8);
    auto* picker = new ElidingComboBox(this);
    picker->setNarrowestWidth(120);
    m_picker = picker;
    m_picker->setFocusPolicy(Qt::StrongFocus);
    trailing->addWidget(m_picker);

    m_activate = HomeLook::button(HomeLook::ButtonKind::adaptive, QStringLiteral("Activate"),
                                  QStringLiteral("play.fill"), this, QStringLiteral("blue"));
    m_activate->setToolTip(QStringLiteral("Activate this configuration"));
    trailing->addWidget(m_activate);
    m_edit = HomeLook::button(HomeLook::ButtonKind::adaptive, QString(), QStringLiteral("pencil"), this,
                              QStringLiteral("primary"));
    m_edit->setToolTip(QStringLiteral("Edit configuration"));
    // The pencil alone, at 16 where the other buttons' symbols follow their 12-pixel text.
    m_edit->setFont(HomeLook::font(16, QFont::Medium));
    if (auto* edit = qobject_cast<StyledButton*>(m_edit))
        edit->setSymbolPixelSize(16);
    trailing->addWidget(m_edit);
    m_display = HomeLook::button(HomeLook::ButtonKind::adaptive, QString(),
                                 QStringLiteral("rectangle.on.rectangle"), this, QStringLiteral("orange"));
    m_display->setToolTip(QStringLiteral("Move to display"));
    m_displayMenu = new QMenu(this);
    trailing->addWidget(m_display);
    m_layout = HomeLook::button(HomeLook::ButtonKind::adaptive, QStringLiteral("Swap"),
                                QStringLiteral("arrow.left.arrow.right"), this, QStringLiteral("orange"));
    trailing->addWidget(m_layout);
    m_delete = HomeLook::button(HomeLook::ButtonKind::adaptive, QString(), QStringLiteral("trash"), this,
                                QStringLiteral("red"), true);
    m_delete->setToolTip(QStringLiteral("Delete configuration"));
    trailing->addWidget(m_delete);
    row->addLayout(trailing);

    connect(m_activate, &QAbstractButton::clicked, this, [this] {
        if (isLive())
            m_activator.activateFromRow();
    });
    // "Move to" is offered while two or more displays are connected, also when they change.
    m_platform.screens.onChanged(this, [this] { updateControls(); });
    connect(m_edit, &QAbstractButton::clicked, this, [this] {
        if (!isLive() || !m_callbacks.onEdit)
            return;
        const QString id = selectedPositionGroupID();
        m_callbacks.onEdit(id.isEmpty() ? std::nullopt : std::optional<QString>(id));
    });
    connect(m_display, &QAbstractButton::clicked, this, [this] {
        rebuildDisplayMenu();
        m_displayMenu->popup(m_display->mapToGlobal(QPoint(0, m_display->height())));
    });
    connect(m_layout, &QAbstractButton::clicked, this, [this] {
        if (isLive() && m_layoutOperation)
            LayoutButtonChoice::run(LayoutButtonChoice::Operation(*m_layoutOperation), m_activator);
    });
    connect(m_delete, &QAbstractButton::clicked, this, [this] {
        if (isLive() && m_callbacks.onRemove)
            m_callbacks.onRemove();
    });
    connect(m_picker, &QComboBox::activated, this, &ConfigurationRow::userPickedGroup);

    connect(&m_state, &AppState::changed, this, [this](AppState::Property property) {
        switch (property) {
        case AppState::Property::selectedConfigurationID:
            updateSelectionMark();
            break;
        case AppState::Property::selectedPositionGroupForConfig:
            followSelectedGroup();
            break;
        case AppState::Property::triggerPartialActivation:
            if (m_state.triggerPartialActivation() && isLive())
                m_activator.triggerPartialActivationIfPending();
            break;
        case AppState::Property::configurationDataVersion:
            if (!isLive())
                break;
            preComputeValues();
            logDebug(lcUi, QStringLiteral("🔄 ConfigRow: Refreshed pre-computed values for ") +
                               m_configuration->name());
            break;
        default:
            break;
        }
    });
    watchConfiguration();
    updateCounts();
    updateSelectionMark();
}

bool ConfigurationRow::isLive() const {
    return m_configuration && ModelContext::of(m_configuration) != nullptr;
}

QString ConfigurationRow::key() const {
    return m_configuration ? uuidString(m_configuration->id()) : QString();
}

bool ConfigurationRow::isSelected() const {
    return m_configuration && m_state.selectedConfigurationID() == key();
}

QString ConfigurationRow::selectedPositionGroupID() const {
    const QHash<QString, QString> chosen = m_state.selectedPositionGroupForConfig();
    const auto found = chosen.constFind(key());
    return found != chosen.constEnd() ? *found : m_localSelectedPositionGroupID;
}

int ConfigurationRow::iconStripSize() const {
    return m_strip->count();
}

void ConfigurationRow::watchConfiguration() {
    for (const QMetaObject::Connection& c : std::as_const(m_childConnections))
        disconnect(c);
    m_childConnections.clear();
    if (!m_configuration)
        return;
    // The controls follow the live lists and positions.
    auto refresh = [this] {
        m_name->setFullText(m_configuration ? m_configuration->name() : QString());
        updatePicker();
        updateControls();
    };
    m_childConnections.append(connect(m_configuration, &ModelObject::changed, this, [this, refresh] {
        watchConfiguration();
        refresh();
    }));
    for (AppConfiguration* app : m_configuration->configurationList())
        m_childConnections.append(connect(app, &ModelObject::changed, this, refresh));
    for (PositionGroup* group : m_configuration->positionGroupList())
        m_childConnections.append(connect(group, &ModelObject::changed, this, refresh));
}

void ConfigurationRow::preComputeValues() {
    if (!m_configuration)
        return;
    const QList<AppConfiguration*> apps = m_configuration->configurationList();
    m_appCount = int(apps.size());
    m_positionGroupCount = int(m_configuration->positionGroupList().size());
    m_appIcons.clear();
    for (int i = 0; i < apps.size() && i < maxIcons; ++i)
        m_appIcons.append({apps.at(i)->bundleID(), m_icons.iconFor(apps.at(i)->bundleID())});
    updateCounts();
    updatePicker();
    updateControls();
}

void ConfigurationRow::updateCounts() {
    m_count->setText(QString::number(m_appCount) + QStringLiteral(" app") +
                     (m_appCount == 1 ? QString() : QStringLiteral("s")));
    while (QLayoutItem* item = m_strip->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const auto& [bundleID, icon] : std::as_const(m_appIcons)) {
        QLabel* label;
        if (icon.isNull()) {
            label = HomeLook::symbolLabel(QStringLiteral("app.fill"), HomeLook::secondaryText(this), iconSize,
                                          this);
        } else {
            label = new QLabel(this);
            label->setPixmap(icon.pixmap(iconSize, iconSize));
            label->setFixedSize(iconSize, iconSize);
            label->setScaledContents(true);
        }
        label->setToolTip(plainToolTip(bundleID));
        m_strip->addWidget(label);
    }
    m_overflow->setVisible(m_appCount >= 5);
    m_overflow->setText(m_appCount >= 5 ? QStringLiteral("+") + QString::number(m_appCount - maxIcons)
                                        : QString());
}

void ConfigurationRow::updatePicker() {
    if (!m_configuration)
        return;
    const QList<PositionGroup*> groups = m_configuration->positionGroupList();
    m_picker->setVisible(m_positionGroupCount >= 2);
    const QSignalBlocker blocker(m_picker);
    m_picker->clear();
    for (PositionGroup* group : groups) {
        const std::optional<PositionTemplate> matched = PositionGroupTemplateMatcher::matchedTemplate(group);
        const std::optional<QString> symbolName =
            matched ? TemplateSymbols::symbolName(matched->positions) : std::nullopt;
        const QColor color = palette().color(QPalette::ButtonText);
        if (symbolName) {
            m_picker->addItem(HomeLook::symbol(*symbolName, color), group->name(), uuidString(group->id()));
        } else {
            const QString title = group->isDefault() ? group->name() + QStringLiteral(" ★") : group->name();
            m_picker->addItem(HomeLook::symbol(QStringLiteral("star.fill"), color), title,
                              uuidString(group->id()));
        }
    }
    m_picker->setCurrentIndex(m_picker->findData(selectedPositionGroupID()));
}

void ConfigurationRow::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    // The picker's symbols are drawn in the look's text colour when they are made: a change of look
    // draws them again.
    if (event->type() == QEvent::PaletteChange && m_picker)
        updatePicker();
}

void ConfigurationRow::updateControls() {
    const int n = m_configuration ? int(m_configuration->configurationList().size()) : 0;
    m_activate->setEnabled(n > 0);
    const QString activateAccent = n > 0 ? QStringLiteral("blue") : QStringLiteral("secondary");
    if (activateAccent != m_activateAccent) {
        m_activateAccent = activateAccent;
        HomeLook::restyle(m_activate, QStringLiteral("Activate"), QStringLiteral("play.fill"),
                          activateAccent);
    }
    m_display->setVisible(n >= 1 && m_platform.screens.screens().size() >= 2);

    const std::optional<LayoutButtonChoice> choice =
        m_configuration ? LayoutButtonChoice::choose(m_activator) : std::nullopt;
    m_layoutOperation = choice ? std::optional<int>(int(choice->operation)) : std::nullopt;
    m_layout->setVisible(choice.has_value());
    if (choice) {
        const QString signature = choice->title + choice->symbol + choice->accent;
        if (signature != m_layoutSignature) {
            m_layoutSignature = signature;
            HomeLook::restyle(m_layout, choice->title, choice->symbol, choice->accent);
            m_layout->setToolTip(choice->help);
        }
    }
}

void ConfigurationRow::updateSelectionMark() {
    m_check->setVisible(isSelected());
    update();
}

void ConfigurationRow::rebuildDisplayMenu() {
    m_displayMenu->clear();
    for (const MultiMonitorHelper::DisplayOption& option :
         MultiMonitorHelper(m_platform).availableDisplays()) {
        QAction* action = m_displayMenu->addAction(QStringLiteral("Move to ") + option.name);
        const Screen screen = option.screen;
        connect(action, &QAction::triggered, this, [this, screen] {
            if (isLive())
                m_activator.activateOnDisplay(screen);
        });
    }
}

void ConfigurationRow::seedSelection() {
    if (!m_configuration)
        return;
    const QHash<QString, QString> chosen = m_state.selectedPositionGroupForConfig();
    QString id = chosen.value(key());
    if (id.isEmpty()) {
        if (PositionGroup* group = m_configuration->defaultPositionGroup())
            id = uuidString(group->id());
        else if (!m_configuration->positionGroupList().isEmpty())
            id = uuidString(m_configuration->positionGroupList().first()->id());
    }
    m_localSelectedPositionGroupID = id;
    m_state.setSelectedPositionGroup(key(), id);
}

void ConfigurationRow::userPickedGroup(int index) {
    if (!isLive())
        return;
    const QString newID = m_picker->itemData(index).toString();
    m_localSelectedPositionGroupID = newID;
    // The shared state tells every row, this one included (followSelectedGroup).
    m_state.setSelectedPositionGroup(key(), newID);
}

void ConfigurationRow::followSelectedGroup() {
    const QString newID = selectedPositionGroupID();
    if (newID == m_shownGroupID)
        return;
    const QString oldID = std::exchange(m_shownGroupID, newID);
    m_picker->setCurrentIndex(m_picker->findData(newID));
    updateControls();
    // The picker's own handler, so only while it is shown: the user's pick and a group chosen
    // elsewhere (the editor) re-activate alike.
    if (m_positionGroupCount >= 2 && isLive())
        m_activator.positionGroupSelectionChanged(oldID, newID, m_isInitializing);
}

void ConfigurationRow::toggleSelection() {
    if (!isLive())
        return;
    if (isSelected()) {
        m_state.setSelectedConfigurationID(QString());
        logInfo(lcUi, QStringLiteral("📱 Deselected configuration: ") + m_configuration->name());
    } else {
        m_state.setSelectedConfigurationID(key());
        logInfo(lcUi, QStringLiteral("📱 Selected configuration: ") + m_configuration->name());
    }
}

void ConfigurationRow::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    if (event->spontaneous())
        return;
    m_isInitializing = true;
    preComputeValues();
    seedSelection();
    followSelectedGroup();
    m_picker->setCurrentIndex(m_picker->findData(selectedPositionGroupID()));
    const int appearance = ++m_appearance;
    QPointer<ConfigurationRow> self(this);
    m_platform.scheduler.after(settleDelay, [self, appearance] {
        if (self && self->m_appearance == appearance && self->isVisible())
            self->m_isInitializing = false;
    });
}

void ConfigurationRow::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    if (!event->spontaneous())
        m_isInitializing = true;
}

void ConfigurationRow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        toggleSelection();
    QFrame::mouseReleaseEvent(event);
}

void ConfigurationRow::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    // Every row has the same size: its card is drawn once per look and reused while scrolling.
    static QHash<QString, QPixmap> cards;
    const qreal ratio = devicePixelRatioF();
    const QColor accent = palette().color(QPalette::Highlight);
    const bool selected = isSelected();
    const QString key = QStringLiteral("%1x%2@%3/%4/%5")
                            .arg(width())
                            .arg(height())
                            .arg(ratio)
                            .arg(selected)
                            .arg(accent.name());
    auto found = cards.constFind(key);
    if (found == cards.constEnd()) {
        QPixmap card(size() * ratio);
        card.setDevicePixelRatio(ratio);
        card.fill(Qt::transparent);
        QPainter painter(&card);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        if (selected) {
            QColor fill = accent;
            fill.setAlphaF(0.1f);
            painter.fillPath(path, fill);
        }
        QColor stroke = selected ? accent : QColor(128, 128, 128);
        if (!selected)
            stroke.setAlphaF(0.3f);
        painter.setPen(QPen(stroke, 1));
        painter.drawPath(path);
        painter.end();
        if (cards.size() > 16)
            cards.clear();
        found = cards.insert(key, card);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, *found);
}
