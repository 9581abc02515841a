// The home tab of the main window: the screen that says what is missing while Quarlin cannot move
// windows, else the running applications, the configurations and the saved applications, with the
// button that enters menu-bar mode. It fetches and keeps the lists the sections show and runs the
// commands behind their buttons.
#pragma once

#include "placement/RunningApp.h"
#include "platform/Platform.h"
#include "store/ModelContext.h"
#include "ui/editor/CreateConfigurationSheet.h"
#include "ui/editor/EditConfigurationWindowManager.h"

#include <QList>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class AppConfigurationsSectionView;
class AppState;
class ApplicationIcons;
class ConfigurationGroup;
class PermissionView;
class QAbstractButton;
class QStackedLayout;
class RunningApplicationsSectionView;
class SavedApp;
class SavedApplicationsSectionView;

class ContentView : public QWidget {
    Q_OBJECT
public:
    // Seconds between two permission checks while the permission screen waits.
    static constexpr double permissionPollInterval = 3.0;

    // `store` is the store's main context; without one the lists say that they cannot be read.
    ContentView(Platform& platform, AppState& state, ModelContext* store, ApplicationIcons& icons,
                QWidget* parent = nullptr);
    ~ContentView() override;

    bool axTrusted() const { return m_axTrusted; }
    bool isPollingPermission() const { return m_polling; }
    bool isObservingActivation() const { return bool(m_activationObserver); }

    // --- the lists as last fetched or changed here ---
    const QList<ConfigurationGroup*>& configurationGroups() const { return m_configurationGroups; }
    const QList<ConfigurationGroup*>& displayedConfigurations() const { return m_displayedConfigurations; }
    const QList<SavedApp*>& savedApps() const { return m_savedApps; }
    const QList<SavedApp*>& displayedSavedApps() const { return m_displayedSavedApps; }
    const QList<RunningApp>& runningApps() const { return m_runningApps; }
    const QList<RunningApp>& displayedRunningApps() const { return m_displayedRunningApps; }

    // --- commands (the buttons of the sections call these) ---
    // Gives the error when the configuration could not be stored; none on success and for an
    // empty name.
    std::optional<QString> createConfiguration(const QString& name);
    void confirmRemoveConfiguration(ConfigurationGroup* configuration);
    bool removeConfiguration(ConfigurationGroup* configuration);
    void confirmClearAllConfigurations();
    bool clearAllConfigurations();
    void confirmRemoveSavedApp(SavedApp* app);
    bool removeSavedApp(SavedApp* app);
    void confirmClearAllSavedApps();
    bool clearAllSavedApps();
    void saveApp(const RunningApp& app);
    void selectSavedApp(SavedApp* app);
    void toggleMenuBarMode();
    void openEditor(ConfigurationGroup* configuration, std::optional<QString> positionGroupID);
    void showCreateSheet();

    // --- what the editor registry is to this tab ---
    // Opens an editor on the configuration; `onSave` runs after the user saved.
    using EditorOpener = std::function<void(ConfigurationGroup*, std::optional<QString> positionGroupID,
                                            std::function<void()> onSave)>;
    using EditorCloser = std::function<void(const QString& configurationKey)>;
    void setEditorHooks(EditorOpener open, EditorCloser close);

    // --- the parts, for tests and the harness ---
    PermissionView* permissionView() const { return m_permission; }
    QWidget* homeView() const { return m_home; }
    RunningApplicationsSectionView* runningSection() const { return m_running; }
    AppConfigurationsSectionView* configurationSection() const { return m_configurations; }
    SavedApplicationsSectionView* savedSection() const { return m_saved; }
    QAbstractButton* menuBarButton() const { return m_menuBarButton; }
    // The confirmation or error dialog open now, if any.
    QMessageBox* openDialog() const { return m_dialog; }
    // The home list's editor manager: it outlives this view, and so does its open editor.
    EditConfigurationWindowManager& editWindowManager();
    CreateConfigurationSheet* createSheet() const { return m_createSheet; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPage();
    void setupPermissionMonitoring();
    void checkPermissionStatus();
    void schedulePermissionPoll();
    void stopPolling();
    void recordGrant();
    void handleLaunchPermissions();
    void authorizedHomeAppeared();
    void gatherRunningApps();

    ModelContext* context();
    void fetchSavedApps();
    void fetchConfigurationGroups();
    void updateDisplayedRunningApps();
    void updateDisplayedSavedApps();
    void updateDisplayedConfigurations();
    // Drops configurations and saved applications deleted elsewhere from the lists.
    void pruneDeleted();
    // Fetches both stored lists again, keeping what the user sees (search, rows, scroll position).
    void refetch();

    void confirm(const QString& title, const QString& message, const QString& action,
                 std::function<void()> onConfirm);
    void showError(const QString& title, const QString& error);
    void updateMenuBarButton();

    Platform& m_platform;
    AppState& m_state;
    ApplicationIcons& m_icons;
    QPointer<ModelContext> m_store;
    QPointer<CreateConfigurationSheet> m_createSheet;

    QList<SavedApp*> m_savedApps;
    QList<SavedApp*> m_displayedSavedApps;
    std::optional<QString> m_savedAppsError;
    QList<ConfigurationGroup*> m_configurationGroups;
    QList<ConfigurationGroup*> m_displayedConfigurations;
    std::optional<QString> m_configurationsError;
    bool m_axTrusted;
    QList<RunningApp> m_runningApps;
    QList<RunningApp> m_displayedRunningApps;
    bool m_showRunningApps = false;
    QString m_searchText;
    bool m_showSavedApps = true;
    QString m_savedSearchText;
    bool m_showConfigurations = true;
    QString m_configurationSearchText;

    // One activation observer and one poll per view, however often the permission screen shows; the
    // observer, once there, stays as long as the view.
    QMetaObject::Connection m_activationObserver;
    bool m_polling = false;
    int m_pollGeneration = 0;

    QStackedLayout* m_pages;
    PermissionView* m_permission;
    QWidget* m_home;
    RunningApplicationsSectionView* m_running;
    AppConfigurationsSectionView* m_configurations;
    SavedApplicationsSectionView* m_saved;
    QAbstractButton* m_menuBarButton;
    QPointer<QMessageBox> m_dialog;
    bool m_pruneQueued = false;
};
