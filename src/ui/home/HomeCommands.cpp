#include "HomeCommands.h"

#include "ConfigurationRemoval.h"
#include "HomeLists.h"
#include "StoreCommand.h"
#include "app/AppState.h"
#include "base/Log.h"
#include "model/ConfigurationGroup.h"
#include "model/SavedApp.h"
#include "placement/Actions.h"
#include "store/ModelContext.h"
#include "ui/editor/EditorRegistry.h"

HomeCommands::HomeCommands(Platform& platform, AppState& state, HomeLists& lists, QWidget* parent)
    : m_platform(platform), m_state(state), m_lists(lists), m_parent(parent), m_dialogs(parent) {}

EditConfigurationWindowManager& HomeCommands::editWindowManager() {
    return EditorRegistry::of(m_state).listManager(QStringLiteral("home"));
}

std::optional<QString> HomeCommands::createConfiguration(const QString& name) {
    if (name.isEmpty())
        return std::nullopt;
    ModelContext* store = m_lists.store();
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
    m_lists.listConfiguration(configuration);
    openEditor(configuration, std::nullopt);
    return std::nullopt;
}

void HomeCommands::openEditor(ConfigurationGroup* configuration, std::optional<QString> positionGroupID) {
    ModelContext* store = m_lists.store();
    if (!configuration || !store || !ModelContext::of(configuration))
        return;
    // The editor may outlive the home tab (a tab switch rebuilds it): its save tells the counter, which
    // whatever home view is shown then follows.
    QPointer<AppState> state(&m_state);
    editWindowManager().showEditWindow(
        configuration, positionGroupID, m_lists.savedApps(), m_state, *store,
        [state](ConfigurationGroup*) {
            if (state)
                state->triggerConfigurationDataRefresh();
        },
        [] {});
}

void HomeCommands::showCreateSheet() {
    if (m_createSheet) {
        m_createSheet->raise();
        return;
    }
    m_createSheet = new CreateConfigurationSheet(m_parent, [this](const QString& name, QString* error) {
        const std::optional<QString> failure = createConfiguration(name);
        if (failure && error)
            *error = *failure;
        return !failure;
    });
    m_createSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_createSheet->open();
}

void HomeCommands::confirmRemoveConfiguration(ConfigurationGroup* configuration) {
    QPointer<ConfigurationGroup> pending(configuration);
    m_dialogs.confirmRemoveConfiguration(configuration ? std::optional(configuration->name()) : std::nullopt,
                                         [this, pending] {
                                             if (pending)
                                                 removeConfiguration(pending);
                                         });
}

bool HomeCommands::removeConfiguration(ConfigurationGroup* configuration) {
    ModelContext* store = m_lists.store();
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
    m_lists.dropConfiguration(id);
    return true;
}

void HomeCommands::confirmClearAllConfigurations() {
    m_dialogs.confirmClearAllConfigurations(m_lists.configurationGroups().size(),
                                            [this] { clearAllConfigurations(); });
}

bool HomeCommands::clearAllConfigurations() {
    ModelContext* store = m_lists.store();
    if (!store)
        return false;
    QString error;
    if (!ConfigurationRemoval::remove(*store, m_state, m_lists.configurationGroups(), &error)) {
        logWarning(lcUi, QStringLiteral("❌ Failed to clear all configurations: ") + error);
        m_dialogs.showError(QStringLiteral("Could not delete the configurations"), error);
        return false;
    }
    m_lists.dropAllConfigurations();
    return true;
}

void HomeCommands::confirmRemoveSavedApp(SavedApp* app) {
    QPointer<SavedApp> pending(app);
    m_dialogs.confirmRemoveSavedApp(app ? std::optional(app->name()) : std::nullopt, [this, pending] {
        if (pending)
            removeSavedApp(pending);
    });
}

bool HomeCommands::removeSavedApp(SavedApp* app) {
    ModelContext* store = m_lists.store();
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
    m_lists.dropSavedApp(id);
    return true;
}

void HomeCommands::confirmClearAllSavedApps() {
    m_dialogs.confirmClearAllSavedApps(m_lists.savedApps().size(), [this] { clearAllSavedApps(); });
}

bool HomeCommands::clearAllSavedApps() {
    ModelContext* store = m_lists.store();
    if (!store)
        return false;
    QString error;
    const bool cleared = StoreCommand::run(
        *store,
        [this, store] {
            for (SavedApp* app : m_lists.savedApps()) {
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
    m_lists.dropAllSavedApps();
    return true;
}

void HomeCommands::saveApp(const RunningApp& app) {
    ModelContext* store = m_lists.store();
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
    m_lists.listSavedApp(saved);
}
