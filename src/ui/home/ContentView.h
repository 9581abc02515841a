// The home tab of the main window: the screen that says what is missing while Quarlin cannot move
// windows, else the running applications, the configurations and the saved applications, with the
// button that enters menu-bar mode. Its lists (HomeLists) follow the store and the permission; the
// sections' buttons run its commands (HomeCommands).
#pragma once

#include "HomeCommands.h"
#include "HomeLists.h"
#include "PermissionWatch.h"
#include "placement/RunningApp.h"
#include "platform/Platform.h"
#include "store/ModelContext.h"

#include <QList>
#include <QWidget>

#include <memory>

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
    // `store` is the store's main context; without one the lists say that they cannot be read.
    ContentView(Platform& platform, AppState& state, ModelContext* store, ApplicationIcons& icons,
                QWidget* parent = nullptr);
    ~ContentView() override;

    bool axTrusted() const { return m_permissionWatch->isTrusted(); }
    bool isPollingPermission() const { return m_permissionWatch->isPolling(); }
    bool isObservingActivation() const { return m_permissionWatch->isObservingActivation(); }

    // --- the lists as last fetched or changed here ---
    const QList<ConfigurationGroup*>& configurationGroups() const { return m_lists->configurationGroups(); }
    const QList<ConfigurationGroup*>& displayedConfigurations() const {
        return m_lists->displayedConfigurations();
    }
    const QList<SavedApp*>& savedApps() const { return m_lists->savedApps(); }
    const QList<SavedApp*>& displayedSavedApps() const { return m_lists->displayedSavedApps(); }
    const QList<RunningApp>& runningApps() const { return m_lists->runningApps(); }
    const QList<RunningApp>& displayedRunningApps() const { return m_lists->displayedRunningApps(); }

    // The commands the buttons of the sections run.
    HomeCommands& commands() const { return *m_commands; }
    void selectSavedApp(SavedApp* app);
    void toggleMenuBarMode();

    // --- the parts, for tests and the harness ---
    PermissionView* permissionView() const { return m_permission; }
    QWidget* homeView() const { return m_home; }
    RunningApplicationsSectionView* runningSection() const { return m_running; }
    AppConfigurationsSectionView* configurationSection() const { return m_configurations; }
    SavedApplicationsSectionView* savedSection() const { return m_saved; }
    QAbstractButton* menuBarButton() const { return m_menuBarButton; }
    // The confirmation or error dialog open now, if any.
    QMessageBox* openDialog() const { return m_commands->openDialog(); }
    CreateConfigurationSheet* createSheet() const { return m_commands->createSheet(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPage();
    void recordGrant();
    void handleLaunchPermissions();
    void authorizedHomeAppeared();
    // Fetches both stored lists again, keeping what the user sees (search, rows, scroll position).
    void refetch();

    void updateMenuBarButton();

    Platform& m_platform;
    AppState& m_state;

    PermissionWatch* m_permissionWatch;
    bool m_showRunningApps = false;
    bool m_showSavedApps = true;
    bool m_showConfigurations = true;

    QStackedLayout* m_pages;
    PermissionView* m_permission;
    QWidget* m_home;
    RunningApplicationsSectionView* m_running;
    AppConfigurationsSectionView* m_configurations;
    SavedApplicationsSectionView* m_saved;
    QAbstractButton* m_menuBarButton;
    std::unique_ptr<HomeLists> m_lists;
    std::unique_ptr<HomeCommands> m_commands;
    bool m_pruneQueued = false;
};
