// The lists the home tab's sections show: the running applications, the configurations and the
// saved applications as last fetched or changed, each filtered by its section's search text. Every
// change goes to its section at once.
#pragma once

#include "placement/RunningApp.h"
#include "platform/Platform.h"
#include "store/ModelContext.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QUuid>

#include <optional>

class AppConfigurationsSectionView;
class ApplicationIcons;
class ConfigurationGroup;
class RunningApplicationsSectionView;
class SavedApp;
class SavedApplicationsSectionView;

class HomeLists {
public:
    // `store` is the store's main context; without one the stored lists say that they cannot be read.
    HomeLists(Platform& platform, ApplicationIcons& icons, ModelContext* store,
              RunningApplicationsSectionView* running, AppConfigurationsSectionView* configurations,
              SavedApplicationsSectionView* saved);

    ModelContext* store() const { return m_store; }
    const QList<ConfigurationGroup*>& configurationGroups() const { return m_configurationGroups; }
    const QList<ConfigurationGroup*>& displayedConfigurations() const { return m_displayedConfigurations; }
    const QList<SavedApp*>& savedApps() const { return m_savedApps; }
    const QList<SavedApp*>& displayedSavedApps() const { return m_displayedSavedApps; }
    const QList<RunningApp>& runningApps() const { return m_runningApps; }
    const QList<RunningApp>& displayedRunningApps() const { return m_displayedRunningApps; }

    void gatherRunningApps();
    void fetchSavedApps();
    void fetchConfigurationGroups();
    void updateDisplayedRunningApps();
    void updateDisplayedSavedApps();
    void updateDisplayedConfigurations();
    // Drops configurations and saved applications deleted elsewhere from the lists.
    void pruneDeleted();

    // A section's search text, shown in its field, filters its list.
    void searchRunningApps(const QString& text);
    void searchConfigurations(const QString& text);
    void searchSavedApps(const QString& text);

    // --- what a command changed in the store ---
    // Lists the configuration unless it is listed already.
    void listConfiguration(ConfigurationGroup* configuration);
    void dropConfiguration(const QUuid& id);
    void dropAllConfigurations();
    void listSavedApp(SavedApp* app);
    void dropSavedApp(const QUuid& id);
    void dropAllSavedApps();

private:
    Platform& m_platform;
    ApplicationIcons& m_icons;
    QPointer<ModelContext> m_store;
    RunningApplicationsSectionView* m_running;
    AppConfigurationsSectionView* m_configurations;
    SavedApplicationsSectionView* m_saved;

    QList<SavedApp*> m_savedApps;
    QList<SavedApp*> m_displayedSavedApps;
    std::optional<QString> m_savedAppsError;
    QList<ConfigurationGroup*> m_configurationGroups;
    QList<ConfigurationGroup*> m_displayedConfigurations;
    std::optional<QString> m_configurationsError;
    QList<RunningApp> m_runningApps;
    QList<RunningApp> m_displayedRunningApps;
    QString m_searchText;
    QString m_savedSearchText;
    QString m_configurationSearchText;
};
