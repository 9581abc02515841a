#include "ContentView.h"

#include "AppConfigurationsSectionView.h"
#include "ApplicationIcons.h"
#include "ConfigurationRemoval.h"
#include "HomeLook.h"
#include "PermissionView.h"
#include "RunningApplicationsSectionView.h"
#include "SavedApplicationsSectionView.h"
#include "StoreCommand.h"
#include "app/AppState.h"
#include "app/MenuBarManaging.h"
#include "base/Log.h"
#include "model/ConfigurationGroup.h"
#include "model/SavedApp.h"
#include "placement/Actions.h"
#include "placement/RunningAppsHelper.h"
#include "store/ModelContext.h"
#include "ui/editor/EditorRegistry.h"
#include "ui/look/StyledButton.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {

template <class T, class Name> QList<T> filtered(const QList<T>& all, const QString& text, Name name) {
    if (text.isEmpty())
        return all;
    QList<T> result;
    for (const T& item : all) {
        if (name(item).contains(text, Qt::CaseInsensitive))
            result.append(item);
    }
    return result;
}

} // namespace

ContentView::ContentView(Platform& platform, AppState& state, ModelContext* store, ApplicationIcons& icons,
                         QWidget* parent)
    : QWidget(parent), m_platform(platform), m_state(state), m_icons(icons), m_store(store),
      m_permissionWatch(new PermissionWatch(platform, this)), m_dialogs(this) {
    connect(m_permissionWatch, &PermissionWatch::changed, this, [this](bool trusted) {
        if (trusted)
            recordGrant();
        showPage();
    });
    // Deleted by another list or another machine: the rows go at once, in one pass per burst.
    if (store)
        connect(store, &ModelContext::objectDeleted, this, [this] {
            if (m_pruneQueued)
                return;
            m_pruneQueued = true;
            QPointer<ContentView> self(this);
            m_platform.scheduler.async([self] {
                if (!self)
                    return;
                self->m_pruneQueued = false;
                self->pruneDeleted();
            });
        });
    m_pages = new QStackedLayout(this);
    m_pages->setContentsMargins(0, 0, 0, 0);

    auto* permissionPage = new QWidget(this);
    auto* permissionLayout = new QHBoxLayout(permissionPage);
    m_permission = new PermissionView(permissionPage);
    permissionLayout->addWidget(m_permission);
    m_permission->onCheckAgain = [this] { m_permissionWatch->check(); };
    m_pages->addWidget(permissionPage);
    permissionPage->installEventFilter(this);

    m_home = new QWidget(this);
    auto* column = new QVBoxLayout(m_home);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(14);
    m_running = new RunningApplicationsSectionView(state, icons, m_home);
    m_configurations = new AppConfigurationsSectionView(platform, state, icons, m_home);
    m_saved = new SavedApplicationsSectionView(state, icons, m_home);
    // The lists take the height first, up to their greatest; what is left stays below the button.
    column->addWidget(m_running, 1);
    column->addWidget(m_configurations, 1);
    column->addWidget(m_saved, 1);
    auto* toggleRow = new QHBoxLayout();
    toggleRow->setContentsMargins(0, 8, 0, 0);
    toggleRow->addStretch(1);
    // The toggle style hugs its label; the label itself is padded 16 by 10, its symbol 10 from the text.
    ButtonStyle toggleStyle = ButtonStyle::menuBarToggle();
    toggleStyle.horizontalPadding = 16;
    toggleStyle.verticalPadding = 10;
    auto* toggle = new StyledButton(toggleStyle, QStringLiteral("Enter Menu Bar Mode"),
                                    QStringLiteral("menubar.rectangle"), m_home);
    toggle->setLabelSpacing(10);
    m_menuBarButton = toggle;
    m_menuBarButton->setFont(HomeLook::font(14, QFont::Medium));
    m_menuBarButton->setToolTip(QStringLiteral("Toggle the attached Menu Bar window"));
    toggleRow->addWidget(m_menuBarButton);
    toggleRow->addStretch(1);
    column->addLayout(toggleRow);
    column->addStretch(0);
    m_pages->addWidget(m_home);
    m_home->installEventFilter(this);

    // --- the sections' callbacks ---
    m_running->onRefresh = [this] { gatherRunningApps(); };
    m_running->onSearchTextChange = [this](const QString& text) {
        m_searchText = text;
        m_running->setSearchText(text);
        updateDisplayedRunningApps();
    };
    m_running->onSelectApp = [this](const RunningApp& app) { m_state.setBundleID(app.bundleID); };
    m_running->onSaveApp = [this](const RunningApp& app) { saveApp(app); };

    m_configurations->onCreateConfiguration = [this] { showCreateSheet(); };
    m_configurations->onClearAll = [this] { confirmClearAllConfigurations(); };
    m_configurations->onSearchTextChange = [this](const QString& text) {
        m_configurationSearchText = text;
        m_configurations->setSearchText(text);
        updateDisplayedConfigurations();
    };
    m_configurations->onRemoveConfiguration = [this](ConfigurationGroup* c) {
        confirmRemoveConfiguration(c);
    };
    m_configurations->onEditConfiguration = [this](ConfigurationGroup* c, std::optional<QString> id) {
        openEditor(c, std::move(id));
    };

    m_saved->onClearAll = [this] { confirmClearAllSavedApps(); };
    m_saved->onSearchTextChange = [this](const QString& text) {
        m_savedSearchText = text;
        m_saved->setSearchText(text);
        updateDisplayedSavedApps();
    };
    m_saved->onSelectSavedApp = [this](SavedApp* app) { selectSavedApp(app); };
    m_saved->onRemoveSavedApp = [this](SavedApp* app) { confirmRemoveSavedApp(app); };

    connect(m_menuBarButton, &QAbstractButton::clicked, this, [this] { toggleMenuBarMode(); });

    connect(&m_state, &AppState::changed, this, [this](AppState::Property property) {
        switch (property) {
        case AppState::Property::shouldShowCreateConfiguration:
            // A one-shot request; while the home is not on screen its appearance takes it up.
            if (m_state.shouldShowCreateConfiguration() && m_home->isVisible()) {
                showCreateSheet();
                m_state.setShouldShowCreateConfiguration(false);
            }
            break;
        case AppState::Property::isMainWindowAttached:
            updateMenuBarButton();
            break;
        case AppState::Property::configurationDataVersion:
            // Another machine's changes, a finished sync, an editor's save: the lists show the store.
            refetch();
            break;
        default:
            break;
        }
    });

    m_running->setShowRunningApps(m_showRunningApps);
    m_configurations->setShowConfigurations(m_showConfigurations);
    m_saved->setShowSavedApps(m_showSavedApps);
    updateDisplayedRunningApps();
    updateDisplayedConfigurations();
    updateDisplayedSavedApps();
    updateMenuBarButton();
    showPage();
}

