#include "MenuBarWorld.h"

#include "model/SettingsModel.h"
#include "ui/NativePixels.h"

#include <QDialog>
#include <QTest>
#include <QWindow>

class MenuBarManagerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void frameUnderIcon_data() {
        QTest::addColumn<QList<MonitorArea>>("monitors");
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QRect>("expected");
        const QList<MonitorArea> top = {topPanelMonitor()};
        QTest::newRow("icon near the right edge")
            << top << QRect(1890, 1, 22, 26) << QPoint() << QRect(1484, 34, 428, 545);
        QTest::newRow("icon near the left edge")
            << top << QRect(4, 1, 22, 26) << QPoint() << QRect(8, 34, 428, 545);
        QTest::newRow("icon in the middle")
            << top << QRect(949, 1, 22, 26) << QPoint() << QRect(746, 34, 428, 545);
        QTest::newRow("no icon rectangle: at the pointer")
            << top << QRect() << QPoint(300, 10) << QRect(86, 34, 428, 545);
        const QList<MonitorArea> bottom = {{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1050)}};
        QTest::newRow("bottom panel")
            << bottom << QRect(1890, 1053, 22, 26) << QPoint() << QRect(1484, 499, 428, 545);
        const QList<MonitorArea> left = {{QRect(0, 0, 1920, 1080), QRect(40, 0, 1880, 1080)}};
        QTest::newRow("left panel") << left << QRect(8, 200, 24, 24) << QPoint() << QRect(46, 8, 428, 545);
        const QList<MonitorArea> two = {topPanelMonitor(),
                                        {QRect(1920, 0, 1280, 1024), QRect(1920, 30, 1280, 994)}};
        QTest::newRow("second monitor")
            << two << QRect(3170, 2, 22, 26) << QPoint() << QRect(2764, 36, 428, 545);
        QTest::newRow("no monitor") << QList<MonitorArea>() << QRect(10, 10, 20, 20) << QPoint()
                                    << QRect(100, 100, 428, 545);
        // A window manager's own panel that no strut tells of: never over the icon.
        const QList<MonitorArea> whole = {{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)}};
        QTest::newRow("unknown bottom panel")
            << whole << QRect(1700, 1056, 22, 22) << QPoint() << QRect(1484, 505, 428, 545);
        QTest::newRow("unknown top panel")
            << whole << QRect(1700, 2, 22, 22) << QPoint() << QRect(1484, 30, 428, 545);
        // No tray, brought by the hot key: hung from the pointer, but never out of the screen.
        const QList<MonitorArea> small = {{QRect(0, 0, 1280, 800), QRect(0, 0, 1280, 800)}};
        QTest::newRow("pointer low in the middle")
            << small << QRect() << QPoint(640, 500) << QRect(426, 8, 428, 545);
        QTest::newRow("pointer high in the middle")
            << small << QRect() << QPoint(640, 300) << QRect(426, 247, 428, 545);
    }

    void frameUnderIcon() {
        QFETCH(QList<MonitorArea>, monitors);
        QFETCH(QRect, icon);
        QFETCH(QPoint, pointer);
        QFETCH(QRect, expected);
        MenuBarWorld world;
        world.monitors.list = monitors;
        world.statusItem.rect = icon;
        world.monitors.pointerPosition = pointer;
        world.start();
        world.statusItem.click();
        QCOMPARE(world.window.geometry(), expected);
    }

    // Root pixels (the desktop) against Qt's pixels (our windows) on scaled screens.
    void nativePixels() {
        using NativePixels::ScreenScale;
        const QList<ScreenScale> one = {{QRect(0, 0, 1536, 864), 1.25}};
        QCOMPARE(NativePixels::fromRoot(QRect(1890, 1, 22, 26), one), QRect(1512, 1, 18, 21));
        QCOMPARE(NativePixels::toRoot(QRect(1309, 22, 428, 545), one), QRect(1636, 28, 535, 681));
        const QList<ScreenScale> two = {{QRect(0, 0, 1920, 1080), 1.0}, {QRect(1920, 0, 960, 540), 2.0}};
        QCOMPARE(NativePixels::fromRoot(QPoint(2880, 100), two), QPoint(2400, 50));
        QCOMPARE(NativePixels::toRoot(QPoint(2400, 50), two), QPoint(2880, 100));
        QCOMPARE(NativePixels::fromRoot(QPoint(100, 100), two), QPoint(100, 100));
    }

    // The window always fits the free area; on a short one (a high scale) below its usual minimum.
    void heightLimits_data() {
        QTest::addColumn<int>("visibleHeight");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("minimum");
        QTest::newRow("700") << 700 << 660 << 545;
        QTest::newRow("1000") << 1000 << 900 << 545;
        QTest::newRow("560") << 560 << 545 << 545;
        QTest::newRow("1080 at twice the scale") << 526 << 512 << 512;
        QTest::newRow("1080 at three times the scale") << 350 << 336 << 336;
        QTest::newRow("no screen") << 0 << 860 << 545;
    }

    void heightLimits() {
        QFETCH(int, visibleHeight);
        QFETCH(int, maximum);
        QFETCH(int, minimum);
        MenuBarWorld world;
        world.monitors.list.clear();
        if (visibleHeight)
            world.monitors.list = {
                {QRect(0, 0, 1920, visibleHeight + 28), QRect(0, 28, 1920, visibleHeight)}};
        MenuBarManager& manager = world.start();
        manager.showAttachedWindow();
        QCOMPARE(world.window.maximumHeight(), maximum);
        manager.adjustAttachedWindowHeight(2000, false);
        QCOMPARE(world.window.height(), maximum);
        manager.adjustAttachedWindowHeight(100, false);
        QCOMPARE(world.window.height(), minimum);
        if (visibleHeight)
            QVERIFY(world.monitors.list.first().visible.contains(world.window.geometry()));
    }

    void attachDetachRoundTrips() {
        MenuBarWorld world;
        MenuBarManager& manager = world.start();
        const Qt::WindowFlags flags = world.window.windowFlags();
        const QSize maximum = world.window.maximumSize();

        // Never attached: detaching and resizing do nothing.
        manager.detachMainWindow();
        manager.adjustAttachedWindowHeight(600, false);
        QCOMPARE(world.window.geometry(), QRect(200, 150, 600, 720));
        QCOMPARE(world.window.windowFlags(), flags);

        for (const QRect& before : {QRect(200, 150, 600, 720), QRect(50, 60, 640, 700)}) {
            world.window.setGeometry(before);
            manager.showAttachedWindow();
            QVERIFY(world.state.isMainWindowAttached());
            QVERIFY(world.window.isVisible());
            QCOMPARE(world.window.geometry(), QRect(1484, 34, 428, 545));
            QVERIFY(world.window.windowFlags().testFlag(Qt::FramelessWindowHint));
            QCOMPARE(world.state.previousMainWindowLevel(), WindowLevel::normal());
            QCOMPARE(world.window.level(), WindowLevel::floating());
            QCOMPARE(world.window.minimumSize(), QSize(428, 545));
            QVERIFY(world.window.menuWidget()->isHidden());
            QCOMPARE(world.windowState(), (TaskbarEntryState{true, true, true, true}));
            QVERIFY(world.pointer.started);

            manager.detachMainWindow();
            QVERIFY(!world.state.isMainWindowAttached());
            QVERIFY(world.window.isVisible());
            QCOMPARE(world.window.geometry(), before);
            QCOMPARE(world.window.windowFlags(), flags);
            QCOMPARE(world.window.level(), WindowLevel::normal());
            QCOMPARE(world.window.maximumSize(), maximum);
            QVERIFY(!world.window.menuWidget()->isHidden());
            QCOMPARE(world.windowState(), TaskbarEntryState{});
            QVERIFY(!world.pointer.started);
            QVERIFY(!world.state.previousMainWindowFrame());
            QVERIFY(!world.state.previousMainWindowLevel());
            QVERIFY(!world.state.previousMainWindowStyleMask());
        }
    }

    void dockPolicy_data() {
        QTest::addColumn<bool>("attached");
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<bool>("visible");
        QTest::newRow("detached") << false << iconAtTopRight() << true;
        QTest::newRow("attached, icon on a monitor") << true << iconAtTopRight() << false;
        QTest::newRow("attached, icon off every monitor") << true << QRect(1910, 1, 22, 26) << true;
        QTest::newRow("attached, icon not embedded") << true << QRect() << true;
    }

    void dockPolicy() {
        QFETCH(bool, attached);
        QFETCH(QRect, icon);
        QFETCH(bool, visible);
        MenuBarWorld world;
        world.statusItem.rect = icon;
        MenuBarManager& manager = world.start();
        if (attached)
            manager.showAttachedWindow();
        QCOMPARE(manager.isTaskbarEntryVisible(), visible);
        const int lines = world.log.lines().size();
        manager.updateDockIconVisibility();
        QCOMPARE(world.log.lines().size(), lines);

        // The icon moving away is noticed 0.1 s after the screens change.
        if (attached && !visible)
            return;
        world.statusItem.rect = iconAtTopRight();
        Q_EMIT world.monitors.changed();
        world.clock.advance(0.1);
        QCOMPARE(manager.isTaskbarEntryVisible(), !attached);
    }

    void clickRule() {
        MenuBarWorld world;
        MenuBarManager& manager = world.start();
        world.preferences.setValue(SettingsModel::showMainWindowOnStatusBarClickKey, true);
        world.window.hide();
        world.statusItem.click();
        QVERIFY(world.window.isVisible());
        QVERIFY(!world.state.isMainWindowAttached());

        manager.showAttachedWindow();
        world.statusItem.click();
        QVERIFY(!world.window.isVisible());
        QVERIFY(world.state.isMainWindowAttached());
        world.statusItem.click();
        QVERIFY(world.window.isVisible());
    }

    void dismissalJudgedByTheClickedWindow() {
        MenuBarWorld world;
        MenuBarManager& manager = world.start();
        manager.showAttachedWindow();
        QDialog dialog(&world.window);
        dialog.setGeometry(10, 500, 200, 100);
        dialog.show();

        world.pointer.press(QPoint(1500, 100));                               // inside the panel
        world.pointer.press(QPoint(50, 550), dialog.windowHandle()->winId()); // our own dialog
        world.pointer.press(iconAtTopRight().center());                       // the tray icon
        QVERIFY(world.window.isVisible());
        QVERIFY(world.state.attachedModeGlobalEventMonitor());

        world.pointer.press(QPoint(400, 600), 0x4242);
        QVERIFY(!world.window.isVisible());
        QVERIFY(world.state.isMainWindowAttached());
        QVERIFY(!world.pointer.started);
        QVERIFY(!world.state.attachedModeGlobalEventMonitor());
        QVERIFY(!manager.hasResizeObserver());

        // Escape: typed into the window or our dialog it is theirs; into another program, it goes.
        manager.showAttachedWindow();
        world.pointer.escape(world.window.windowHandle()->winId());
        world.pointer.escape(dialog.windowHandle()->winId());
        QVERIFY(world.window.isVisible());
        world.pointer.escape(0x4242);
        QVERIFY(!world.window.isVisible());
    }

    // The usual way to dismiss it: a click on another program, a pause, the icon again. Each round
    // comes back on the first click, whatever tray reports the click.
    void theIconShowsItAfterAClickElsewhere_data() {
        QTest::addColumn<bool>("statusNotifier");
        QTest::newRow("XEmbed tray") << false;
        QTest::newRow("StatusNotifier host") << true;
    }

    void theIconShowsItAfterAClickElsewhere() {
        QFETCH(bool, statusNotifier);
        MenuBarWorld world;
        if (statusNotifier) {
            world.statusItem.rect = QRect();
            world.tray.statusNotifier = true;
            world.tray.panelRect = QRect(1720, 0, 200, 28);
        }
        world.start();
        world.window.hide();
        for (int round = 0; round < 3; ++round) {
            world.statusItem.click();
            QVERIFY2(world.window.isVisible(), qPrintable(QString::number(round)));
            world.clock.advance(0.5);
            world.pointer.press(QPoint(400, 600), 0x4242);
            QVERIFY(!world.window.isVisible());
            world.clock.advance(1.0);
        }
        QVERIFY(!world.log.lines().join(QLatin1Char('\n')).contains(QStringLiteral("already closed")));
    }

    void placementsAndResizeWatcherSurviveHideAndShow() {
        MenuBarWorld world;
        MenuBarManager& manager = world.start();
        manager.showAttachedWindow();
        manager.hideAttachedWindow();
        manager.showAttachedWindow();
        QVERIFY(manager.hasResizeObserver());
        world.statusItem.rect = QRect(1400, 1, 22, 26);
        world.window.resize(428, 700);
        QCOMPARE(world.window.geometry(), QRect(1197, 34, 428, 700));

        // The icon settles after the show: the two re-placements follow it.
        world.statusItem.rect = QRect(1300, 1, 22, 26);
        world.clock.advance(0.1);
        QCOMPARE(world.window.geometry(), QRect(1097, 34, 428, 700));
        world.statusItem.rect = QRect(1200, 1, 22, 26);
        world.clock.advance(0.25);
        QCOMPARE(world.window.geometry().x(), 997);

        // No tray, brought by the hot key: it hangs from the pointer of its show, and stays there
        // while the pointer goes to a tab and the tab changes its height; the next show follows it.
        world.statusItem.rect = QRect();
        world.tray.available = false;
        manager.hideAttachedWindow();
        world.monitors.pointerPosition = QPoint(900, 100);
        manager.showAttachedWindow();
        const QRect shown = world.window.geometry();
        world.monitors.pointerPosition = QPoint(1100, 150);
        manager.adjustAttachedWindowHeight(745, true);
        world.clock.runAll();
        QTRY_COMPARE(world.window.geometry(), QRect(shown.topLeft(), QSize(428, 745)));
        manager.hideAttachedWindow();
        manager.showAttachedWindow();
        QCOMPARE(world.window.geometry().x(), shown.x() + 200);
    }

    // No tray, brought by the hot key wherever the pointer is: the tabs' heights (545, 745) change
    // the window's height, never its top edge, unless the bottom would leave the free area. Hung
    // from a click on a StatusNotifier icon low on a panel that reserves no room, its bottom edge
    // stays clear of the icon instead.
    void theEdgeItHangsByStaysAsTheHeightChanges_data() {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<bool>("statusNotifier");
        QTest::newRow("no tray, pointer high") << QPoint(900, 100) << false;
        QTest::newRow("no tray, pointer low") << QPoint(900, 1000) << false;
        QTest::newRow("no tray, pointer near the left edge") << QPoint(20, 540) << false;
        QTest::newRow("no tray, pointer in the middle") << QPoint(900, 500) << false;
        QTest::newRow("icon at the bottom") << QPoint(1800, 1066) << true;
    }
    void theEdgeItHangsByStaysAsTheHeightChanges() {
        QFETCH(QPoint, pointer);
        QFETCH(bool, statusNotifier);
        MenuBarWorld world;
        world.monitors.list = {{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)}};
        world.statusItem.rect = QRect();
        world.tray.available = statusNotifier;
        world.tray.statusNotifier = statusNotifier;
        world.monitors.pointerPosition = pointer;
        MenuBarManager& manager = world.start();
        if (statusNotifier)
            world.statusItem.click();
        else
            manager.showAttachedWindow();
        world.clock.advance(0.5);
        const QRect shown = world.window.geometry();
        QCOMPARE(shown.height(), 545);
        for (int height : {745, 545, 745, 545}) {
            manager.adjustAttachedWindowHeight(height, false);
            world.clock.advance(0.5);
            const int top =
                statusNotifier ? shown.bottom() + 1 - height : std::min(shown.top(), 1080 - 8 - height);
            QCOMPARE(world.window.geometry(), QRect(shown.left(), top, 428, height));
        }
    }

    void launchWaitsForTheIconThenFadesIn() {
        MenuBarWorld world;
        world.statusItem.rect = QRect();
        MenuBarManager& manager = world.start();
        manager.showAttachedWindowForLaunch();
        QVERIFY(!world.window.isVisible());
        world.clock.advance(0.6);
        QVERIFY(!world.window.isVisible());
        QVERIFY(!world.state.isMainWindowAttached());

        world.statusItem.rect = iconAtTopRight();
        world.clock.advance(0.2);
        QVERIFY(world.state.isMainWindowAttached());
        QVERIFY(world.window.isVisible());
        QCOMPARE(world.window.geometry(), QRect(1484, 34, 428, 545));
        QTRY_COMPARE(world.window.windowOpacity(), 1.0);
    }

    void launchRetriesAreBounded() {
        MenuBarWorld world;
        world.statusItem.rect = QRect();
        MenuBarManager& manager = world.start();
        manager.showAttachedWindowForLaunch();
        world.clock.advance(5.2);
        QVERIFY(world.window.isVisible());
        QVERIFY(!world.state.isMainWindowAttached());
        QCOMPARE(world.window.windowOpacity(), 1.0);
        QVERIFY(world.log.lines().last().startsWith(
            QStringLiteral("⚠️ MenuBar: the tray icon did not appear")));
        QCOMPARE(world.clock.pendingCount(), 0);
    }

    void trayLossShowsTheWindowAndItsReturnAttachesAgain() {
        MenuBarWorld world;
        world.tray.available = false;
        MenuBarManager& manager = world.start();
        manager.showAttachedWindowForLaunch();
        QVERIFY(world.window.isVisible());
        QVERIFY(!world.state.isMainWindowAttached());

        world.tray.setAvailable(true);
        world.clock.advance(0.2);
        QVERIFY(world.state.isMainWindowAttached());
        QVERIFY(!manager.isTaskbarEntryVisible());

        manager.hideAttachedWindow();
        world.tray.setAvailable(false);
        QVERIFY(world.window.isVisible());
        QVERIFY(!world.state.isMainWindowAttached());
        QVERIFY(manager.isTaskbarEntryVisible());
        QCOMPARE(world.windowState(), TaskbarEntryState{});
        QCOMPARE(world.window.windowOpacity(), 1.0);
    }

    // A tray that appears without showing our icon (a StatusNotifier host that came after an icon
    // made for XEmbed): the ordinary window stays, and menu-bar mode returns once the icon shows.
    void aTrayWithoutOurIconKeepsTheOrdinaryWindow() {
        MenuBarWorld world;
        world.tray.available = false;
        world.statusItem.rect = QRect();
        MenuBarManager& manager = world.start();
        manager.showAttachedWindowForLaunch();
        world.tray.statusNotifier = false;
        world.tray.setAvailable(true);
        for (int step = 0; step < 30; ++step) {
            world.clock.advance(0.2);
            QVERIFY(world.window.isVisible());
            QVERIFY(!world.state.isMainWindowAttached());
        }
        QVERIFY(world.log.lines().last().contains(QStringLiteral("does not show the icon")));
        QVERIFY(manager.isTaskbarEntryVisible());

        world.tray.statusNotifier = true;
        Q_EMIT world.tray.statusNotifierChanged(true);
        world.clock.advance(0.2);
        QVERIFY(world.state.isMainWindowAttached());
        QVERIFY(!manager.isTaskbarEntryVisible());
    }

    void appearancePassesWhileTheIconIsNotEmbedded() {
        MenuBarWorld world;
        world.statusItem.rect = QRect();
        MenuBarManager& manager = world.start();
        QList<double> passes;
        int seen = 0;
        for (int step = 0; step < 200; ++step) {
            world.clock.advance(0.01);
            if (world.statusItem.refreshes > seen) {
                seen = world.statusItem.refreshes;
                passes << world.clock.now();
            }
        }
        QCOMPARE(passes.size(), 6);
        const double expected[] = {0.0, 0.04, 0.12, 0.28, 0.60, 1.24};
        for (int i = 0; i < 6; ++i)
            QVERIFY2(std::abs(passes.at(i) - expected[i] - 0.01) < 0.011,
                     qPrintable(QString::number(passes.at(i))));
        QCOMPARE(manager.statusBarAppearanceEnforcementAttempts(), 6);

        // Once the icon is embedded a new series ends after its first pass.
        world.statusItem.rect = iconAtTopRight();
        manager.protectStatusBarFromAppTheme();
        world.clock.advance(2);
        QCOMPARE(world.statusItem.refreshes, 7);
    }

    // A StatusNotifier host: no icon rectangle, and the press of a click on the icon reaches the
    // host's panel before the host reports the click.
    void statusNotifierClicksToggleFromThePanel() {
        MenuBarWorld world;
        world.statusItem.rect = QRect();
        world.tray.statusNotifier = true;
        world.tray.panelRect = QRect(1720, 0, 200, 28);
        MenuBarManager& manager = world.start();
        manager.showAttachedWindowForLaunch();
        world.clock.advance(0.2);
        QCOMPARE(world.window.geometry(), QRect(1484, 34, 428, 545));

        world.pointer.press(QPoint(1800, 14), 0x4242);
        world.statusItem.click();
        QVERIFY(!world.window.isVisible());
        world.clock.advance(ClickOutside::sameClickSeconds);
        world.statusItem.click();
        QVERIFY(world.window.isVisible());

        // A click on the icon soon after closing it: the press of the earlier click is done with.
        world.pointer.press(QPoint(1800, 14), 0x4242);
        world.statusItem.click();
        world.clock.advance(ClickOutside::sameClickSeconds / 2);
        world.statusItem.click();
        world.clock.advance(ClickOutside::sameClickSeconds);
        QVERIFY(world.window.isVisible());

        // A press elsewhere on the panel, with no click on the icon: gone a moment later.
        world.pointer.press(QPoint(1750, 14), 0x4242);
        QVERIFY(world.window.isVisible());
        world.clock.advance(ClickOutside::sameClickSeconds);
        QVERIFY(!world.window.isVisible());

        // Where the panel is unknown the press closes it at once, and the click that follows is its own.
        world.tray.panelRect = QRect();
        world.statusItem.click();
        world.pointer.press(QPoint(1750, 14), 0x4242);
        QVERIFY(!world.window.isVisible());
        world.statusItem.click();
        QVERIFY(!world.window.isVisible());
        // Only that one: the user's next click, however soon, shows it.
        world.clock.advance(ClickOutside::sameClickSeconds / 4);
        world.statusItem.click();
        QVERIFY(world.window.isVisible());
    }

    // Minimised by the user, or attached with no icon to come back by: one click always shows it.
    void neverStranded() {
        MenuBarWorld world;
        MenuBarManager& manager = world.start();
        world.window.showMinimized();
        world.statusItem.click();
        QVERIFY(!world.window.isMinimized());
        QVERIFY(world.window.isVisible());
        world.window.showMinimized();
        world.statusItem.click();
        QVERIFY(!world.window.isMinimized());
        manager.detachMainWindow();
        world.preferences.setValue(SettingsModel::showMainWindowOnStatusBarClickKey, true);
        world.window.showMinimized();
        world.statusItem.click();
        QVERIFY(!world.window.isMinimized());

        // No tray: a click elsewhere or Escape typed there takes it away all the same, minimised,
        // with the taskbar entry and the toggle shortcut to bring it back.
        world.tray.available = false;
        manager.showAttachedWindow();
        QVERIFY(manager.isTaskbarEntryVisible());
        world.pointer.press(QPoint(400, 600), 0x4242);
        QVERIFY(world.window.isMinimized());
        QVERIFY(world.window.isVisible());
        QVERIFY(manager.isTaskbarEntryVisible());
        manager.toggleAttachedWindow();
        QVERIFY(!world.window.isMinimized());
        world.pointer.escape(0x4242);
        QVERIFY(world.window.isMinimized());
        world.clock.runAll();
        const int starts = world.pointer.starts;
        manager.toggleAttachedWindow();
        QVERIFY(!world.window.isMinimized());
        // Once: the show's own un-minimising is no window-manager restore.
        QCOMPARE(world.pointer.starts, starts + 1);
        QCOMPARE(world.clock.pendingCount(), 2);
        manager.hideAttachedWindow();
        QVERIFY(world.window.isMinimized());

        // Brought back by the window manager (its taskbar entry, a window list): it goes again as
        // after any other way back, and keeps its place.
        world.window.setWindowState(Qt::WindowNoState);
        QVERIFY(manager.hasDismissalMonitors());
        QVERIFY(manager.hasResizeObserver());
        world.pointer.escape(0x4242);
        QVERIFY(world.window.isMinimized());
    }

    void autoHideAfterActivation() {
        MenuBarWorld world;
        MenuBarManager& manager = world.start();
        manager.showAttachedWindow();
        manager.hideWindowIfConfigActivationAutoHideEnabled();
        QVERIFY(world.window.isVisible());
        world.preferences.setValue(SettingsModel::autoHideMenuBarWindowOnConfigActivationKey, true);
        manager.hideWindowIfConfigActivationAutoHideEnabled();
        QVERIFY(!world.window.isVisible());
        QVERIFY(world.state.isMainWindowAttached());
    }
};

QTEST_MAIN(MenuBarManagerTest)
#include "MenuBarManagerTest.moc"
