// The real program on a private desktop: switching tabs with clicks, the theme and launch at login
// from the settings tab, a shortcut recorded with real key presses that then works as a hot key, and
// a monitor plugged in and out while the program runs, and changes that a read-only data file
// cannot take.
// Where to click is learnt from the same window laid out off screen at the program's size.
#include "../app/AppWorld.h"
#include "MainWindowReplica.h"
#include "QuarlinProgram.h"
#include "TestDesktop.h"

#include "login/LaunchAtLogin.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/SettingsModel.h"
#include "ui/MainWindow.h"
#include "ui/main/MainTabBar.h"
#include "ui/main/MainTabButton.h"
#include "ui/main/MainView.h"
#include "ui/main/SettingsView.h"
#include "ui/main/ShortcutsView.h"
#include "ui/shortcuts/Recorder.h"
#include "ui/shortcuts/RecorderControl.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

class MainWindowE2ETest : public QObject {
    Q_OBJECT
    static bool writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
               file.write(bytes) == bytes.size();
    }

private Q_SLOTS:
    void tabsSettingsAndAShortcutEndToEnd() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("main-window"));
        QVERIFY2(quarlin.changeStore([](ModelContext& context) {
            context.insert(new ConfigurationGroup(QStringLiteral("E2E Setup"), 1920, 1080, std::nullopt));
        }),
                 qPrintable(quarlin.error()));
        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        // The window opens centred on the work area, whatever the window manager did at mapping.
        QVERIFY(qAbs(quarlin.clientGeometry().center().x() - desktop.workArea().center().x()) <= 2);
        Replica replica(quarlin.clientGeometry().size());
        QVERIFY(!quarlin.screenshot(QStringLiteral("home")).isEmpty());

        // Settings: launch at login on and off, then the light theme.
        QVERIFY(quarlin.click(replica.tab(MainView::Tab::settings)));
        replica.view->pressTab(MainView::Tab::settings);
        QVERIFY(quarlin.screenshot(QStringLiteral("settings")).size());
        const QPoint login = replica.centreOf(replica.in<QCheckBox>("launchAtLoginToggle"));
        QVERIFY(quarlin.click(login));
        QVERIFY2(desktop.waitFor([&] { return QFile::exists(quarlin.autostartPath()); }),
                 qPrintable(quarlin.output()));
        QVERIFY(quarlin.click(login));
        QVERIFY(desktop.waitFor([&] { return !QFile::exists(quarlin.autostartPath()); }));
        // Pop-ups and message boxes over the main window show on the screen as they paint themselves.
        QMenuBar* bar = replica.window.menuBar();
        QVERIFY(
            quarlin.click(bar->mapTo(&replica.window, bar->actionGeometry(bar->actions().at(0)).center())));
        const quint32 menu = quarlin.waitForPopup();
        QVERIFY(menu);
        QVERIFY(quarlin.screenshotOf(QStringLiteral("quarlin-menu"), menu));
        QVERIFY(desktop.key(QStringLiteral("Escape")));
        // As a person would: the next shortcut once the menu is gone.
        QVERIFY(desktop.waitFor([&] { return !desktop.popups().contains(menu); }));
        QVERIFY(desktop.key(QStringLiteral("ctrl+u")));
        const quint32 updates = quarlin.waitForWindow(QStringLiteral("^Check for Updates$"));
        QVERIFY2(updates,
                 qPrintable(QStringLiteral("no notice; active window %1 (%2), popups %3, picture %4\n%5")
                                .arg(desktop.activeWindow(), 0, 16)
                                .arg(desktop.wmClass(desktop.activeWindow()))
                                .arg(desktop.popups().size())
                                .arg(quarlin.screenshot(QStringLiteral("updates-missing")))
                                .arg(quarlin.output())));
        QVERIFY(quarlin.screenshotOf(QStringLiteral("updates-notice"), updates));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY(quarlin.waitUntilGone(QStringLiteral("^Check for Updates$")));

        QVERIFY(quarlin.click(replica.centreOf(replica.in<QComboBox>("themePicker"))));
        const quint32 themes = quarlin.waitForPopup();
        QVERIFY(themes);
        QVERIFY(quarlin.screenshotOf(QStringLiteral("theme-list"), themes));
        QVERIFY(desktop.key(QStringLiteral("Up")));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY2(
            desktop.waitFor([&] { return quarlin.preferences().value("appTheme").toString() == "light"; }),
            qPrintable(quarlin.output()));
        QVERIFY(quarlin.screenshot(QStringLiteral("settings-light")).size());

        QVERIFY(quarlin.click(replica.tab(MainView::Tab::home)));
        QVERIFY(quarlin.screenshot(QStringLiteral("home-light")).size());

        // Shortcuts: record ctrl+alt+k for "Cycle Through Configurations" with real key presses.
        QVERIFY(quarlin.click(replica.tab(MainView::Tab::shortcuts)));
        replica.view->pressTab(MainView::Tab::shortcuts);
        const auto recorders = qobject_cast<ShortcutsView*>(replica.view->currentContent())->recorders();
        QVERIFY(quarlin.click(replica.centreOf(recorders.at(1)->control())));
        QVERIFY(quarlin.screenshot(QStringLiteral("shortcuts-recording")).size());
        QVERIFY(desktop.key(QStringLiteral("ctrl+alt+k")));
        const QString key = QStringLiteral("KeyboardShortcuts_cycleConfigurations");
        QVERIFY2(desktop.waitFor([&] { return quarlin.preferences().value(key).isString(); }),
                 qPrintable(quarlin.output()));
        QVERIFY(quarlin.screenshot(QStringLiteral("shortcuts")).size());
        // The stored combination works as a hot key at once (and, as every shortcut does, brings the
        // menu-bar mode, which hides the ordinary window).
        QVERIFY(desktop.key(QStringLiteral("ctrl+alt+k")));
        QVERIFY2(
            quarlin.waitForOutput(QStringLiteral("Applying configuration via keyboard shortcut: E2E Setup")),
            qPrintable(quarlin.output()));

        QVERIFY(quarlin.isRunning());
        QVERIFY2(!quarlin.output().contains(QStringLiteral("Sanitizer")), qPrintable(quarlin.output()));
    }

    // The data file turns read-only under the running program: the activation's change cannot be
    // saved, a window says so, and closing the last window asks before it loses the change; the user
    // stays, and once the file takes writes again, quitting saves and asks nothing.
    void changesThatCannotBeSavedAreToldAndQuittingAsksFirst() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        const QString logoID = QStringLiteral("quarlin-unsaved-logo");
        desktop.installDesktopEntry(logoID, TestDesktop::applicationEntry(QStringLiteral("Logo"),
                                                                          QStringLiteral("xlogo"),
                                                                          QStringLiteral("XLogo")));
        QVERIFY(desktop.startXlogo({QStringLiteral("-geometry"), QStringLiteral("150x150+100+700")}).window);
        QuarlinProgram quarlin(desktop, QStringLiteral("read-only-store"));
        QVERIFY2(quarlin.changeStore([&](ModelContext& context) {
            auto* work = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
            context.insert(work);
            work->appendConfiguration(new AppConfiguration(logoID, QStringLiteral("Logo"), QString(), 0, true,
                                                           Corner::leftHalf, 0.5, 1080, 0, 0));
        }),
                 qPrintable(quarlin.error()));
        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        const QStringList files{quarlin.storePath(), quarlin.storePath() + QStringLiteral("-wal")};
        const auto chattr = [&](const QString& flag) {
            return QProcess::execute(QStringLiteral("chattr"), QStringList{flag} + files) == 0;
        };
        // Read-only even for root.
        if (!chattr(QStringLiteral("+i")))
            QSKIP("cannot make the file immutable here");
        const auto unprotect = qScopeGuard([&] { chattr(QStringLiteral("-i")); });

        // The row's Activate button, right-aligned in a window whose running list shows the logo;
        // clicked again while the list was still filling in under the pointer.
        const QPoint activate(436 + quarlin.clientGeometry().width() - 600, 307);
        const QString applying = QStringLiteral("🚀 Applying configuration: Work");
        for (int attempt = 0; attempt < 3 && !quarlin.output().contains(applying); ++attempt) {
            QVERIFY(quarlin.click(activate));
            quarlin.waitForOutput(applying);
        }
        QVERIFY2(quarlin.output().contains(applying), qPrintable(quarlin.output()));
        const QString title = QStringLiteral("^Quarlin Could Not Save Your Changes$");
        const quint32 notice = quarlin.waitForWindow(title);
        QVERIFY2(notice, qPrintable(quarlin.output()));
        QVERIFY(quarlin.screenshotOf(QStringLiteral("notice"), notice));
        QVERIFY(quarlin.output().contains(QStringLiteral("❌ Failed to save changes automatically: ")));
        QVERIFY(desktop.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(notice)}));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY(quarlin.waitUntilGone(title));

        // Without a tray, closing the window quits: first the question, Cancel its default.
        QVERIFY(desktop.close(quarlin.window()));
        const quint32 question = quarlin.waitForWindow(title);
        QVERIFY2(question, qPrintable(quarlin.output()));
        QVERIFY(quarlin.screenshotOf(QStringLiteral("question"), question));
        QVERIFY(desktop.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(question)}));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY(quarlin.waitUntilGone(title));
        const quint32 back = quarlin.waitForWindow(QStringLiteral("^Quarlin$"));
        QVERIFY(back);
        QVERIFY(quarlin.isRunning());

        QVERIFY(chattr(QStringLiteral("-i")));
        QVERIFY(desktop.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(back)}));
        QVERIFY(desktop.key(QStringLiteral("ctrl+q")));
        QVERIFY2(quarlin.waitForExit(), qPrintable(quarlin.output()));
        QCOMPARE(
            quarlin.query(QStringLiteral("SELECT count(*) FROM ConfigurationGroup WHERE lastActivatedAt IS "
                                         "NOT NULL")),
            QStringLiteral("1"));
    }

    // Started from a menu, a damaged data file must say so in a window, not only on standard error.
    void aDamagedStoreIsReportedInAWindow() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("damaged-store"));
        const QByteArray damaged = QByteArray("not a database at all\n").repeated(300);
        QFile file(quarlin.storePath());
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(damaged) == damaged.size());
        file.close();

        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        const quint32 window = quarlin.waitForWindow(QStringLiteral("Quarlin Cannot Start"));
        QVERIFY2(window != 0, qPrintable(quarlin.output()));
        QVERIFY(desktop.waitFor([&] { return desktop.activeWindow() == window; }));
        QVERIFY(quarlin.screenshotOf(QStringLiteral("error-window"), quarlin.window()));
        // In the program's look (dark unless the user chose another), not Qt's light default.
        const QRect area = desktop.clientGeometry(window);
        QVERIFY(qGray(desktop.screenshot().pixel(area.topLeft() + QPoint(2, 2))) < 96);
        QVERIFY2(quarlin.waitForOutput(QStringLiteral("Could not create ModelContainer: ")),
                 qPrintable(quarlin.output()));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY(quarlin.waitForExit());
        QCOMPARE(quarlin.exitCode(), 1);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), damaged);
    }

    // A damaged preferences file does not stop the program: it starts with the defaults, keeps the
    // file aside byte for byte and says so in a window of its own.
    void aDamagedPreferencesFileIsKeptAsideAndReported() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("damaged-preferences"));
        const QByteArray damaged("{ \"appTheme\": \"light\", <b>oops</b>");
        const QString folder = QFileInfo(quarlin.preferencesPath()).absolutePath();
        QVERIFY(writeFile(quarlin.preferencesPath(), damaged));

        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        const QString title = QStringLiteral("Quarlin Could Not Read Its Preferences");
        const quint32 notice = quarlin.waitForWindow(title);
        QVERIFY2(notice != 0, qPrintable(quarlin.output()));
        QVERIFY(quarlin.waitForWindow(QStringLiteral("^Quarlin$")) != 0);
        QVERIFY(desktop.waitFor([&] { return desktop.activeWindow() == notice; }));
        QVERIFY(quarlin.screenshotOf(QStringLiteral("notice"), notice));
        const QStringList aside = QDir(folder).entryList({QStringLiteral("preferences.json.damaged-*")});
        QCOMPARE(aside.size(), 1);
        QFile kept(folder + QLatin1Char('/') + aside.first());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), damaged);
        QCOMPARE(quarlin.output().count(QStringLiteral("could not be read")), 1);

        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY(quarlin.waitUntilGone(title));
        QVERIFY(quarlin.isRunning());
    }

    // With the store damaged too the program ends, but the preferences file is aside by then: it is
    // reported beside the store's error, or no later start would tell.
    void aDamagedPreferencesFileIsReportedBesideADamagedStore() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("damaged-both"));
        QVERIFY(writeFile(quarlin.storePath(), QByteArray("not a database at all\n").repeated(300)));
        QVERIFY(writeFile(quarlin.preferencesPath(), "{ oops"));
        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        QVERIFY2(quarlin.waitForWindow(QStringLiteral("Quarlin Cannot Start")), qPrintable(quarlin.output()));
        QVERIFY2(quarlin.waitForWindow(QStringLiteral("Quarlin Could Not Read Its Preferences")),
                 qPrintable(quarlin.output()));
        QVERIFY(!quarlin.screenshot(QStringLiteral("windows")).isEmpty());
    }

    // A second monitor plugged in raises the ordinary window's minimum width from 600 to 800: the
    // window grows with its content, also after it hung from a tray icon (which sized it itself), and
    // its minimum goes back down when the monitor is gone.
    void followsAMonitorPluggedInAndOut() {
        TestDesktop::Options options;
        options.secondMonitorLater = true;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("monitors"));
        QVERIFY(quarlin.writePreferences({{QStringLiteral("launchInMenuBarMode"), true}}));
        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        QVERIFY(quarlin.waitForOutput(QStringLiteral("⚠️ MenuBar: no system tray"), 20000));
        // The window is made anew when it changes between hanging and ordinary.
        const auto ours = [&] {
            for (quint32 w : desktop.clientList())
                if (desktop.wmClass(w).toLower().contains(QStringLiteral("quarlin")))
                    return w;
            return 0u;
        };
        const auto width = [&] { return desktop.clientGeometry(ours()).width(); };

        const qint64 trayer = desktop.startPanel(TestDesktop::Panel::trayer);
        QVERIFY2(trayer, qPrintable(desktop.panelLog()));
        QVERIFY(desktop.waitFor([&] { return width() == 428; }, 10000));
        desktop.stopProcess(trayer);
        QVERIFY(desktop.waitFor([&] { return width() == 600; }, 10000));

        QVERIFY(desktop.setSecondMonitor(true));
        const bool grown = desktop.waitFor(
            [&] { return desktop.minimumSize(ours()).width() == 800 && width() == 800; }, 10000);
        quarlin.screenshot(QStringLiteral("plugged-in"));
        QVERIFY2(grown, qPrintable(QStringLiteral("window %1 wide, minimum %2")
                                       .arg(width())
                                       .arg(desktop.minimumSize(ours()).width())));
        QVERIFY(desktop.setSecondMonitor(false));
        QVERIFY(desktop.waitFor([&] { return desktop.minimumSize(ours()).width() == 600; }, 10000));
        QVERIFY(quarlin.isRunning());
    }

    // Two monitors of different heights: moved onto the lower one, the focused window's minimum
    // height and size follow that monitor, not the primary.
    void followsTheMonitorOfItsFocusedWindow() {
        TestDesktop::Options options;
        options.twoMonitors = true;
        options.secondMonitorHeight = 700;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("monitors"));
        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        const quint32 window = quarlin.window();
        const QRect lower(1920, 0, 1920, 700);
        QVERIFY(desktop.xdotool({QStringLiteral("windowactivate"), QString::number(window)}));
        QVERIFY(desktop.xdotool({QStringLiteral("windowmove"), QString::number(window),
                                 QStringLiteral("2200"), QStringLiteral("0")}));
        const bool fitted = desktop.waitFor(
            [&] {
                return lower.contains(desktop.frameGeometry(window)) &&
                       desktop.minimumSize(window).height() < 700;
            },
            10000);
        quarlin.screenshot(QStringLiteral("lower-monitor"));
        const QRect frame = desktop.frameGeometry(window);
        QVERIFY2(fitted, qPrintable(QStringLiteral("frame %1,%2 %3x%4, minimum height %5")
                                        .arg(frame.x())
                                        .arg(frame.y())
                                        .arg(frame.width())
                                        .arg(frame.height())
                                        .arg(desktop.minimumSize(window).height())));
    }
};

int main(int argc, char** argv) {
    // The replica needs no display; the program under test runs on the private desktop.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    MainWindowE2ETest test;
    return QTest::qExec(&test, argc, argv);
}
#include "MainWindowE2ETest.moc"
