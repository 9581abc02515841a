#include "MinimizedConfigurationRow.h"

#include "CompactAppIcon.h"

#include "app/AppState.h"
#include "base/Log.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/PositionGroupTemplateMatcher.h"
#include "model/TemplateSymbols.h"
#include "placement/MultiMonitorHelper.h"
#include "ui/home/HomeLook.h"
#include "ui/home/LayoutButtonChoice.h"
#include "ui/look/DialogFrame.h"
#include "ui/look/ElidedLabel.h"
#include "ui/look/ElidingComboBox.h"
#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"
#include "ui/look/StyledButton.h"
#include "ui/look/SymbolView.h"
#include "ui/look/Symbols.h"
#include "ui/look/TextLabel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int pickerWidth = 110;
constexpr int iconSize = 12;

// The destructive and the plain controls of the bar, all in the small adaptive glass style.
StyledButton* barButton(const QColor& accent, bool destructive, const QString& text, const QString& symbol,
                        const QString& help, QWidget* parent) {
    auto* button =
        new StyledButton(ButtonStyle::miniAdaptiveGlassmorphic(accent, destructive), text, symbol, parent);
    button->setToolTip(help);
    button->setAccessibleName(help);
    if (text.isEmpty())
        button->setSymbolPixelSize(14);
    return button;
}

} // namespace

MinimizedConfigurationRow::MinimizedConfigurationRow(ConfigurationGroup* configuration, AppState& state,
                                                     Action onEdit, Action onRemove, Action onScrollToSelf,
                                                     QWidget* parent)
    : QFrame(parent), m_configuration(configuration), m_state(state), m_onEdit(std::move(onEdit)),
      m_onRemove(std::move(onRemove)),
      m_activator(state.platform(), ConfigurationActivator::Variant::menuBar,
                  ConfigurationActivator::Row{configuration, &state,
                                              [local = m_localSelectedPositionGroupID] { return *local; },
                                              std::move(onScrollToSelf)}) {
    setObjectName(QStringLiteral("minimizedConfigurationRow"));
    build();
    preComputeValues();
    refreshSelection();
    connect(&m_state, &AppState::changed, this,
            [this](AppState::Property property) { stateChanged(static_cast<int>(property)); });
    // "Move to" is offered while two or more displays are connected, also when they change.
    m_state.platform().screens.onChanged(this, [this] { refreshControls(); });
    if (m_configuration)
        connect(m_configuration, &ModelObject::changed, this, [this] {
            if (m_configuration)
                m_name->setFullText(m_configuration->name());
            refreshPicker();
            refreshControls();
        });
}

