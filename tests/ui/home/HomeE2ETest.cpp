// The home tab in the real program on the private Xvfb desktop with two monitors, driven by real
// clicks and keys: create a configuration, see it listed and stored; activate it from its row and
// read every window's frame from the X server; move it to the second monitor from the display menu;
// swap its two applications; delete it. A screenshot of each step goes to <build>/screenshots; the
// sheet, the editor, the display menu and the confirmation must show painted on the screen.
#include "QuarlinProgram.h"
#include "TestDesktop.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "store/ModelContext.h"

#include <QTest>

namespace {

const QString logoID = QStringLiteral("quarlin-home-logo");
const QString termID = QStringLiteral("quarlin-home-term");
const QString eyesID = QStringLiteral("quarlin-home-eyes");

// Where the controls are in the main window's client area (600 by 720), with three running
// applications listed and one configuration of two applications.
const QPoint newConfiguration(393, 310);
const QPoint activateButton(312, 391);
const QPoint displayMenu(427, 391);
const QPoint swapButton(490, 391);
const QPoint trashButton(553, 391);

bool near(int value, int expected) {
    return qAbs(value - expected) <= 12;
}

} // namespace

class HomeE2ETest : public QObject {
    Q_OBJECT

    TestDesktop* m_desktop = nullptr;
    QuarlinProgram* m_quarlin = nullptr;

    // Brings the main window in front of the placed windows and clicks in it. The points are those of
    // a 600-pixel-wide window; every control clicked here keeps its distance to the right edge.
    void click(QPoint at) {
        QVERIFY(m_desktop->xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                    QString::number(m_quarlin->window())}));
        QVERIFY(m_quarlin->click(at + QPoint(m_quarlin->clientGeometry().width() - 600, 0)));
    }
    // Left edges of the two windows, and whether each spans half of a monitor.
    bool placed(quint32 left, quint32 right, int monitorX) {
        const QRect l = m_desktop->frameGeometry(left);
        const QRect r = m_desktop->frameGeometry(right);
        return near(l.x(), monitorX) && near(l.right() + 1, monitorX + 960) && near(r.x(), monitorX + 960) &&
               near(r.right() + 1, monitorX + 1920);
    }

