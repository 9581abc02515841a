// Finding an application's window: the escalating recovery while it shows none, its own
// new-window menu item, and what never triggers a recovery.
#include "SimWorld.h"
#include "placement/AXHelpers.h"

#include <QTest>

namespace {
const QString notesID = QStringLiteral("org.example.Notes");
const QString waitLine = QStringLiteral("⏳ Waiting 0.8 seconds before retry...");
const QString notFound = QStringLiteral("❌ Could not find or click New Window menu item");
} // namespace

class WindowLookupTest : public QObject {
    Q_OBJECT

    struct Lookup {
        SimWorld world;
        AXHelpers ax{world.platform};
        SimApplication& app;

        Lookup() : app(world.desktop.run(notesID, "Notes")) { world.desktop.install(notesID, "Notes"); }
        AXElementRef find(int maxRetries = 3) {
            const auto handle = ax.axApp(notesID);
            return handle ? ax.findWindowWithRetry(handle->element, *handle->app, maxRetries) : nullptr;
        }
        bool pressNewWindow() { return ax.tryCreateWindowViaMenu(world.desktop.applicationElement(app.pid)); }
    };

private Q_SLOTS:
    void oneStandardWindowIsFoundAtOnce() {
        Lookup l;
        l.world.desktop.addWindow(l.app, SimWindow{"Notes"});
        const AXElementRef win = l.find();
        QVERIFY(win);
        QCOMPARE(l.ax.axString(win, "AXTitle"), std::optional<QString>("Notes"));
        QVERIFY(l.world.clock.sleeps().isEmpty());
        QVERIFY(l.world.log.lines().isEmpty());
        QVERIFY(l.world.desktop.journal().isEmpty());
    }

    void firstStandardWindowSkipsOtherRoles() {
        Lookup l;
        SimWindow main{"main"};
        l.world.desktop.addWindow(l.app, main);
        SimWindow unknown{"unknown"};
        unknown.unreadable.insert("AXRole");
        l.world.desktop.addWindow(l.app, unknown);
        SimWindow dialog{"dialog"};
        dialog.role = "AXDialog";
        l.world.desktop.addWindow(l.app, dialog); // frontmost
        const AXElementRef win =
            l.ax.firstStandardWindow(l.world.desktop.applicationElement(l.app.pid), &l.app, 0);
        QCOMPARE(l.ax.axString(win, "AXTitle"), std::optional<QString>("main"));
    }

    // Activate; activate and press the menu item; reopen; nothing. Three waits between four attempts.
    void windowlessApplicationEscalates() {
        Lookup l;
        l.app.menuBar = QList<SimMenu>{{"File", true, {{"New Window"}}}};
        QVERIFY(!l.find());
        QCOMPARE(l.world.log.lines(),
                 QStringList({waitLine, "✅ Successfully clicked New Window menu item", waitLine, waitLine}));
        QCOMPARE(l.world.desktop.journal(),
                 QStringList({"0.00 activate org.example.Notes all windows",
                              "0.80 activate org.example.Notes all windows", "1.00 press New Window",
                              "1.80 open /usr/share/applications/org.example.Notes.desktop activates"}));
        QCOMPARE(l.world.clock.sleeps(), QList<double>({0.8, 0.2, 0.8, 0.8}));
        QCOMPARE(l.world.clock.now(), 2.6);
    }

    // Each recovery step counts only from the next attempt on.
    void recoveryStepsBringTheWindowBack_data() {
        QTest::addColumn<QString>("recovery");
        QTest::addColumn<double>("foundAt");
        QTest::addColumn<QList<double>>("sleeps");
        QTest::newRow("activation") << "activate" << 0.8 << QList<double>{0.8};
        QTest::newRow("menu item") << "menu" << 1.8 << QList<double>{0.8, 0.2, 0.8};
        QTest::newRow("reopening") << "reopen" << 2.6 << QList<double>{0.8, 0.2, 0.8, 0.8};
    }
    void recoveryStepsBringTheWindowBack() {
        QFETCH(QString, recovery);
        QFETCH(double, foundAt);
        QFETCH(QList<double>, sleeps);
        Lookup l;
        l.app.windowOnActivate = recovery == QLatin1String("activate");
        l.app.windowOnReopen = recovery == QLatin1String("reopen");
        l.app.menuBar =
            QList<SimMenu>{{"File", true, {{"New Window", AXError::success, recovery == "menu"}}}};
        QVERIFY(l.find());
        QCOMPARE(l.world.clock.now(), foundAt);
        QCOMPARE(l.world.clock.sleeps(), sleeps);
    }

    // A window that takes a while to show up is found by a later attempt, not waited for.
    void slowWindowIsFoundByALaterAttempt() {
        Lookup l;
        l.app.windowOnActivate = true;
        l.app.windowDelay = 1.0;
        QVERIFY(l.find());
        QCOMPARE(l.world.clock.now(), 1.8);
        QCOMPARE(l.world.desktop.journal().first(), "0.00 activate org.example.Notes all windows");
    }

