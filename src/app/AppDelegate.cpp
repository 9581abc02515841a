#include "AppDelegate.h"

#include "ApplicationShell.h"

#include "base/PreferenceStore.h"
#include "base/Scheduler.h"
#include "model/SettingsModel.h"

AppDelegate::AppDelegate(PreferenceStore& preferences, Scheduler& scheduler, ApplicationShell* shell,
                         std::unique_ptr<UpdaterController> updaterController)
    : m_preferences(preferences), m_scheduler(scheduler), m_shell(shell),
      m_updaterController(updaterController ? std::move(updaterController)
                                            : std::make_unique<PackageManagedUpdaterController>()) {}

void AppDelegate::checkForUpdates(QObject* sender) {
    m_updaterController->checkForUpdates(sender);
}

void AppDelegate::applicationWillFinishLaunching() {
    const QString theme =
        m_preferences.stringValue(SettingsModel::appThemeKey, SettingsModel::defaultAppTheme);
    if (!m_shell)
        return;
    if (theme == QLatin1String("system"))
        m_shell->setAppearance(std::nullopt);
    else if (theme == QLatin1String("light"))
        m_shell->setAppearance(AppTheme::light);
    else
        m_shell->setAppearance(AppTheme::dark);
}

void AppDelegate::applicationDidFinishLaunching() {
    if (!m_preferences.boolValue(SettingsModel::launchInMenuBarModeKey, false))
        return;
    ApplicationShell* shell = m_shell;
    m_scheduler.async([shell] {
        if (!shell)
            return;
        for (HostWindow* window : shell->windows())
            if (window->level() == WindowLevel::normal() && window->isVisible()) {
                window->setAlphaValue(0);
                window->orderOut();
            }
    });
}