private Q_SLOTS:
    void createActivateMoveSwapDelete() {
        TestDesktop::Options options;
        options.twoMonitors = true;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        m_desktop = &desktop;
        desktop.installDesktopEntry(logoID, TestDesktop::applicationEntry(QStringLiteral("Logo"),
                                                                          QStringLiteral("xlogo"),
                                                                          QStringLiteral("XLogo")));
        desktop.installDesktopEntry(
            termID, TestDesktop::applicationEntry(QStringLiteral("Terminal"),
                                                  QStringLiteral("xterm -class QuarlinHomeTerm"),
                                                  QStringLiteral("QuarlinHomeTerm")));
        desktop.installDesktopEntry(eyesID, TestDesktop::applicationEntry(QStringLiteral("Eyes"),
                                                                          QStringLiteral("xeyes"),
                                                                          QStringLiteral("XEyes")));
        const TestDesktop::Client logo =
            desktop.startXlogo({QStringLiteral("-geometry"), QStringLiteral("150x150+100+700")});
        const TestDesktop::Client term =
            desktop.startClient(QStringLiteral("xterm"),
                                {QStringLiteral("-class"), QStringLiteral("QuarlinHomeTerm"),
                                 QStringLiteral("-geometry"), QStringLiteral("60x10+1300+600")},
                                QStringLiteral("QuarlinHomeTerm"));
        const TestDesktop::Client eyes = desktop.startClient(
            QStringLiteral("xeyes"), {QStringLiteral("-geometry"), QStringLiteral("150x100+1300+100")},
            QStringLiteral("XEyes"));
        QVERIFY(logo.window && term.window && eyes.window);

        QuarlinProgram quarlin(desktop, QStringLiteral("home"));
        m_quarlin = &quarlin;
        quarlin.showDebugLines(QStringLiteral("quarlin.ui")); // the rows' refreshes
        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        quarlin.screenshot(QStringLiteral("empty"));

        // Create "Coding" from the home tab; its editor opens and is closed unsaved.
        click(newConfiguration);
        const quint32 sheet = quarlin.waitForWindow(QStringLiteral("^Create New Configuration$"));
        QVERIFY(sheet);
        QVERIFY(quarlin.screenshotOf(QStringLiteral("create-sheet"), sheet));
        QVERIFY(quarlin.type(QStringLiteral("Coding")));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY(quarlin.waitForOutput(QStringLiteral("✅ Successfully created configuration: Coding")));
        QCOMPARE(
            quarlin.query(QStringLiteral("SELECT count(*) FROM ConfigurationGroup WHERE name = 'Coding'")),
            QStringLiteral("1"));
        const quint32 editor = quarlin.waitForWindow(QStringLiteral("^Edit Configuration: Coding$"));
        QVERIFY(editor);
        QVERIFY(quarlin.screenshotOf(QStringLiteral("editor"), editor));
        QVERIFY(desktop.close(editor));
        quarlin.screenshot(QStringLiteral("created"));

        // Another writer (sync from another machine) gives it two applications: the logo on the
        // left half, the terminal on the right half.
        QVERIFY2(quarlin.changeStore([](ModelContext& context) {
            ConfigurationGroup* coding = context.fetch<ConfigurationGroup>().first();
            coding->appendConfiguration(new AppConfiguration(logoID, QStringLiteral("Logo"), QString(), 0,
                                                             true, Corner::leftHalf, 0.5, 1080, 0, 0));
            coding->appendConfiguration(new AppConfiguration(termID, QStringLiteral("Terminal"), QString(), 0,
                                                             true, Corner::rightHalf, 0.5, 1080, 0, 0));
        }),
                 qPrintable(quarlin.error()));
        QVERIFY(quarlin.waitForOutput(QStringLiteral("🔄 ConfigRow: Refreshed pre-computed values for Coding"),
                                      10000));
        quarlin.screenshot(QStringLiteral("two-apps"));

        // Activate: both windows on the main window's monitor (the left one).
        click(activateButton);
        QVERIFY(quarlin.waitForOutput(QStringLiteral("🚀 Applying configuration: Coding")));
        QVERIFY(desktop.waitFor([&] { return placed(logo.window, term.window, 0); }, 10000));
        quarlin.screenshot(QStringLiteral("activated"));
        QVERIFY(quarlin.query(
                    QStringLiteral("SELECT count(*) FROM ConfigurationGroup WHERE lastActivatedAt IS NOT "
                                   "NULL AND name = 'Coding'")) == "1");

        // Move to the second monitor from the display menu.
        click(displayMenu);
        const quint32 menu = quarlin.waitForPopup();
        QVERIFY(menu);
        QVERIFY(quarlin.screenshotOf(QStringLiteral("display-menu"), menu));
        QVERIFY(desktop.key(QStringLiteral("Down")));
        QVERIFY(desktop.key(QStringLiteral("Down")));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY(desktop.waitFor([&] { return placed(logo.window, term.window, 1920); }, 10000));
        quarlin.screenshot(QStringLiteral("moved"));

        // Swap: the two exchange their halves, stored and placed again (on the main window's monitor).
        click(swapButton);
        QVERIFY(desktop.waitFor([&] { return placed(term.window, logo.window, 0); }, 10000));
        // Written by the store's own save shortly after.
        QVERIFY(desktop.waitFor([&] {
            return quarlin.query(QStringLiteral("SELECT group_concat(savedCorner, ';') FROM (SELECT * FROM "
                                                "AppConfiguration ORDER BY configurationGroupOrder)")) ==
                   QStringLiteral("rightHalf;leftHalf");
        }));
        quarlin.screenshot(QStringLiteral("swapped"));

        // Delete, after the confirmation.
        click(trashButton);
        const quint32 dialog = quarlin.waitForWindow(QStringLiteral("^Delete Configuration\\?$"));
        QVERIFY(dialog);
        QVERIFY(quarlin.screenshotOf(QStringLiteral("delete-dialog"), dialog));
        QVERIFY(desktop.key(QStringLiteral("alt+d")));
        QVERIFY(desktop.waitFor(
            [&] { return quarlin.query(QStringLiteral("SELECT count(*) FROM ConfigurationGroup")) == "0"; }));
        QCOMPARE(quarlin.query(QStringLiteral("SELECT count(*) FROM AppConfiguration")), QStringLiteral("0"));
        quarlin.screenshot(QStringLiteral("deleted"));
        quarlin.stop();
    }
};

QTEST_GUILESS_MAIN(HomeE2ETest)
#include "HomeE2ETest.moc"
