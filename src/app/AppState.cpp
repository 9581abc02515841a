#include "AppState.h"

#include "ApplicationShell.h"
#include "MenuBarManaging.h"
#include "RecentActivationOrder.h"
#include "ShortcutNames.h"

#include "base/Log.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "placement/Actions.h"
#include "placement/RunningAppsHelper.h"
#include "placement/ScreenDetectionHelper.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "store/ModelContext.h"

#include <QThreadPool>

AppState::AppState(Platform& platform, ModelContext* remoteChanges, QObject* parent)
    : QObject(parent), m_platform(platform) {
    m_showRunningAppsInEditModal = platform.preferences.boolValue(showRunningAppsInEditModalKey, false);
    // A pool of our own, waited for when the state goes: a listing uses the platform, which the
    // program destroys right after the state (Qt's global pool is only waited for much later).
    m_listingPool = std::make_unique<QThreadPool>();
    m_backgroundRunner = [pool = m_listingPool.get()](std::function<void()> job) {
        pool->start(std::move(job));
    };
    setupKeyboardShortcuts();
    setupCloudKitRemoteChangeHandling(remoteChanges);
}

AppState::~AppState() {
    m_listingPool->waitForDone();
}

void AppState::setModelContext(ModelContext* context) {
    if (m_modelContext == context)
        return;
    m_modelContext = context;
    Q_EMIT changed(Property::modelContext);
}

void AppState::setSelectedPositionGroup(const QString& configurationID, const QString& positionGroupID) {
    m_selectedPositionGroupForConfig.insert(configurationID, positionGroupID);
    Q_EMIT changed(Property::selectedPositionGroupForConfig);
}

void AppState::setShowRunningAppsInEditModal(bool value) {
    set(m_showRunningAppsInEditModal, value, Property::showRunningAppsInEditModal);
    m_platform.preferences.setValue(showRunningAppsInEditModalKey, value);
}

bool AppState::isRunningAppsCacheFresh(std::optional<double> maxAge) const {
    if (!m_runningAppsFilledAt)
        return false;
    return m_platform.scheduler.now() - *m_runningAppsFilledAt <
           maxAge.value_or(runningAppsCacheMaxAgeSeconds);
}

void AppState::refreshRunningAppsCache(bool force, std::function<void(const QList<RunningApp>&)> completion) {
    if (!force && isRunningAppsCacheFresh()) {
        if (completion)
            completion(m_cachedRunningApps);
        return;
    }
    if (m_isFetchingRunningApps) {
        if (completion)
            completion(m_cachedRunningApps);
        return;
    }
    set(m_isFetchingRunningApps, true, Property::isFetchingRunningApps);

    // The listing only reads the workspace; the state itself is touched on the main thread alone.
    Platform& platform = m_platform;
    QPointer<AppState> self(this);
    m_backgroundRunner([self, &platform, completion = std::move(completion)]() mutable {
        QList<RunningApp> apps = RunningAppsHelper(platform).getRunningApps();
        platform.scheduler.async(
            [self, &platform, apps = std::move(apps), completion = std::move(completion)] {
                if (self) {
                    self->set(self->m_cachedRunningApps, apps, Property::cachedRunningApps);
                    self->m_runningAppsFilledAt = platform.scheduler.now();
                    self->set(self->m_runningAppsLastUpdated,
                              std::optional<QDateTime>(platform.scheduler.currentDateTime()),
                              Property::runningAppsLastUpdated);
                    self->set(self->m_isFetchingRunningApps, false, Property::isFetchingRunningApps);
                }
                if (completion)
                    completion(apps);
            });
    });
}

void AppState::setMissingAppsToShow(const QList<MissingAppInfo>& value) {
    m_missingAppsToShow = value;
    Q_EMIT changed(Property::missingAppsToShow);
}

void AppState::setConfigurationForPartialActivation(ConfigurationGroup* configuration) {
    if (m_configurationForPartialActivation == configuration)
        return;
    m_configurationForPartialActivation = configuration;
    Q_EMIT changed(Property::configurationForPartialActivation);
}

