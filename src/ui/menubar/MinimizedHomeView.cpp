#include "MinimizedHomeView.h"

#include "CompactLook.h"
#include "MinimizedConfigurationRow.h"
#include "MinimizedHomeFooter.h"
#include "MinimizedPermissionGate.h"
#include "PlusButtonView.h"

#include "app/AppState.h"
#include "app/MenuBarManaging.h"
#include "app/RecentActivationOrder.h"
#include "base/Log.h"
#include "model/ConfigurationGroup.h"
#include "model/SavedApp.h"
#include "store/ModelContext.h"
#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"
#include "ui/look/SymbolView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

MinimizedHomeView::MinimizedHomeView(AppState& state, ModelContext& context, Hooks hooks, QWidget* parent)
    : QWidget(parent), m_state(state), m_context(context), m_hooks(std::move(hooks)) {
    setObjectName(QStringLiteral("minimizedHomeView"));
    setMinimumSize(428, 200);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildList());
    m_gate = new MinimizedPermissionGate(m_state, this);
    m_pages->addWidget(m_gate);
    m_pages->setCurrentIndex(m_gate->isTrusted() ? 0 : 1);
    layout->addWidget(m_pages);
    connect(m_gate, &MinimizedPermissionGate::trustChanged, this, &MinimizedHomeView::showTrust);
    // Another machine's changes, a finished sync, an editor's save: the list shows what is stored,
    // keeping the search and the rows.
    connect(&m_state, &AppState::changed, this, [this](AppState::Property property) {
        if (property == AppState::Property::configurationDataVersion && !isShowingGate())
            refreshModelData();
    });
}

QWidget* MinimizedHomeView::buildList() {
    const bool dark = LookColors::isDark(this);
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);

    auto* header = new QHBoxLayout();
    header->setContentsMargins(16, 12, 16, 0);
    m_searchRow = new QWidget(page);
    auto* search = new QHBoxLayout(m_searchRow);
    search->setContentsMargins(0, 0, 0, 0);
    search->addWidget(
        new SymbolView(QStringLiteral("magnifyingglass"), 14, LookColors::secondary(dark), m_searchRow));
    m_search = new QLineEdit(m_searchRow);
    m_search->setPlaceholderText(QStringLiteral("Search configurations..."));
    // Qt's clear button shows only while there is text, as the list's does.
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::textChanged, this, [this] { updateDisplayedConfigurations(); });
    search->addWidget(m_search, 1);
    header->addWidget(m_searchRow, 1);
    header->addStretch(0);
    auto* plus = new PlusButtonView(page);
    connect(plus, &QAbstractButton::clicked, this, &MinimizedHomeView::showCreateConfiguration);
    header->addWidget(plus);
    column->addLayout(header);

    m_headerDivider = CompactLook::divider(page);
    auto* dividerRow = new QHBoxLayout();
    dividerRow->setContentsMargins(16, 0, 16, 0);
    dividerRow->addWidget(m_headerDivider);
    column->addLayout(dividerRow);

    m_empty = new QWidget(page);
    auto* empty = new QVBoxLayout(m_empty);
    empty->setContentsMargins(0, 32, 0, 32);
    empty->setSpacing(12);
    empty->addWidget(new SymbolView(QStringLiteral("tray"), 32, LookColors::secondary(dark), m_empty), 0,
                     Qt::AlignHCenter);
    m_emptyTitle = CompactLook::plainLabel(QString(), Fonts::subheadline(), m_empty);
    LookColors::useSecondaryText(m_emptyTitle);
    m_emptyDetail = CompactLook::plainLabel(QStringLiteral("Create configurations to get started"),
                                            Fonts::caption(), m_empty);
    LookColors::useTertiaryText(m_emptyDetail);
    empty->addWidget(m_emptyTitle, 0, Qt::AlignHCenter);
    empty->addWidget(m_emptyDetail, 0, Qt::AlignHCenter);
    column->addWidget(m_empty);

    m_scroll = new QScrollArea(page);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* rows = new QWidget(m_scroll);
    m_rowsLayout = new QVBoxLayout(rows);
    m_rowsLayout->setContentsMargins(16, 0, 16, 0);
    m_rowsLayout->setSpacing(8);
    m_rowsLayout->addStretch(1);
    m_scroll->setWidget(rows);
    column->addWidget(m_scroll, 1);
    column->addStretch(0);

    auto* bottomDivider = new QHBoxLayout();
    bottomDivider->setContentsMargins(16, 0, 16, 0);
    bottomDivider->addWidget(CompactLook::divider(page));
    column->addLayout(bottomDivider);
    column->addWidget(new MinimizedHomeFooter(m_state, QStringLiteral("Exit Menu Bar Mode"), page));
    updateDisplayedConfigurations();
    return page;
}

