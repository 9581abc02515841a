// The desktop services of menu-bar mode against a real X server: the taskbar state of a window,
// presses anywhere judged by the window under them, the free area.
#include "TestDesktop.h"
#include "X11Probe.h"

#include "platform/x11/X11Backend.h"
#include "platform/x11/X11MonitorAreas.h"
#include "platform/x11/X11PointerMonitor.h"
#include "platform/x11/X11TaskbarEntry.h"
#include "platform/x11/X11TrayHost.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

// A StatusNotifierWatcher with no host at first, as a desktop may have it (a watcher started by
// one program while no panel shows items). Hosts that come register with it.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
public:
    bool hostRegistered() const { return host; }
    QStringList registeredItems() const { return items; }
    bool host = false;
    QStringList items;
public Q_SLOTS:
    void RegisterStatusNotifierHost(const QString&) {
        host = true;
        Q_EMIT StatusNotifierHostRegistered();
    }
Q_SIGNALS:
    void StatusNotifierHostRegistered();
    void StatusNotifierItemRegistered(const QString& service);
};

// A watcher of a program of its own: served on a thread of its own, so that it answers while the
// test's thread waits.
class WatcherThread : public QThread {
public:
    explicit WatcherThread(const QString& address) : m_address(address) {}
    std::atomic<bool> registered = false;
    std::atomic<bool> hostRegistered = false;

protected:
    void run() override {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("own watcher"));
        FakeWatcher watcher;
        bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                           QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSignals |
                               QDBusConnection::ExportAllSlots);
        registered = bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        connect(&watcher, &FakeWatcher::StatusNotifierHostRegistered, [this] { hostRegistered = true; });
        exec();
        bus.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    }

private:
    QString m_address;
};

class MenuBarX11Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void taskbarStateAndFreeArea() {
        TestDesktop::Options options;
        options.tray = true;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        X11Backend::Options backendOptions;
        backendOptions.displayName = desktop.displayName();
        X11Backend backend(backendOptions);
        X11MonitorAreas areas(backend.connection, backend.screens);
        QTRY_COMPARE(areas.areas().size(), 1);
        QCOMPARE(areas.areas().first().frame, QRect(0, 0, 1920, 1080));
        QCOMPARE(areas.areas().first().visible, desktop.workArea());

