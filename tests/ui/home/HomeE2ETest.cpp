// The home tab in the real program on the private Xvfb desktop with two monitors, driven by real
// clicks and keys: create a configuration, see it listed and stored; activate it from its row and
// read every window's frame from the X server; move it to the second monitor from the display menu;
// swap its two applications; delete it. A screenshot of each step goes to <build>/screenshots.
#include "QuarlinProgram.h"
#include "TestDesktop.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/Database.h"
#include "store/ModelContainer.h"

#include <QDir>
#include <QImage>
#include <QProcess>
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

QString entry(const QString& name, const QString& exec, const QString& wmClass) {
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nStartupWMClass=%3\n")
        .arg(name, exec, wmClass);
}

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
    // The first visible window whose title matches, waiting for it; 0 when none came.
    quint32 window(const QString& title) {
        quint32 id = 0;
        m_desktop->waitFor([&] {
            QProcess search;
            search.setProcessEnvironment(m_desktop->environment());
            search.start(
                QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), title});
            search.waitForFinished(10000);
            id = QString::fromUtf8(search.readAllStandardOutput()).split(QLatin1Char('\n')).value(0).toUInt();
            return id != 0;
        });
        return id;
    }
    // A picture of one window of ours (a dialog or a sheet: the picture of the whole screen shows
    // windows of another visual black), taken once it has painted itself.
    void shotOf(const QString& name, quint32 window) {
        const QString path = QuarlinProgram::screenshotFolder() + QStringLiteral("/home-") + name + ".png";
        QVERIFY(m_desktop->waitFor([&] {
            QProcess shot;
            shot.setProcessEnvironment(m_desktop->environment());
            shot.start(QStringLiteral("sh"),
                       {QStringLiteral("-c"),
                        QStringLiteral("xwd -id \"$1\" -silent | xwdtopnm 2>/dev/null | "
                                       "pnmtopng > \"$0\""),
                        path, QString::number(window)});
            shot.waitForFinished(10000);
            const QImage image(path);
            return !image.isNull() && image.pixelColor(image.rect().center()) != QColor(Qt::black);
        }));
    }
    QString stored(const QString& sql) {
        QString error;
        auto db = Database::open(m_quarlin->storePath(), false, &error);
        return db ? db->queryText(sql).value_or(QString()) : error;
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
        desktop.installDesktopEntry(
            logoID, entry(QStringLiteral("Logo"), QStringLiteral("xlogo"), QStringLiteral("XLogo")));
        desktop.installDesktopEntry(termID, entry(QStringLiteral("Terminal"),
                                                  QStringLiteral("xterm -class QuarlinHomeTerm"),
                                                  QStringLiteral("QuarlinHomeTerm")));
        desktop.installDesktopEntry(
            eyesID, entry(QStringLiteral("Eyes"), QStringLiteral("xeyes"), QStringLiteral("XEyes")));
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
        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        quarlin.screenshot(QStringLiteral("empty"));

        // Create "Coding" from the home tab; its editor opens and is closed unsaved.
        click(newConfiguration);
        const quint32 sheet = window(QStringLiteral("^Create New Configuration$"));
        QVERIFY(sheet);
        shotOf(QStringLiteral("create-sheet"), sheet);
        QVERIFY(desktop.xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                                 QStringLiteral("Coding")}));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY(quarlin.waitForOutput(QStringLiteral("✅ Successfully created configuration: Coding")));
        QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM ConfigurationGroup WHERE name = 'Coding'")),
                 QStringLiteral("1"));
        const quint32 editor = window(QStringLiteral("^Edit Configuration: Coding$"));
        QVERIFY(editor);
        QVERIFY(desktop.close(editor));
        quarlin.screenshot(QStringLiteral("created"));

        // Another writer (sync from another machine) gives it two applications: the logo on the
        // left half, the terminal on the right half.
        {
            VirtualScheduler clock;
            QString error;
            auto container = ModelContainer::open(quarlin.storePath(), clock, &error);
            QVERIFY2(container, qPrintable(error));
            ConfigurationGroup* coding = container->mainContext()->fetch<ConfigurationGroup>().first();
            coding->appendConfiguration(new AppConfiguration(logoID, QStringLiteral("Logo"), QString(), 0,
                                                             true, Corner::leftHalf, 0.5, 1080, 0, 0));
            coding->appendConfiguration(new AppConfiguration(termID, QStringLiteral("Terminal"), QString(), 0,
                                                             true, Corner::rightHalf, 0.5, 1080, 0, 0));
            QVERIFY2(container->mainContext()->save(&error), qPrintable(error));
        }
        QVERIFY(quarlin.waitForOutput(QStringLiteral("🔄 ConfigRow: Refreshed pre-computed values for Coding"),
                                      10000));
        quarlin.screenshot(QStringLiteral("two-apps"));

        // Activate: both windows on the main window's monitor (the left one).
        click(activateButton);
        QVERIFY(quarlin.waitForOutput(QStringLiteral("🚀 Applying configuration: Coding")));
        QVERIFY(desktop.waitFor([&] { return placed(logo.window, term.window, 0); }, 10000));
        quarlin.screenshot(QStringLiteral("activated"));
        QVERIFY(stored(QStringLiteral("SELECT count(*) FROM ConfigurationGroup WHERE lastActivatedAt IS NOT "
                                      "NULL AND name = 'Coding'")) == "1");

        // Move to the second monitor from the display menu.
        click(displayMenu);
        QVERIFY(desktop.key(QStringLiteral("Down")));
        QVERIFY(desktop.key(QStringLiteral("Down")));
        quarlin.screenshot(QStringLiteral("display-menu"));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY(desktop.waitFor([&] { return placed(logo.window, term.window, 1920); }, 10000));
        quarlin.screenshot(QStringLiteral("moved"));

        // Swap: the two exchange their halves, stored and placed again (on the main window's monitor).
        click(swapButton);
        QVERIFY(desktop.waitFor([&] { return placed(term.window, logo.window, 0); }, 10000));
        // Written by the store's own save shortly after.
        QVERIFY(desktop.waitFor([&] {
            return stored(QStringLiteral("SELECT group_concat(savedCorner, ';') FROM (SELECT * FROM "
                                         "AppConfiguration ORDER BY configurationGroupOrder)")) ==
                   QStringLiteral("rightHalf;leftHalf");
        }));
        quarlin.screenshot(QStringLiteral("swapped"));

        // Delete, after the confirmation.
        click(trashButton);
        const quint32 dialog = window(QStringLiteral("^Delete Configuration\\?$"));
        QVERIFY(dialog);
        shotOf(QStringLiteral("delete-dialog"), dialog);
        QVERIFY(desktop.key(QStringLiteral("alt+d")));
        QVERIFY(desktop.waitFor(
            [&] { return stored(QStringLiteral("SELECT count(*) FROM ConfigurationGroup")) == "0"; }));
        QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM AppConfiguration")), QStringLiteral("0"));
        quarlin.screenshot(QStringLiteral("deleted"));
        quarlin.stop();
    }
};

QTEST_GUILESS_MAIN(HomeE2ETest)
#include "HomeE2ETest.moc"