bool MinimizedHomeView::isShowingGate() const {
    return m_pages->currentIndex() == 1;
}

QString MinimizedHomeView::searchText() const {
    return m_search->text();
}

void MinimizedHomeView::setSearchText(const QString& text) {
    m_search->setText(text);
}

QList<MinimizedConfigurationRow*> MinimizedHomeView::rows() const {
    QList<MinimizedConfigurationRow*> list;
    for (int i = 0; i < m_rowsLayout->count(); ++i)
        if (auto* row = qobject_cast<MinimizedConfigurationRow*>(m_rowsLayout->itemAt(i)->widget()))
            list << row;
    return list;
}

QString MinimizedHomeView::emptyStateText() const {
    return m_empty->isHidden() ? QString() : m_emptyTitle->text();
}

void MinimizedHomeView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!isShowingGate()) {
        refreshModelData();
        return;
    }
    gateAppeared();
}

void MinimizedHomeView::gateAppeared() {
    m_gate->startMonitoring();
    refreshModelData();
    const QPointer<MinimizedHomeView> self(this);
    m_state.platform().scheduler.after(0.1, [self] {
        if (self)
            self->m_gate->showAppIcon();
    });
}

// --- data ---

void MinimizedHomeView::refreshModelData() {
    fetchSavedApps();
    fetchConfigurationGroups();
}

void MinimizedHomeView::fetchSavedApps() {
    m_savedApps = m_context.fetch<SavedApp>();
}

void MinimizedHomeView::fetchConfigurationGroups() {
    m_configurationGroups.clear();
    for (ConfigurationGroup* configuration : m_context.fetch<ConfigurationGroup>())
        m_configurationGroups << configuration;
    updateDisplayedConfigurations();
}

void MinimizedHomeView::updateDisplayedConfigurations() {
    const QString text = m_search->text();
    m_displayedConfigurations.clear();
    for (const QPointer<ConfigurationGroup>& configuration : m_configurationGroups)
        if (configuration && (text.isEmpty() || configuration->name().contains(text, Qt::CaseInsensitive)))
            m_displayedConfigurations << configuration;
    render();
}

void MinimizedHomeView::render() {
    const bool any = std::any_of(m_configurationGroups.begin(), m_configurationGroups.end(),
                                 [](const QPointer<ConfigurationGroup>& c) { return !c.isNull(); });
    m_searchRow->setVisible(any);
    m_headerDivider->setVisible(any);

    QList<ConfigurationGroup*> shown;
    for (const QPointer<ConfigurationGroup>& configuration : m_displayedConfigurations)
        if (configuration)
            shown << configuration;
    shown = recentActivationOrder(shown);
    m_empty->setVisible(shown.isEmpty());
    m_scroll->setVisible(!shown.isEmpty());
    m_emptyTitle->setText(any ? QStringLiteral("No configurations match your search")
                              : QStringLiteral("No configurations created yet"));
    m_emptyDetail->setVisible(!any);

    // Rows keep their identity (and state) across renderings, by the configuration's id.
    QHash<QString, MinimizedConfigurationRow*> kept;
    for (int i = 0; i < shown.size(); ++i) {
        ConfigurationGroup* configuration = shown.at(i);
        const QString key = uuidString(configuration->id());
        MinimizedConfigurationRow* row = m_rows.take(key);
        if (!row) {
            const QPointer<ConfigurationGroup> target(configuration);
            // The activator copies these into deferred steps that may outlive the list (a tab change,
            // an attach or detach, the tray going away): none may hold the list plainly.
            const QPointer<MinimizedHomeView> self(this);
            row = new MinimizedConfigurationRow(
                configuration, m_state,
                [self, target] {
                    if (self && target)
                        self->editConfiguration(target);
                },
                [self, target] {
                    if (self && target)
                        self->deleteConfiguration(target);
                },
                [self, key] {
                    if (self)
                        self->scrollToRow(key);
                },
                m_rowsLayout->parentWidget());
        }
        m_rowsLayout->insertWidget(i, row);
        // At once, not on the layout's next turn: a row's appearance records its position group.
        row->show();
        kept.insert(key, row);
    }
    // Later: the row may be the one whose delete alert is still answering.
    for (MinimizedConfigurationRow* gone : std::as_const(m_rows)) {
        m_rowsLayout->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
    }
    m_rows = kept;
}

void MinimizedHomeView::scrollToRow(const QString& key) {
    // The activation time just changed: the row moves to the top.
    render();
    const QPointer<MinimizedHomeView> self(this);
    m_state.platform().scheduler.after(0.3, [self, key] {
        if (!self)
            return;
        MinimizedConfigurationRow* row = self->m_rows.value(key);
        if (!row)
            return;
        auto* animation = new QPropertyAnimation(self->m_scroll->verticalScrollBar(), "value", self);
        animation->setDuration(500);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        animation->setEndValue(row->y());
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    });
}

