// The shared state: who hears about an assignment, the running-applications cache and its one
// background listing, the partial-activation hand-over, the refresh counter and the appearance steps.
#include "AppWorld.h"
#include "Fakes.h"

#include "app/RecentActivationOrder.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QThreadPool>

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

template <class Arg>
Assignment row(const char* name, P property, void (AppState::*set)(Arg), std::decay_t<Arg> same,
               std::decay_t<Arg> other) {
    return {name, property, [=](AppState& s, AppWorld&) { (s.*set)(same); },
            [=](AppState& s, AppWorld&) { (s.*set)(other); }};
}

const QList<Assignment>& assignments() {
    using S = AppState;
    static const QList<Assignment> rows = {
        row("bundleID", P::bundleID, &S::setBundleID, "com.apple.Notes", "org.example.Editor"),
        row("corner", P::corner, &S::setCorner, Corner::topRight, Corner::topLeft),
        row("widthFraction", P::widthFraction, &S::setWidthFraction, 0.33, 0.5),
        row("heightPoints", P::heightPoints, &S::setHeightPoints, 520, 521),
        row("marginX", P::marginX, &S::setMarginX, 4, 0),
        row("marginY", P::marginY, &S::setMarginY, 4, 8),
        {"modelContext", P::modelContext, [](AppState& s, AppWorld&) { s.setModelContext(nullptr); },
         [](AppState& s, AppWorld& w) { s.setModelContext(w.context()); }},
        row("selectedConfigurationID", P::selectedConfigurationID, &S::setSelectedConfigurationID, "", "A"),
        row("selectedPositionGroupForConfig", P::selectedPositionGroupForConfig,
            &S::setSelectedPositionGroupForConfig, {}, {{"A", "B"}}),
        row("pendingMainTabSelection", P::pendingMainTabSelection, &S::setPendingMainTabSelection,
            std::nullopt, QStringLiteral("Home")),
        row("shouldShowCreateConfiguration", P::shouldShowCreateConfiguration,
            &S::setShouldShowCreateConfiguration, false, true),
        row("configurationDataVersion", P::configurationDataVersion, &S::setConfigurationDataVersion, 0, 1),
        row("showMissingAppModal", P::showMissingAppModal, &S::setShowMissingAppModal, false, true),
        row("shouldContinueWithPartialActivation", P::shouldContinueWithPartialActivation,
            &S::setShouldContinueWithPartialActivation, false, true),
        {"configurationForPartialActivation", P::configurationForPartialActivation,
         [](AppState& s, AppWorld&) { s.setConfigurationForPartialActivation(nullptr); },
         [](AppState& s, AppWorld& w) {
             if (w.context()->fetch<ConfigurationGroup>().isEmpty())
                 w.configuration("Work", 1);
             s.setConfigurationForPartialActivation(w.context()->fetch<ConfigurationGroup>().first());
         }},
        row("triggerPartialActivation", P::triggerPartialActivation, &S::setTriggerPartialActivation, false,
            true),
        row("isMainWindowAttached", P::isMainWindowAttached, &S::setIsMainWindowAttached, false, true),
        row("previousMainWindowFrame", P::previousMainWindowFrame, &S::setPreviousMainWindowFrame,
            std::nullopt, Rect(0, 0, 0, 0)),
        row("previousMainWindowLevel", P::previousMainWindowLevel, &S::setPreviousMainWindowLevel,
            std::nullopt, WindowLevel::normal()),
        row("previousMainWindowStyleMask", P::previousMainWindowStyleMask, &S::setPreviousMainWindowStyleMask,
            std::nullopt, WindowStyleMask{0}),
        row("currentMenuBarHeight", P::currentMenuBarHeight, &S::setCurrentMenuBarHeight, 545, 544.5),
        row("isFirstWindowCapture", P::isFirstWindowCapture, &S::setIsFirstWindowCapture, true, false),
        row("showRunningAppsInEditModal", P::showRunningAppsInEditModal, &S::setShowRunningAppsInEditModal,
            false, true),
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

// Holds the background listings until the test runs them, and the answers as "tag names".
struct Listings {
    QList<std::function<void()>> jobs;
    QStringList answers;
    VirtualScheduler& clock;

    Listings(AppState& state, VirtualScheduler& c) : clock(c) {
        state.setBackgroundRunner([this](std::function<void()> job) { jobs << job; });
    }
    std::function<void(const QList<RunningApp>&)> answer(const QString& tag) {
        return [this, tag](const QList<RunningApp>& apps) { answers << tag + ' ' + names(apps).join(','); };
    }
    // Runs the oldest listing and the main queue; the answer last given.
    QString runJob() {
        jobs.takeFirst()();
        clock.runAll();
        return answers.value(answers.size() - 1);
    }
};

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
        Listings listings(state, w.clock);
        w.desktop.run("org.example.Notes", "Notes");
        QVERIFY(!state.isRunningAppsCacheFresh());
        QVERIFY(!state.isRunningAppsCacheFresh(1000.0));

        // The first refresh always lists, even unforced; the answer waits for the main queue.
        state.refreshRunningAppsCache(false, listings.answer("first"));
        QVERIFY(state.isFetchingRunningApps());
        QCOMPARE(listings.jobs.size(), 1);
        listings.jobs.takeFirst()();
        QCOMPARE(listings.answers, QStringList());
        QVERIFY(state.isFetchingRunningApps());
        w.clock.runDue();
        QCOMPARE(listings.answers, QStringList({"first Notes"}));
        QVERIFY(!state.isFetchingRunningApps());
        QCOMPARE(state.runningAppsLastUpdated(), w.clock.currentDateTime());

        w.desktop.run("org.example.Mail", "Mail");
        w.clock.advance(4.9);
        QVERIFY(state.isRunningAppsCacheFresh());
        QVERIFY(!state.isRunningAppsCacheFresh(4.9));
        state.refreshRunningAppsCache(false, listings.answer("at 4.9"));
        QVERIFY(listings.jobs.isEmpty());
        QCOMPARE(listings.answers.last(), "at 4.9 Notes");

        // Forced refreshes list even while the cache is fresh.
        state.refreshRunningAppsCache(true, listings.answer("forced"));
        QCOMPARE(listings.runJob(), "forced Mail,Notes");

        w.desktop.run("org.example.Zed", "Zed");
        w.clock.advance(5.0);
        QVERIFY(!state.isRunningAppsCacheFresh());
        state.refreshRunningAppsCache(false, listings.answer("at 5.0"));
        QCOMPARE(listings.runJob(), "at 5.0 Mail,Notes,Zed");
        QCOMPARE(state.cachedRunningApps().size(), 3);
    }

    void aRefreshDuringAListingGetsTheOldListAtOnce() {
        AppWorld w;
        AppState state(w.platform);
        Listings listings(state, w.clock);
        state.refreshRunningAppsCache(true, listings.answer("first"));
        w.desktop.run("org.example.Notes", "Notes");
        state.refreshRunningAppsCache(true, listings.answer("second"));
        QCOMPARE(listings.answers, QStringList({"second "}));
        QCOMPARE(listings.runJob(), "first Notes");
        QVERIFY(listings.jobs.isEmpty());
        // A refresh without a completion is allowed.
        state.refreshRunningAppsCache(true);
        listings.runJob();
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

    void goingAwayWaitsForTheListingThatUsesThePlatform() {
        // A listing still inside the workspace when the state goes; the workspace goes right after.
        struct SlowWorkspace : SimDesktop {
            using SimDesktop::SimDesktop;
            QSemaphore inside, gone;
            std::shared_ptr<std::atomic<bool>> alive = std::make_shared<std::atomic<bool>>(true);
            std::shared_ptr<std::atomic<bool>> usedAfterItWent = std::make_shared<std::atomic<bool>>(false);
            ~SlowWorkspace() override {
                *alive = false;
                gone.release();
            }
            QList<RunningApplicationRef> runningApplications() override {
                auto isAlive = alive;
                auto usedLate = usedAfterItWent;
                inside.release();
                gone.tryAcquire(1, 100);
                if (!*isAlive)
                    *usedLate = true;
                return {};
            }
        };
        AppWorld w;
        auto workspace = std::make_unique<SlowWorkspace>(w.clock);
        const auto usedLate = workspace->usedAfterItWent;
        Platform platform{w.clock, w.preferences, *workspace, w.desktop, w.desktop};
        auto state = std::make_unique<AppState>(platform);
        state->refreshRunningAppsCache(true);
        workspace->inside.acquire();
        state.reset();
        workspace.reset();
        QThreadPool::globalInstance()->waitForDone();
        QVERIFY(!*usedLate);
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