void MinimizedConfigurationRow::build() {
    const bool dark = LookColors::isDark(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(12, 8, 12, 8);
    outer->setSpacing(8);

    // The name with its mark over the count with the icons; the picker at the end. The name gives
    // way (with an ellipsis) so that the picker and the controls below always stay in view.
    auto* line = new QHBoxLayout();
    line->setSpacing(8);
    auto* column = new QVBoxLayout();
    column->setSpacing(2);
    auto* heading = new QHBoxLayout();
    heading->setSpacing(4);
    m_name = new ElidedLabel(m_configuration ? m_configuration->name() : QString(), this);
    m_name->setFont(Fonts::weighted(Fonts::body(), QFont::Medium));
    heading->addWidget(m_name);
    m_mark = new SymbolView(QStringLiteral("checkmark.circle.fill"), 10, LookColors::green(dark), this);
    heading->addWidget(m_mark);
    heading->addStretch(1);
    column->addLayout(heading);
    auto* counts = new QHBoxLayout();
    counts->setSpacing(4);
    m_count = new QLabel(this);
    m_count->setFont(Fonts::system(10));
    LookColors::useSecondaryText(m_count);
    counts->addWidget(m_count);
    m_icons = new QHBoxLayout();
    m_icons->setSpacing(1);
    counts->addLayout(m_icons);
    counts->addStretch(1);
    column->addLayout(counts);
    line->addLayout(column, 1);
    auto* picker = new ElidingComboBox(this);
    picker->setNarrowestWidth(pickerWidth);
    m_picker = picker;
    m_picker->setFont(Fonts::system(10));
    // Only the user's own pick counts; programmatic changes of the shown entry do not.
    connect(m_picker, &QComboBox::activated, this,
            [this](int index) { pickPositionGroup(m_picker->itemData(index).toString()); });
    line->addWidget(m_picker);
    outer->addLayout(line);

    auto* bar = new QHBoxLayout();
    bar->setSpacing(6);
    m_activate = barButton(LookColors::blue(dark), false, {}, QStringLiteral("play.fill"),
                           QStringLiteral("Activate this configuration"), this);
    connect(m_activate, &QAbstractButton::clicked, this, [this] { m_activator.activateFromRow(); });
    bar->addWidget(m_activate);
    m_edit = barButton(LookColors::primary(dark), false, {}, QStringLiteral("pencil"),
                       QStringLiteral("Edit configuration"), this);
    connect(m_edit, &QAbstractButton::clicked, this, [this] {
        if (m_onEdit)
            m_onEdit();
    });
    bar->addWidget(m_edit);
    m_display = barButton(LookColors::orange(dark), false, {}, QStringLiteral("rectangle.on.rectangle"),
                          QStringLiteral("Move to display"), this);
    // Not a menu run in a loop of its own: a rendering of the list while it is open (a sync, a
    // rename elsewhere, the tray going away) deletes the row, and with it the menu.
    m_displayMenu = new QMenu(this);
    connect(m_display, &QAbstractButton::clicked, this, [this] {
        m_displayMenu->clear();
        const QPointer<MinimizedConfigurationRow> self(this);
        for (const MultiMonitorHelper::DisplayOption& display :
             MultiMonitorHelper(m_state.platform()).availableDisplays()) {
            QString title = QStringLiteral("Move to ") + display.name;
            m_displayMenu->addAction(title.replace(QLatin1Char('&'), QStringLiteral("&&")), this,
                                     [self, screen = display.screen] {
                                         if (self)
                                             self->m_activator.activateOnDisplay(screen);
                                     });
        }
        m_displayMenu->popup(m_display->mapToGlobal(QPoint(0, m_display->height())));
    });
    bar->addWidget(m_display);
    m_rearrange =
        barButton(LookColors::orange(dark), false, QStringLiteral("Swap"),
                  QStringLiteral("arrow.left.arrow.right"), QStringLiteral("Swap app positions"), this);
    connect(m_rearrange, &QAbstractButton::clicked, this, [this] {
        if (!m_rearrangement)
            return;
        LayoutButtonChoice::run(*m_rearrangement, m_activator);
        // The positions moved: another control may fit now.
        refreshControls();
    });
    bar->addWidget(m_rearrange);
    bar->addStretch(1);
    m_delete = barButton(LookColors::red(dark), true, {}, QStringLiteral("trash"),
                         QStringLiteral("Delete configuration"), this);
    connect(m_delete, &QAbstractButton::clicked, this, &MinimizedConfigurationRow::askDelete);
    bar->addWidget(m_delete);
    outer->addLayout(bar);
}

QStringList MinimizedConfigurationRow::iconStrip() const {
    QStringList strip;
    for (int i = 0; i < m_icons->count(); ++i)
        if (auto* label = qobject_cast<QLabel*>(m_icons->itemAt(i)->widget()))
            strip << (label->text().isEmpty() ? QStringLiteral("icon") : label->text());
    return strip;
}

bool MinimizedConfigurationRow::isSelected() const {
    return m_configuration && m_state.selectedConfigurationID() == uuidString(m_configuration->id());
}

QString MinimizedConfigurationRow::selectedPositionGroupID() const {
    if (!m_configuration)
        return *m_localSelectedPositionGroupID;
    const QHash<QString, QString> chosen = m_state.selectedPositionGroupForConfig();
    const auto it = chosen.constFind(uuidString(m_configuration->id()));
    return it != chosen.constEnd() ? *it : *m_localSelectedPositionGroupID;
}

void MinimizedConfigurationRow::writeSelectedPositionGroup(const QString& groupID) {
    if (m_configuration)
        m_state.setSelectedPositionGroup(uuidString(m_configuration->id()), groupID);
    *m_localSelectedPositionGroupID = groupID;
}

void MinimizedConfigurationRow::pickPositionGroup(const QString& groupID) {
    // The shared state tells every row, this one included (followSelectedGroup).
    writeSelectedPositionGroup(groupID);
}

void MinimizedConfigurationRow::followSelectedGroup() {
    const QString newID = selectedPositionGroupID();
    {
        const QSignalBlocker blocker(m_picker);
        m_picker->setCurrentIndex(m_picker->findData(newID));
    }
    refreshControls();
    if (newID == m_shownGroupID)
        return;
    const QString oldID = std::exchange(m_shownGroupID, newID);
    // The picker's own handler, so only while it is shown: a pick here and a group chosen elsewhere
    // (the editor, the other list) act alike.
    if (m_positionGroupCount >= 2)
        m_activator.positionGroupSelectionChanged(oldID, newID, m_isInitializing);
}

void MinimizedConfigurationRow::preComputeValues() {
    const QList<AppConfiguration*> apps =
        m_configuration ? m_configuration->configurationList() : QList<AppConfiguration*>();
    m_appCount = static_cast<int>(apps.size());
    m_positionGroupCount =
        m_configuration ? static_cast<int>(m_configuration->positionGroupList().size()) : 0;
    m_count->setText(m_appCount == 1 ? QStringLiteral("1 app") : QStringLiteral("%1 apps").arg(m_appCount));
    while (QLayoutItem* item = m_icons->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int i = 0; i < apps.size() && i < 3; ++i) {
        auto* icon = new QLabel(this);
        icon->setFixedSize(iconSize, iconSize);
        icon->setPixmap(CompactAppIcon::pixmap(m_state.platform(), apps.at(i)->bundleID(), iconSize));
        icon->setToolTip(plainToolTip(apps.at(i)->appName()));
        m_icons->addWidget(icon);
    }
    if (m_appCount >= 4) {
        auto* more = new QLabel(QStringLiteral("+%1").arg(m_appCount - 3), this);
        more->setFont(Fonts::system(8));
        LookColors::useSecondaryText(more);
        m_icons->addWidget(more);
    }
    refreshPicker();
    refreshControls();
}

void MinimizedConfigurationRow::refreshPicker() {
    const QSignalBlocker blocker(m_picker);
    m_picker->clear();
    const QList<PositionGroup*> groups =
        m_configuration ? m_configuration->positionGroupList() : QList<PositionGroup*>();
    const QColor colour = LookColors::secondary(LookColors::isDark(this));
    for (PositionGroup* group : groups) {
        QString symbol = QStringLiteral("star.fill");
        if (const std::optional<PositionTemplate> matched =
                PositionGroupTemplateMatcher::matchedTemplate(group))
            symbol = TemplateSymbols::symbolName(matched->positions).value_or(symbol);
        QString title = group->name();
        if (symbol == QLatin1String("star.fill") && group->isDefault())
            title += QStringLiteral(" ★");
        m_picker->addItem(Symbols::icon(symbol, colour, 8), title, uuidString(group->id()));
    }
    m_picker->setCurrentIndex(m_picker->findData(selectedPositionGroupID()));
    m_picker->setVisible(groups.size() >= 2);
}

void MinimizedConfigurationRow::refreshSelection() {
    m_mark->setVisible(isSelected());
    update();
}

void MinimizedConfigurationRow::refreshControls() {
    const int n = m_configuration ? static_cast<int>(m_configuration->configurationList().size()) : 0;
    const bool dark = LookColors::isDark(this);
    m_activate->setStyle(
        ButtonStyle::miniAdaptiveGlassmorphic(n >= 1 ? LookColors::blue(dark) : LookColors::secondary(dark)));
    m_edit->setStyle(ButtonStyle::miniAdaptiveGlassmorphic(LookColors::primary(dark)));
    m_display->setStyle(ButtonStyle::miniAdaptiveGlassmorphic(LookColors::orange(dark)));
    m_delete->setStyle(ButtonStyle::miniAdaptiveGlassmorphic(LookColors::red(dark), true));
    m_display->setVisible(n >= 1 && m_state.platform().screens.screens().size() >= 2);

    // The main window's rows offer the same one rearrangement.
    const std::optional<LayoutButtonChoice> choice =
        m_configuration ? LayoutButtonChoice::choose(m_activator) : std::nullopt;
    m_rearrangement = choice ? std::optional(choice->operation) : std::nullopt;
    m_rearrange->setVisible(choice.has_value());
    if (!choice)
        return;
    m_rearrange->setStyle(ButtonStyle::miniAdaptiveGlassmorphic(HomeLook::namedColor(choice->accent, this)));
    m_rearrange->setText(choice->title);
    m_rearrange->setSymbol(choice->symbol);
    m_rearrange->setToolTip(choice->help);
    m_rearrange->setAccessibleName(choice->help);
}

void MinimizedConfigurationRow::askDelete() {
    if (!m_configuration)
        return;
    auto* alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Delete Configuration"),
                                  QStringLiteral("Are you sure you want to delete '") +
                                      ElidedLabel::elided(m_configuration->name(), QFont(), 320) +
                                      QStringLiteral("'? This action cannot be undone."),
                                  QMessageBox::NoButton, this);
    alert->setTextFormat(Qt::PlainText);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* cancel = alert->addButton(QMessageBox::Cancel);
    QPushButton* remove = alert->addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    // Return never deletes: the safe answer is the default.
    remove->setAutoDefault(false);
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    DialogFrame::apply(alert);
    connect(alert, &QMessageBox::finished, this,
            [this, alert, remove] { confirmDelete(alert->clickedButton() == remove); });
    alert->open();
}

