// Finding an application's window: the escalating recovery while it shows none, its own
// new-window menu item, and what never triggers a recovery.
#include "SimWorld.h"
#include "placement/WindowControl.h"

#include <QTest>

namespace {
const QString notesID = QStringLiteral("org.example.Notes");
const QString waitLine = QStringLiteral("⏳ Waiting 0.8 seconds before retry...");
const QString notFound = QStringLiteral("❌ Could not find or click New Window menu item");
const QString clicked = QStringLiteral("✅ Successfully clicked New Window menu item");

struct Lookup {
    SimWorld world;
    WindowControl ax{world.platform};
    SimApplication& app;

    Lookup() : app(world.desktop.run(notesID, "Notes")) { world.desktop.install(notesID, "Notes"); }
    WindowElementRef find(int maxRetries = 3) {
        const auto handle = ax.axApp(notesID);
        return handle ? ax.findWindowWithRetry(handle->element, *handle->app, maxRetries) : nullptr;
    }
};
} // namespace

class WindowLookupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theFirstStandardWindowIsFoundAtOnce() {
        Lookup l;
        l.world.desktop.addWindow(l.app, SimWindow{"main"});
        SimWindow unknown{"unknown"};
        unknown.unreadable.insert("AXRole");
        l.world.desktop.addWindow(l.app, unknown);
        SimWindow dialog{"dialog"};
        dialog.role = "AXDialog";
        l.world.desktop.addWindow(l.app, dialog); // frontmost
        QCOMPARE(l.ax.axString(l.find(), "AXTitle"), std::optional<QString>("main"));
        QVERIFY(l.world.clock.sleeps().isEmpty());
        QVERIFY(l.world.log.lines().isEmpty());
        QVERIFY(l.world.desktop.journal().isEmpty());
    }

    // Activate; activate and press the menu item; reopen; nothing. Three waits between four attempts.
    void windowlessApplicationEscalates() {
        Lookup l;
        l.app.menuBar = QList<SimMenu>{{"File", true, {{"New Window"}}}};
        QVERIFY(!l.find());
        QCOMPARE(l.world.log.lines(), QStringList({waitLine, clicked, waitLine, waitLine}));
        QCOMPARE(l.world.desktop.journal(),
                 QStringList({"0.00 activate org.example.Notes all windows",
                              "0.80 activate org.example.Notes all windows", "1.00 press New Window",
                              "1.80 open /usr/share/applications/org.example.Notes.desktop activates"}));
        QCOMPARE(l.world.clock.sleeps(), QList<double>({0.8, 0.2, 0.8, 0.8}));
    }

    // Each recovery step counts only from the next attempt on; a window that takes a while to show up
    // is found by a later attempt, not waited for.
    void recoveryStepsBringTheWindowBack_data() {
        QTest::addColumn<QString>("recovery");
        QTest::addColumn<double>("delay");
        QTest::addColumn<double>("foundAt");
        QTest::newRow("activation") << "activate" << 0.0 << 0.8;
        QTest::newRow("slow activation") << "activate" << 1.0 << 1.8;
        QTest::newRow("menu item") << "menu" << 0.0 << 1.8;
        QTest::newRow("reopening") << "reopen" << 0.0 << 2.6;
    }
    void recoveryStepsBringTheWindowBack() {
        QFETCH(QString, recovery);
        QFETCH(double, delay);
        QFETCH(double, foundAt);
        Lookup l;
        l.app.windowOnActivate = recovery == QLatin1String("activate");
        l.app.windowOnReopen = recovery == QLatin1String("reopen");
        l.app.windowDelay = delay;
        l.app.menuBar =
            QList<SimMenu>{{"File", true, {{"New Window", WindowAccessError::success, recovery == "menu"}}}};
        QVERIFY(l.find());
        QCOMPARE(l.world.clock.now(), foundAt);
    }

    // Windows of other roles, an unreadable window list (no permission) and an application that is
    // not installed take no recovery step, but the waits still happen.
    void nothingToRecover() {
        for (int i = 0; i < 3; ++i) {
            Lookup l;
            SimWindow panel{"palette"};
            panel.role = "AXFloatingWindow";
            if (i == 0)
                l.world.desktop.addWindow(l.app, panel);
            l.world.desktop.setTrusted(i != 1);
            if (i == 2) {
                SimApplication& gone = l.world.desktop.run("org.example.Gone", "Gone");
                QVERIFY(!l.ax.firstStandardWindow(l.world.desktop.applicationElement(gone.pid), &gone, 2));
                QVERIFY(l.world.desktop.journal().isEmpty());
                continue;
            }
            QVERIFY(!l.find());
            QVERIFY(l.world.desktop.journal().isEmpty());
            QCOMPARE(l.world.clock.sleeps(), QList<double>({0.8, 0.8, 0.8}));
        }
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

    void menuSearch_data() {
        QTest::addColumn<std::optional<QList<SimMenu>>>("menus");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("presses");
        const SimMenuItem open{"Open…"};
        QTest::newRow("substring match")
            << std::optional(QList<SimMenu>{{"FILE", true, {open, {"Renew Windows"}}}})
            << QStringList{clicked} << QStringList{"press Renew Windows"};
        QTest::newRow("localized title")
            << std::optional(QList<SimMenu>{{"Datei", true, {{"Neues Fenster"}}}}) << QStringList{notFound}
            << QStringList{};
        // Only the first "file" item is tried.
        QTest::newRow("first file item without submenu")
            << std::optional(QList<SimMenu>{{"File", false, {}}, {"File", true, {{"New Window"}}}})
            << QStringList{notFound} << QStringList{};
        QTest::newRow("failed press tries the next item")
            << std::optional(QList<SimMenu>{
                   {"File",
                    true,
                    {{"New Window", WindowAccessError::cannotComplete}, {"New Private Window"}}}})
            << QStringList{"❌ Failed to click New Window menu item: AXError(rawValue: -25204)", clicked}
            << QStringList{"press New Window", "press New Private Window"};
        QTest::newRow("all presses fail")
            << std::optional(QList<SimMenu>{{"File", true, {{"New Window", WindowAccessError::failure}}}})
            << QStringList{"❌ Failed to click New Window menu item: AXError(rawValue: -25200)", notFound}
            << QStringList{"press New Window"};
        QTest::newRow("no menu bar") << std::optional<QList<SimMenu>>()
                                     << QStringList{"❌ Could not access menu bar"} << QStringList{};
    }
    void menuSearch() {
        QFETCH(std::optional<QList<SimMenu>>, menus);
        QFETCH(QStringList, log);
        QFETCH(QStringList, presses);
        Lookup l;
        l.app.menuBar = menus;
        QCOMPARE(l.ax.tryCreateWindowViaMenu(l.world.desktop.applicationElement(l.app.pid)),
                 log.endsWith(clicked));
        QCOMPARE(l.world.log.lines(), log);
        QStringList journal = l.world.desktop.journal();
        for (QString& line : journal)
            line.remove(0, 5);
        QCOMPARE(journal, presses);
    }
};

QTEST_GUILESS_MAIN(WindowLookupTest)
#include "WindowLookupTest.moc"