void AppState::triggerPartialActivationNow() {
    if (!m_configurationForPartialActivation)
        return;
    setShouldContinueWithPartialActivation(true);
    setTriggerPartialActivation(true);
    logInfo(lcApp, QStringLiteral("🔄 Triggering partial activation for configuration"));
}

void AppState::setMainWindow(HostWindow* window) {
    if (m_mainWindow.get() == window)
        return;
    m_mainWindow = HostWindow::Weak(window);
    Q_EMIT changed(Property::mainWindow);
}

void AppState::setAttachedModeGlobalEventMonitor(const std::optional<EventMonitorToken>& value) {
    m_attachedModeGlobalEventMonitor = value;
    Q_EMIT changed(Property::attachedModeGlobalEventMonitor);
}

void AppState::setupCloudKitRemoteChangeHandling(ModelContext* context) {
    if (!context)
        return;
    // Tied to this object: once it is gone the signal reaches nothing.
    connect(context, &ModelContext::remoteChange, this, &AppState::triggerConfigurationDataRefresh);
}

void AppState::applyAppearance(AppTheme theme) {
    Scheduler& scheduler = m_platform.scheduler;
    QPointer<AppState> self(this);
    scheduler.async([self, theme, &scheduler] {
        if (!self)
            return;
        if (ApplicationShell* shell = self->m_shell) {
            shell->setAppearance(theme == AppTheme::system ? std::nullopt : std::optional<AppTheme>(theme));
            for (HostWindow* window : shell->windows())
                shell->refreshAppearance(*window);
        }
        scheduler.async([self] {
            if (!self)
                return;
            if (MenuBarManaging* manager = self->m_menuBarManager) {
                manager->setStatusBarAppearanceEnforcementAttempts(0);
                manager->enforceStatusBarAppearance();
            }
        });
    });
}

// --- keyboard actions ---

void AppState::setupKeyboardShortcuts() {
    // The handlers stay registered for the whole run; they hold this state weakly.
    const QPointer<AppState> self(this);
    KeyboardShortcuts::onKeyUp(ShortcutNames::activateCurrentGroup(), [self] {
        if (self)
            self->activateCurrentSelectedGroup();
    });
    KeyboardShortcuts::onKeyUp(ShortcutNames::cycleConfigurations(), [self] {
        if (self)
            self->cycleToNextConfiguration();
    });
    KeyboardShortcuts::onKeyUp(ShortcutNames::cycleConfigurationsBackward(), [self] {
        if (self)
            self->cycleToPreviousConfiguration();
    });
    KeyboardShortcuts::onKeyUp(ShortcutNames::toggleMenuBar(), [self] {
        if (self)
            self->toggleMenuBar();
    });
    KeyboardShortcuts::onKeyUp(ShortcutNames::cyclePositionGroups(), [self] {
        if (self)
            self->cyclePositionGroups();
    });
}

template <class Action> void AppState::executeKeyboardShortcut(Action action) {
    if (MenuBarManaging* manager = m_menuBarManager) {
        if (!m_isMainWindowAttached)
            manager->showAttachedWindow();
        else
            manager->updateDockIconVisibility();
    }
    action();
    if (MenuBarManaging* manager = m_menuBarManager)
        manager->updateDockIconVisibility();
}

QList<ConfigurationGroup*> AppState::fetchConfigurations() const {
    if (!m_modelContext)
        return {};
    return m_modelContext->fetch<ConfigurationGroup>();
}

ConfigurationGroup* AppState::selectedConfiguration(const QList<ConfigurationGroup*>& configurations) const {
    for (ConfigurationGroup* configuration : configurations)
        if (uuidString(configuration->id()) == m_selectedConfigurationID)
            return configuration;
    return nullptr;
}

void AppState::activateCurrentSelectedGroup() {
    executeKeyboardShortcut([this] {
        if (ConfigurationGroup* configuration = selectedConfiguration(fetchConfigurations()))
            applyConfigurationWithSelectedGroup(configuration);
    });
}

void AppState::cycleToNextConfiguration() {
    executeKeyboardShortcut([this] { cycleConfiguration(+1); });
}

void AppState::cycleToPreviousConfiguration() {
    executeKeyboardShortcut([this] { cycleConfiguration(-1); });
}

