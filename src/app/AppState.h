// The one shared state of a run: selections, the hand-over between an activation that found missing
// applications and the dialog that asks the user, the main window's bookkeeping while it hangs under
// the status item, the editor's cache of running applications, requests between views, and the
// counter that tells configuration lists to refetch. The keyboard actions are its own operations.
#pragma once

#include "model/AppTheme.h"
#include "model/ConfigurationGroup.h"
#include "model/Corner.h"
#include "model/MissingAppInfo.h"
#include "placement/RunningApp.h"
#include "platform/EventMonitorToken.h"
#include "platform/HostWindow.h"
#include "platform/Platform.h"
#include "platform/WindowLevel.h"
#include "platform/WindowStyleMask.h"
#include "store/ModelContext.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QThreadPool;

class ApplicationShell;
class MenuBarManaging;

class AppState : public QObject {
    Q_OBJECT
public:
    // Every observed property, in declaration order.
    enum class Property {
        bundleID,
        corner,
        widthFraction,
        heightPoints,
        marginX,
        marginY,
        modelContext,
        selectedConfigurationID,
        selectedPositionGroupForConfig,
        showRunningAppsInEditModal,
        cachedRunningApps,
        runningAppsLastUpdated,
        isFetchingRunningApps,
        menuBarManager,
        pendingMainTabSelection,
        shouldShowCreateConfiguration,
        configurationDataVersion,
        missingAppsToShow,
        showMissingAppModal,
        shouldContinueWithPartialActivation,
        configurationForPartialActivation,
        triggerPartialActivation,
        mainWindow,
        isMainWindowAttached,
        previousMainWindowFrame,
        previousMainWindowLevel,
        previousMainWindowStyleMask,
        attachedModeGlobalEventMonitor,
        currentMenuBarHeight,
        isFirstWindowCapture,
    };
    Q_ENUM(Property)

    static inline const QString showRunningAppsInEditModalKey = QStringLiteral("showRunningAppsInEditModal");
    // Age below which the running-applications cache is reused.
    static constexpr double runningAppsCacheMaxAgeSeconds = 5.0;

    // Runs a job off the main thread.
    using BackgroundRunner = std::function<void(std::function<void()> job)>;

    // `remoteChanges` is the store context whose remote changes bump configurationDataVersion; it may
    // be null (no store). Registers the five shortcut handlers and that observer.
    explicit AppState(Platform& platform, ModelContext* remoteChanges = nullptr, QObject* parent = nullptr);
    ~AppState() override;

    Platform& platform() const { return m_platform; }

    // --- the single-application placement request of the home content ---
    QString bundleID() const { return m_bundleID; }
    void setBundleID(const QString& value) { set(m_bundleID, value, Property::bundleID); }
    Corner corner() const { return m_corner; }
    void setCorner(Corner value) { set(m_corner, value, Property::corner); }
    double widthFraction() const { return m_widthFraction; }
    void setWidthFraction(double value) { set(m_widthFraction, value, Property::widthFraction); }
    double heightPoints() const { return m_heightPoints; }
    void setHeightPoints(double value) { set(m_heightPoints, value, Property::heightPoints); }
    double marginX() const { return m_marginX; }
    void setMarginX(double value) { set(m_marginX, value, Property::marginX); }
    double marginY() const { return m_marginY; }
    void setMarginY(double value) { set(m_marginY, value, Property::marginY); }

    // --- store and selection ---
    // The store's main context; the keyboard actions do nothing while it is absent.
    ModelContext* modelContext() const { return m_modelContext; }
    void setModelContext(ModelContext* context);
    // The selected configuration's id text; empty for none.
    QString selectedConfigurationID() const { return m_selectedConfigurationID; }
    void setSelectedConfigurationID(const QString& value) {
        set(m_selectedConfigurationID, value, Property::selectedConfigurationID);
    }
    // Configuration id text -> id text of the position group chosen for it.
    QHash<QString, QString> selectedPositionGroupForConfig() const {
        return m_selectedPositionGroupForConfig;
    }
    void setSelectedPositionGroupForConfig(const QHash<QString, QString>& value) {
        set(m_selectedPositionGroupForConfig, value, Property::selectedPositionGroupForConfig);
    }
    // Writes one entry; observers are told even when it held that value already.
    void setSelectedPositionGroup(const QString& configurationID, const QString& positionGroupID);

