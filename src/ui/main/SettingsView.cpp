#include "SettingsView.h"

#include "UpdatesNotice.h"
#include "app/AppState.h"
#include "base/PreferenceStore.h"
#include "base/Scheduler.h"
#include "login/LaunchAtLogin.h"
#include "model/AppTheme.h"
#include "model/SettingsModel.h"
#include "platform/SyncStatus.h"
#include "ui/look/Divider.h"
#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"
#include "ui/look/ProgressSpinner.h"
#include "ui/look/StyledButton.h"
#include "ui/look/SwitchStyle.h"
#include "ui/look/SymbolView.h"
#include "ui/look/Symbols.h"
#include "ui/look/TextLabel.h"
#include "ui/main/LaunchAtLoginToggle.h"
#include "ui/notices/WindowControlProblem.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

void recolour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QWidget* divider() {
    return new Divider;
}

// A label, a flexible space, then the control.
QWidget* row(const QString& label, QWidget* control) {
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    QLabel* title = textLabel(label);
    title->setWordWrap(true);
    layout->addWidget(title, 1);
    layout->addWidget(control, 0, Qt::AlignVCenter);
    return widget;
}

// A titled section: the headline title, then the body indented by 16.
QWidget* section(const QString& title, int spacing, const QList<QWidget*>& rows) {
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(textLabel(title, Fonts::headline()));
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 0, 0, 0);
    body->setSpacing(spacing);
    for (QWidget* r : rows)
        body->addWidget(r);
    layout->addLayout(body);
    return widget;
}

QWidget* centred(QWidget* control, int topPadding) {
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, topPadding, 0, 0);
    layout->addStretch(1);
    layout->addWidget(control);
    layout->addStretch(1);
    return widget;
}

const QString syncedText = QStringLiteral("Synced");
const QString readyText = QStringLiteral("Ready");
const QString errorText = QStringLiteral("Error");
const QString syncingText = QStringLiteral("Syncing...");
} // namespace

SettingsView::SettingsView(Services services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("settingsView"));
    m_axTrusted = m_services.isTrusted ? m_services.isTrusted() : true;

    // No scroller of its own: the main window's content scrolls, like every tab's, and the attached
    // window grows to the tab's whole height first.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(20);
    column->addWidget(textLabel(tr("Settings"), Fonts::weighted(Fonts::largeTitle(), QFont::Bold)));
    column->addWidget(divider());
    column->addWidget(buildAppPreferences());
    column->addWidget(divider());
    column->addWidget(buildAccessibility());
    column->addWidget(divider());
    column->addWidget(buildSync());
    column->addWidget(divider());
    column->addWidget(buildAbout());
    column->addStretch(1);

    connect(&m_services.settings, &SettingsModel::objectWillChange, this, &SettingsView::showTheme);
    if (m_services.sync)
        connect(m_services.sync, &SyncStatus::changed, this, [this] {
            noticeSyncOutcome();
            refreshAccountStatus();
        });
    refreshTrust();
    noticeSyncOutcome();
    showSyncState();
}

