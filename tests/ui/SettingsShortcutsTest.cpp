// The settings and shortcuts tabs as a user meets them: what each control writes, what the sync
// rows say for each state of the sync folder, and the five recorders with their fallback.
#include "../app/AppWorld.h"
#include "../support/WidgetScreenshot.h"

#include "login/LaunchAtLogin.h"
#include "model/SettingsModel.h"
#include "platform/SyncStatus.h"
#include "ui/look/ProgressSpinner.h"
#include "ui/look/StyledButton.h"
#include "ui/main/SettingsView.h"
#include "ui/main/ShortcutsView.h"
#include "ui/notices/WindowControlProblem.h"
#include "ui/shortcuts/Recorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

Q_DECLARE_METATYPE(SyncStatus::AccountStatus)

namespace {
struct Service : LoginItemService {
    Status status() const override { return current; }
    std::optional<QString> registerService() override {
        if (!refusal)
            current = Status::enabled;
        return refusal;
    }
    std::optional<QString> unregisterService() override {
        if (!refusal)
            current = Status::notRegistered;
        return refusal;
    }
    Status current = Status::notRegistered;
    std::optional<QString> refusal;
};

struct Log : LoginLog {
    void logFailure(const QString&, const QString&) override {}
};

struct FakeSync : SyncStatus {
    AccountStatus accountStatus() const override { return status; }
    Outcome lastOutcome() const override { return outcome; }
    QString lastError() const override { return error; }
    int unreadableFileCount() const override { return unreadable; }
    QStringList unreadableFiles() const override { return unreadableNamed; }
    QString notice() const override { return note; }
    QDateTime lastSyncTime() const override { return {}; }
    QString folderPath() const override { return QDir::homePath() + "/.local/share/quarlin/sync"; }
    void syncNow(Done done) override {
        ++syncs;
        done(!fail, fail ? QStringLiteral("the folder is full") : QString());
    }
    AccountStatus status = AccountStatus::available;
    bool fail = false;
    int syncs = 0;
    Outcome outcome = Outcome::none;
    QString error;
    int unreadable = 0;
    QStringList unreadableNamed;
    QString note;
};

struct SettingsWorld : AppWorld {
    AppState state{platform, context()};
    SettingsModel settings{preferences};
    Service service;
    Log loginLog;
    LaunchAtLogin launchAtLogin{service, loginLog};
    FakeSync sync;
    int updateChecks = 0;

    bool trusted = true;
    std::unique_ptr<SettingsView> view(SyncStatus* syncStatus) {
        return std::make_unique<SettingsView>(SettingsView::Services{
            state, settings, launchAtLogin, clock, [this] { return trusted; }, syncStatus,
            [this] { ++updateChecks; }, QStringLiteral("1.0.0"), QString()});
    }
};
} // namespace

class SettingsShortcutsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyControlWritesItsKey() {
        SettingsWorld world;
        world.preferences.setValue(SettingsModel::appThemeKey, QString());
        auto view = world.view(&world.sync);
        view->show();
        // A stored theme that names none shows as "System".
        QCOMPARE(view->themePicker()->currentText(), "System");
        view->themePicker()->activated(1);
        QCOMPARE(world.preferences.value(SettingsModel::appThemeKey).toString(), "light");
        for (const QString& key : {SettingsModel::launchInMenuBarModeKey,
                                   SettingsModel::autoHideMenuBarWindowOnConfigActivationKey,
                                   SettingsModel::showMainWindowOnStatusBarClickKey}) {
            QCheckBox* toggle = view->preferenceToggle(key);
            QVERIFY2(toggle, qPrintable(key));
            QTest::mouseClick(toggle, Qt::LeftButton);
            QCOMPARE(world.preferences.boolValue(key, false), true);
            QTest::mouseClick(toggle, Qt::LeftButton);
            QCOMPARE(world.preferences.boolValue(key, true), false);
        }
        QCOMPARE(view->findChild<QLabel*>("version")->text(), "1.0.0");
        view->checkForUpdatesButton()->click();
        QCOMPARE(world.updateChecks, 1);
        QVERIFY(view->findChild<QWidget*>("updatesNotice"));
        // Its whole height, down to that button, is what the attached window grows to.
        QWidget* last = view->checkForUpdatesButton();
        QVERIFY(view->sizeHint().height() >= last->mapTo(view.get(), QPoint(0, last->height())).y());
    }

    // The switch flips back when the desktop refuses; the row under it says why, as plain text, until
    // a change goes through.
    void aRefusedLaunchAtLoginSaysWhy() {
        SettingsWorld world;
        auto view = world.view(&world.sync);
        view->show();
        QLabel* error = view->launchAtLoginError();
        QVERIFY(!error->isVisible());
        world.service.refusal =
            QStringLiteral("Could not create the folder /home/<b>me</b>/.config/autostart");
        QTest::mouseClick(view->launchAtLoginToggle(), Qt::LeftButton);
        QVERIFY(!view->launchAtLoginToggle()->isChecked());
        QVERIFY(error->isVisible());
        QCOMPARE(error->text(), "Could not turn launch at login on: " + *world.service.refusal);
        QCOMPARE(error->textFormat(), Qt::PlainText);
        QVERIFY(saveWidgetScreenshot(view.get(), QStringLiteral("settings-launch-at-login-refused")));

        world.service.refusal.reset();
        QTest::mouseClick(view->launchAtLoginToggle(), Qt::LeftButton);
        QVERIFY(view->launchAtLoginToggle()->isChecked());
        QVERIFY(!error->isVisible());
        world.service.refusal = QStringLiteral("Permission denied");
        QTest::mouseClick(view->launchAtLoginToggle(), Qt::LeftButton);
        QVERIFY(view->launchAtLoginToggle()->isChecked());
        QCOMPARE(error->text(), "Could not turn launch at login off: Permission denied");
    }

    void syncFolderStates_data() {
        QTest::addColumn<SyncStatus::AccountStatus>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("canSync");
        QTest::addColumn<QString>("folder");
        using S = SyncStatus::AccountStatus;
        QTest::newRow("ready") << S::available << "Sync Folder Ready" << true << "Shared folder: ";
        QTest::newRow("none") << S::noAccount << "No Sync Folder" << false
                              << "share this folder with a file-sync service (Syncthing, Nextcloud, Dropbox)";
        QTest::newRow("read-only") << S::restricted << "Sync Folder Read-Only" << false << "cannot write";
        QTest::newRow("unavailable") << S::temporarilyUnavailable << "Sync Folder Unavailable" << false
                                     << "cannot read";
        QTest::newRow("error") << S::couldNotDetermine << "Error" << false << "cannot read";
        QTest::newRow("other") << S(9) << "Unknown" << false << "Shared folder: ";
    }
    void syncFolderStates() {
        QFETCH(SyncStatus::AccountStatus, status);
        QFETCH(QString, text);
        QFETCH(bool, canSync);
        QFETCH(QString, folder);
        SettingsWorld world;
        world.sync.status = status;
        auto view = world.view(&world.sync);
        view->show();
        QCOMPARE(view->findChild<QLabel*>("accountStatus")->text(), text);
        QCOMPARE(view->syncNowButton()->isEnabled(), canSync);
        // The folder is named with its state, so that "No Sync Folder" says what to share.
        const QString shown = view->findChild<QLabel*>("syncFolder")->text();
        QVERIFY2(shown.contains(folder) && shown.contains("~/.local/share/quarlin/sync"), qPrintable(shown));
        view->resize(620, 1100);
        QVERIFY(saveWidgetScreenshot(view.get(), QStringLiteral("settings-sync-") + QTest::currentDataTag()));
    }

    // Where windows cannot be moved, the tab names what is missing, as the home tab does.
    void theAccessibilityRowNamesWhatIsMissing() {
        SettingsWorld world;
        world.trusted = false;
        auto view = world.view(&world.sync);
        view->show();
        QVERIFY(!view->accessibilityEnabledRow()->isVisible());
        QCOMPARE(view->findChild<QLabel*>("windowControlProblem")->text(), WindowControlProblem::title());
        world.trusted = true;
        view->findChild<QPushButton*>()->click();
        QVERIFY(view->accessibilityEnabledRow()->isVisible());
    }

    void manualSyncReportsWhatReallyHappened() {
        SettingsWorld world;
        auto view = world.view(&world.sync);
        view->show();
        for (bool fail : {false, true}) {
            world.sync.fail = fail;
            const int version = world.state.configurationDataVersion();
            view->syncNowButton()->click();
            QCOMPARE(view->syncStatusText(), "Syncing...");
            QVERIFY(!view->syncNowButton()->isEnabled());
            QVERIFY(view->syncSpinner()->isVisible());
            if (!fail) {
                view->resize(620, 1100);
                QVERIFY(saveWidgetScreenshot(view.get(), QStringLiteral("settings-sync-syncing")));
            }
            world.clock.advance(0.9);
            QCOMPARE(view->syncStatusText(), "Syncing...");
            world.clock.advance(0.1);
            QCOMPARE(view->syncStatusText(), fail ? "Error" : "Synced");
            QCOMPARE(world.state.configurationDataVersion(), version + (fail ? 0 : 1));
            QVERIFY(view->syncNowButton()->isEnabled());
            QVERIFY(!view->syncSpinner()->isVisible());
            QVERIFY(saveWidgetScreenshot(view.get(),
                                         QStringLiteral("settings-sync-") + (fail ? "failed" : "synced")));
            QTRY_COMPARE(view->syncNowButton()->drawnScale(), 1.0);
        }
        QCOMPARE(world.sync.syncs, 2);
        // Leaving the tab at once drops the view, not the sync.
        world.sync.fail = false;
        const int version = world.state.configurationDataVersion();
        view->syncNowButton()->click();
        view.reset();
        world.clock.advance(1.0);
        QCOMPARE(world.sync.syncs, 3);
        QCOMPARE(world.state.configurationDataVersion(), version + 1);
        // Without sync the section says so and never offers a sync.
        auto none = world.view(nullptr);
        none->show();
        QCOMPARE(none->accountStatusText(), "No Sync Folder");
        QVERIFY(!none->syncNowButton()->isEnabled());
    }

    // Automatic rounds that fail, and files that could not be read, show without "Sync Now".
    void automaticFailuresAndSkippedFilesAreShown() {
        SettingsWorld world;
        world.sync.outcome = SyncStatus::Outcome::failed;
        world.sync.error = QStringLiteral("/sync/ConfigurationGroup/X.json: No space left on device");
        auto view = world.view(&world.sync);
        view->show();
        QCOMPARE(view->syncStatusText(), "Error");
        QCOMPARE(view->syncProblemText(),
                 "Last sync failed: /sync/ConfigurationGroup/X.json: No space left on device");
        view->resize(560, 900);
        QVERIFY(saveWidgetScreenshot(view.get(), QStringLiteral("settings-sync-failed")));

        world.sync.outcome = SyncStatus::Outcome::synced;
        world.sync.unreadable = 3;
        Q_EMIT world.sync.changed();
        QCOMPARE(view->syncStatusText(), "Synced");
        QCOMPARE(view->syncProblemText(), "3 files in the sync folder could not be read and were skipped.");
        world.sync.unreadableNamed = {QStringLiteral("/sync/SavedApp: Permission denied")};
        Q_EMIT world.sync.changed();
        QCOMPARE(view->syncProblemText(), "3 files in the sync folder could not be read and were skipped.\n"
                                          "/sync/SavedApp: Permission denied");
        world.sync.unreadableNamed.clear();
        world.sync.unreadable = 0;
        world.sync.note = QStringLiteral("<b>Another machine</b> deleted 5 configurations.");
        Q_EMIT world.sync.changed();
        QCOMPARE(view->syncProblemText(), world.sync.note);
        world.sync.note.clear();
        Q_EMIT world.sync.changed();
        QCOMPARE(view->syncProblemText(), QString());
        QVERIFY(!view->findChild<QLabel*>("syncProblem")->isVisible());
    }

    void shortcutsTabOffersFiveRecordersOrItsFallback() {
        AppWorld world;
        bool available = false;
        int tests = 0;
        ShortcutsView view([&] {
            ++tests;
            return available;
        });
        // Without the component's texts no recorder is made (one would end the program): the box shows.
        view.show();
        QVERIFY(view.fallbackBox()->isVisible());
        QVERIFY(view.recorders().isEmpty());
        // "Retry" tests again, and shows the form only once the texts are there.
        QPushButton* retry = view.fallbackBox()->findChild<QPushButton*>();
        retry->click();
        QVERIFY(view.fallbackBox()->isVisible());
        QVERIFY(view.recorders().isEmpty());
        available = true;
        retry->click();
        QCOMPARE(tests, 3);
        QVERIFY(!view.fallbackBox()->isVisible());
        const QList<KeyboardShortcuts::Recorder*> recorders = view.recorders();
        QStringList rows;
        for (KeyboardShortcuts::Recorder* recorder : recorders)
            rows << recorder->label()->text() + " " + recorder->name().rawValue();
        QCOMPARE(rows, QStringList({"Activate Current Group: activateCurrentGroup",
                                    "Cycle Through Configurations: cycleConfigurations",
                                    "Cycle Configurations Backwards: cycleConfigurationsBackward",
                                    "Cycle Position Groups: cyclePositionGroups",
                                    "Toggle Menu Bar: toggleMenuBar"}));
        QVERIFY(recorders.first()->isVisible());
        // The test runs again at every show.
        available = false;
        view.hide();
        view.show();
        QVERIFY(view.fallbackBox()->isVisible());
        QVERIFY(!recorders.first()->isVisible());
        // The real test looks for the shortcut component's own texts, which this build carries.
        QVERIFY(ShortcutsView::shortcutTextsFound());

        // A shortcut another program holds is told in its row, and only there.
        const KeyboardShortcuts::Shortcut taken(KeyboardShortcuts::Key::g,
                                                KeyboardShortcuts::ModifierFlag::control);
        world.hotKeys.takenByOthers.insert({taken.carbonKeyCode(), taken.carbonModifiers()});
        QVERIFY(!world.registry.setShortcut(taken, recorders.last()->name()));
        available = true;
        view.hide();
        view.resize(600, 720);
        view.show();
        QVERIFY(recorders.last()->notice()->isVisible());
        QVERIFY(!recorders.first()->notice()->isVisible());
        QVERIFY(saveWidgetScreenshot(&view, QStringLiteral("shortcuts-taken-by-another-program")));
    }
};

QTEST_MAIN(SettingsShortcutsTest)
#include "SettingsShortcutsTest.moc"