void MinimizedConfigurationRow::confirmDelete(bool confirmed) {
    if (confirmed && m_onRemove)
        m_onRemove();
}

void MinimizedConfigurationRow::stateChanged(int property) {
    switch (static_cast<AppState::Property>(property)) {
    case AppState::Property::selectedConfigurationID:
        refreshSelection();
        break;
    case AppState::Property::selectedPositionGroupForConfig:
        followSelectedGroup();
        break;
    case AppState::Property::configurationDataVersion:
        preComputeValues();
        if (m_configuration)
            logDebug(lcUi, QStringLiteral("🔄 MinimizedConfigRow: Refreshed pre-computed values for ") +
                               m_configuration->name());
        break;
    case AppState::Property::triggerPartialActivation:
        if (m_state.triggerPartialActivation())
            m_activator.triggerPartialActivationIfPending();
        break;
    default:
        break;
    }
}

void MinimizedConfigurationRow::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    preComputeValues();
    QString groupID;
    if (m_configuration) {
        const QString key = uuidString(m_configuration->id());
        const QHash<QString, QString> chosen = m_state.selectedPositionGroupForConfig();
        if (!chosen.value(key).isEmpty())
            groupID = chosen.value(key);
        else if (PositionGroup* fallback = m_configuration->defaultPositionGroup())
            groupID = uuidString(fallback->id());
        else if (!m_configuration->positionGroupList().isEmpty())
            groupID = uuidString(m_configuration->positionGroupList().first()->id());
    }
    writeSelectedPositionGroup(groupID);
    // Seen while still initialising: the seeding never activates.
    followSelectedGroup();
    // Only this appearance's count ends it: an earlier one's may still be running.
    const int appearance = ++m_appearance;
    const QPointer<MinimizedConfigurationRow> self(this);
    m_state.platform().scheduler.after(0.1, [self, appearance] {
        if (self && self->m_appearance == appearance && self->isVisible())
            self->m_isInitializing = false;
    });
}