QWidget* SettingsView::buildAppPreferences() {
    m_theme = new QComboBox;
    m_theme->setObjectName(QStringLiteral("themePicker"));
    m_theme->setFixedWidth(120);
    const QStringList symbols = {QStringLiteral("applelogo"), QStringLiteral("lightbulb"),
                                 QStringLiteral("moon")};
    const QList<AppTheme> themes = {AppTheme::system, AppTheme::light, AppTheme::dark};
    for (int i = 0; i < themes.size(); ++i)
        m_theme->addItem(Symbols::icon(symbols.at(i), LookColors::gray(), 16),
                         AppThemeInfo::displayName(themes.at(i)), AppThemeInfo::rawValue(themes.at(i)));
    showTheme();
    connect(m_theme, &QComboBox::activated, this,
            [this](int index) { m_services.settings.setAppTheme(m_theme->itemData(index).toString()); });

    // The toggle shows what the desktop really holds after every change, also a refused one.
    m_launchAtLogin = new LaunchAtLoginToggle(m_services.launchAtLogin, QString());
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLoginToggle"));
    m_launchAtLogin->setAccessibleName(tr("Launch at Login"));
    SwitchStyle::apply(m_launchAtLogin);

    // The switch flips back by itself when the desktop refuses; this says why.
    m_launchAtLoginError =
        textLabel(QString(), Fonts::caption(), LookColors::red(LookColors::isDark(parentWidget())));
    m_launchAtLoginError->setObjectName(QStringLiteral("launchAtLoginError"));
    m_launchAtLoginError->setWordWrap(true);
    m_launchAtLoginError->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_launchAtLoginError->hide();
    connect(&m_services.launchAtLogin, &LaunchAtLogin::didChange, this, [this](bool isEnabled) {
        const QString error = m_services.launchAtLogin.lastError();
        m_launchAtLoginError->setText(isEnabled ? tr("Could not turn launch at login off: %1").arg(error)
                                                : tr("Could not turn launch at login on: %1").arg(error));
        m_launchAtLoginError->setVisible(!error.isEmpty());
    });

    QList<QWidget*> rows = {row(tr("Theme"), m_theme), row(tr("Launch at Login"), m_launchAtLogin),
                            m_launchAtLoginError};
    const QList<QPair<QString, QString>> preferences = {
        {tr("Launch in Menu Bar Mode"), SettingsModel::launchInMenuBarModeKey},
        {tr("Auto-hide Menu Bar Window on Configuration Activation"),
         SettingsModel::autoHideMenuBarWindowOnConfigActivationKey},
        {tr("Show Main Window on Status Bar Click (when not in Menu Bar Mode)"),
         SettingsModel::showMainWindowOnStatusBarClickKey},
    };
    PreferenceStore& store = m_services.settings.preferences();
    for (const auto& [label, key] : preferences) {
        auto* toggle = new QCheckBox;
        toggle->setObjectName(key);
        toggle->setAccessibleName(label);
        toggle->setChecked(store.boolValue(key, false));
        SwitchStyle::apply(toggle);
        connect(toggle, &QCheckBox::toggled, this, [&store, key = key](bool on) { store.setValue(key, on); });
        m_preferenceToggles.append(toggle);
        rows.append(row(label, toggle));
    }
    return section(tr("App Preferences"), 12, rows);
}

QCheckBox* SettingsView::preferenceToggle(const QString& key) const {
    for (QCheckBox* toggle : m_preferenceToggles)
        if (toggle->objectName() == key)
            return toggle;
    return nullptr;
}

void SettingsView::showTheme() {
    const std::optional<AppTheme> theme = AppThemeInfo::fromRawValue(m_services.settings.appTheme());
    const int index = m_theme->findData(AppThemeInfo::rawValue(theme.value_or(AppTheme::system)));
    m_theme->setCurrentIndex(index);
}

QWidget* SettingsView::buildAccessibility() {
    const bool dark = LookColors::isDark(parentWidget());
    m_trustedRow = new QWidget;
    auto* trusted = new QHBoxLayout(m_trustedRow);
    trusted->setContentsMargins(0, 0, 0, 0);
    trusted->setSpacing(4);
    trusted->addWidget(new SymbolView(QStringLiteral("checkmark.seal.fill"), 12, LookColors::green(dark)));
    trusted->addWidget(textLabel(tr("Accessibility Enabled"), Fonts::caption(), LookColors::green(dark)));
    trusted->addStretch(1);

    m_untrustedRow = new QWidget;
    auto* untrusted = new QVBoxLayout(m_untrustedRow);
    untrusted->setContentsMargins(0, 0, 0, 0);
    untrusted->setSpacing(8);
    // Named afresh at every check: what is missing depends on the session.
    m_missingTitle = textLabel(QString(), Fonts::weighted(Fonts::caption(), QFont::DemiBold));
    m_missingTitle->setObjectName(QStringLiteral("windowControlProblem"));
    m_missingTitle->setWordWrap(true);
    m_missingDetail = textLabel(QString(), Fonts::caption(), LookColors::secondary(dark));
    m_missingDetail->setWordWrap(true);
    untrusted->addWidget(m_missingTitle);
    untrusted->addWidget(m_missingDetail);
    auto* checkAgain = new QPushButton(tr("Check Again"));
    checkAgain->setAutoDefault(false);
    connect(checkAgain, &QPushButton::clicked, this, &SettingsView::refreshTrust);
    untrusted->addWidget(checkAgain, 0, Qt::AlignLeft);
    return section(tr("Accessibility"), 8, {m_trustedRow, m_untrustedRow});
}