    void windowsOfOtherRolesNeverTriggerRecovery() {
        Lookup l;
        SimWindow panel{"palette"};
        panel.role = "AXFloatingWindow";
        l.world.desktop.addWindow(l.app, panel);
        QVERIFY(!l.find());
        QVERIFY(l.world.desktop.journal().isEmpty());
        QCOMPARE(l.world.clock.sleeps(), QList<double>({0.8, 0.8, 0.8}));
        QCOMPARE(l.world.log.lines(), QStringList({waitLine, waitLine, waitLine}));
    }

    // Without permission the listing fails: no recovery, but the waits still happen.
    void unreadableWindowListTakesNoStep() {
        Lookup l;
        l.world.desktop.setTrusted(false);
        QVERIFY(!l.find());
        QVERIFY(l.world.desktop.journal().isEmpty());
        QCOMPARE(l.world.clock.sleeps().size(), 3);
    }

    void noRetriesIsOneAttempt() {
        for (int retries : {0, -2}) {
            Lookup l;
            QVERIFY(!l.find(retries));
            QVERIFY(l.world.clock.sleeps().isEmpty());
            QVERIFY(l.world.log.lines().isEmpty());
            QCOMPARE(l.world.desktop.journal(), QStringList({"0.00 activate org.example.Notes all windows"}));
        }
    }

    void reopeningNeedsAnInstalledApplication() {
        SimWorld world;
        SimApplication& app = world.desktop.run("org.example.Gone", "Gone");
        AXHelpers ax(world.platform);
        QVERIFY(!ax.firstStandardWindow(world.desktop.applicationElement(app.pid), &app, 2));
        QVERIFY(world.desktop.journal().isEmpty());
        QVERIFY(!ax.firstStandardWindow(world.desktop.applicationElement(app.pid), &app, 3));
        QVERIFY(world.desktop.journal().isEmpty());
    }

    void menuSearch_data() {
        QTest::addColumn<QList<SimMenu>>("menus");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("presses");
        const QString ok = "✅ Successfully clicked New Window menu item";
        const SimMenuItem open{"Open…"};
        QTest::newRow("new window") << SimDesktop::fileMenuWithNewWindow() << true << QStringList{ok}
                                    << QStringList{"press New Window"};
        QTest::newRow("substring match") << QList<SimMenu>{{"FILE", true, {open, {"Renew Windows"}}}} << true
                                         << QStringList{ok} << QStringList{"press Renew Windows"};
        QTest::newRow("localized title") << QList<SimMenu>{{"Datei", true, {{"Neues Fenster"}}}} << false
                                         << QStringList{notFound} << QStringList{};
        QTest::newRow("no matching item")
            << QList<SimMenu>{{"File", true, {open}}} << false << QStringList{notFound} << QStringList{};
        QTest::newRow("empty file menu")
            << QList<SimMenu>{{"File", true, {}}} << false << QStringList{notFound} << QStringList{};
        // Only the first "file" item is tried.
        QTest::newRow("first file item without submenu")
            << QList<SimMenu>{{"File", false, {}}, {"File", true, {{"New Window"}}}} << false
            << QStringList{notFound} << QStringList{};
        QTest::newRow("failed press tries the next item")
            << QList<SimMenu>{{"File",
                               true,
                               {{"New Window", AXError::cannotComplete}, {"New Private Window"}}}}
            << true << QStringList{"❌ Failed to click New Window menu item: AXError(rawValue: -25204)", ok}
            << QStringList{"press New Window", "press New Private Window"};
        QTest::newRow("all presses fail")
            << QList<SimMenu>{{"File", true, {{"New Window", AXError::failure}}}} << false
            << QStringList{"❌ Failed to click New Window menu item: AXError(rawValue: -25200)", notFound}
            << QStringList{"press New Window"};
        QTest::newRow("empty menu bar")
            << QList<SimMenu>{} << false << QStringList{notFound} << QStringList{};
    }
    void menuSearch() {
        QFETCH(QList<SimMenu>, menus);
        QFETCH(bool, pressed);
        QFETCH(QStringList, log);
        QFETCH(QStringList, presses);
        Lookup l;
        l.app.menuBar = menus;
        QCOMPARE(l.pressNewWindow(), pressed);
        QCOMPARE(l.world.log.lines(), log);
        QStringList journal = l.world.desktop.journal();
        for (QString& line : journal)
            line.remove(0, 5);
        QCOMPARE(journal, presses);
    }

    void applicationWithoutMenuBar() {
        Lookup l;
        QVERIFY(!l.pressNewWindow());
        QCOMPARE(l.world.log.lines(), QStringList({"❌ Could not access menu bar"}));
    }
};

QTEST_GUILESS_MAIN(WindowLookupTest)
#include "WindowLookupTest.moc"
