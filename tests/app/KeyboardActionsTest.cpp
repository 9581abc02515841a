// The five global shortcuts: their slots and handlers, the menu-bar steps around each action, the
// cycling orders and the keyboard road of laying out a configuration with its log and its stagger.
#include "AppWorld.h"
#include "Fakes.h"

#include "app/ShortcutNames.h"
#include "shortcuts/KeyboardShortcuts.h"

#include <QSignalSpy>

using KeyboardShortcuts::Shortcut;

namespace {

constexpr int controlKey = 0x1000;

// Control with a, s, d, f, h: one combination per slot.
Shortcut combination(int index) {
    return Shortcut(index, controlKey);
}

// The lines of the keyboard road itself, without the placement engine's own.
QStringList roadLines(const QStringList& lines) {
    QStringList road;
    for (const QString& line : lines)
        if (line.startsWith(QStringLiteral("🚀 Applying")) ||
            line.startsWith(QStringLiteral("📌 Positioning")) ||
            line.startsWith(QStringLiteral("⚠️ Configuration")))
            road << line;
    return road;
}

// Size writes of the desktop journal, "time title".
QStringList sizeWrites(const QStringList& journal) {
    QStringList writes;
    for (const QString& entry : journal) {
        const QStringList f = entry.split(QLatin1Char(' '));
        if (f.size() >= 4 && f.at(1) == QLatin1String("write") && f.at(3) == QLatin1String("AXSize"))
            writes << f.at(0) + QLatin1Char(' ') + f.at(2);
    }
    writes.removeDuplicates();
    return writes;
}

struct KeyboardWorld : AppWorld {
    QStringList journal;
    FakeMenuBar menuBar{journal};
    std::unique_ptr<AppState> state;

    explicit KeyboardWorld(bool withContext = true) {
        state = std::make_unique<AppState>(platform, context());
        if (withContext)
            state->setModelContext(context());
    }

    // Three configurations in the cycling order Recent, Older, Never.
    QList<ConfigurationGroup*> threeConfigurations() {
        return {configuration("Older", 20, 10), configuration("Never", 1), configuration("Recent", 30, 2)};
    }

    QString selected() const { return configurationName(state->selectedConfigurationID()); }

    void select(ConfigurationGroup* c) { state->setSelectedConfigurationID(uuidString(c->id())); }
};

} // namespace

class KeyboardActionsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachSlotRunsItsActionOnRelease_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("selectedAfter");
        QTest::addColumn<QStringList>("menuBarSteps");
        const QStringList wrapped{"showAttachedWindow", "updateDockIconVisibility"};
        QTest::newRow("activateCurrentGroup") << 0 << "Older" << wrapped;
        QTest::newRow("cycleConfigurations") << 1 << "Never" << wrapped;
        QTest::newRow("cycleConfigurationsBackward") << 2 << "Recent" << wrapped;
        QTest::newRow("toggleMenuBar") << 3 << "Older" << QStringList{"toggleAttachedWindow"};
        QTest::newRow("cyclePositionGroups") << 4 << "Older" << wrapped;
    }
    void eachSlotRunsItsActionOnRelease() {
        QFETCH(int, slot);
        QFETCH(QString, selectedAfter);
        QFETCH(QStringList, menuBarSteps);
        KeyboardWorld w;
        w.threeConfigurations();
        w.select(w.context()->fetch<ConfigurationGroup>().first());
        w.state->setMenuBarManager(&w.menuBar);
        const QList<KeyboardShortcuts::Name> names = {
            ShortcutNames::activateCurrentGroup(), ShortcutNames::cycleConfigurations(),
            ShortcutNames::cycleConfigurationsBackward(), ShortcutNames::toggleMenuBar(),
            ShortcutNames::cyclePositionGroups()};
        for (int i = 0; i < names.size(); ++i)
            QVERIFY(KeyboardShortcuts::setShortcut(combination(i), names.at(i)));

        w.hotKeys.press(combination(slot));
        QCOMPARE(w.journal, menuBarSteps);
        QCOMPARE(w.selected(), selectedAfter);
    }

    void slotsWithoutCombinationOrWithoutStateDoNothing() {
        KeyboardWorld w;
        w.state->setMenuBarManager(&w.menuBar);
        // Nothing recorded: nothing grabbed, so no release can reach a handler.
        for (int i = 0; i < 5; ++i)
            QVERIFY(!w.hotKeys.isGrabbed(combination(i)));
        QVERIFY(KeyboardShortcuts::setShortcut(combination(3), ShortcutNames::toggleMenuBar()));
        w.hotKeys.press(combination(3));
        QCOMPARE(w.journal, QStringList{"toggleAttachedWindow"});
        // The handlers outlive the state and then do nothing.
        w.state.reset();
        w.hotKeys.press(combination(3));
        QCOMPARE(w.journal, QStringList{"toggleAttachedWindow"});
    }

    void theMenuBarStepsRunAroundEveryActionEvenWhenItFindsNothing_data() {
        QTest::addColumn<bool>("attached");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("detached") << false << QStringList{"showAttachedWindow", "updateDockIconVisibility"};
        QTest::newRow("attached") << true
                                  << QStringList{"updateDockIconVisibility", "updateDockIconVisibility"};
    }
    void theMenuBarStepsRunAroundEveryActionEvenWhenItFindsNothing() {
        QFETCH(bool, attached);
        QFETCH(QStringList, steps);
        KeyboardWorld w(false);
        w.state->setMenuBarManager(&w.menuBar);
        w.state->setIsMainWindowAttached(attached);
        const QList<std::function<void()>> actions = {
            [&] { w.state->activateCurrentSelectedGroup(); }, [&] { w.state->cycleToNextConfiguration(); },
            [&] { w.state->cycleToPreviousConfiguration(); }, [&] { w.state->cyclePositionGroups(); }};
        for (const auto& action : actions) {
            w.journal.clear();
            action();
            QCOMPARE(w.journal, steps);
        }
        QVERIFY(w.log.lines().isEmpty());
        // Without a manager the actions run alone.
        w.state->setMenuBarManager(nullptr);
        w.journal.clear();
        w.state->toggleMenuBar();
        w.state->cycleToNextConfiguration();
        QVERIFY(w.journal.isEmpty());
    }

    void cyclingFollowsTheActivationOrder_data() {
        QTest::addColumn<QStringList>("fromNextPrevious"); // "gone": a stale selection
        QTest::newRow("first") << QStringList{"Recent", "Older", "Never"};
        QTest::newRow("middle") << QStringList{"Older", "Never", "Recent"};
        QTest::newRow("last wraps") << QStringList{"Never", "Recent", "Older"};
        QTest::newRow("no selection") << QStringList{"", "Recent", "Never"};
        QTest::newRow("stale selection") << QStringList{"gone", "Recent", "Never"};
    }
    void cyclingFollowsTheActivationOrder() {
        QFETCH(QStringList, fromNextPrevious);
        for (int forward = 0; forward < 2; ++forward) {
            KeyboardWorld w;
            const QList<ConfigurationGroup*> all = w.threeConfigurations();
            const QString from = fromNextPrevious[0];
            w.state->setSelectedConfigurationID(from == "gone" ? QUuid::createUuid().toString() : QString());
            for (ConfigurationGroup* c : all)
                if (c->name() == from)
                    w.select(c);
            if (forward)
                w.state->cycleToNextConfiguration();
            else
                w.state->cycleToPreviousConfiguration();
            const QString expected = fromNextPrevious[forward ? 1 : 2];
            QCOMPARE(w.selected(), expected);
            QCOMPARE(roadLines(w.log.lines()),
                     QStringList{"🚀 Applying configuration via keyboard shortcut: " + expected +
                                 " with position group: default positions"});
        }
    }

    void noContextNoConfigurationsOrNoSelectionLayOutNothing() {
        KeyboardWorld w(false);
        w.configuration("Work", 1);
        w.state->cycleToNextConfiguration();
        w.state->activateCurrentSelectedGroup();
        QVERIFY(w.state->selectedConfigurationID().isEmpty());
        w.state->setModelContext(w.context());
        w.state->activateCurrentSelectedGroup();
        w.state->cyclePositionGroups();
        QVERIFY(w.log.lines().isEmpty());
        QCOMPARE(w.clock.pendingCount(), 0);
    }

    void positionGroupsCycleInRelationshipOrder() {
        KeyboardWorld w;
        ConfigurationGroup* c = w.configuration("Desk", 1);
        AppWorld::addApp(c, "org.example.Notes", "Notes", Corner::bottomLeft);
        PositionGroup* a = c->addPositionGroup("A", "", false);
        PositionGroup* b = c->addPositionGroup("B", "", true);
        PositionGroup* cc = c->addPositionGroup("C", "", false);
        a->setPosition("org.example.Notes", "Notes", Corner::leftHalf);
        b->setPosition("org.example.Notes", "Notes", Corner::rightHalf);
        w.select(c);

        // Before any choice the default group (B) is used; the first cycle picks the first group.
        w.state->activateCurrentSelectedGroup();
        QStringList names;
        for (int i = 0; i < 4; ++i) {
            w.state->cyclePositionGroups();
            names << w.state->selectedPositionGroupForConfig().value(uuidString(c->id()));
        }
        QCOMPARE(names, QStringList({uuidString(a->id()), uuidString(b->id()), uuidString(cc->id()),
                                     uuidString(a->id())}));
        // C has no mapping for Notes: its own stored position.
        QStringList road = roadLines(w.log.lines());
        QCOMPARE(road.filter("📌 Positioning Notes at bottomLeft using group C").size(), 1);
        road = road.filter("🚀 Applying")
                   .replaceInStrings(
                       "🚀 Applying configuration via keyboard shortcut: Desk with position group: ", "");
        QCOMPARE(road, QStringList({"B", "A", "B", "C", "A"}));
    }

    void aDeletedRememberedGroupCountsAsNoChoice() {
        KeyboardWorld w;
        ConfigurationGroup* c = w.configuration("Desk", 1);
        PositionGroup* a = c->addPositionGroup("A", "", false);
        PositionGroup* b = c->addPositionGroup("B", "", false);
        PositionGroup* gone = c->addPositionGroup("Gone", "", false);
        c->setDefaultPositionGroup(b);
        w.select(c);
        w.state->setSelectedPositionGroup(uuidString(c->id()), uuidString(gone->id()));
        w.context()->deleteObject(gone);
        w.state->activateCurrentSelectedGroup();
        w.state->cyclePositionGroups();
        QCOMPARE(w.state->selectedPositionGroupForConfig().value(uuidString(c->id())), uuidString(a->id()));
        QCOMPARE(
            roadLines(w.log.lines()),
            QStringList({"🚀 Applying configuration via keyboard shortcut: Desk with position group: B",
                         "🚀 Applying configuration via keyboard shortcut: Desk with position group: A"}));
    }

    void fewerThanTwoGroupsCannotCycle() {
        for (int groups : {0, 1}) {
            KeyboardWorld w;
            ConfigurationGroup* c = w.configuration("Solo", 1);
            AppWorld::addApp(c, "org.example.Notes", "Notes");
            if (groups)
                c->addPositionGroup("G", "", true);
            w.select(c);
            w.state->cyclePositionGroups();
            QCOMPARE(w.log.lines(),
                     QStringList{"⚠️ Configuration 'Solo' has only one position group, cannot cycle"});
            QVERIFY(w.state->selectedPositionGroupForConfig().isEmpty());
            QCOMPARE(w.clock.pendingCount(), 0);
        }
    }

    void theKeyboardRoadPlacesEachApplication0_02SecondsApart() {
        KeyboardWorld w;
        w.runWithWindow("org.example.Notes", "Notes");
        w.runWithWindow("org.example.Mail", "Mail");
        w.runWithWindow("org.example.Term", "Term");
        ConfigurationGroup* c = w.configuration("Work", 1, 1);
        AppWorld::addApp(c, "org.example.Notes", "Notes", Corner::topLeft);
        AppConfiguration* mail = AppWorld::addApp(c, "org.example.Mail", "Mail", Corner::topRight);
        AppWorld::addApp(c, "org.example.Gone", "Gone", Corner::bottomLeft);
        AppWorld::addApp(c, "org.example.Term", "Term", Corner::fullScreen);
        PositionGroup* g = c->addPositionGroup("Split", "", true);
        g->setPosition("org.example.Notes", "Notes", Corner::leftHalf);
        g->setPosition("org.example.Term", "Term", Corner::rightHalf);
        w.select(c);
        const std::optional<QDateTime> activated = c->lastActivatedAt();

        w.state->activateCurrentSelectedGroup();
        // The screen is chosen first, once for the whole configuration.
        QCOMPARE(w.log.lines().first(), "🔍 SCREEN DETECTION: Starting screen detection process");
        QCOMPARE(w.log.lines().mid(8),
                 QStringList({
                     "🚀 Applying configuration via keyboard shortcut: Work with position group: Split",
                     "📌 Positioning Notes at leftHalf using group Split",
                     "📌 Positioning Mail at topRight using group Split",
                     "📌 Positioning Gone at bottomLeft using group Split",
                     "📌 Positioning Term at rightHalf using group Split",
                 }));
        // Queued, nothing placed yet: the first on the next turn, then 0.02 s apart.
        QCOMPARE(w.clock.pendingDeadlines(), QList<double>({0.0, 0.02, 0.04, 0.06}));
        QVERIFY(sizeWrites(w.desktop.journal()).isEmpty());

        // The step reads the bundle id when it runs: Mail, renamed meanwhile, is not placed.
        QVERIFY(w.context()->save());
        mail->setBundleID("org.example.Renamed");
        w.clock.runAll();
        QCOMPARE(sizeWrites(w.desktop.journal()), QStringList({"0.00 Notes", "0.06 Term"}));
        QVERIFY(w.desktop.journal().contains("0.00 write Notes AXPosition (10.0, 10.0)"));
        QVERIFY(w.desktop.journal().contains("0.06 write Term AXPosition (710.0, 10.0)"));
        QCOMPARE(c->lastActivatedAt(), activated);
    }

    void theScreenIsChosenOnceFromTheMainWindow() {
        KeyboardWorld w;
        const Screen right = SimWorld::display("right", Rect(1440, 0, 1920, 1080));
        w.desktop.setScreens({SimWorld::laptop(1.0), right});
        w.runWithWindow("org.example.Notes", "Notes");
        ConfigurationGroup* c = w.configuration("Work", 1);
        AppWorld::addApp(c, "org.example.Notes", "Notes", Corner::topLeft);
        w.select(c);
        WindowOn mainWindow(right);
        w.state->setMainWindow(&mainWindow);
        w.state->activateCurrentSelectedGroup();
        w.clock.runAll();
        QVERIFY(w.desktop.journal().contains("0.00 write Notes AXPosition (1450.0, 10.0)"));
    }
};

QTEST_GUILESS_MAIN(KeyboardActionsTest)
#include "KeyboardActionsTest.moc"
