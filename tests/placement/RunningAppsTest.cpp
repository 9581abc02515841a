// The running applications the pickers offer, launching, and reading a window's frame.
#include "SimWorld.h"
#include "placement/Actions.h"
#include "placement/RunningAppsHelper.h"

#include <QTest>

class RunningAppsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listsOrdinaryApplicationsByName() {
        SimWorld w;
        SimDesktop& d = w.desktop;
        d.run("org.example.gamma", "gamma");
        d.run("org.example.Beta", "Beta").hidden = true;
        d.run(d.mainBundleIdentifier(), "Quarlin");
        d.run("org.example.agent", "Agent").policy = ActivationPolicy::accessory;
        d.run("org.example.noid", "No id").bundleID = std::nullopt;
        d.run("org.example.noname", "").name = std::nullopt;
        d.run("org.example.emptyname", "");
        d.run("org.example.alpha", "alpha").iconName = "accessories-text-editor";
        d.run("org.example.twin1", "Twin");
        d.run("org.example.twin2", "Twin");
        QStringList shown;
        for (const RunningApp& app : RunningAppsHelper(w.platform).getRunningApps())
            shown << QStringList{app.name, app.bundleID, app.icon.value_or("-"), app.isHidden ? "hidden" : ""}
                         .join('|');
        QCOMPARE(shown, QStringList({"alpha|org.example.alpha|accessories-text-editor|",
                                     "Beta|org.example.Beta|-|hidden", "gamma|org.example.gamma|-|",
                                     "Twin|org.example.twin1|-|", "Twin|org.example.twin2|-|"}));
        QVERIFY(w.log.lines().isEmpty());
    }

    void launch_data() {
        QTest::addColumn<QString>("bundleID");
        QTest::addColumn<QStringList>("journal");
        QTest::newRow("running and hidden")
            << "org.example.Hidden" << QStringList{"0.00 activate org.example.Hidden all windows"};
        QTest::newRow("installed")
            << "org.example.Notes"
            << QStringList{"0.00 open /usr/share/applications/org.example.Notes.desktop activates"};
        QTest::newRow("fails to open")
            << "org.example.Broken"
            << QStringList{"0.00 open /usr/share/applications/org.example.Broken.desktop activates",
                           "0.00 beep"};
        QTest::newRow("not installed") << "org.example.Missing" << QStringList{"0.00 beep"};
    }
    void launch() {
        QFETCH(QString, bundleID);
        QFETCH(QStringList, journal);
        SimWorld w;
        w.desktop.install("org.example.Notes", "Notes");
        w.desktop.install("org.example.Broken", "Broken", 0, true);
        w.desktop.install("org.example.Hidden", "Hidden");
        w.desktop.run("org.example.Hidden", "Hidden").hidden = true;
        Actions(w.platform).launchApp(bundleID);
        QCOMPARE(w.desktop.journal(), journal);
        const bool runs = !journal.last().endsWith("beep");
        QCOMPARE(w.desktop.application(bundleID) != nullptr, runs);
        if (runs)
            QVERIFY(!w.desktop.application(bundleID)->isHidden());
        QVERIFY(w.log.lines().isEmpty());
    }

    // Without permission, for an application not running or without a window: nothing, and no
    // recovery step is taken.
    void windowFrameInTopLeftCoordinates() {
        SimWorld w;
        SimWindow& win = w.notesWithWindow();
        win.position = {0, 25};
        win.size = {700, 500};
        Actions actions(w.platform);
        QCOMPARE(actions.getCurrentWindowFrame("org.example.Notes"),
                 std::optional<Rect>(Rect(0, 25, 700, 500)));
        QCOMPARE(actions.getCurrentWindowFrame("org.example.Mail"), std::nullopt);
        w.desktop.run("org.example.Empty", "Empty").menuBar = SimDesktop::fileMenuWithNewWindow();
        QCOMPARE(actions.getCurrentWindowFrame("org.example.Empty"), std::nullopt);
        QCOMPARE(w.log.take(), QStringList({"❌ No window found for app"}));
        w.desktop.setTrusted(false);
        QCOMPARE(actions.getCurrentWindowFrame("org.example.Notes"), std::nullopt);
        QVERIFY(w.log.lines().isEmpty());
        QVERIFY(w.desktop.journal().isEmpty());
        QVERIFY(w.clock.sleeps().isEmpty());
    }
};

QTEST_GUILESS_MAIN(RunningAppsTest)
#include "RunningAppsTest.moc"
