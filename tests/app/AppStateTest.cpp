// The shared state: who hears about an assignment, the running-applications cache and its one
// background listing, the partial-activation hand-over, the refresh counter and the appearance steps.
#include "AppWorld.h"
#include "Fakes.h"

#include "app/RecentActivationOrder.h"

#include <QSignalSpy>

#include <functional>

namespace {

using P = AppState::Property;

// One property: assigning `same` (its initial value) tells nobody, assigning `other` tells once.
struct Assignment {
    const char* name;
    P property;
    std::function<void(AppState&, AppWorld&)> same;
    std::function<void(AppState&, AppWorld&)> other;
};

const QList<Assignment>& assignments() {
    static const QList<Assignment> rows = {
        {"bundleID", P::bundleID, [](AppState& s, AppWorld&) { s.setBundleID("com.apple.Notes"); },
         [](AppState& s, AppWorld&) { s.setBundleID("org.example.Editor"); }},
        {"corner", P::corner, [](AppState& s, AppWorld&) { s.setCorner(Corner::topRight); },
         [](AppState& s, AppWorld&) { s.setCorner(Corner::topLeft); }},
        {"widthFraction", P::widthFraction, [](AppState& s, AppWorld&) { s.setWidthFraction(0.33); },
         [](AppState& s, AppWorld&) { s.setWidthFraction(0.5); }},
        {"heightPoints", P::heightPoints, [](AppState& s, AppWorld&) { s.setHeightPoints(520); },
         [](AppState& s, AppWorld&) { s.setHeightPoints(521); }},
        {"marginX", P::marginX, [](AppState& s, AppWorld&) { s.setMarginX(4); },
         [](AppState& s, AppWorld&) { s.setMarginX(0); }},
        {"marginY", P::marginY, [](AppState& s, AppWorld&) { s.setMarginY(4); },
         [](AppState& s, AppWorld&) { s.setMarginY(8); }},
        {"modelContext", P::modelContext, [](AppState& s, AppWorld&) { s.setModelContext(nullptr); },
         [](AppState& s, AppWorld& w) { s.setModelContext(w.context()); }},
        {"selectedConfigurationID", P::selectedConfigurationID,
         [](AppState& s, AppWorld&) { s.setSelectedConfigurationID(""); },
         [](AppState& s, AppWorld&) { s.setSelectedConfigurationID("A"); }},
        {"selectedPositionGroupForConfig", P::selectedPositionGroupForConfig,
         [](AppState& s, AppWorld&) { s.setSelectedPositionGroupForConfig({}); },
         [](AppState& s, AppWorld&) {
             s.setSelectedPositionGroupForConfig({{"A", "B"}});
         }},
        {"pendingMainTabSelection", P::pendingMainTabSelection,
         [](AppState& s, AppWorld&) { s.setPendingMainTabSelection(std::nullopt); },
         [](AppState& s, AppWorld&) { s.setPendingMainTabSelection(QStringLiteral("Home")); }},
        {"shouldShowCreateConfiguration", P::shouldShowCreateConfiguration,
         [](AppState& s, AppWorld&) { s.setShouldShowCreateConfiguration(false); },
         [](AppState& s, AppWorld&) { s.setShouldShowCreateConfiguration(true); }},
        {"configurationDataVersion", P::configurationDataVersion,
         [](AppState& s, AppWorld&) { s.setConfigurationDataVersion(0); },
         [](AppState& s, AppWorld&) { s.setConfigurationDataVersion(1); }},
        {"showMissingAppModal", P::showMissingAppModal,
         [](AppState& s, AppWorld&) { s.setShowMissingAppModal(false); },
         [](AppState& s, AppWorld&) { s.setShowMissingAppModal(true); }},
        {"shouldContinueWithPartialActivation", P::shouldContinueWithPartialActivation,
         [](AppState& s, AppWorld&) { s.setShouldContinueWithPartialActivation(false); },
         [](AppState& s, AppWorld&) { s.setShouldContinueWithPartialActivation(true); }},
        {"configurationForPartialActivation", P::configurationForPartialActivation,
         [](AppState& s, AppWorld&) { s.setConfigurationForPartialActivation(nullptr); },
         [](AppState& s, AppWorld& w) {
             if (w.context()->fetch<ConfigurationGroup>().isEmpty())
                 w.configuration("Work", 1);
             s.setConfigurationForPartialActivation(w.context()->fetch<ConfigurationGroup>().first());
         }},
        {"triggerPartialActivation", P::triggerPartialActivation,
         [](AppState& s, AppWorld&) { s.setTriggerPartialActivation(false); },
         [](AppState& s, AppWorld&) { s.setTriggerPartialActivation(true); }},
        {"isMainWindowAttached", P::isMainWindowAttached,
         [](AppState& s, AppWorld&) { s.setIsMainWindowAttached(false); },
         [](AppState& s, AppWorld&) { s.setIsMainWindowAttached(true); }},
        {"previousMainWindowFrame", P::previousMainWindowFrame,
         [](AppState& s, AppWorld&) { s.setPreviousMainWindowFrame(std::nullopt); },
         [](AppState& s, AppWorld&) { s.setPreviousMainWindowFrame(Rect(0, 0, 0, 0)); }},
        {"previousMainWindowLevel", P::previousMainWindowLevel,
         [](AppState& s, AppWorld&) { s.setPreviousMainWindowLevel(std::nullopt); },
         [](AppState& s, AppWorld&) { s.setPreviousMainWindowLevel(WindowLevel::normal()); }},
        {"previousMainWindowStyleMask", P::previousMainWindowStyleMask,
         [](AppState& s, AppWorld&) { s.setPreviousMainWindowStyleMask(std::nullopt); },
         [](AppState& s, AppWorld&) { s.setPreviousMainWindowStyleMask(WindowStyleMask{0}); }},
        {"currentMenuBarHeight", P::currentMenuBarHeight,
         [](AppState& s, AppWorld&) { s.setCurrentMenuBarHeight(545); },
         [](AppState& s, AppWorld&) { s.setCurrentMenuBarHeight(544.5); }},
        {"isFirstWindowCapture", P::isFirstWindowCapture,
         [](AppState& s, AppWorld&) { s.setIsFirstWindowCapture(true); },
         [](AppState& s, AppWorld&) { s.setIsFirstWindowCapture(false); }},
        {"showRunningAppsInEditModal", P::showRunningAppsInEditModal,
         [](AppState& s, AppWorld&) { s.setShowRunningAppsInEditModal(false); },
         [](AppState& s, AppWorld&) { s.setShowRunningAppsInEditModal(true); }},
    };
    return rows;
}

QList<P> heard(const QSignalSpy& spy) {
    QList<P> list;
    for (const QList<QVariant>& args : spy)
        list << args.at(0).value<P>();
    return list;
}

QStringList names(const QList<RunningApp>& apps) {
    QStringList list;
    for (const RunningApp& app : apps)
        list << app.name;
    return list;
}

} // namespace

class AppStateTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void assigningTheSameValueTellsNobody_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < assignments().size(); ++i)
            QTest::newRow(assignments().at(i).name) << i;
    }
    void assigningTheSameValueTellsNobody() {
        QFETCH(int, row);
        const Assignment& a = assignments().at(row);
        AppWorld w;
        AppState state(w.platform);
        QSignalSpy spy(&state, &AppState::changed);
        a.same(state, w);
        QCOMPARE(heard(spy), QList<P>());
        a.other(state, w);
        QCOMPARE(heard(spy), QList<P>{a.property});
        a.other(state, w);
        QCOMPARE(heard(spy), QList<P>{a.property});
    }

    void valuesWithoutEqualityTellEveryAssignment() {
        AppWorld w;
        AppState state(w.platform);
        QSignalSpy spy(&state, &AppState::changed);
        state.setMissingAppsToShow({});
        state.setMissingAppsToShow({});
        state.setAttachedModeGlobalEventMonitor(std::nullopt);
        const EventMonitorToken token{std::make_shared<int>(1)};
        state.setAttachedModeGlobalEventMonitor(token);
        state.setAttachedModeGlobalEventMonitor(token);
        QCOMPARE(heard(spy),
                 QList<P>({P::missingAppsToShow, P::missingAppsToShow, P::attachedModeGlobalEventMonitor,
                           P::attachedModeGlobalEventMonitor, P::attachedModeGlobalEventMonitor}));
        // Choosing a position group through the keyboard is always announced.
        state.setSelectedPositionGroup("C", "G");
        state.setSelectedPositionGroup("C", "G");
        QCOMPARE(heard(spy).mid(5),
                 QList<P>({P::selectedPositionGroupForConfig, P::selectedPositionGroupForConfig}));
        QCOMPARE(state.selectedPositionGroupForConfig(), (QHash<QString, QString>{{"C", "G"}}));
    }

    void theEditorsListChoiceIsReadOnceAndWrittenOnEveryAssignment() {
        AppWorld w;
        w.preferences.setValue(AppState::showRunningAppsInEditModalKey, true);
        AppState state(w.platform);
        QVERIFY(state.showRunningAppsInEditModal());
        w.preferences.remove(AppState::showRunningAppsInEditModalKey);
        QVERIFY(state.showRunningAppsInEditModal());
        QSignalSpy spy(&state, &AppState::changed);
        state.setShowRunningAppsInEditModal(true);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(w.preferences.value(AppState::showRunningAppsInEditModalKey), QJsonValue(true));

        // A value of the wrong type reads as false.
        w.preferences.setValue(AppState::showRunningAppsInEditModalKey, QStringLiteral("yes"));
        QVERIFY(!AppState(w.platform).showRunningAppsInEditModal());
    }

    void mainWindowIsForgottenWhenTheWindowGoes() {
        AppWorld w;
        AppState state(w.platform);
        QStringList journal;
        auto window = std::make_unique<FakeWindow>(journal, "main");
        state.setMainWindow(window.get());
        QCOMPARE(state.mainWindow(), window.get());
        QSignalSpy spy(&state, &AppState::changed);
        state.setMainWindow(window.get());
        QCOMPARE(spy.count(), 0);
        window.reset();
        QCOMPARE(state.mainWindow(), nullptr);
    }

    void theCacheIsFreshBelowFiveSeconds() {
        AppWorld w;
        AppState state(w.platform);
        QList<std::function<void()>> jobs;
        state.setBackgroundRunner([&jobs](std::function<void()> job) { jobs << job; });
        w.desktop.run("org.example.Notes", "Notes");

        QStringList answers;
        auto answer = [&answers](const QString& tag) {
            return [&answers, tag](const QList<RunningApp>& apps) {
                answers << tag + QLatin1Char(' ') + names(apps).join(QLatin1Char(','));
            };
        };
        QVERIFY(!state.isRunningAppsCacheFresh());
        QVERIFY(!state.isRunningAppsCacheFresh(1000.0));

        // The first refresh always lists, even unforced; the answer waits for the main queue.
        state.refreshRunningAppsCache(false, answer("first"));
        QVERIFY(state.isFetchingRunningApps());
        QCOMPARE(jobs.size(), 1);
        jobs.takeFirst()();
        QCOMPARE(answers, QStringList());
        QVERIFY(state.isFetchingRunningApps());
        w.clock.runDue();
        QCOMPARE(answers, QStringList({"first Notes"}));
        QVERIFY(!state.isFetchingRunningApps());
        QCOMPARE(state.runningAppsLastUpdated(), w.clock.currentDateTime());

        w.desktop.run("org.example.Mail", "Mail");
        w.clock.advance(4.9);
        QVERIFY(state.isRunningAppsCacheFresh());
        QVERIFY(!state.isRunningAppsCacheFresh(4.9));
        state.refreshRunningAppsCache(false, answer("at 4.9"));
        QCOMPARE(jobs.size(), 0);
        QCOMPARE(answers.last(), "at 4.9 Notes");

        // Forced refreshes list even while the cache is fresh.
        state.refreshRunningAppsCache(true, answer("forced"));
        QCOMPARE(jobs.size(), 1);
        jobs.takeFirst()();
        w.clock.runDue();
        QCOMPARE(answers.last(), "forced Mail,Notes");

        w.desktop.run("org.example.Zed", "Zed");
        w.clock.advance(5.0);
        QVERIFY(!state.isRunningAppsCacheFresh());
        state.refreshRunningAppsCache(false, answer("at 5.0"));
        QCOMPARE(jobs.size(), 1);
        jobs.takeFirst()();
        w.clock.runDue();
        QCOMPARE(answers.last(), "at 5.0 Mail,Notes,Zed");
        QCOMPARE(state.cachedRunningApps().size(), 3);
    }

    void aRefreshDuringAListingGetsTheOldListAtOnce() {
        AppWorld w;
        AppState state(w.platform);
        QList<std::function<void()>> jobs;
        state.setBackgroundRunner([&jobs](std::function<void()> job) { jobs << job; });
        QStringList answers;
        state.refreshRunningAppsCache(
            true, [&](const QList<RunningApp>& apps) { answers << "first " + names(apps).join(','); });
        w.desktop.run("org.example.Notes", "Notes");
        state.refreshRunningAppsCache(
            true, [&](const QList<RunningApp>& apps) { answers << "second " + names(apps).join(','); });
        QCOMPARE(answers, QStringList({"second "}));
        QCOMPARE(jobs.size(), 1);
        jobs.takeFirst()();
        w.clock.runAll();
        QCOMPARE(answers, QStringList({"second ", "first Notes"}));
        // A refresh without a completion is allowed.
        state.refreshRunningAppsCache(true);
        jobs.takeFirst()();
        w.clock.runAll();
        QVERIFY(!state.isFetchingRunningApps());
    }

    void theListingRunsOffTheMainThread() {
        AppWorld w;
        w.desktop.run("org.example.Notes", "Notes");
        auto state = std::make_unique<AppState>(w.platform);
        QThread* listingThread = nullptr;
        state->setBackgroundRunner([&](std::function<void()> job) {
            QThread* worker = QThread::create([job, &listingThread] {
                listingThread = QThread::currentThread();
                job();
            });
            worker->start();
            worker->wait();
            delete worker;
        });
        bool answered = false;
        state->refreshRunningAppsCache(false, [&](const QList<RunningApp>&) { answered = true; });
        QVERIFY(listingThread && listingThread != QThread::currentThread());
        // The result waits on the main queue; a state that is gone by then is left alone.
        QVERIFY(!answered);
        state.reset();
        w.clock.runAll();
        QVERIFY(answered);
    }

    void partialActivationIsHandedOverOnlyWhenSomethingWaits() {
        AppWorld w;
        AppState state(w.platform);
        QSignalSpy spy(&state, &AppState::changed);
        state.triggerPartialActivationNow();
        QCOMPARE(spy.count(), 0);
        QVERIFY(w.log.lines().isEmpty());
        QVERIFY(!state.shouldContinueWithPartialActivation());

        ConfigurationGroup* waiting = w.configuration("Work", 1);
        state.setConfigurationForPartialActivation(waiting);
        QStringList order;
        connect(&state, &AppState::changed, this, [&](P p) {
            order << QString::fromLatin1(QMetaEnum::fromType<P>().valueToKey(static_cast<int>(p)));
            order << QStringLiteral("log %1").arg(w.log.lines().size());
        });
        state.triggerPartialActivationNow();
        QCOMPARE(order, QStringList({"shouldContinueWithPartialActivation", "log 0",
                                     "triggerPartialActivation", "log 0"}));
        QCOMPARE(w.log.lines(), QStringList({"🔄 Triggering partial activation for configuration"}));
        QVERIFY(state.shouldContinueWithPartialActivation());
        QVERIFY(state.triggerPartialActivation());
        QCOMPARE(state.configurationForPartialActivation(), waiting);
    }

    void remoteChangesBumpTheCounterWhileTheStateLives() {
        AppWorld w;
        auto state = std::make_unique<AppState>(w.platform, w.context());
        Q_EMIT w.context()->remoteChange();
        Q_EMIT w.context()->remoteChange();
        QCOMPARE(state->configurationDataVersion(), 2);
        state.reset();
        Q_EMIT w.context()->remoteChange();
    }

    void appearanceIsAppliedOnTheNextTurnsOfTheMainQueue_data() {
        QTest::addColumn<AppTheme>("theme");
        QTest::addColumn<QString>("appearance");
        QTest::newRow("system") << AppTheme::system << "appearance none";
        QTest::newRow("light") << AppTheme::light << "appearance light";
        QTest::newRow("dark") << AppTheme::dark << "appearance dark";
    }
    void appearanceIsAppliedOnTheNextTurnsOfTheMainQueue() {
        QFETCH(AppTheme, theme);
        QFETCH(QString, appearance);
        AppWorld w;
        AppState state(w.platform);
        QStringList journal;
        FakeShell shell(journal);
        FakeWindow a(journal, "a"), b(journal, "b");
        shell.windowList = {&a, &b};
        FakeMenuBar menuBar(journal);
        state.setShell(&shell);
        state.setMenuBarManager(&menuBar);
        state.applyAppearance(theme);
        QVERIFY(journal.isEmpty());
        w.clock.runDue();
        QCOMPARE(journal, QStringList({appearance, "refresh window 0", "refresh window 1", "attempts 0",
                                       "enforceStatusBarAppearance"}));
        QCOMPARE(w.clock.now(), 0.0);
    }

    void recentActivationOrder_data() {
        QTest::addColumn<QStringList>("rows"); // name:createdDaysAgo[:activatedDaysAgo]
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("most recent first")
            << QStringList{"A:9:5", "B:9:1", "C:9:3"} << QStringList{"B", "C", "A"};
        QTest::newRow("ties newest created first")
            << QStringList{"Old:9:2", "New:1:2", "Mid:5:2"} << QStringList{"New", "Mid", "Old"};
        QTest::newRow("never activated last, newest first")
            << QStringList{"N1:8", "A:30:29", "N2:2", "B:1:1"} << QStringList{"B", "A", "N2", "N1"};
        QTest::newRow("full ties keep their order")
            << QStringList{"X:3", "Y:3", "Z:3:1", "W:3"} << QStringList{"Z", "X", "Y", "W"};
        QTest::newRow("empty") << QStringList{} << QStringList{};
    }
    void recentActivationOrder() {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expected);
        AppWorld w;
        QList<ConfigurationGroup*> list;
        for (const QString& row : rows) {
            const QStringList f = row.split(':');
            list << w.configuration(f.at(0), f.at(1).toInt(),
                                    f.size() > 2 ? std::optional<int>(f.at(2).toInt()) : std::nullopt);
        }
        QStringList got;
        for (ConfigurationGroup* c : ::recentActivationOrder(list))
            got << c->name();
        QCOMPARE(got, expected);
    }
};

QTEST_GUILESS_MAIN(AppStateTest)
#include "AppStateTest.moc"
