// The running applications the pickers offer, launching, reading a window's frame and the
// permission test.
#include "SimWorld.h"
#include "placement/Actions.h"
#include "placement/RunningAppsHelper.h"

#include <QTest>

namespace {

QStringList names(const QList<RunningApp>& apps) {
    QStringList list;
    for (const RunningApp& app : apps)
        list << app.name + QLatin1Char('|') + app.bundleID;
    return list;
}

} // namespace

class RunningAppsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listsOrdinaryApplicationsByName() {
        SimWorld w;
        SimDesktop& d = w.desktop;
        d.run("org.example.gamma", "gamma");
        d.run("org.example.Beta", "Beta");
        d.run(d.mainBundleIdentifier(), "Quarlin");
        d.run("org.example.agent", "Agent").policy = ActivationPolicy::accessory;
        d.run("org.example.daemon", "Daemon").policy = ActivationPolicy::prohibited;
        d.run("org.example.noid", "No id").bundleID = std::nullopt;
        d.run("", "Empty id");
        d.run("org.example.noname", "").name = std::nullopt;
        d.run("org.example.emptyname", "");
        d.run("org.example.alpha", "alpha");
        d.run("org.example.twin1", "Twin");
        d.run("org.example.twin2", "Twin");
        QCOMPARE(names(RunningAppsHelper(w.platform).getRunningApps()),
                 QStringList({"alpha|org.example.alpha", "Beta|org.example.Beta", "gamma|org.example.gamma",
                              "Twin|org.example.twin1", "Twin|org.example.twin2"}));
        QVERIFY(w.log.lines().isEmpty());
    }

    void recordsCarryIconAndHiddenState() {
        SimWorld w;
        SimApplication& app = w.desktop.run("org.example.Notes", "Notes");
        app.hidden = true;
        app.iconName = "accessories-text-editor";
        const RunningApp shown = RunningAppsHelper(w.platform).getRunningApps().first();
        QCOMPARE(shown,
                 RunningApp("Notes", "org.example.Notes", QStringLiteral("accessories-text-editor"), true));
        QCOMPARE(shown.id(), "org.example.Notes");
        // Same identity, different values.
        QVERIFY(shown !=
                RunningApp("Notes", "org.example.Notes", QStringLiteral("accessories-text-editor"), false));
        QVERIFY(shown != RunningApp("Notes", "org.example.Notes", std::nullopt, true));
        app.iconName.clear();
        QCOMPARE(RunningAppsHelper(w.platform).getRunningApps().first().icon, std::nullopt);
        app.name = std::nullopt;
        QCOMPARE(RunningApp(app).name, "Unknown App");
    }

    void launch_data() {
        QTest::addColumn<QString>("bundleID");
        QTest::addColumn<QStringList>("journal");
        QTest::addColumn<bool>("runsAfter");
        QTest::newRow("running and hidden")
            << "org.example.Hidden" << QStringList{"0.00 activate org.example.Hidden all windows"} << true;
        QTest::newRow("installed")
            << "org.example.Notes"
            << QStringList{"0.00 open /usr/share/applications/org.example.Notes.desktop activates"} << true;
        QTest::newRow("fails to open")
            << "org.example.Broken"
            << QStringList{"0.00 open /usr/share/applications/org.example.Broken.desktop activates",
                           "0.00 beep"}
            << false;
        QTest::newRow("not installed") << "org.example.Missing" << QStringList{"0.00 beep"} << false;
        // Ids come from stored configurations; a path in one never reaches the file system.
        QTest::newRow("path separator")
            << "../applications/org.example.Notes" << QStringList{"0.00 beep"} << false;
        QTest::newRow("dot dot") << "org..example" << QStringList{"0.00 beep"} << false;
        QTest::newRow("empty") << "" << QStringList{"0.00 beep"} << false;
    }
    void launch() {
        QFETCH(QString, bundleID);
        QFETCH(QStringList, journal);
        QFETCH(bool, runsAfter);
        SimWorld w;
        w.desktop.install("org.example.Notes", "Notes");
        w.desktop.install("org.example.Broken", "Broken", 0, true);
        w.desktop.install("org.example.Hidden", "Hidden");
        w.desktop.install("../applications/org.example.Notes", "Sneaky");
        w.desktop.install("org..example", "Sneaky");
        w.desktop.run("org.example.Hidden", "Hidden").hidden = true;

        Actions(w.platform).launchApp(bundleID);
        QCOMPARE(w.desktop.journal(), journal);
        QCOMPARE(w.desktop.application(bundleID) != nullptr, runsAfter);
        if (runsAfter)
            QVERIFY(!w.desktop.application(bundleID)->isHidden());
        QVERIFY(w.log.lines().isEmpty());
        QCOMPARE(w.clock.pendingCount(), 0);
    }

    void windowFrameInTopLeftCoordinates() {
        SimWorld w;
        SimWindow& win = w.notesWithWindow();
        win.position = {0, 25};
        win.size = {700, 500};
        Actions actions(w.platform);
        QCOMPARE(actions.getCurrentWindowFrame("org.example.Notes"),
                 std::optional<Rect>(Rect(0, 25, 700, 500)));
        // Without permission, and for an application not running: silently nothing.
        QCOMPARE(actions.getCurrentWindowFrame("org.example.Mail"), std::nullopt);
        w.desktop.setTrusted(false);
        QCOMPARE(actions.getCurrentWindowFrame("org.example.Notes"), std::nullopt);
        QVERIFY(w.log.lines().isEmpty());
    }

    void windowFrameWithoutWindowTakesNoStep() {
        SimWorld w;
        w.desktop.install("org.example.Notes", "Notes");
        w.desktop.run("org.example.Notes", "Notes").menuBar = SimDesktop::fileMenuWithNewWindow();
        QCOMPARE(Actions(w.platform).getCurrentWindowFrame("org.example.Notes"), std::nullopt);
        QCOMPARE(w.log.lines(), QStringList({"❌ No window found for app"}));
        QVERIFY(w.desktop.journal().isEmpty());
        QVERIFY(w.clock.sleeps().isEmpty());
    }
};

QTEST_GUILESS_MAIN(RunningAppsTest)
#include "RunningAppsTest.moc"