void SettingsView::refreshTrust() {
    m_axTrusted = m_services.isTrusted ? m_services.isTrusted() : true;
    m_trustedRow->setVisible(m_axTrusted);
    m_untrustedRow->setVisible(!m_axTrusted);
    m_missingTitle->setText(WindowControlProblem::title());
    m_missingDetail->setText(WindowControlProblem::detail());
}

QWidget* SettingsView::buildSync() {
    m_accountStatus = textLabel(tr("Checking..."), Fonts::caption());
    m_accountStatus->setObjectName(QStringLiteral("accountStatus"));
    auto* status = new QWidget;
    auto* statusRow = new QHBoxLayout(status);
    statusRow->setContentsMargins(0, 0, 0, 0);
    statusRow->setSpacing(4);
    m_syncSymbol = new SymbolView(QStringLiteral("checkmark.icloud"), 14);
    m_syncStatusLabel = textLabel(m_syncStatus, Fonts::caption(), QColor());
    m_syncStatusLabel->setObjectName(QStringLiteral("syncStatus"));
    m_syncSpinner = new ProgressSpinner(12);
    m_syncSpinner->hide();
    statusRow->addWidget(m_syncSymbol);
    statusRow->addWidget(m_syncSpinner);
    statusRow->addWidget(m_syncStatusLabel);
    m_syncFolder = textLabel(QString(), Fonts::caption(), QColor());
    m_syncFolder->setObjectName(QStringLiteral("syncFolder"));
    m_syncFolder->setWordWrap(true);
    m_syncFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_syncProblem = textLabel(QString(), Fonts::caption(), QColor());
    m_syncProblem->setObjectName(QStringLiteral("syncProblem"));
    m_syncProblem->setWordWrap(true);
    m_syncProblem->hide();

    m_syncNow = new StyledButton(ButtonStyle::glassmorphic(), tr("Sync Now"));
    m_syncNow->setObjectName(QStringLiteral("syncNow"));
    m_syncNow->setFont(Fonts::system(14, QFont::Medium));
    connect(m_syncNow, &QAbstractButton::clicked, this, &SettingsView::triggerManualSync);
    return section(tr("Sync Data"), 8,
                   {row(tr("Account Status"), m_accountStatus), m_syncFolder, row(tr("Sync Status"), status),
                    m_syncProblem, centred(m_syncNow, 4)});
}

QString SettingsView::syncProblemText() const {
    if (!m_services.sync)
        return {};
    QStringList lines;
    if (m_services.sync->lastOutcome() == SyncStatus::Outcome::failed)
        lines.append(tr("Last sync failed: %1").arg(m_services.sync->lastError()));
    if (const int count = m_services.sync->unreadableFileCount(); count > 0)
        lines.append(count == 1
                         ? tr("1 file in the sync folder could not be read and was skipped.")
                         : tr("%1 files in the sync folder could not be read and were skipped.").arg(count));
    for (const QString& file : m_services.sync->unreadableFiles())
        lines.append(file);
    if (const QString notice = m_services.sync->notice(); !notice.isEmpty())
        lines.append(notice);
    return lines.join(u'\n');
}