    // --- the editor's running applications ---
    bool showRunningAppsInEditModal() const { return m_showRunningAppsInEditModal; }
    // Also written to the preferences, on every assignment.
    void setShowRunningAppsInEditModal(bool value);
    QList<RunningApp> cachedRunningApps() const { return m_cachedRunningApps; }
    std::optional<QDateTime> runningAppsLastUpdated() const { return m_runningAppsLastUpdated; }
    bool isFetchingRunningApps() const { return m_isFetchingRunningApps; }
    // Whether the cache was filled less than maxAge (default runningAppsCacheMaxAgeSeconds) ago.
    bool isRunningAppsCacheFresh(std::optional<double> maxAge = std::nullopt) const;
    // Answers from the cache when it is fresh (unless forced) or while a listing runs; otherwise lists
    // the running applications off the main thread and answers when the cache holds the result.
    void refreshRunningAppsCache(bool force = false,
                                 std::function<void(const QList<RunningApp>&)> completion = {});
    // Where the listing runs; a pool of the state's own unless a test gives its own runner.
    void setBackgroundRunner(BackgroundRunner runner) { m_backgroundRunner = std::move(runner); }

    // --- the menu-bar mode ---
    MenuBarManaging* menuBarManager() const { return m_menuBarManager; }
    void setMenuBarManager(MenuBarManaging* manager) {
        set(m_menuBarManager, manager, Property::menuBarManager);
    }

    // --- requests between views ---
    std::optional<QString> pendingMainTabSelection() const { return m_pendingMainTabSelection; }
    void setPendingMainTabSelection(const std::optional<QString>& value) {
        set(m_pendingMainTabSelection, value, Property::pendingMainTabSelection);
    }
    bool shouldShowCreateConfiguration() const { return m_shouldShowCreateConfiguration; }
    void setShouldShowCreateConfiguration(bool value) {
        set(m_shouldShowCreateConfiguration, value, Property::shouldShowCreateConfiguration);
    }
    // Every increment tells the configuration lists to refetch.
    int configurationDataVersion() const { return m_configurationDataVersion; }
    void setConfigurationDataVersion(int value) {
        set(m_configurationDataVersion, value, Property::configurationDataVersion);
    }
    void triggerConfigurationDataRefresh() { setConfigurationDataVersion(m_configurationDataVersion + 1); }

    // --- missing applications and partial activation ---
    QList<MissingAppInfo> missingAppsToShow() const { return m_missingAppsToShow; }
    // Observers are told on every assignment.
    void setMissingAppsToShow(const QList<MissingAppInfo>& value);
    bool showMissingAppModal() const { return m_showMissingAppModal; }
    void setShowMissingAppModal(bool value) {
        set(m_showMissingAppModal, value, Property::showMissingAppModal);
    }
    bool shouldContinueWithPartialActivation() const { return m_shouldContinueWithPartialActivation; }
    void setShouldContinueWithPartialActivation(bool value) {
        set(m_shouldContinueWithPartialActivation, value, Property::shouldContinueWithPartialActivation);
    }
    ConfigurationGroup* configurationForPartialActivation() const {
        return m_configurationForPartialActivation;
    }
    void setConfigurationForPartialActivation(ConfigurationGroup* configuration);
    bool triggerPartialActivation() const { return m_triggerPartialActivation; }
    void setTriggerPartialActivation(bool value) {
        set(m_triggerPartialActivation, value, Property::triggerPartialActivation);
    }
    // The dialog's "continue": lets the waiting activation run without the missing applications.
    void triggerPartialActivationNow();

