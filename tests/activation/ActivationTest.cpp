// Activating a configuration from its row and placing it again after a rearrangement: the console
// lines of both rows, when launches and placements run, the hand-over to the missing-applications
// dialog, partial activation, the saved activation time and the row's own triggers.
#include "ActivationWorld.h"

#include "store/Database.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ConfigurationActivator::Variant)

namespace {

using Variant = ConfigurationActivator::Variant;

const QString notes = QStringLiteral("org.example.Notes");
const QString mail = QStringLiteral("org.example.Mail");
const QString music = QStringLiteral("org.example.Music");
const QString ghost = QStringLiteral("org.example.Ghost");

QString opened(const QString& time, const QString& id) {
    return time + QStringLiteral(" open /usr/share/applications/") + id +
           QStringLiteral(".desktop activates");
}
QString placed(const QString& time, const QString& id) {
    return time + QStringLiteral(" activate ") + id + QStringLiteral(" all windows");
}

// The first line of activating "Work" with no group chosen, from each row.
const QString applying =
    QStringLiteral("🚀 Applying configuration: Work with position group: default positions");
const QString menuApplying =
    QStringLiteral("🚀 MinimizedView: Applying configuration: Work with position group: default positions");

} // namespace

class ActivationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void launchesWaitsThenPlacesWithTheRowsStagger_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QStringList>("atCall");
        QTest::addColumn<QStringList>("later");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("main window")
            << Variant::mainWindow
            << QStringList{applying,
                           "✅ App Notes is already running",
                           "🚀 App Mail is not running - will launch first",
                           "✅ App Music is already running",
                           "🚀 Launching 1 apps...",
                           "✅ Configuration Work will be applied with position group default positions",
                           "⏳ Waiting for 1 apps to launch before positioning...",
                           "scroll",
                           "autoHide"}
            << QStringList{"🚀 Launching Mail",
                           "📌 Positioning Notes at topLeft using group default positions",
                           "📌 Positioning Mail at rightHalf using group default positions",
                           "📌 Positioning Music at bottomRight using group default positions",
                           "summon org.example.Notes",
                           "summon org.example.Mail",
                           "summon org.example.Music"}
            << QStringList{opened("0.00", mail), placed("2.00", notes), placed("2.01", mail),
                           placed("2.02", music)};
        QTest::newRow("menu bar") << Variant::menuBar << QStringList{menuApplying, "scroll", "autoHide"}
                                  << QStringList{"summon org.example.Notes", "summon org.example.Mail",
                                                 "summon org.example.Music"}
                                  << QStringList{opened("0.00", mail), placed("2.00", notes),
                                                 placed("2.02", mail), placed("2.04", music)};
    }
    void launchesWaitsThenPlacesWithTheRowsStagger() {
        QFETCH(Variant, variant);
        QFETCH(QStringList, atCall);
        QFETCH(QStringList, later);
        QFETCH(QStringList, events);
        ActivationWorld w;
        w.running(notes, "Notes");
        w.desktop.install(mail, "Mail");
        w.running(music, "Music");
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::topLeft},
                                                            {mail, "Mail", Corner::rightHalf},
                                                            {music, "Music", Corner::bottomRight}});
        w.activator(variant, work).applyConfigurationWithSelectedGroup();
        QCOMPARE(w.ownLines(), atCall);
        // Recorded at once, before anything moved.
        QCOMPARE(work->lastActivatedAt(), std::optional(w.clock.currentDateTime()));
        QCOMPARE(w.clock.pendingDeadlines(), QList<double>({0.0, 2.0}));
        w.clock.advance(2.1);
        QCOMPARE(w.ownLines(), later);
        QCOMPARE(w.events(), events);
        QCOMPARE(w.desktop.application(mail)->windows.front().position, Point(720, 0));
    }

    // Each row: how the configuration with a missing application is started, whether the user already
    // agreed to go on without it, and the lines at the call.
    void missingApplicationsAreHandedToTheDialog_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("agreed");
        QTest::addColumn<QStringList>("lines");
        const QString found = "⚠️ Found 1 missing apps in configuration: Work";
        const QString selected = "📱 Auto-selected configuration: Work on activation";
        QTest::newRow("activation") << Variant::mainWindow << "apply" << false
                                    << QStringList{applying, found};
        QTest::newRow("menu bar activation")
            << Variant::menuBar << "apply" << false << QStringList{menuApplying, found};
        QTest::newRow("button") << Variant::mainWindow << "button" << false
                                << QStringList{selected, applying, found};
        QTest::newRow("menu bar button: the row checks first")
            << Variant::menuBar << "button" << false << QStringList{found};
        QTest::newRow("menu bar button, agreed")
            << Variant::menuBar << "button" << true
            << QStringList{selected,
                           menuApplying,
                           "🔄 Menu Bar: Continuing with partial activation, skipping 1 missing apps",
                           "⏭️ Menu Bar: Skipping missing app: Ghost",
                           "scroll",
                           "autoHide"};
        QTest::newRow("menu bar re-application")
            << Variant::menuBar << "reapply" << false << QStringList{found};
        // The main window's re-application tries to start it, and the engine finds nothing to place.
        QTest::newRow("re-application")
            << Variant::mainWindow << "reapply" << false
            << QStringList{"🚀 Auto-applying swapped configuration: Work",
                           "🚀 App Ghost is not running - will launch first",
                           "✅ App Notes is already running",
                           "🚀 Launching 1 apps...",
                           "✅ Swapped configuration Work will be applied automatically",
                           "⏳ Waiting for 1 apps to launch before positioning..."};
    }
    void missingApplicationsAreHandedToTheDialog() {
        QFETCH(Variant, variant);
        QFETCH(QString, how);
        QFETCH(bool, agreed);
        QFETCH(QStringList, lines);
        ActivationWorld w;
        w.running(notes, "Notes");
        ConfigurationGroup* work = w.configuration(
            "Work", {{ghost, "Ghost", Corner::leftHalf}, {notes, "Notes", Corner::rightHalf}});
        w.state.setShouldContinueWithPartialActivation(agreed);
        ConfigurationActivator activator = w.activator(variant, work);
        if (how == "apply")
            activator.applyConfigurationWithSelectedGroup();
        else if (how == "button")
            activator.activateFromRow();
        else
            activator.applyConfigurationImmediately();
        QCOMPARE(w.ownLines(), lines);
        const bool handed = lines.last().startsWith("⚠️");
        QCOMPARE(w.state.showMissingAppModal(), handed);
        QCOMPARE(w.state.selectedConfigurationID(),
                 lines.first().startsWith("📱") ? uuidString(work->id()) : QString());
        if (!handed)
            return;
        QCOMPARE(w.state.missingAppsToShow().size(), 1);
        QCOMPARE(w.state.missingAppsToShow()[0].bundleID, ghost);
        QCOMPARE(w.state.missingAppsToShow()[0].configurationName, QStringLiteral("Work"));
        QCOMPARE(w.state.configurationForPartialActivation(), work);
        QCOMPARE(work->lastActivatedAt(), std::nullopt);
        QCOMPARE(w.clock.pendingCount(), 0);
    }

    void partialActivationSkipsMissingAppsWithoutTakingAStaggerSlot_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("main window")
            << Variant::mainWindow
            << QStringList{"🔄 ConfigRow: Triggering partial activation for Work",
                           "🔄 Continuing with partial activation, skipping 1 missing apps",
                           "⏭️ Skipping missing app: Ghost",
                           "⏭️ Skipping positioning for missing app: Ghost"}
            << QStringList{placed("0.00", notes), placed("0.01", music)};
        QTest::newRow("menu bar")
            << Variant::menuBar
            << QStringList{"🔄 MinimizedRow: Triggering partial activation for Work",
                           "🔄 Menu Bar: Continuing with partial activation, skipping 1 missing apps",
                           "⏭️ Menu Bar: Skipping missing app: Ghost",
                           "⏭️ Menu Bar: Skipping positioning for missing app: Ghost"}
            << QStringList{placed("0.00", notes), placed("0.02", music)};
    }
    void partialActivationSkipsMissingAppsWithoutTakingAStaggerSlot() {
        QFETCH(Variant, variant);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, events);
        ActivationWorld w;
        w.running(notes, "Notes");
        w.running(music, "Music");
        ConfigurationGroup* work = w.configuration("Work", {{ghost, "Ghost", Corner::leftHalf},
                                                            {notes, "Notes", Corner::rightHalf},
                                                            {music, "Music", Corner::topLeft}});
        ConfigurationActivator activator = w.activator(variant, work);
        activator.applyConfigurationWithSelectedGroup(SimWorld::laptop());
        // The dialog's continue.
        w.state.setShowMissingAppModal(false);
        w.state.triggerPartialActivationNow();
        w.log.clear();
        activator.triggerPartialActivationIfPending();
        w.clock.advance(0.1);
        QCOMPARE(w.ownLines().filter(QRegularExpression("Skipping|Continuing|Triggering")), lines);
        QCOMPARE(w.events(), events);
        QVERIFY(!w.state.triggerPartialActivation());
        QVERIFY(work->lastActivatedAt());
    }

    void theAgreedPartialActivationIsSpentByWhicheverActivationRunsFirst() {
        ActivationWorld w;
        w.running(notes, "Notes");
        ConfigurationGroup* waiting = w.configuration("Waiting", {{ghost, "Ghost", Corner::leftHalf}});
        ConfigurationGroup* other = w.configuration("Other", {{notes, "Notes", Corner::leftHalf}});
        w.state.setConfigurationForPartialActivation(waiting);
        w.state.setShouldContinueWithPartialActivation(true);
        w.activator(Variant::mainWindow, other).applyConfigurationWithSelectedGroup(SimWorld::laptop());
        QCOMPARE(w.ownLines().at(1), "🔄 Continuing with partial activation, skipping 0 missing apps");
        QVERIFY(!w.state.shouldContinueWithPartialActivation());
        QCOMPARE(w.state.configurationForPartialActivation(), nullptr);

        // Another row's configuration is not this row's business.
        w.state.setConfigurationForPartialActivation(waiting);
        w.state.setTriggerPartialActivation(true);
        w.activator(Variant::mainWindow, other).triggerPartialActivationIfPending();
        QVERIFY(w.state.triggerPartialActivation());
        QVERIFY(w.ownLines().isEmpty());
    }

    void launchesRunEveryTenthOfASecondAndTheWaitCountsFromTheCall() {
        ActivationWorld w;
        QList<AppSpec> apps;
        for (int i = 1; i <= 22; ++i) {
            w.desktop.install(QStringLiteral("org.example.App%1").arg(i), QStringLiteral("App%1").arg(i));
            apps.append({QStringLiteral("org.example.App%1").arg(i), QStringLiteral("App%1").arg(i),
                         Corner::fullScreen});
        }
        w.activator(Variant::mainWindow, w.configuration("Many", apps))
            .applyConfigurationWithSelectedGroup(SimWorld::laptop());
        const QList<double> deadlines = w.clock.pendingDeadlines();
        for (int i = 0; i < 20; ++i)
            QCOMPARE(deadlines[i], i * 0.1);
        QCOMPARE(deadlines.mid(20), QList<double>({2.0, 2.0, 2.1}));
        w.log.clear();
        w.clock.advance(2.0);
        // The 21st launch is due with the positioning step and runs just ahead of it; the 22nd comes
        // after placement has begun.
        const QStringList lines = w.ownLines();
        QCOMPARE(lines.indexOf("🚀 Launching App21"), 20);
        QCOMPARE(lines.indexOf("📌 Positioning App1 at fullScreen using group default positions"), 21);
        QVERIFY(!lines.contains("🚀 Launching App22"));
        w.clock.advance(0.1);
        QCOMPARE(w.events().filter(" open ").size(), 22);
    }

    // Each row: the shared state's entry ("" none, else a group's name or "deleted"), the row's own
    // choice (likewise) and the group used.
    void theCurrentPositionGroup_data() {
        QTest::addColumn<QStringList>("choice");
        QTest::newRow("nothing chosen: default") << QStringList{"", "", "Default"};
        QTest::newRow("row's own choice") << QStringList{"", "Wide", "Wide"};
        QTest::newRow("shared state first") << QStringList{"Tall", "Wide", "Tall"};
        QTest::newRow("shared entry for a deleted group: default")
            << QStringList{"deleted", "Wide", "Default"};
        QTest::newRow("row's choice of a deleted group: default") << QStringList{"", "deleted", "Default"};
    }
    void theCurrentPositionGroup() {
        QFETCH(QStringList, choice);
        ActivationWorld w;
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::topLeft}});
        QHash<QString, QString> ids{{"deleted", uuidString(QUuid::createUuid())}};
        for (const QString name : {"Wide", "Default", "Tall"})
            ids.insert(
                name,
                uuidString(ActivationWorld::group(work, name, {Corner::leftHalf}, name == "Default")->id()));
        if (!choice[0].isEmpty())
            w.state.setSelectedPositionGroup(uuidString(work->id()), ids.value(choice[0]));
        w.localGroupID = ids.value(choice[1]);
        ConfigurationActivator activator = w.activator(Variant::mainWindow, work);
        QCOMPARE(activator.currentPositionGroup()->name(), choice[2]);
        activator.applyConfigurationWithSelectedGroup(SimWorld::laptop());
        QCOMPARE(w.ownLines().first(), "🚀 Applying configuration: Work with position group: " + choice[2]);
    }

    void eachApplicationGoesToItsGroupPositionElseItsOwn() {
        ActivationWorld w;
        for (const char* name : {"Notes", "Mail", "Music"})
            w.running(QStringLiteral("org.example.") + name, name);
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::topLeft},
                                                            {mail, "Mail", Corner::bottomLeft},
                                                            {music, "Music", Corner::topLeft}});
        work->configurationList()[2]->setSavedCorner("nowhere");
        work->configurationList()[0]->setSavedMarginX(20);
        PositionGroup* left = ActivationWorld::group(work, "Split", {Corner::rightHalf}, true);
        {
            // The row may be gone before its deferred steps run.
            ConfigurationActivator row = w.activator(Variant::mainWindow, work);
            row.applyConfigurationWithSelectedGroup(SimWorld::laptop());
        }
        // The group is fixed when the activation starts, and nothing moves before the call has returned.
        left->setName("Renamed");
        QVERIFY(w.events().isEmpty());
        w.clock.advance(1);
        QCOMPARE(w.ownLines().filter("📌"),
                 QStringList({"📌 Positioning Notes at rightHalf using group Split",
                              "📌 Positioning Mail at bottomLeft using group Split",
                              "📌 Positioning Music at topRight using group Split"}));
        // The own margins go with the request.
        QCOMPARE(w.desktop.application(notes)->windows.front().position, Point(700, 0));
        QCOMPARE(w.desktop.application(notes)->windows.front().size, Size(720, 875));
    }

    void anActivationFromTheDisplayMenuUsesThatDisplay() {
        ActivationWorld w;
        w.desktop.setScreens({SimWorld::laptop(), SimWorld::above()});
        WindowOn window(SimWorld::laptop());
        w.state.setMainWindow(&window);
        w.running(notes, "Notes");
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::fullScreen}});
        ConfigurationActivator activator = w.activator(Variant::mainWindow, work);
        activator.activateOnDisplay(SimWorld::above());
        QCOMPARE(w.state.selectedConfigurationID(), uuidString(work->id()));
        w.clock.advance(1);
        const SimWindow& placedWindow = w.desktop.application(notes)->windows.front();
        QCOMPARE(placedWindow.size, Size(1920, 1080));
        // Without a display from the menu: the main window's display.
        activator.applyConfigurationWithSelectedGroup();
        w.clock.advance(1);
        QCOMPARE(placedWindow.size, Size(1440, 875));
        QCOMPARE(placedWindow.position, Point(0, 1080));
    }

    void changingTheRowsGroupReactivatesTheSelectedConfiguration() {
        ActivationWorld w;
        w.running(notes, "Notes");
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::topLeft}});
        ConfigurationGroup* empty = w.configuration("Empty", {});
        const QString wideID = uuidString(ActivationWorld::group(work, "Wide", {Corner::fullScreen})->id());
        ConfigurationActivator main = w.activator(Variant::mainWindow, work);
        ConfigurationActivator menu = w.activator(Variant::menuBar, work);

        // Not the selected configuration, initialising, the same or no value, no applications: nothing.
        main.positionGroupSelectionChanged("", wideID, false);
        w.state.setSelectedConfigurationID(uuidString(work->id()));
        main.positionGroupSelectionChanged("", wideID, true);
        main.positionGroupSelectionChanged(wideID, wideID, false);
        main.positionGroupSelectionChanged(wideID, "", false);
        w.state.setSelectedConfigurationID(uuidString(empty->id()));
        w.activator(Variant::mainWindow, empty).positionGroupSelectionChanged("", wideID, false);
        QVERIFY(w.ownLines().isEmpty());
        QCOMPARE(w.clock.pendingCount(), 0);

        w.state.setSelectedConfigurationID(uuidString(work->id()));
        w.localGroupID = wideID;
        main.positionGroupSelectionChanged("", wideID, false);
        menu.positionGroupSelectionChanged(wideID, "not a group", false);
        QCOMPARE(w.ownLines(),
                 QStringList({"🔄 Position group changed to: Wide - auto-activating SELECTED configuration",
                              "🔄 MinimizedView: Position group changed to: Unknown - auto-activating "
                              "SELECTED configuration"}));
        QCOMPARE(w.clock.pendingDeadlines(), QList<double>({0.1, 0.1}));
        w.clock.advance(0.1);
        QCOMPARE(w.ownLines().filter("Applying"),
                 QStringList({"🚀 Applying configuration: Work with position group: Wide",
                              "🚀 MinimizedView: Applying configuration: Work with position group: Wide"}));
        // Another configuration selected before the step runs: the step runs all the same; a deleted
        // configuration stops it.
        main.positionGroupSelectionChanged("", wideID, false);
        w.state.setSelectedConfigurationID(uuidString(empty->id()));
        w.clock.advance(0.1);
        QCOMPARE(w.ownLines().filter("Applying"),
                 QStringList({"🚀 Applying configuration: Work with position group: Wide"}));
        w.state.setSelectedConfigurationID(uuidString(work->id()));
        main.positionGroupSelectionChanged("", wideID, false);
        w.owned.front().reset(); // work, deleted
        w.clock.advance(0.1);
        QCOMPARE(w.ownLines().filter("Applying"), QStringList());

        // Activated directly, a configuration without applications is still recorded.
        w.state.setSelectedConfigurationID(uuidString(empty->id()));
        w.activator(Variant::menuBar, empty).applyConfigurationWithSelectedGroup();
        QVERIFY(empty->lastActivatedAt());
    }

    // Saved (or not) before the row scrolls and the menu-bar window hides, and before any placement;
    // either way the new time stays on the object and the windows are placed.
    void theActivationTimeIsSavedThroughTheConfigurationsStore_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("saved");
        QTest::newRow("main window") << Variant::mainWindow
                                     << "💾 MainView: Persisted lastActivatedAt for Work";
        QTest::newRow("menu bar") << Variant::menuBar << "💾 MinimizedRow: Persisted lastActivatedAt for Work";
        QTest::newRow("menu bar, refused by the file") << Variant::menuBar << "";
    }
    void theActivationTimeIsSavedThroughTheConfigurationsStore() {
        QFETCH(Variant, variant);
        QFETCH(QString, saved);
        QTemporaryDir dir;
        const QString path = dir.filePath("quarlin.sqlite");
        ActivationWorld w;
        w.running(notes, "Notes");
        QString error;
        auto container = ModelContainer::open(path, w.clock, &error);
        QVERIFY2(container, qPrintable(error));
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::topLeft}});
        container->mainContext()->insert(w.owned.back().release());
        QVERIFY(container->mainContext()->save());
        if (saved.isEmpty())
            QVERIFY(Database::open(path, false, &error)
                        ->execute("CREATE TRIGGER refuse BEFORE UPDATE ON ConfigurationGroup "
                                  "BEGIN SELECT RAISE(ABORT, 'refused by test'); END"));

        w.activator(variant, work).applyConfigurationWithSelectedGroup(SimWorld::laptop());
        const QStringList lines = w.ownLines();
        QCOMPARE(lines.mid(lines.size() - 2), QStringList({"scroll", "autoHide"}));
        const QString result = lines.at(lines.size() - 3);
        QCOMPARE(work->lastActivatedAt(), std::optional(w.clock.currentDateTime()));
        w.clock.runDue();
        QCOMPARE(w.events(), QStringList{placed("0.00", notes)});
        if (saved.isEmpty()) {
            QVERIFY2(result.startsWith("❌ MinimizedRow: Failed to persist lastActivatedAt: ") &&
                         result.contains("refused by test"),
                     qPrintable(result));
            return;
        }
        QCOMPARE(result, saved);
        auto reopened = ModelContainer::open(path, w.clock, &error);
        QVERIFY2(reopened, qPrintable(error));
        QCOMPARE(reopened->mainContext()->fetch<ConfigurationGroup>().at(0)->lastActivatedAt(),
                 std::optional(w.clock.currentDateTime()));
    }

    void theReapplicationRecordsNothing_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("main window") << Variant::mainWindow
                                     << QStringList{"🚀 Launching Mail", "📌 Positioning Notes at leftHalf",
                                                    "📌 Positioning Mail at rightHalf",
                                                    "summon org.example.Notes", "summon org.example.Mail"};
        QTest::newRow("menu bar") << Variant::menuBar
                                  << QStringList{"summon org.example.Notes", "summon org.example.Mail"};
    }
    void theReapplicationRecordsNothing() {
        QFETCH(Variant, variant);
        QFETCH(QStringList, lines);
        ActivationWorld w;
        w.running(notes, "Notes");
        w.desktop.install(mail, "Mail");
        ConfigurationGroup* work =
            w.configuration("Work", {{notes, "Notes", Corner::leftHalf}, {mail, "Mail", Corner::rightHalf}});
        w.activator(variant, work).applyConfigurationImmediately();
        const int atCall = w.ownLines().size();
        QCOMPARE(atCall, variant == Variant::mainWindow ? 6 : 0);
        w.clock.advance(2.1);
        QCOMPARE(w.ownLines(), lines);
        QCOMPARE(w.events(),
                 QStringList({opened("0.00", mail), placed("2.00", notes), placed("2.01", mail)}));
        QCOMPARE(work->lastActivatedAt(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(ActivationTest)
#include "ActivationTest.moc"