void SettingsView::noticeSyncOutcome() {
    if (!m_services.sync || m_isSyncing)
        return;
    const SyncStatus::Outcome outcome = m_services.sync->lastOutcome();
    if (outcome == SyncStatus::Outcome::failed)
        m_syncStatus = errorText;
    else if (outcome == SyncStatus::Outcome::synced && m_syncStatus == errorText)
        m_syncStatus = syncedText;
}

QString SettingsView::accountStatusText() const {
    if (!m_services.sync)
        return tr("No Sync Folder");
    if (!m_accountChecked)
        return tr("Checking...");
    switch (m_services.sync->accountStatus()) {
    case SyncStatus::AccountStatus::couldNotDetermine:
        // An answer that says nothing is an error, not a check that never ends.
        return tr("Error");
    case SyncStatus::AccountStatus::available:
        return tr("Sync Folder Ready");
    case SyncStatus::AccountStatus::restricted:
        return tr("Sync Folder Read-Only");
    case SyncStatus::AccountStatus::noAccount:
        return tr("No Sync Folder");
    case SyncStatus::AccountStatus::temporarilyUnavailable:
        return tr("Sync Folder Unavailable");
    }
    return tr("Unknown");
}

QString SettingsView::syncFolderText() const {
    if (!m_services.sync || m_services.sync->folderPath().isEmpty())
        return {};
    QString path = QDir::cleanPath(m_services.sync->folderPath());
    const QString home = QDir::homePath();
    if (path.startsWith(home + QLatin1Char('/')))
        path = QStringLiteral("~") + path.mid(home.size());
    if (!m_accountChecked)
        return path;
    switch (m_services.sync->accountStatus()) {
    case SyncStatus::AccountStatus::noAccount:
        return tr("To sync with your other machines, share this folder with a file-sync service "
                  "(Syncthing, Nextcloud, Dropbox) on each of them, or link a synced folder here: %1")
            .arg(path);
    case SyncStatus::AccountStatus::restricted:
        return tr("Quarlin cannot write to %1: changes from other machines still come in, this "
                  "machine's wait until it can.")
            .arg(path);
    case SyncStatus::AccountStatus::temporarilyUnavailable:
    case SyncStatus::AccountStatus::couldNotDetermine:
        return tr("Quarlin cannot read %1 just now.").arg(path);
    case SyncStatus::AccountStatus::available:
        break;
    }
    return tr("Shared folder: %1").arg(path);
}

void SettingsView::refreshAccountStatus() {
    m_accountChecked = true;
    showSyncState();
}

void SettingsView::showSyncState() {
    const bool dark = LookColors::isDark(this);
    const QString account = accountStatusText();
    m_accountStatus->setText(account);
    QColor accountColour = LookColors::gray();
    if (account == tr("Sync Folder Ready"))
        accountColour = LookColors::green(dark);
    else if (account == tr("Checking...") || account == tr("Sync Folder Unavailable"))
        accountColour = LookColors::orange(dark);
    else if (account != tr("Unknown"))
        accountColour = LookColors::red(dark);
    recolour(m_accountStatus, accountColour);

    m_syncFolder->setText(syncFolderText());
    m_syncFolder->setVisible(!m_syncFolder->text().isEmpty());
    m_syncSymbol->setVisible(!m_isSyncing);
    m_syncSpinner->setVisible(m_isSyncing);
    m_syncStatusLabel->setText(m_syncStatus);
    const QString problem = syncProblemText();
    m_syncProblem->setText(problem);
    m_syncProblem->setVisible(!problem.isEmpty());
    if (m_syncStatus == syncedText || m_syncStatus == readyText) {
        m_syncSymbol->setName(QStringLiteral("checkmark.icloud"));
        m_syncSymbol->setColour(LookColors::green(dark));
    } else if (m_syncStatus == errorText) {
        m_syncSymbol->setName(QStringLiteral("exclamationmark.icloud"));
        m_syncSymbol->setColour(LookColors::red(dark));
    } else {
        m_syncSymbol->setName(QStringLiteral("icloud"));
        m_syncSymbol->setColour(LookColors::blue(dark));
    }
    m_syncNow->setSymbol(m_isSyncing ? QStringLiteral("icloud")
                                     : QStringLiteral("arrow.trianglehead.clockwise.icloud.fill"));
    const bool available = m_services.sync && m_accountChecked &&
                           m_services.sync->accountStatus() == SyncStatus::AccountStatus::available;
    m_syncNow->setEnabled(!m_isSyncing && available);
    m_syncNow->setScale(m_isSyncing ? 0.95 : 1.0, 0.1);
}