    // --- the main window ---
    // Weak: reads null once the window is gone.
    HostWindow* mainWindow() const { return m_mainWindow.get(); }
    void setMainWindow(HostWindow* window);
    bool isMainWindowAttached() const { return m_isMainWindowAttached; }
    void setIsMainWindowAttached(bool value) {
        set(m_isMainWindowAttached, value, Property::isMainWindowAttached);
    }
    std::optional<Rect> previousMainWindowFrame() const { return m_previousMainWindowFrame; }
    void setPreviousMainWindowFrame(const std::optional<Rect>& value) {
        set(m_previousMainWindowFrame, value, Property::previousMainWindowFrame);
    }
    std::optional<WindowLevel> previousMainWindowLevel() const { return m_previousMainWindowLevel; }
    void setPreviousMainWindowLevel(const std::optional<WindowLevel>& value) {
        set(m_previousMainWindowLevel, value, Property::previousMainWindowLevel);
    }
    std::optional<WindowStyleMask> previousMainWindowStyleMask() const {
        return m_previousMainWindowStyleMask;
    }
    void setPreviousMainWindowStyleMask(const std::optional<WindowStyleMask>& value) {
        set(m_previousMainWindowStyleMask, value, Property::previousMainWindowStyleMask);
    }
    std::optional<EventMonitorToken> attachedModeGlobalEventMonitor() const {
        return m_attachedModeGlobalEventMonitor;
    }
    // Observers are told on every assignment.
    void setAttachedModeGlobalEventMonitor(const std::optional<EventMonitorToken>& value);
    double currentMenuBarHeight() const { return m_currentMenuBarHeight; }
    void setCurrentMenuBarHeight(double value) {
        set(m_currentMenuBarHeight, value, Property::currentMenuBarHeight);
    }
    bool isFirstWindowCapture() const { return m_isFirstWindowCapture; }
    void setIsFirstWindowCapture(bool value) {
        set(m_isFirstWindowCapture, value, Property::isFirstWindowCapture);
    }

    // --- appearance ---
    // The application's windows and look; absent until the user interface exists.
    ApplicationShell* shell() const { return m_shell; }
    void setShell(ApplicationShell* shell) { m_shell = shell; }
    // On the next turn of the main queue: the look of the application and of each of its windows;
    // then the status item follows the panel again.
    void applyAppearance(AppTheme theme);

    // --- keyboard actions ---
    void activateCurrentSelectedGroup();
    void cycleToNextConfiguration();
    void cycleToPreviousConfiguration();
    void cyclePositionGroups();
    void toggleMenuBar();

Q_SIGNALS:
    // After a property was assigned a different value (every assignment for the two without equality).
    void changed(AppState::Property property);

private:
    template <class T> void set(T& field, const T& value, Property property) {
        if (field == value)
            return;
        field = value;
        Q_EMIT changed(property);
    }

    void setupKeyboardShortcuts();
    void setupCloudKitRemoteChangeHandling(ModelContext* context);
    template <class Action> void executeKeyboardShortcut(Action action);
    // The configurations of the store; empty without a context.
    QList<ConfigurationGroup*> fetchConfigurations() const;
    ConfigurationGroup* selectedConfiguration(const QList<ConfigurationGroup*>& configurations) const;
    void cycleConfiguration(int step);
    void applyConfigurationWithSelectedGroup(ConfigurationGroup* configuration);

    Platform& m_platform;
    std::unique_ptr<QThreadPool> m_listingPool;
    BackgroundRunner m_backgroundRunner;
    ApplicationShell* m_shell = nullptr;

    QString m_bundleID = QStringLiteral("com.apple.Notes");
    Corner m_corner = Corner::topRight;
    double m_widthFraction = 0.33;
    double m_heightPoints = 520;
    double m_marginX = 4;
    double m_marginY = 4;
    QPointer<ModelContext> m_modelContext;
    QString m_selectedConfigurationID;
    QHash<QString, QString> m_selectedPositionGroupForConfig;
    bool m_showRunningAppsInEditModal = false;
    QList<RunningApp> m_cachedRunningApps;
    std::optional<QDateTime> m_runningAppsLastUpdated;
    // The same moment on the monotonic clock, which the freshness test uses.
    std::optional<double> m_runningAppsFilledAt;
    bool m_isFetchingRunningApps = false;
    MenuBarManaging* m_menuBarManager = nullptr;
    std::optional<QString> m_pendingMainTabSelection;
    bool m_shouldShowCreateConfiguration = false;
    int m_configurationDataVersion = 0;
    QList<MissingAppInfo> m_missingAppsToShow;
    bool m_showMissingAppModal = false;
    bool m_shouldContinueWithPartialActivation = false;
    QPointer<ConfigurationGroup> m_configurationForPartialActivation;
    bool m_triggerPartialActivation = false;
    HostWindow::Weak m_mainWindow;
    bool m_isMainWindowAttached = false;
    std::optional<Rect> m_previousMainWindowFrame;
    std::optional<WindowLevel> m_previousMainWindowLevel;
    std::optional<WindowStyleMask> m_previousMainWindowStyleMask;
    std::optional<EventMonitorToken> m_attachedModeGlobalEventMonitor;
    double m_currentMenuBarHeight = 545;
    bool m_isFirstWindowCapture = true;
};
