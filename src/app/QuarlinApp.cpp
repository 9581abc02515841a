#include "QuarlinApp.h"

#include "ApplicationShell.h"
#include "RecentActivationOrder.h"

#include "base/Log.h"

std::unique_ptr<ModelContainer> QuarlinApp::makeSharedModelContainer(const QString& path,
                                                                     Scheduler& scheduler, QString* message) {
    QString error;
    std::unique_ptr<ModelContainer> container = ModelContainer::open(path, scheduler, &error);
    if (!container && message)
        *message = ModelContainer::failureMessage(error);
    return container;
}

QuarlinApp::QuarlinApp(Platform& platform, std::unique_ptr<ModelContainer> container, ApplicationShell* shell,
                       std::unique_ptr<UpdaterController> updaterController, QObject* parent)
    : QObject(parent), m_platform(platform), m_shell(shell), m_sharedModelContainer(std::move(container)) {
    m_appState = std::make_unique<AppState>(platform, m_sharedModelContainer->mainContext());
    m_appState->setShell(shell);
    m_appDelegate = std::make_unique<AppDelegate>(platform.preferences, platform.scheduler, shell,
                                                  std::move(updaterController));
}

QuarlinApp::~QuarlinApp() {
    // The state refers to the manager; let it go first.
    m_appState->setMenuBarManager(nullptr);
}

void QuarlinApp::saveBeforeQuit() {
    ModelContext* context = m_sharedModelContainer->mainContext();
    QString error;
    if (context->hasChanges() && !context->save(&error))
        logWarning(lcApp, QStringLiteral("❌ Failed to save changes before quitting: ") + error);
}

SettingsModel& QuarlinApp::settings() {
    if (!m_settings)
        m_settings = std::make_unique<SettingsModel>(m_platform.preferences);
    return *m_settings;
}

void QuarlinApp::start(const std::function<void()>& showScene) {
    m_appDelegate->applicationWillFinishLaunching();
    m_appDelegate->applicationDidFinishLaunching();
    if (!m_followsTheme) {
        m_followsTheme = true;
        connect(&m_platform.preferences, &PreferenceStore::changed, this, [this](const QString& key) {
            if (key == SettingsModel::appThemeKey)
                m_appState->applyAppearance(currentTheme());
        });
    }
    if (showScene)
        showScene();
}

void QuarlinApp::mainContentDidAppear() {
    if (settings().launchInMenuBarMode() && m_shell) {
        for (HostWindow* window : m_shell->windows())
            if (window->level() == WindowLevel::normal()) {
                window->setAlphaValue(0);
                window->orderOut();
                break;
            }
    }
    setupMenuBar();
    setupAppStateModelContext();
    autoSelectConfigurationOnLaunch();
    m_appState->applyAppearance(currentTheme());
    handleInitialLaunchMode();
}

void QuarlinApp::setupMenuBar() {
    if (m_appState->menuBarManager() || !m_menuBarFactory)
        return;
    m_menuBarManager = m_menuBarFactory(*m_appState, *m_sharedModelContainer);
    m_appState->setMenuBarManager(m_menuBarManager.get());
}

void QuarlinApp::setupAppStateModelContext() {
    m_appState->setModelContext(m_sharedModelContainer->mainContext());
}

void QuarlinApp::autoSelectConfigurationOnLaunch() {
    const QList<ConfigurationGroup*> configurations =
        recentActivationOrder(m_sharedModelContainer->mainContext()->fetch<ConfigurationGroup>());
    if (configurations.isEmpty())
        return;
    m_appState->setSelectedConfigurationID(uuidString(configurations.first()->id()));
}

void QuarlinApp::handleInitialLaunchMode() {
    if (!settings().launchInMenuBarMode())
        return;
    AppState* state = m_appState.get();
    const QPointer<AppState> self(state);
    m_platform.scheduler.after(0.2, [self] {
        if (self && self->menuBarManager())
            self->menuBarManager()->showAttachedWindowForLaunch();
    });
}

AppTheme QuarlinApp::currentTheme() {
    return AppThemeInfo::fromRawValue(settings().appTheme()).value_or(AppTheme::system);
}
