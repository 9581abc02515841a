// The "Settings" tab: the theme, launch at login and the three menu-bar preferences; whether this
// desktop lets Quarlin move other programs' windows; the sync folder's state with "Sync Now"; and
// the version, the feedback address (when the build has one) and "Check for Updates".
// The tab only writes preferences and the login registration; others apply them.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class AppState;
class LaunchAtLogin;
class QCheckBox;
class QComboBox;
class QLabel;
class Scheduler;
class SettingsModel;
class StyledButton;
class ProgressSpinner;
class SymbolView;
class SyncStatus;

class SettingsView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        AppState& state;
        SettingsModel& settings;
        LaunchAtLogin& launchAtLogin;
        Scheduler& scheduler;
        // Whether windows of other programs can be moved here (asked without prompting).
        std::function<bool()> isTrusted;
        // The sync folder's state; null when this build or run has no sync.
        SyncStatus* sync = nullptr;
        // The application's update check.
        std::function<void()> checkForUpdates;
        QString version;
        // Empty: the feedback row is not shown.
        QString feedbackAddress;
    };

    explicit SettingsView(Services services, QWidget* parent = nullptr);

    // The texts the sync rows show, for the current state.
    QString accountStatusText() const;
    QString syncStatusText() const { return m_syncStatus; }
    // Where the sync folder is and, until it is ready, what to do about it.
    QString syncFolderText() const;
    // The last failure and the files that could not be read; empty when there is nothing to say.
    QString syncProblemText() const;
    bool isSyncing() const { return m_isSyncing; }
    // Starts a manual sync as "Sync Now" does (when it is enabled).
    void triggerManualSync();

    QComboBox* themePicker() const { return m_theme; }
    QCheckBox* launchAtLoginToggle() const { return m_launchAtLogin; }
    // Why the last change of launch at login was refused; hidden after one that went through.
    QLabel* launchAtLoginError() const { return m_launchAtLoginError; }
    QCheckBox* preferenceToggle(const QString& key) const;
    StyledButton* syncNowButton() const { return m_syncNow; }
    StyledButton* checkForUpdatesButton() const { return m_checkForUpdates; }
    QWidget* accessibilityEnabledRow() const { return m_trustedRow; }
    ProgressSpinner* syncSpinner() const { return m_syncSpinner; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildAppPreferences();
    QWidget* buildAccessibility();
    QWidget* buildSync();
    QWidget* buildAbout();
    void showTheme();
    void refreshTrust();
    void refreshAccountStatus();
    void showSyncState();
    // An automatic sync reports here too: a failure must not hide behind "Ready".
    void noticeSyncOutcome();

    Services m_services;
    bool m_axTrusted = false;
    bool m_isSyncing = false;
    bool m_accountChecked = false;
    QString m_syncStatus = QStringLiteral("Ready");
    QComboBox* m_theme = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_launchAtLoginError = nullptr;
    QList<QCheckBox*> m_preferenceToggles;
    QWidget* m_trustedRow = nullptr;
    QWidget* m_untrustedRow = nullptr;
    QLabel* m_missingTitle = nullptr;
    QLabel* m_missingDetail = nullptr;
    QLabel* m_accountStatus = nullptr;
    SymbolView* m_syncSymbol = nullptr;
    ProgressSpinner* m_syncSpinner = nullptr;
    QLabel* m_syncFolder = nullptr;
    QLabel* m_syncStatusLabel = nullptr;
    QLabel* m_syncProblem = nullptr;
    StyledButton* m_syncNow = nullptr;
    StyledButton* m_checkForUpdates = nullptr;
};