ContentView::~ContentView() {
    // Pending poll steps find the watch stopped; the observer goes with the watch.
    m_permissionWatch->stopPolling();
}

// --- the permission gate ---

void ContentView::showPage() {
    m_pages->setCurrentIndex(m_permissionWatch->isTrusted() ? 1 : 0);
}

bool ContentView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        if (watched == m_home) {
            authorizedHomeAppeared();
        } else if (watched == m_permission->parentWidget()) {
            m_permissionWatch->start();
            // Asked for 0.1 s after the screen appears; the fade itself waits another 0.3 s.
            QPointer<ContentView> self(this);
            m_platform.scheduler.after(0.1 + 0.3, [self] {
                if (self)
                    self->m_permission->showAppIcon();
            });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::recordGrant() {
    // The activation observer stays: a permission withdrawn later shows at the next activation.
    m_permissionWatch->stopPolling();
    m_showRunningApps = true;
    m_running->setShowRunningApps(true);
    gatherRunningApps();
}

void ContentView::handleLaunchPermissions() {
    if (m_permissionWatch->reread()) {
        m_showRunningApps = true;
        m_running->setShowRunningApps(true);
        gatherRunningApps();
    } else {
        showPage();
    }
}

void ContentView::authorizedHomeAppeared() {
    handleLaunchPermissions();
    if (!m_permissionWatch->isTrusted())
        return;
    fetchSavedApps();
    fetchConfigurationGroups();
    if (m_state.shouldShowCreateConfiguration()) {
        showCreateSheet();
        m_state.setShouldShowCreateConfiguration(false);
    }
}

void ContentView::gatherRunningApps() {
    m_runningApps = RunningAppsHelper(m_platform).getRunningApps();
    m_icons.setRunningApps(m_runningApps);
    updateDisplayedRunningApps();
    updateDisplayedSavedApps();
}

// --- the lists ---

ModelContext* ContentView::context() {
    return m_store;
}

void ContentView::fetchSavedApps() {
    if (ModelContext* store = context()) {
        m_savedApps = store->fetch<SavedApp>();
        m_savedAppsError.reset();
    } else {
        m_savedApps.clear();
        m_savedAppsError = QStringLiteral("Could not read the saved applications: the store is not open");
        logWarning(lcUi, QStringLiteral("❌ Failed to fetch saved apps: the store is not open"));
    }
    updateDisplayedSavedApps();
}

void ContentView::fetchConfigurationGroups() {
    if (ModelContext* store = context()) {
        m_configurationGroups = store->fetch<ConfigurationGroup>();
        m_configurationsError.reset();
    } else {
        m_configurationGroups.clear();
        m_configurationsError = QStringLiteral("Could not read the configurations: the store is not open");
        logWarning(lcUi, QStringLiteral("❌ Failed to fetch configurations: the store is not open"));
    }
    updateDisplayedConfigurations();
}

void ContentView::updateDisplayedRunningApps() {
    m_displayedRunningApps =
        filtered(m_runningApps, m_searchText, [](const RunningApp& a) { return a.name; });
    m_running->setApps(m_runningApps, m_displayedRunningApps, m_savedApps);
}

void ContentView::updateDisplayedSavedApps() {
    m_displayedSavedApps =
        filtered(m_savedApps, m_savedSearchText, [](const SavedApp* a) { return a->name(); });
    m_saved->setSavedApps(m_savedApps, m_displayedSavedApps, m_runningApps, m_savedAppsError);
    // The running section marks what is saved.
    m_running->setApps(m_runningApps, m_displayedRunningApps, m_savedApps);
}

void ContentView::updateDisplayedConfigurations() {
    m_displayedConfigurations = filtered(m_configurationGroups, m_configurationSearchText,
                                         [](const ConfigurationGroup* c) { return c->name(); });
    m_configurations->setConfigurations(m_configurationGroups, m_displayedConfigurations,
                                        m_configurationsError);
}

void ContentView::pruneDeleted() {
    auto gone = [](const ModelObject* object) { return ModelContext::of(object) == nullptr; };
    if (std::any_of(m_configurationGroups.cbegin(), m_configurationGroups.cend(), gone)) {
        m_configurationGroups.removeIf(gone);
        updateDisplayedConfigurations();
    }
    if (std::any_of(m_savedApps.cbegin(), m_savedApps.cend(), gone)) {
        m_savedApps.removeIf(gone);
        updateDisplayedSavedApps();
    }
}

void ContentView::refetch() {
    // Fetched when the home appears; until then (or behind the permission screen) there is nothing to
    // keep true.
    if (!m_permissionWatch->isTrusted() || !m_home->isVisible()) {
        pruneDeleted();
        return;
    }
    fetchSavedApps();
    fetchConfigurationGroups();
}

EditConfigurationWindowManager& ContentView::editWindowManager() {
    return EditorRegistry::of(m_state).listManager(QStringLiteral("home"));
}

void ContentView::selectSavedApp(SavedApp* app) {
    m_state.setBundleID(app->bundleID());
    m_state.setCorner(app->corner());
    m_state.setWidthFraction(app->savedWidthFraction());
    m_state.setHeightPoints(app->savedHeight());
    m_state.setMarginX(app->savedMarginX());
    m_state.setMarginY(app->savedMarginY());
}

// --- commands ---

std::optional<QString> ContentView::createConfiguration(const QString& name) {
    if (name.isEmpty())
        return std::nullopt;
    ModelContext* store = context();
    if (!store)
        return QStringLiteral("The store is not open.");
    QString error;
    // Written on its own: a failure leaves no record behind, and other pending edits stay pending.
    ConfigurationGroup* configuration =
        CreateConfigurationSheet::storeNewConfiguration(m_state, *store, name, &error);
    if (!configuration) {
        logWarning(lcUi, QStringLiteral("❌ Failed to create configuration: ") + error);
        return error;
    }
    logInfo(lcUi, QStringLiteral("✅ Successfully created configuration: ") + name);
    m_state.triggerConfigurationDataRefresh();
    // Listed at once: also when its editor is cancelled (the refetch above has it when on screen).
    if (!m_configurationGroups.contains(configuration)) {
        m_configurationGroups.append(configuration);
        updateDisplayedConfigurations();
    }
    openEditor(configuration, std::nullopt);
    return std::nullopt;
}

void ContentView::openEditor(ConfigurationGroup* configuration, std::optional<QString> positionGroupID) {
    ModelContext* store = context();
    if (!configuration || !store || !ModelContext::of(configuration))
        return;
    // The editor may outlive this view (a tab switch rebuilds it): its save tells the counter, which
    // whatever home view is shown then follows.
    QPointer<AppState> state(&m_state);
    editWindowManager().showEditWindow(
        configuration, positionGroupID, m_savedApps, m_state, *store,
        [state](ConfigurationGroup*) {
            if (state)
                state->triggerConfigurationDataRefresh();
        },
        [] {});
}

void ContentView::showCreateSheet() {
    if (m_createSheet) {
        m_createSheet->raise();
        return;
    }
    m_createSheet = new CreateConfigurationSheet(this, [this](const QString& name, QString* error) {
        const std::optional<QString> failure = createConfiguration(name);
        if (failure && error)
            *error = *failure;
        return !failure;
    });
    m_createSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_createSheet->open();
}

void ContentView::confirmRemoveConfiguration(ConfigurationGroup* configuration) {
    QPointer<ConfigurationGroup> pending(configuration);
    m_dialogs.confirmRemoveConfiguration(configuration ? std::optional(configuration->name()) : std::nullopt,
                                         [this, pending] {
                                             if (pending)
                                                 removeConfiguration(pending);
                                         });
}

bool ContentView::removeConfiguration(ConfigurationGroup* configuration) {
    ModelContext* store = context();
    if (!store || !ModelContext::of(configuration))
        return false;
    const QString name = configuration->name();
    const QUuid id = configuration->id();
    QString error;
    if (!ConfigurationRemoval::remove(*store, m_state, {configuration}, &error)) {
        logWarning(lcUi, QStringLiteral("❌ Failed to delete configuration: ") + error);
        m_dialogs.showError(
            QStringLiteral("Could not delete '") + HomeDialogs::shortName(name) + QStringLiteral("'"), error);
        return false;
    }
    m_configurationGroups.removeIf([&id](const ConfigurationGroup* c) { return c->id() == id; });
    updateDisplayedConfigurations();
    return true;
}

void ContentView::confirmClearAllConfigurations() {
    m_dialogs.confirmClearAllConfigurations(m_configurationGroups.size(),
                                            [this] { clearAllConfigurations(); });
}

bool ContentView::clearAllConfigurations() {
    ModelContext* store = context();
    if (!store)
        return false;
    QString error;
    if (!ConfigurationRemoval::remove(*store, m_state, m_configurationGroups, &error)) {
        logWarning(lcUi, QStringLiteral("❌ Failed to clear all configurations: ") + error);
        m_dialogs.showError(QStringLiteral("Could not delete the configurations"), error);
        return false;
    }
    m_configurationGroups.clear();
    updateDisplayedConfigurations();
    return true;
}

void ContentView::confirmRemoveSavedApp(SavedApp* app) {
    QPointer<SavedApp> pending(app);
    m_dialogs.confirmRemoveSavedApp(app ? std::optional(app->name()) : std::nullopt, [this, pending] {
        if (pending)
            removeSavedApp(pending);
    });
}

bool ContentView::removeSavedApp(SavedApp* app) {
    ModelContext* store = context();
    if (!store || !ModelContext::of(app))
        return false;
    const QUuid id = app->id();
    const QString name = app->name();
    QString error;
    if (!StoreCommand::run(
            *store, [store, app] { store->deleteObject(app); }, &error)) {
        logWarning(lcUi, QStringLiteral("❌ Failed to delete saved app: ") + error);
        m_dialogs.showError(
            QStringLiteral("Could not remove '") + HomeDialogs::shortName(name) + QStringLiteral("'"), error);
        return false;
    }
    m_savedApps.removeIf([&id](const SavedApp* a) { return a->id() == id; });
    updateDisplayedSavedApps();
    return true;
}

void ContentView::confirmClearAllSavedApps() {
    m_dialogs.confirmClearAllSavedApps(m_savedApps.size(), [this] { clearAllSavedApps(); });
}

bool ContentView::clearAllSavedApps() {
    ModelContext* store = context();
    if (!store)
        return false;
    QString error;
    const bool cleared = StoreCommand::run(
        *store,
        [this, store] {
            for (SavedApp* app : std::as_const(m_savedApps)) {
                if (store->contains(app))
                    store->deleteObject(app);
            }
        },
        &error);
    if (!cleared) {
        logWarning(lcUi, QStringLiteral("❌ Failed to clear all saved apps: ") + error);
        m_dialogs.showError(QStringLiteral("Could not remove the saved apps"), error);
        return false;
    }
    m_savedApps.clear();
    updateDisplayedSavedApps();
    return true;
}

void ContentView::saveApp(const RunningApp& app) {
    ModelContext* store = context();
    if (!store)
        return;
    // The store, not our copy of the list: another window may have saved it meanwhile.
    for (const SavedApp* saved : store->fetch<SavedApp>()) {
        if (saved->bundleID() == app.bundleID)
            return;
    }
    double width;
    double height;
    if (const std::optional<Rect> frame = Actions(m_platform).getCurrentWindowFrame(app.bundleID)) {
        width = frame->width;
        height = frame->height;
    } else {
        const std::optional<Screen> main = m_platform.screens.mainScreen();
        width = (main ? main->visibleFrame.width : 1200.0) * m_state.widthFraction();
        height = m_state.heightPoints();
    }
    // A program without a desktop entry gets one now, so that it can be started again later.
    if (const std::optional<QString> kept = m_platform.workspace.keepApplication(app.bundleID)) {
        logWarning(lcUi, QStringLiteral("❌ Failed to keep ") + app.name + QStringLiteral(": ") + *kept);
        m_dialogs.showError(QStringLiteral("Could not save '") + app.name + QStringLiteral("'"), *kept);
        return;
    }
    auto* saved = new SavedApp(app.bundleID, app.name, width, height, m_state.corner(),
                               m_state.widthFraction(), m_state.marginX(), m_state.marginY());
    QString error;
    if (!StoreCommand::run(
            *store, [store, saved] { store->insert(saved); }, &error)) {
        logWarning(lcUi, QStringLiteral("❌ Failed to save app: ") + error);
        m_dialogs.showError(QStringLiteral("Could not save '") + HomeDialogs::shortName(app.name) +
                                QStringLiteral("'"),
                            error);
        return;
    }
    m_savedApps.append(saved);
    updateDisplayedSavedApps();
}

void ContentView::toggleMenuBarMode() {
    MenuBarManaging* manager = m_state.menuBarManager();
    if (!manager)
        return;
    if (!m_state.isMainWindowAttached())
        manager->showAttachedWindow();
    else if (m_state.mainWindow())
        manager->toggleAttachedWindow();
}

void ContentView::updateMenuBarButton() {
    m_menuBarButton->setText(m_state.isMainWindowAttached() ? QStringLiteral("Exit Menu Bar Mode")
                                                            : QStringLiteral("Enter Menu Bar Mode"));
}