// --- create, edit, delete ---

void MinimizedHomeView::showCreateConfiguration() {
    const QPointer<MinimizedHomeView> self(this);
    auto create = [self](const QString& name, QString* error) {
        return self && self->createConfiguration(name, error);
    };
    if (m_hooks.askForName)
        m_hooks.askForName(this, create);
}

bool MinimizedHomeView::createConfiguration(const QString& name, QString* reason) {
    if (name.isEmpty())
        return false;
    QString error;
    ConfigurationGroup* configuration = nullptr;
    if (m_hooks.storeNewConfiguration) {
        configuration = m_hooks.storeNewConfiguration(name, &error);
    } else {
        const std::optional<Screen> screen = m_state.platform().screens.mainScreen();
        const Size size = screen ? screen->visibleFrame.size() : Size{1920, 1080};
        configuration = new ConfigurationGroup(name, size.width, size.height, std::nullopt);
        configuration->setLastActivatedAt(m_state.platform().scheduler.currentDateTime());
        m_context.insert(configuration);
        if (!m_context.save(&error)) {
            m_context.rollback();
            configuration = nullptr;
        }
    }
    if (!configuration) {
        logWarning(lcUi, QStringLiteral("❌ Failed to create configuration: ") + error);
        if (reason)
            *reason = error;
        return false;
    }
    logInfo(lcUi, QStringLiteral("✅ Successfully created configuration: ") + name);
    m_state.triggerConfigurationDataRefresh();
    // The new configuration shows at once, not only at the next fetch.
    if (!m_configurationGroups.contains(configuration)) {
        m_configurationGroups << configuration;
        updateDisplayedConfigurations();
    }
    editConfiguration(configuration);
    return true;
}

void MinimizedHomeView::editConfiguration(ConfigurationGroup* configuration) {
    if (!m_hooks.openEditor)
        return;
    if (MenuBarManaging* manager = m_state.menuBarManager())
        manager->hideAttachedWindow();
    // The editor may outlive this view (leaving menu-bar mode rebuilds it): its endings need only the
    // state, and the list that is shown then refetches on the counter.
    const QPointer<AppState> state(&m_state);
    const QPointer<ConfigurationGroup> target(configuration);
    m_hooks.openEditor(
        configuration, m_savedApps,
        [state, target] {
            if (state)
                onEditorSaved(*state, target);
        },
        [state] {
            if (state)
                onEditorCancelled(*state);
        });
}

void MinimizedHomeView::onEditorSaved(AppState& state, ConfigurationGroup* configuration) {
    logInfo(lcUi,
            QStringLiteral("✅ Configuration saved: ") + (configuration ? configuration->name() : QString()));
    state.triggerConfigurationDataRefresh();
    if (MenuBarManaging* manager = state.menuBarManager())
        manager->showAttachedWindow();
}

void MinimizedHomeView::onEditorCancelled(AppState& state) {
    logInfo(lcUi, QStringLiteral("❌ Configuration edit cancelled"));
    if (MenuBarManaging* manager = state.menuBarManager())
        manager->showAttachedWindow();
}

void MinimizedHomeView::deleteConfiguration(ConfigurationGroup* configuration) {
    const QString name = configuration->name();
    const QString key = uuidString(configuration->id());
    QString error;
    bool removed = false;
    if (m_hooks.removeConfiguration) {
        removed = m_hooks.removeConfiguration(configuration, &error);
    } else {
        m_context.deleteObject(configuration);
        removed = m_context.save(&error);
        if (!removed)
            m_context.rollback();
        else if (m_state.selectedConfigurationID() == key)
            m_state.setSelectedConfigurationID(QString());
    }
    if (!removed) {
        logWarning(lcUi, QStringLiteral("❌ Failed to delete configuration: ") + error);
        return;
    }
    logInfo(lcUi, QStringLiteral("🗑️ Successfully deleted configuration: ") + name);
    m_configurationGroups.removeIf(
        [&key](const QPointer<ConfigurationGroup>& c) { return !c || uuidString(c->id()) == key; });
    updateDisplayedConfigurations();
}

// --- the gate ---

void MinimizedHomeView::showTrust(bool trusted) {
    if (trusted) {
        m_pages->setCurrentIndex(0);
        if (isVisible())
            refreshModelData();
        return;
    }
    m_pages->setCurrentIndex(1);
    // Withdrawn while the list was on screen: the gate comes on screen now, and does all it does then.
    if (isVisible())
        gateAppeared();
}