void SettingsView::triggerManualSync() {
    if (!m_syncNow->isEnabled() || !m_services.sync)
        return;
    m_isSyncing = true;
    m_syncStatus = syncingText;
    showSyncState();
    QPointer<SettingsView> self(this);
    QPointer<SyncStatus> sync(m_services.sync);
    AppState* state = &m_services.state;
    Scheduler* scheduler = &m_services.scheduler;
    const double clicked = scheduler->now();
    const auto show = [self, state](bool ok) {
        if (ok)
            state->triggerConfigurationDataRefresh();
        if (!self)
            return;
        self->m_isSyncing = false;
        self->m_syncStatus = ok ? syncedText : errorText;
        self->showSyncState();
    };
    // The sync runs in the background whatever the user does next: leaving the tab drops this view, not
    // the sync. Its outcome shows a second after the click at the earliest, so a quick sync still reads
    // as one. It starts on the next turn, once "Syncing..." is drawn.
    m_services.scheduler.async([sync, scheduler, clicked, show] {
        const auto done = [scheduler, clicked, show](bool ok, const QString&) {
            scheduler->after(std::max(0.0, clicked + 1.0 - scheduler->now()), [show, ok] { show(ok); });
        };
        if (sync)
            sync->syncNow(done);
        else
            done(false, QString());
    });
}

QWidget* SettingsView::buildAbout() {
    QList<QWidget*> rows;
    QLabel* version = textLabel(m_services.version, Fonts::body(), QColor());
    version->setObjectName(QStringLiteral("version"));
    rows.append(row(tr("Version"), version));
    if (!m_services.feedbackAddress.isEmpty()) {
        auto* control = new QWidget;
        auto* layout = new QHBoxLayout(control);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        QLabel* address = textLabel(m_services.feedbackAddress, Fonts::body(), QColor());
        address->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* copy = new QToolButton;
        copy->setAutoRaise(true);
        copy->setIcon(Symbols::icon(QStringLiteral("doc.on.doc"), LookColors::gray(), 12));
        copy->setToolTip(tr("Copy email address"));
        const QString value = m_services.feedbackAddress;
        connect(copy, &QToolButton::clicked, this, [value] {
            QGuiApplication::clipboard()->clear();
            QGuiApplication::clipboard()->setText(value);
        });
        layout->addWidget(address);
        layout->addWidget(copy);
        rows.append(row(tr("Send Feedback:"), control));
    }
    m_checkForUpdates = new StyledButton(ButtonStyle::glassmorphic(), tr("Check for Updates"),
                                         QStringLiteral("arrow.triangle.2.circlepath"));
    m_checkForUpdates->setObjectName(QStringLiteral("checkForUpdates"));
    m_checkForUpdates->setFont(Fonts::system(14, QFont::Medium));
    connect(m_checkForUpdates, &QAbstractButton::clicked, this, [this] {
        if (m_services.checkForUpdates)
            m_services.checkForUpdates();
        UpdatesNotice::open(this);
    });
    rows.append(centred(m_checkForUpdates, 8));
    return section(tr("About"), 8, rows);
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refreshTrust();
    refreshAccountStatus();
}
