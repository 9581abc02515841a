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

} // namespace

class ActivationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void launchesWaitsThenPlacesWithTheRowsStagger_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QStringList>("atCall");
        QTest::addColumn<QStringList>("later");
        QTest::addColumn<QStringList>("events");

        QTest::newRow("main window") << Variant::mainWindow
                                     << QStringList{
                                            "🚀 Applying configuration: Work with position group: default positions",
                                            "✅ App Notes is already running",
                                            "🚀 App Mail is not running - will launch first",
                                            "✅ App Music is already running",
                                            "🚀 Launching 1 apps...",
                                            "✅ Configuration Work will be applied with position group default "
                                            "positions",
                                            "⏳ Waiting for 1 apps to launch before positioning...",
                                            "scroll",
                                            "hide",
                                        }
                                     << QStringList{
                                            "🚀 Launching Mail",
                                            "📌 Positioning Notes at topLeft using group default positions",
                                            "📌 Positioning Mail at rightHalf using group default positions",
                                            "📌 Positioning Music at bottomRight using group default positions",
                                            "summon org.example.Notes",
                                            "summon org.example.Mail",
                                            "summon org.example.Music",
                                        }
                                     << QStringList{opened("0.00", mail), placed("2.00", notes),
                                                    placed("2.01", mail), placed("2.02", music)};
        QTest::newRow("menu bar") << Variant::menuBar
                                  << QStringList{
                                         "🚀 MinimizedView: Applying configuration: Work with position group: "
                                         "default positions",
                                         "scroll",
                                         "hide",
                                     }
                                  << QStringList{"summon org.example.Notes", "summon org.example.Mail",
                                                 "summon org.example.Music"}
                                  << QStringList{opened("0.00", mail), placed("2.00", notes), placed("2.02", mail),
                                                 placed("2.04", music)};
    }
    void launchesWaitsThenPlacesWithTheRowsStagger() {
        QFETCH(QStringList, events);
        QFETCH(QStringList, later);
        QFETCH(QStringList, atCall);
        QFETCH(Variant, variant);
        ActivationWorld w;
        w.state.setMenuBarManager(&w.menuBar);
        w.running(notes, "Notes");
        w.installed(mail, "Mail");
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

    void aConfigurationWithoutApplicationsIsStillRecorded() {
        ActivationWorld w;
        ConfigurationGroup* empty = w.configuration("Empty", {});
        w.activator(Variant::menuBar, empty).applyConfigurationWithSelectedGroup(ActivationWorld::laptop());
        w.clock.runAll();
        QCOMPARE(w.ownLines().size(), 2);
        QVERIFY(empty->lastActivatedAt());
    }

    void missingApplicationsAreHandedToTheDialog() {
        for (Variant variant : {Variant::mainWindow, Variant::menuBar}) {
            ActivationWorld w;
            w.state.setMenuBarManager(&w.menuBar);
            w.running(notes, "Notes");
            ConfigurationGroup* work = w.configuration(
                "Work", {{ghost, "Ghost", Corner::leftHalf}, {notes, "Notes", Corner::rightHalf}});
            w.activator(variant, work).applyConfigurationWithSelectedGroup();

            const QStringList lines = w.ownLines();
            QCOMPARE(lines.size(), 2);
            QCOMPARE(lines.last(), "⚠️ Found 1 missing apps in configuration: Work");
            QCOMPARE(w.state.missingAppsToShow().size(), 1);
            QCOMPARE(w.state.missingAppsToShow()[0].bundleID, ghost);
            QCOMPARE(w.state.missingAppsToShow()[0].configurationName, QStringLiteral("Work"));
            QVERIFY(w.state.showMissingAppModal());
            QCOMPARE(w.state.configurationForPartialActivation(), work);
            QCOMPARE(work->lastActivatedAt(), std::nullopt);
            QCOMPARE(w.clock.pendingCount(), 0);
        }
    }

    void partialActivationSkipsMissingAppsWithoutTakingAStaggerSlot_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("main window")
            << Variant::mainWindow
            << QStringList{
                   "🚀 Applying configuration: Work with position group: default positions",
                   "🔄 Continuing with partial activation, skipping 1 missing apps",
                   "⏭️ Skipping missing app: Ghost",
                   "✅ App Notes is already running",
                   "✅ App Music is already running",
                   "✅ Configuration Work will be applied with position group default positions",
                   "scroll",
                   "⏭️ Skipping positioning for missing app: Ghost",
                   "📌 Positioning Notes at rightHalf using group default positions",
                   "📌 Positioning Music at topLeft using group default positions",
                   "summon org.example.Notes",
                   "summon org.example.Music",
               }
            << QStringList{placed("0.00", notes), placed("0.01", music)};
        QTest::newRow("menu bar") << Variant::menuBar
                                  << QStringList{
                                         "🚀 MinimizedView: Applying configuration: Work with position group: "
                                         "default positions",
                                         "🔄 Menu Bar: Continuing with partial activation, skipping 1 missing apps",
                                         "⏭️ Menu Bar: Skipping missing app: Ghost",
                                         "scroll",
                                         "⏭️ Menu Bar: Skipping positioning for missing app: Ghost",
                                         "summon org.example.Notes",
                                         "summon org.example.Music",
                                     }
                                  << QStringList{placed("0.00", notes), placed("0.02", music)};
    }
    void partialActivationSkipsMissingAppsWithoutTakingAStaggerSlot() {
        QFETCH(QStringList, events);
        QFETCH(QStringList, lines);
        QFETCH(Variant, variant);
        ActivationWorld w;
        w.running(notes, "Notes");
        w.running(music, "Music");
        ConfigurationGroup* work = w.configuration("Work", {{ghost, "Ghost", Corner::leftHalf},
                                                            {notes, "Notes", Corner::rightHalf},
                                                            {music, "Music", Corner::topLeft}});
        ConfigurationActivator activator = w.activator(variant, work);
        activator.applyConfigurationWithSelectedGroup(ActivationWorld::laptop());
        w.log.clear();

        // The dialog's continue.
        w.state.setShowMissingAppModal(false);
        w.state.triggerPartialActivationNow();
        QVERIFY(w.state.triggerPartialActivation());
        w.log.clear();
        activator.triggerPartialActivationIfPending();
        w.clock.advance(0.1);
        QStringList seen = w.ownLines();
        const QString trigger =
            variant == Variant::mainWindow
                ? QStringLiteral("🔄 ConfigRow: Triggering partial activation for Work")
                : QStringLiteral("🔄 MinimizedRow: Triggering partial activation for Work");
        QCOMPARE(seen.takeFirst(), trigger);
        QCOMPARE(seen, lines);
        QCOMPARE(w.events(), events);
        QVERIFY(!w.state.triggerPartialActivation());
        QVERIFY(!w.state.shouldContinueWithPartialActivation());
        QCOMPARE(w.state.configurationForPartialActivation(), nullptr);
        QVERIFY(work->lastActivatedAt());
    }

    void theAgreedPartialActivationIsSpentByWhicheverActivationRunsFirst() {
        ActivationWorld w;
        w.running(notes, "Notes");
        ConfigurationGroup* waiting = w.configuration("Waiting", {{ghost, "Ghost", Corner::leftHalf}});
        ConfigurationGroup* other = w.configuration("Other", {{notes, "Notes", Corner::leftHalf}});
        w.state.setConfigurationForPartialActivation(waiting);
        w.state.setShouldContinueWithPartialActivation(true);

        w.activator(Variant::mainWindow, other)
            .applyConfigurationWithSelectedGroup(ActivationWorld::laptop());
        QCOMPARE(w.ownLines().mid(0, 2),
                 QStringList({"🚀 Applying configuration: Other with position group: default positions",
                              "🔄 Continuing with partial activation, skipping 0 missing apps"}));
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
            const QString id = QStringLiteral("org.example.App%1").arg(i);
            w.installed(id, QStringLiteral("App%1").arg(i));
            apps.append({id, QStringLiteral("App%1").arg(i), Corner::fullScreen});
        }
        ConfigurationGroup* many = w.configuration("Many", apps);
        w.activator(Variant::mainWindow, many).applyConfigurationWithSelectedGroup(ActivationWorld::laptop());
        QList<double> deadlines = w.clock.pendingDeadlines();
        QCOMPARE(deadlines.size(), 23);
        for (int i = 0; i < 20; ++i)
            QCOMPARE(deadlines[i], i * 0.1);
        QCOMPARE(deadlines.mid(20), QList<double>({2.0, 2.0, 2.1}));
        w.log.clear();

        w.clock.advance(2.0);
        const QStringList lines = w.ownLines();
        // The 21st launch is due with the positioning step and runs just ahead of it.
        QCOMPARE(lines.indexOf("🚀 Launching App21"), 20);
        QCOMPARE(lines.indexOf("📌 Positioning App1 at fullScreen using group default positions"), 21);
        QVERIFY(!lines.contains("🚀 Launching App22"));
        QCOMPARE(lines.at(43), QStringLiteral("summon org.example.App1"));

        w.clock.advance(0.1);
        // The 22nd comes after placement has begun.
        const QStringList after = w.ownLines();
        QVERIFY(after.indexOf("🚀 Launching App22") > after.indexOf("summon org.example.App2"));
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
        const QString entry = choice[0], local = choice[1], expected = choice[2];
        ActivationWorld w;
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::topLeft}});
        QHash<QString, QString> ids{{"deleted", uuidString(QUuid::createUuid())}};
        for (const QString name : {"Wide", "Default", "Tall"})
            ids.insert(name, uuidString(ActivationWorld::group(work, name, {Corner::leftHalf},
                                                               name == QLatin1String("Default"))
                                            ->id()));
        if (!entry.isEmpty())
            w.state.setSelectedPositionGroup(uuidString(work->id()), ids.value(entry));
        w.localGroupID = ids.value(local);

        ConfigurationActivator activator = w.activator(Variant::mainWindow, work);
        QCOMPARE(activator.currentPositionGroup()->name(), expected);
        // The activation names it too.
        activator.applyConfigurationWithSelectedGroup(ActivationWorld::laptop());
        QCOMPARE(w.ownLines().first(), "🚀 Applying configuration: Work with position group: " + expected);
    }

    void eachApplicationGoesToItsGroupPositionElseItsOwn() {
        ActivationWorld w;
        w.running(notes, "Notes");
        w.running(mail, "Mail");
        w.running(music, "Music");
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::topLeft},
                                                            {mail, "Mail", Corner::bottomLeft},
                                                            {music, "Music", Corner::topLeft}});
        work->configurationList()[2]->setSavedCorner("nowhere");
        work->configurationList()[0]->setSavedMarginX(20);
        ActivationWorld::group(work, "Split", {Corner::rightHalf});
        {
            // The row may be gone before its deferred steps run.
            ConfigurationActivator row = w.activator(Variant::mainWindow, work);
            row.applyConfigurationWithSelectedGroup(ActivationWorld::laptop());
        }
        // Nothing moves before the call has returned, even without a wait.
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

    void theGroupIsFixedWhenTheActivationStarts() {
        ActivationWorld w;
        w.installed(notes, "Notes");
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::topLeft}});
        PositionGroup* left = ActivationWorld::group(work, "Left", {Corner::leftHalf}, true);
        PositionGroup* right = ActivationWorld::group(work, "Right", {Corner::rightHalf});
        w.activator(Variant::mainWindow, work).applyConfigurationWithSelectedGroup(ActivationWorld::laptop());
        w.state.setSelectedPositionGroup(uuidString(work->id()), uuidString(right->id()));
        left->setName("Renamed");
        w.clock.advance(2.0);
        QCOMPARE(w.ownLines().filter("📌"), QStringList({"📌 Positioning Notes at leftHalf using group Left"}));
    }

    void anActivationFromTheDisplayMenuUsesThatDisplay() {
        ActivationWorld w;
        w.desktop.setScreens({ActivationWorld::laptop(), ActivationWorld::above()});
        FakeMainWindow window;
        window.onScreen = ActivationWorld::laptop();
        w.state.setMainWindow(&window);
        w.running(notes, "Notes");
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::fullScreen}});

        ConfigurationActivator activator = w.activator(Variant::mainWindow, work);
        activator.activateOnDisplay(ActivationWorld::above());
        QCOMPARE(w.state.selectedConfigurationID(), uuidString(work->id()));
        w.clock.advance(1);
        const SimWindow& placedWindow = w.desktop.application(notes)->windows.front();
        QCOMPARE(placedWindow.size, Size(1920, 1080));
        QCOMPARE(placedWindow.position, Point(0, 0));

        // Without a display from the menu: the main window's display.
        activator.applyConfigurationWithSelectedGroup();
        w.clock.advance(1);
        QCOMPARE(placedWindow.size, Size(1440, 875));
        QCOMPARE(placedWindow.position, Point(0, 1080));
    }

    void theActivateButtonSelectsTheConfiguration_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<bool>("agreed");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("main window: the activation checks")
            << Variant::mainWindow << false
            << QStringList{"📱 Auto-selected configuration: Work on activation",
                           "🚀 Applying configuration: Work with position group: default positions",
                           "⚠️ Found 1 missing apps in configuration: Work"};
        QTest::newRow("menu bar: the row checks first")
            << Variant::menuBar << false << QStringList{"⚠️ Found 1 missing apps in configuration: Work"};
        QTest::newRow("menu bar: partial activation agreed")
            << Variant::menuBar << true
            << QStringList{
                   "📱 Auto-selected configuration: Work on activation",
                   "🚀 MinimizedView: Applying configuration: Work with position group: default positions",
                   "🔄 Menu Bar: Continuing with partial activation, skipping 1 missing apps",
                   "⏭️ Menu Bar: Skipping missing app: Ghost", "scroll"};
    }
    void theActivateButtonSelectsTheConfiguration() {
        QFETCH(Variant, variant);
        QFETCH(bool, agreed);
        QFETCH(QStringList, lines);
        ActivationWorld w;
        ConfigurationGroup* work = w.configuration("Work", {{ghost, "Ghost", Corner::topLeft}});
        w.state.setShouldContinueWithPartialActivation(agreed);
        w.activator(variant, work).activateFromRow();
        QCOMPARE(w.ownLines(), lines);
        QCOMPARE(w.state.selectedConfigurationID(), lines.size() > 1 ? uuidString(work->id()) : QString());
        QCOMPARE(w.state.showMissingAppModal(), lines.last().startsWith("⚠️"));
    }

    void changingTheRowsGroupReactivatesTheSelectedConfiguration() {
        ActivationWorld w;
        w.running(notes, "Notes");
        ConfigurationGroup* work = w.configuration("Work", {{notes, "Notes", Corner::topLeft}});
        ConfigurationGroup* empty = w.configuration("Empty", {});
        PositionGroup* wide = ActivationWorld::group(work, "Wide", {Corner::fullScreen});
        const QString wideID = uuidString(wide->id());
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
        QCOMPARE(
            w.ownLines(),
            QStringList({"🔄 Position group changed to: Wide - auto-activating SELECTED configuration",
                         "🔄 MinimizedView: Position group changed to: Unknown - auto-activating SELECTED "
                         "configuration"}));
        QCOMPARE(w.clock.pendingDeadlines(), QList<double>({0.1, 0.1}));
        w.clock.advance(0.1);
        QCOMPARE(w.ownLines().filter("Applying"),
                 QStringList({"🚀 Applying configuration: Work with position group: Wide",
                              "🚀 MinimizedView: Applying configuration: Work with position group: Wide"}));
    }

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
        w.state.setMenuBarManager(&w.menuBar);
        w.running(notes, "Notes");
        QString error;
        auto container = ModelContainer::open(path, w.clock, &error);
        QVERIFY2(container, qPrintable(error));
        auto* work = new ConfigurationGroup("Work", 1440, 900, std::nullopt);
        work->appendConfiguration(
            new AppConfiguration(notes, "Notes", "topLeft", 0, true, Corner::topLeft, 0.5, 400, 0, 0, work));
        container->mainContext()->insert(work);
        QVERIFY(container->mainContext()->save());
        auto other = Database::open(path, false, &error);
        if (saved.isEmpty())
            QVERIFY(other->execute("CREATE TRIGGER refuse BEFORE UPDATE ON ConfigurationGroup "
                                   "BEGIN SELECT RAISE(ABORT, 'refused by test'); END"));

        w.activator(variant, work).applyConfigurationWithSelectedGroup(ActivationWorld::laptop());
        QStringList lines = w.ownLines();
        // Saved (or not) before the row scrolls and the menu-bar window hides, and before any placement.
        QCOMPARE(lines.mid(lines.size() - 2), QStringList({"scroll", "hide"}));
        const QString result = lines.at(lines.size() - 3);
        // Either way the new time stays on the object and the windows are placed.
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
        const QList<ConfigurationGroup*> stored = reopened->mainContext()->fetch<ConfigurationGroup>();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored[0]->lastActivatedAt(), std::optional(w.clock.currentDateTime()));
    }

    void theReapplicationRecordsNothing_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("main window") << Variant::mainWindow
                                     << QStringList{
                                            "🚀 Auto-applying swapped configuration: Work",
                                            "✅ App Notes is already running",
                                            "🚀 App Mail is not running - will launch first",
                                            "🚀 Launching 1 apps...",
                                            "✅ Swapped configuration Work will be applied automatically",
                                            "⏳ Waiting for 1 apps to launch before positioning...",
                                            "🚀 Launching Mail",
                                            "📌 Positioning Notes at leftHalf",
                                            "📌 Positioning Mail at rightHalf",
                                            "summon org.example.Notes",
                                            "summon org.example.Mail",
                                        }
                                     << QStringList{opened("0.00", mail), placed("2.00", notes),
                                                    placed("2.01", mail)};
        QTest::newRow("menu bar") << Variant::menuBar
                                  << QStringList{
                                         "summon org.example.Notes",
                                         "summon org.example.Mail",
                                     }
                                  << QStringList{opened("0.00", mail), placed("2.00", notes), placed("2.01", mail)};
    }
    void theReapplicationRecordsNothing() {
        QFETCH(QStringList, events);
        QFETCH(QStringList, lines);
        QFETCH(Variant, variant);
        ActivationWorld w;
        w.state.setMenuBarManager(&w.menuBar);
        w.running(notes, "Notes");
        w.installed(mail, "Mail");
        ConfigurationGroup* work =
            w.configuration("Work", {{notes, "Notes", Corner::leftHalf}, {mail, "Mail", Corner::rightHalf}});
        w.activator(variant, work).applyConfigurationImmediately();
        w.clock.advance(2.1);
        QCOMPARE(w.ownLines(), lines);
        QCOMPARE(w.events(), events);
        QCOMPARE(work->lastActivatedAt(), std::nullopt);
    }

    void onlyTheMenuBarReapplicationChecksForMissingApps() {
        ActivationWorld w;
        ConfigurationGroup* work = w.configuration("Work", {{ghost, "Ghost", Corner::leftHalf}});
        w.activator(Variant::menuBar, work).applyConfigurationImmediately();
        QCOMPARE(w.ownLines(), QStringList{"⚠️ Found 1 missing apps in configuration: Work"});
        QCOMPARE(w.state.configurationForPartialActivation(), work);
        QCOMPARE(w.clock.pendingCount(), 0);

        // The main-window re-application tries to start it, and the engine finds nothing to place.
        w.activator(Variant::mainWindow, work).applyConfigurationImmediately();
        w.clock.advance(2.1);
        QCOMPARE(w.ownLines().filter("Ghost"),
                 QStringList({"🚀 App Ghost is not running - will launch first", "🚀 Launching Ghost",
                              "📌 Positioning Ghost at leftHalf", "summon org.example.Ghost"}));
        QCOMPARE(w.desktop.takeJournal(), QStringList{"0.00 beep"});
    }
};

QTEST_GUILESS_MAIN(ActivationTest)
#include "ActivationTest.moc"
