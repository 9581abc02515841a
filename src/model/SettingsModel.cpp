#include "SettingsModel.h"

#include "base/PreferenceStore.h"

SettingsModel::SettingsModel(PreferenceStore& preferences, QObject* parent)
    : QObject(parent), m_preferences(preferences) {}

bool SettingsModel::autoHideMenuBarWindowOnConfigActivation() const {
    return m_preferences.boolValue(autoHideMenuBarWindowOnConfigActivationKey, false);
}

void SettingsModel::setAutoHideMenuBarWindowOnConfigActivation(bool on) {
    write(autoHideMenuBarWindowOnConfigActivationKey, on);
}

QString SettingsModel::appTheme() const {
    return m_preferences.stringValue(appThemeKey, defaultAppTheme);
}

void SettingsModel::setAppTheme(const QString& theme) {
    m_preferences.setValue(appThemeKey, theme);
    Q_EMIT objectWillChange();
}

bool SettingsModel::launchInMenuBarMode() const {
    return m_preferences.boolValue(launchInMenuBarModeKey, false);
}

void SettingsModel::setLaunchInMenuBarMode(bool on) {
    write(launchInMenuBarModeKey, on);
}

bool SettingsModel::launchAtLogin() const {
    return m_preferences.boolValue(launchAtLoginKey, false);
}

void SettingsModel::setLaunchAtLogin(bool on) {
    write(launchAtLoginKey, on);
}

bool SettingsModel::showMainWindowOnStatusBarClick() const {
    return m_preferences.boolValue(showMainWindowOnStatusBarClickKey, false);
}

void SettingsModel::setShowMainWindowOnStatusBarClick(bool on) {
    write(showMainWindowOnStatusBarClickKey, on);
}

void SettingsModel::write(const QString& key, bool on) {
    m_preferences.setValue(key, on);
    Q_EMIT objectWillChange();
}