void AppState::cycleConfiguration(int step) {
    const QList<ConfigurationGroup*> sorted = recentActivationOrder(fetchConfigurations());
    if (sorted.isEmpty())
        return;
    qsizetype i = -1;
    for (qsizetype k = 0; k < sorted.size(); ++k)
        if (uuidString(sorted.at(k)->id()) == m_selectedConfigurationID) {
            i = k;
            break;
        }
    ConfigurationGroup* target = nullptr;
    if (step > 0)
        target = i < 0 ? sorted.first() : sorted.at((i + 1) % sorted.size());
    else
        target = i > 0 ? sorted.at(i - 1) : sorted.last();
    setSelectedConfigurationID(uuidString(target->id()));
    applyConfigurationWithSelectedGroup(target);
}

void AppState::cyclePositionGroups() {
    executeKeyboardShortcut([this] {
        ConfigurationGroup* configuration = selectedConfiguration(fetchConfigurations());
        if (!configuration)
            return;
        const QList<PositionGroup*> groups = configuration->positionGroupList();
        if (groups.size() < 2) {
            logWarning(lcApp, QStringLiteral("⚠️ Configuration '") + configuration->name() +
                                  QStringLiteral("' has only one position group, cannot cycle"));
            return;
        }
        const QString key = uuidString(configuration->id());
        const std::optional<QString> current =
            m_selectedPositionGroupForConfig.contains(key)
                ? std::optional<QString>(m_selectedPositionGroupForConfig.value(key))
                : std::nullopt;
        qsizetype i = -1;
        if (current)
            for (qsizetype k = 0; k < groups.size(); ++k)
                if (uuidString(groups.at(k)->id()) == *current) {
                    i = k;
                    break;
                }
        PositionGroup* next = groups.at((i + 1) % groups.size());
        setSelectedPositionGroup(key, uuidString(next->id()));
        applyConfigurationWithSelectedGroup(configuration);
    });
}

void AppState::toggleMenuBar() {
    if (MenuBarManaging* manager = m_menuBarManager)
        manager->toggleAttachedWindow();
}

void AppState::applyConfigurationWithSelectedGroup(ConfigurationGroup* configuration) {
    const Screen screen = ScreenDetectionHelper(m_platform).getTargetScreen(m_mainWindow.get());

    PositionGroup* group = nullptr;
    const QString key = uuidString(configuration->id());
    if (m_selectedPositionGroupForConfig.contains(key)) {
        const QString chosen = m_selectedPositionGroupForConfig.value(key);
        for (PositionGroup* candidate : configuration->positionGroupList())
            if (uuidString(candidate->id()) == chosen) {
                group = candidate;
                break;
            }
    }
    if (!group)
        group = configuration->defaultPositionGroup();
    const QString groupName = group ? group->name() : QStringLiteral("default positions");

    logInfo(lcApp, QStringLiteral("🚀 Applying configuration via keyboard shortcut: ") +
                       configuration->name() + QStringLiteral(" with position group: ") + groupName);

    const QList<AppConfiguration*> apps = configuration->configurationList();
    for (qsizetype k = 0; k < apps.size(); ++k) {
        AppConfiguration* app = apps.at(k);
        const std::optional<Corner> mapped = group ? group->getPosition(app->bundleID()) : std::nullopt;
        const Corner corner = mapped.value_or(app->corner());
        PinSpec spec;
        spec.corner = corner;
        spec.widthFraction = app->savedWidthFraction();
        spec.heightPoints = app->savedHeight();
        spec.marginX = app->savedMarginX();
        spec.marginY = app->savedMarginY();
        logInfo(lcApp, QStringLiteral("📌 Positioning ") + app->appName() + QStringLiteral(" at ") +
                           CornerInfo::rawValue(corner) + QStringLiteral(" using group ") + groupName);
        // The store keeps the application object alive for the context's whole life.
        Platform& platform = m_platform;
        const QPointer<AppConfiguration> target(app);
        m_platform.scheduler.after(static_cast<double>(k) * 0.02, [&platform, target, spec, screen] {
            if (target)
                Actions(platform).summon(target->bundleID(), spec, screen);
        });
    }
}