void MinimizedConfigurationRow::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    m_isInitializing = true;
}

void MinimizedConfigurationRow::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    // A change of look: every colour chosen by look follows.
    if (event->type() == QEvent::PaletteChange && m_delete) {
        m_mark->setColour(LookColors::green(LookColors::isDark(this)));
        refreshPicker();
        refreshControls();
    }
}

void MinimizedConfigurationRow::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    // Drawn here, not by a style sheet: a style sheet's background would become the row's palette,
    // and the look would then be read from the card's own colour.
    const bool dark = LookColors::isDark(this);
    const bool selected = isSelected();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.fillPath(card, selected ? LookColors::withOpacity(LookColors::accent(dark), 0.1)
                                    : LookColors::controlBackground(dark));
    painter.setPen(
        QPen(selected ? LookColors::accent(dark) : LookColors::withOpacity(LookColors::gray(), 0.2), 1));
    painter.drawPath(card);
}

void MinimizedConfigurationRow::mousePressEvent(QMouseEvent* event) {
    QFrame::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !m_configuration)
        return;
    if (isSelected()) {
        m_state.setSelectedConfigurationID(QString());
        logInfo(lcUi, QStringLiteral("📱 Deselected configuration: ") + m_configuration->name());
    } else {
        m_state.setSelectedConfigurationID(uuidString(m_configuration->id()));
        logInfo(lcUi, QStringLiteral("📱 Selected configuration: ") + m_configuration->name());
    }
}