        const TestDesktop::Client logo = desktop.startXlogo({"-geometry", "200x200+300+300"});
        QVERIFY(logo.window);
        X11TaskbarEntry taskbar(backend.connection);
        const QStringList all = {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                                 "_NET_WM_STATE_ABOVE"};
        taskbar.setState(logo.window, {true, true, true});
        QVERIFY(desktop.waitFor([&] {
            const QStringList state = netWmState(desktop.displayName(), logo.window);
            return std::all_of(all.begin(), all.end(), [&](const QString& s) { return state.contains(s); });
        }));
        taskbar.setState(logo.window, {});
        QVERIFY(desktop.waitFor([&] {
            const QStringList state = netWmState(desktop.displayName(), logo.window);
            return std::none_of(all.begin(), all.end(), [&](const QString& s) { return state.contains(s); });
        }));
    }

    void aWatcherWithoutAHostIsNoTray() {
        TestDesktop::Options options;
        options.sessionBus = true;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        const QString address = desktop.environment().value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("watcher"));
        FakeWatcher watcher;
        QVERIFY(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                   QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSignals));
        QVERIFY(bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
        QDBusConnection hostBus = QDBusConnection::connectToBus(address, QStringLiteral("tray"));
        X11TrayHost tray(desktop.displayName(), hostBus);
        QVERIFY(!tray.isAvailable());

        QSignalSpy changes(&tray, &TrayHost::availabilityChanged);
        QSignalSpy used(&tray, &TrayHost::statusNotifierChanged);
        watcher.host = true;
        watcher.items = {QStringLiteral("org.freedesktop.DBus/StatusNotifierItem")};
        Q_EMIT watcher.StatusNotifierHostRegistered();
        QTRY_VERIFY(tray.isAvailable());
        QCOMPARE(changes.size(), 1);
        // A host shows our icon only once the watcher lists an item of this process (another
        // process's item is not ours).
        QVERIFY(!tray.usesStatusNotifier());
        watcher.items << bus.baseService();
        Q_EMIT watcher.StatusNotifierItemRegistered(bus.baseService());
        QTRY_VERIFY(tray.usesStatusNotifier());
        QCOMPARE(used.size(), 1);
    }

    // A desktop whose watcher is a program of its own (here this test, on a thread of its own so that
    // it answers while the test waits) and whose panel only hosts: the panel is the host's.
    void theStatusNotifierPanelIsTheHosts() {
        TestDesktop::Options options;
        options.sessionBus = true;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        const QString address = desktop.environment().value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        WatcherThread watcher(address);
        watcher.start();
        const auto stopWatcher = qScopeGuard([&] {
            watcher.quit();
            watcher.wait();
        });
        QTRY_VERIFY(watcher.registered);

        // A panel that brings its own watcher would fight this one for the name: none starts.
        QCOMPARE(desktop.startPanel(TestDesktop::Panel::statusNotifier), 0);
        QVERIFY2(desktop.panelLog().contains(QStringLiteral("watcher's name")),
                 qPrintable(desktop.panelLog()));
        const qint64 host = desktop.startPanel(TestDesktop::Panel::statusNotifierHost);
        QVERIFY2(host, qPrintable(desktop.panelLog()));
        QVERIFY(watcher.hostRegistered);
        // One panel at a time.
        QCOMPARE(desktop.startPanel(TestDesktop::Panel::statusNotifierHost), 0);
        QVERIFY(desktop.isRunning(host));

        QDBusConnection trayBus = QDBusConnection::connectToBus(address, QStringLiteral("own tray"));
        X11TrayHost tray(desktop.displayName(), trayBus);
        QVERIFY(tray.isAvailable());
        QVERIFY(!desktop.panelGeometry().isEmpty());
        QCOMPARE(tray.panel(), desktop.panelGeometry());
    }

    void pressesNameTheWindowUnderThePointer() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        const TestDesktop::Client logo = desktop.startXlogo({"-geometry", "200x200+300+300"});
        QVERIFY(logo.window);
        X11PointerMonitor monitor(desktop.displayName());
        QVERIFY(monitor.start());
        QSignalSpy presses(&monitor, &PointerMonitor::buttonPressed);
        QSignalSpy escapes(&monitor, &PointerMonitor::escapePressed);

        const QPoint inside = desktop.clientGeometry(logo.window).center();
        QVERIFY(desktop.movePointer(inside.x(), inside.y()));
        QVERIFY(desktop.xdotool({"click", "3"}));
        QTRY_COMPARE(presses.size(), 1);
        QCOMPARE(presses.first().at(0).toPoint(), inside);
        QCOMPARE(presses.first().at(1).toULongLong(), quint64(logo.window));

        QVERIFY(desktop.movePointer(1500, 900));
        QVERIFY(desktop.xdotool({"click", "1"}));
        QTRY_COMPARE(presses.size(), 2);
        QCOMPARE(presses.last().at(1).toULongLong(), quint64(0));
        // Pressed inside, dragged out and let go before this thread looks: still a press inside.
        // The drag waits for the reader alone (a loaded machine may run it late), never for this
        // thread's events.
        QVERIFY(desktop.movePointer(inside.x(), inside.y()));
        QVERIFY(desktop.xdotool({"mousedown", "1"}));
        QDeadlineTimer deadline(5000);
        while (monitor.pressesRead() < 3 && !deadline.hasExpired())
            std::this_thread::yield();
        QCOMPARE(monitor.pressesRead(), 3);
        QVERIFY(desktop.xdotool({"mousemove", "1500", "900"}));
        QVERIFY(desktop.xdotool({"mouseup", "1"}));
        QTRY_COMPARE(presses.size(), 3);
        QCOMPARE(presses.last().at(0).toPoint(), inside);
        QCOMPARE(presses.last().at(1).toULongLong(), quint64(logo.window));
        // Escape names the window that had the keyboard (xlogo takes none).
        const TestDesktop::Client term = desktop.startXterm({"-geometry", "40x10+900+300"});
        QVERIFY(term.window);
        QVERIFY(desktop.xdotool({"windowactivate", QString::number(term.window)}));
        QVERIFY(desktop.waitFor([&] { return desktop.activeWindow() == term.window; }));
        QVERIFY(desktop.key(QStringLiteral("Escape")));
        QTRY_COMPARE(escapes.size(), 1);
        QCOMPARE(escapes.first().at(0).toULongLong(), quint64(term.window));

        // Stopped: nothing more arrives.
        monitor.stop();
        QVERIFY(desktop.xdotool({"click", "1"}));
        QVERIFY(desktop.key(QStringLiteral("Escape")));
        QVERIFY(monitor.start());
        QVERIFY(desktop.key(QStringLiteral("Escape")));
        QTRY_COMPARE(escapes.size(), 2);
        QCOMPARE(presses.size(), 3);
    }
};

QTEST_GUILESS_MAIN(MenuBarX11Test)
#include "MenuBarX11Test.moc"
