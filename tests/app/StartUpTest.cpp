// Start-up: the store container, the delegate's steps around launching, the steps when the main
// window's content first appears, their order in and out of menu-bar mode, and the theme fall-backs.
#include "AppWorld.h"
#include "Fakes.h"

#include "app/QuarlinApp.h"

#include <QFile>

namespace {

class CountingUpdater : public UpdaterController {
public:
    void checkForUpdates(QObject* sender) override {
        ++checks;
        lastSender = sender;
    }
    int checks = 0;
    QObject* lastSender = reinterpret_cast<QObject*>(1);
};

struct StartWorld : AppWorld {
    QStringList journal;
    FakeShell shell{journal};
    FakeWindow main{journal, "main"};
    FakeWindow other{journal, "other"};
    FakeWindow panel{journal, "panel"};
    std::unique_ptr<QuarlinApp> app;
    int menuBarsMade = 0;

    StartWorld() {
        panel.windowLevel = WindowLevel::floating();
        shell.windowList = {&panel, &main, &other};
    }

    // The entry over this world's store; the menu-bar manager records into the journal.
    QuarlinApp& make(std::unique_ptr<UpdaterController> updater = nullptr) {
        app = std::make_unique<QuarlinApp>(platform, std::move(container), &shell, std::move(updater));
        app->setMenuBarFactory([this](AppState&, ModelContainer&) -> std::unique_ptr<MenuBarManaging> {
            ++menuBarsMade;
            return std::make_unique<FakeMenuBar>(journal);
        });
        return *app;
    }

    void start() {
        app->start([this] {
            journal << "scene shown";
            app->mainContentDidAppear();
        });
    }

    QString selectedName() const { return configurationName(app->appState().selectedConfigurationID()); }
};

} // namespace

class StartUpTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsInAWindow() {
        StartWorld w;
        w.configuration("Older", 10, 3);
        w.configuration("Recent", 20, 1);
        w.configuration("Never", 1);
        QuarlinApp& app = w.make();
        QCOMPARE(app.appState().modelContext(), nullptr);
        w.start();
        QCOMPARE(w.journal, QStringList({"appearance dark", "scene shown"}));
        QCOMPARE(app.appState().modelContext(), app.sharedModelContainer().mainContext());
        QVERIFY(app.appState().menuBarManager());
        QCOMPARE(w.selectedName(), "Recent");
        w.clock.runAll();
        QCOMPARE(w.journal, QStringList({"appearance dark", "scene shown", "appearance dark",
                                         "refresh window 0", "refresh window 1", "refresh window 2",
                                         "attempts 0", "enforceStatusBarAppearance"}));
        QCOMPARE(w.clock.now(), 0.0);
    }

    void startsInMenuBarMode() {
        StartWorld w;
        w.preferences.setValue(SettingsModel::launchInMenuBarModeKey, true);
        w.make();
        w.start();
        // Content shown: the first ordinary window goes, visible or not.
        QCOMPARE(w.journal, QStringList({"appearance dark", "scene shown", "main alpha 0", "main orderOut"}));
        QVERIFY(w.app->appState().selectedConfigurationID().isEmpty());
        w.journal.clear();
        w.clock.runDue();
        // Next turn: the delegate hides every ordinary window still visible; then the look.
        QCOMPARE(w.journal, QStringList({"other alpha 0", "other orderOut", "appearance dark",
                                         "refresh window 0", "refresh window 1", "refresh window 2",
                                         "attempts 0", "enforceStatusBarAppearance"}));
        w.journal.clear();
        QCOMPARE(w.clock.pendingDeadlines(), QList<double>{0.2});
        w.clock.runAll();
        QCOMPARE(w.journal, QStringList{"showAttachedWindowForLaunch"});
    }

    void menuBarModeWithoutManagerAttachesNothing() {
        StartWorld w;
        w.preferences.setValue(SettingsModel::launchInMenuBarModeKey, true);
        w.make();
        w.app->setMenuBarFactory({});
        w.start();
        w.clock.runAll();
        QVERIFY(!w.journal.contains("showAttachedWindowForLaunch"));
        QCOMPARE(w.clock.now(), 0.2);
    }

    // Each row: the stored value, then the look set before launching and at the first appearance.
    void themeFallBacks_data() {
        QTest::addColumn<QJsonValue>("stored");
        QTest::addColumn<QStringList>("appearances");
        QTest::newRow("system") << QJsonValue("system") << QStringList{"appearance none", "appearance none"};
        QTest::newRow("light") << QJsonValue("light") << QStringList{"appearance light", "appearance light"};
        QTest::newRow("unknown") << QJsonValue("purple") << QStringList{"appearance dark", "appearance none"};
        QTest::newRow("wrong case") << QJsonValue("Light")
                                    << QStringList{"appearance dark", "appearance none"};
        QTest::newRow("not a text") << QJsonValue(true) << QStringList{"appearance dark", "appearance dark"};
    }
    void themeFallBacks() {
        QFETCH(QJsonValue, stored);
        QFETCH(QStringList, appearances);
        StartWorld w;
        w.preferences.setValue(SettingsModel::appThemeKey, stored);
        w.make();
        w.start();
        w.clock.runAll();
        QCOMPARE(w.journal.filter("appearance"), appearances);
    }

    void themeChangesFollowThePreference() {
        StartWorld w;
        w.make();
        w.start();
        w.clock.runAll();
        w.journal.clear();
        w.preferences.setValue(SettingsModel::appThemeKey, QStringLiteral("light"));
        w.preferences.setValue(SettingsModel::appThemeKey, QStringLiteral("light"));
        w.clock.runAll();
        w.app->settings().setAppTheme(QStringLiteral("nonsense"));
        w.clock.runAll();
        QCOMPARE(w.journal.filter("appearance"), QStringList({"appearance light", "appearance none"}));
        // Other keys are not the look.
        w.journal.clear();
        w.preferences.setValue(SettingsModel::launchAtLoginKey, true);
        w.clock.runAll();
        QVERIFY(w.journal.isEmpty());
    }

    void contentShownAnewRunsTheStepsAgainButMakesOneManager() {
        StartWorld w;
        w.configuration("First", 5, 2);
        w.make();
        w.start();
        QCOMPARE(w.selectedName(), "First");
        w.app->appState().setSelectedConfigurationID(QString());
        w.configuration("Second", 1, 1);
        w.app->mainContentDidAppear();
        QCOMPARE(w.menuBarsMade, 1);
        QCOMPARE(w.selectedName(), "Second");
    }

    void anEmptyStoreLeavesTheSelectionAlone() {
        StartWorld w;
        w.make();
        w.app->appState().setSelectedConfigurationID(QStringLiteral("kept"));
        w.start();
        QCOMPARE(w.app->appState().selectedConfigurationID(), "kept");
    }

    void theUpdateCommandReachesTheUpdater() {
        StartWorld w;
        auto updater = std::make_unique<CountingUpdater>();
        CountingUpdater* seen = updater.get();
        w.make(std::move(updater));
        w.app->checkForUpdates();
        w.app->appDelegate().checkForUpdates(w.app.get());
        QCOMPARE(seen->checks, 2);
        QCOMPARE(seen->lastSender, w.app.get());
        QVERIFY(!w.app->appDelegate().applicationShouldTerminateAfterLastWindowClosed());
    }

    void anUnusableStoreStopsWithItsMessage() {
        AppWorld w;
        const QString path = w.dir.filePath(QStringLiteral("junk.sqlite"));
        QFile junk(path);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        QString message;
        QVERIFY(!QuarlinApp::makeSharedModelContainer(path, w.clock, &message));
        QVERIFY2(message.startsWith(QStringLiteral("Could not create ModelContainer: ")),
                 qPrintable(message));
        QVERIFY(message.size() > 34);
        // The file is left as it was.
        QVERIFY(junk.open(QIODevice::ReadOnly));
        QCOMPARE(junk.readAll(), QByteArray(4096, 'x'));
    }
};

QTEST_GUILESS_MAIN(StartUpTest)
#include "StartUpTest.moc"
