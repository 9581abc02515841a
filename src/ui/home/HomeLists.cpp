#include "HomeLists.h"

#include "AppConfigurationsSectionView.h"
#include "ApplicationIcons.h"
#include "RunningApplicationsSectionView.h"
#include "SavedApplicationsSectionView.h"
#include "base/Log.h"
#include "model/ConfigurationGroup.h"
#include "model/SavedApp.h"
#include "placement/RunningAppsHelper.h"

#include <algorithm>

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

HomeLists::HomeLists(Platform& platform, ApplicationIcons& icons, ModelContext* store,
                     RunningApplicationsSectionView* running, AppConfigurationsSectionView* configurations,
                     SavedApplicationsSectionView* saved)
    : m_platform(platform), m_icons(icons), m_store(store), m_running(running),
      m_configurations(configurations), m_saved(saved) {}

void HomeLists::gatherRunningApps() {
    m_runningApps = RunningAppsHelper(m_platform).getRunningApps();
    m_icons.setRunningApps(m_runningApps);
    updateDisplayedRunningApps();
    updateDisplayedSavedApps();
}

void HomeLists::fetchSavedApps() {
    if (ModelContext* store = m_store) {
        m_savedApps = store->fetch<SavedApp>();
        m_savedAppsError.reset();
    } else {
        m_savedApps.clear();
        m_savedAppsError = QStringLiteral("Could not read the saved applications: the store is not open");
        logWarning(lcUi, QStringLiteral("❌ Failed to fetch saved apps: the store is not open"));
    }
    updateDisplayedSavedApps();
}

void HomeLists::fetchConfigurationGroups() {
    if (ModelContext* store = m_store) {
        m_configurationGroups = store->fetch<ConfigurationGroup>();
        m_configurationsError.reset();
    } else {
        m_configurationGroups.clear();
        m_configurationsError = QStringLiteral("Could not read the configurations: the store is not open");
        logWarning(lcUi, QStringLiteral("❌ Failed to fetch configurations: the store is not open"));
    }
    updateDisplayedConfigurations();
}

void HomeLists::updateDisplayedRunningApps() {
    m_displayedRunningApps =
        filtered(m_runningApps, m_searchText, [](const RunningApp& a) { return a.name; });
    m_running->setApps(m_runningApps, m_displayedRunningApps, m_savedApps);
}

void HomeLists::updateDisplayedSavedApps() {
    m_displayedSavedApps =
        filtered(m_savedApps, m_savedSearchText, [](const SavedApp* a) { return a->name(); });
    m_saved->setSavedApps(m_savedApps, m_displayedSavedApps, m_runningApps, m_savedAppsError);
    // The running section marks what is saved.
    m_running->setApps(m_runningApps, m_displayedRunningApps, m_savedApps);
}

void HomeLists::updateDisplayedConfigurations() {
    m_displayedConfigurations = filtered(m_configurationGroups, m_configurationSearchText,
                                         [](const ConfigurationGroup* c) { return c->name(); });
    m_configurations->setConfigurations(m_configurationGroups, m_displayedConfigurations,
                                        m_configurationsError);
}

void HomeLists::pruneDeleted() {
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

void HomeLists::searchRunningApps(const QString& text) {
    m_searchText = text;
    m_running->setSearchText(text);
    updateDisplayedRunningApps();
}

void HomeLists::searchConfigurations(const QString& text) {
    m_configurationSearchText = text;
    m_configurations->setSearchText(text);
    updateDisplayedConfigurations();
}

void HomeLists::searchSavedApps(const QString& text) {
    m_savedSearchText = text;
    m_saved->setSearchText(text);
    updateDisplayedSavedApps();
}

void HomeLists::listConfiguration(ConfigurationGroup* configuration) {
    if (!m_configurationGroups.contains(configuration)) {
        m_configurationGroups.append(configuration);
        updateDisplayedConfigurations();
    }
}

void HomeLists::dropConfiguration(const QUuid& id) {
    m_configurationGroups.removeIf([&id](const ConfigurationGroup* c) { return c->id() == id; });
    updateDisplayedConfigurations();
}

void HomeLists::dropAllConfigurations() {
    m_configurationGroups.clear();
    updateDisplayedConfigurations();
}

void HomeLists::listSavedApp(SavedApp* app) {
    m_savedApps.append(app);
    updateDisplayedSavedApps();
}

void HomeLists::dropSavedApp(const QUuid& id) {
    m_savedApps.removeIf([&id](const SavedApp* a) { return a->id() == id; });
    updateDisplayedSavedApps();
}

void HomeLists::dropAllSavedApps() {
    m_savedApps.clear();
    updateDisplayedSavedApps();
}
