// The stored preferences the settings tab shows and changes: typed views of five preference keys with
// their defaults (defaults are never written into the store).
#pragma once

#include <QObject>
#include <QString>

class PreferenceStore;

class SettingsModel : public QObject {
    Q_OBJECT
public:
    static inline const QString autoHideMenuBarWindowOnConfigActivationKey =
        QStringLiteral("autoHideMenuBarWindowOnConfigActivation");
    static inline const QString appThemeKey = QStringLiteral("appTheme");
    static inline const QString launchInMenuBarModeKey = QStringLiteral("launchInMenuBarMode");
    static inline const QString launchAtLoginKey = QStringLiteral("launchAtLogin");
    static inline const QString showMainWindowOnStatusBarClickKey =
        QStringLiteral("showMainWindowOnStatusBarClick");
    static inline const QString defaultAppTheme = QStringLiteral("dark");

    explicit SettingsModel(PreferenceStore& preferences, QObject* parent = nullptr);

    PreferenceStore& preferences() const { return m_preferences; }

    // Each setter stores the value and then sends objectWillChange. A control bound straight to the key
    // (PreferenceStore::setValue), as the settings tab's toggles are, sends no signal of this model.
    bool autoHideMenuBarWindowOnConfigActivation() const;
    void setAutoHideMenuBarWindowOnConfigActivation(bool on);
    // The raw value of an AppTheme; "dark" while unset. A text naming no theme is returned as stored.
    QString appTheme() const;
    void setAppTheme(const QString& theme);
    bool launchInMenuBarMode() const;
    void setLaunchInMenuBarMode(bool on);
    // Stored beside the others; the login-item registration itself is what the settings tab shows.
    bool launchAtLogin() const;
    void setLaunchAtLogin(bool on);
    bool showMainWindowOnStatusBarClick() const;
    void setShowMainWindowOnStatusBarClick(bool on);

Q_SIGNALS:
    void objectWillChange();

private:
    void write(const QString& key, bool on);

    PreferenceStore& m_preferences;
};
