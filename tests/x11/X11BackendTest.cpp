// The X11 backend against a real X server and window manager: screens and coordinates on one
// and two monitors (plugged in and out) and with a panel, window attributes, writes, minimising,
// the trust test.
#include "platform/x11/X11Backend.h"
#include "TestDesktop.h"
#include "platform/x11/X11Element.h"

#include <QTest>

#include <xcb/xcb.h>

#include <signal.h>

namespace {

X11Backend::Options optionsFor(const TestDesktop& desktop) {
    return {.displayName = desktop.displayName(),
            .applicationDirs = {desktop.dataHome() + "/applications", "/usr/share/applications"}};
}

WindowElementRef windowElement(quint32 window) {
    auto e = std::make_shared<X11Element>(X11Element::Kind::window);
    e->window = window;
    return e;
}

template <typename T>
std::optional<T> read(WindowAccess& access, const WindowElementRef& e, const char* attribute) {
    WindowValue value;
    if (access.readAttribute(e, QString::fromLatin1(attribute), value) != WindowAccessError::success)
        return std::nullopt;
    if (const T* v = std::get_if<T>(&value))
        return *v;
    return std::nullopt;
}

// Stops a client when the test ends, also when it fails half-way.
struct Stopper {
    TestDesktop& desktop;
    qint64 pid;
    ~Stopper() { desktop.stopProcess(pid); }
};

} // namespace

class X11BackendTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDesktop> m_desktop;
    std::unique_ptr<X11Backend> m_backend;

private Q_SLOTS:
    void initTestCase() {
        m_desktop = std::make_unique<TestDesktop>();
        QVERIFY2(m_desktop->isReady(), qPrintable(m_desktop->error()));
        m_backend = std::make_unique<X11Backend>(optionsFor(*m_desktop));
        QVERIFY(m_backend->isConnected());
    }

    void trustsAnEwmhWindowManagerOnly() {
        QVERIFY(m_backend->windows.isProcessTrusted(false));

        qint64 left = 0;
        {
            TestDesktop::Options bare;
            bare.windowManager = TestDesktop::WindowManager::none;
            TestDesktop plain(bare);
            QVERIFY2(plain.isReady(), qPrintable(plain.error()));
            X11Backend backend(optionsFor(plain));
            QVERIFY(backend.isConnected());
            QVERIFY(!backend.windows.isProcessTrusted(false));
            left = plain.startProcess(QStringLiteral("xlogo"), {});
            QVERIFY(left);
        }
        QVERIFY2(::kill(pid_t(left), 0) != 0, "the test desktop left a client running");

        X11Backend unreachable({.displayName = QStringLiteral(":65000"), .applicationDirs = {}});
        QVERIFY(!unreachable.isConnected());
        QVERIFY(!unreachable.windows.isProcessTrusted(false));
        QVERIFY(unreachable.workspace.runningApplications().isEmpty());
    }

    void oneMonitorIsTheWholeScreen() {
        const QList<Screen> screens = m_backend->screens.screens();
        QCOMPARE(screens.size(), 1);
        QCOMPARE(screens[0].frame, Rect(0, 0, 1920, 1080));
        // The window manager's own panel, where it has one (fluxbox's toolbar), shows only in the work area.
        const QRect area = m_desktop->workArea();
        QCOMPARE(screens[0].visibleFrame,
                 Rect(area.x(), 1080 - area.y() - area.height(), area.width(), area.height()));
        QCOMPARE(screens[0].backingScaleFactor, 1.0);
        QVERIFY(m_backend->screens.mainScreen()->isEqual(screens[0]));

        // The pointer's pixel: the top row is inside the frame, y counts upwards.
        QVERIFY(m_desktop->movePointer(0, 0));
        QCOMPARE(m_backend->screens.mouseLocation(), (Point{0, 1079}));
        QVERIFY(screens[0].frame.contains(m_backend->screens.mouseLocation()));
        QVERIFY(m_desktop->movePointer(1919, 1079));
        QCOMPARE(m_backend->screens.mouseLocation(), (Point{1919, 0}));
    }

    void readsTheOuterFrameInTopLeftCoordinates() {
        const auto logo =
            m_desktop->startXlogo({QStringLiteral("-geometry"), QStringLiteral("300x200+100+150")});
        QVERIFY(logo.window);
        WindowAccess& access = m_backend->windows;
        const WindowElementRef w = windowElement(logo.window);
        const QRect frame = m_desktop->frameGeometry(logo.window);
        QCOMPARE(read<Point>(access, w, "AXPosition"), (Point{double(frame.x()), double(frame.y())}));
        QCOMPARE(read<Size>(access, w, "AXSize"), (Size{double(frame.width()), double(frame.height())}));
        QCOMPARE(read<QString>(access, w, "AXRole"), QStringLiteral("AXWindow"));
        QCOMPARE(read<QString>(access, w, "AXTitle"), QStringLiteral("xlogo"));
        QCOMPARE(read<bool>(access, w, "AXMinimized"), false);

        WindowValue value;
        QCOMPARE(access.readAttribute(w, QStringLiteral("AXChildren"), value),
                 WindowAccessError::attributeUnsupported);
        QCOMPARE(access.writeAttribute(w, QStringLiteral("AXSize"), Point{1, 2}),
                 WindowAccessError::illegalArgument);
        m_desktop->stopProcess(logo.pid);
        QVERIFY(m_desktop->waitFor([&] { return !m_desktop->clientList().contains(logo.window); }));
        QCOMPARE(access.readAttribute(w, QStringLiteral("AXSize"), value), WindowAccessError::invalidElement);
        QCOMPARE(access.readAttribute(w, QStringLiteral("AXRole"), value), WindowAccessError::invalidElement);
    }

    // A maximised or full-screen window is released before it is placed. A window manager that
    // answers late handles the requests in turn: a move written after a resize it has not shown yet
    // must not take the window back to the size it had.
    void writesEndWhereAsked_data() {
        QTest::addColumn<QString>("before");
        // Another program moves the window once the writes are shown, then a size alone is written.
        QTest::addColumn<bool>("movedByOther");
        QTest::newRow("maximised") << "maximised" << false;
        QTest::newRow("full screen") << "full screen" << false;
        QTest::newRow("window manager busy") << "busy" << false;
        // What the busy window manager was asked and showed late is no longer asked for.
        QTest::newRow("window manager busy, then moved by another program") << "busy" << true;
    }
    void writesEndWhereAsked() {
        QFETCH(QString, before);
        QFETCH(bool, movedByOther);
        const auto logo = m_desktop->startXlogo();
        const Stopper stop{*m_desktop, logo.pid};
        QVERIFY(logo.window);
        if (before == QLatin1String("maximised"))
            QVERIFY(m_desktop->maximize(logo.window));
        else if (before == QLatin1String("full screen"))
            QVERIFY(m_desktop->fullScreen(logo.window));
        // The window manager goes on once the second write is under way: the first goes unanswered.
        const bool busy = before == QLatin1String("busy");
        QVERIFY(!busy || m_desktop->holdWindowManagerUntil("_NET_MOVERESIZE_WINDOW", 2));
        WindowAccess& access = m_backend->windows;
        const WindowElementRef w = windowElement(logo.window);
        const WindowAccessError size = access.writeAttribute(w, QStringLiteral("AXSize"), Size{500, 400});
        const WindowAccessError position =
            access.writeAttribute(w, QStringLiteral("AXPosition"), Point{200, 100});
        QVERIFY(!busy || m_desktop->holdWindowManager(false));
        QCOMPARE(size, WindowAccessError::success);
        QCOMPARE(position, WindowAccessError::success);
        const QRect asked(200, 100, 500, 400);
        m_desktop->waitFor([&] { return m_desktop->frameGeometry(logo.window) == asked; });
        QCOMPARE(m_desktop->frameGeometry(logo.window), asked);
        if (!movedByOther)
            return;
        QVERIFY(m_desktop->xdotool({QStringLiteral("windowmove"), QString::number(logo.window),
                                    QStringLiteral("600"), QStringLiteral("300")}));
        QVERIFY(m_desktop->waitFor([&] { return m_desktop->frameGeometry(logo.window) != asked; }));
        const QPoint moved = m_desktop->frameGeometry(logo.window).topLeft();
        QCOMPARE(access.writeAttribute(w, QStringLiteral("AXSize"), Size{560, 420}),
                 WindowAccessError::success);
        const QRect resized(moved, QSize(560, 420));
        m_desktop->waitFor([&] { return m_desktop->frameGeometry(logo.window) == resized; });
        QCOMPARE(m_desktop->frameGeometry(logo.window), resized);
    }

    // A window manager too busy to answer in time still answers: what is asked of it later waits
    // for its answer instead of for a deadline that a busy machine overruns.
    void syncsWithAWindowManagerThatAnsweredLate() {
        if (TestDesktop::defaultWindowManager() == TestDesktop::WindowManager::fluxbox)
            QSKIP("fluxbox leaves frame estimates unanswered");
        X11Connection& conn = m_backend->connection;
        QVERIFY(conn.syncWithWindowManager(X11Connection::stuckWindowManagerMs));
        QVERIFY(m_desktop->holdWindowManager(true));
        const bool answeredWhileHeld = conn.syncWithWindowManager(100);
        QVERIFY(m_desktop->holdWindowManager(false));
        QVERIFY(!answeredWhileHeld);
        QVERIFY(conn.canSyncWithWindowManager());
        QVERIFY(conn.syncWithWindowManager(100));
    }

    void minimisesAndRestores() {
        const auto logo = m_desktop->startXlogo();
        const Stopper stop{*m_desktop, logo.pid};
        QVERIFY(logo.window);
        WindowAccess& access = m_backend->windows;
        const WindowElementRef w = windowElement(logo.window);
        QCOMPARE(access.writeAttribute(w, QStringLiteral("AXMinimized"), true), WindowAccessError::success);
        QVERIFY(m_desktop->isMinimized(logo.window));
        QCOMPARE(read<bool>(access, w, "AXMinimized"), true);
        QCOMPARE(access.writeAttribute(w, QStringLiteral("AXMinimized"), false), WindowAccessError::success);
        QVERIFY(!m_desktop->isMinimized(logo.window));
        QCOMPARE(m_desktop->activeWindow(), logo.window);
        QCOMPARE(read<bool>(access, w, "AXMinimized"), false);
    }

    void activationFollowsAWindowToItsDesktop() {
        m_desktop->installDesktopEntry(QStringLiteral("test-xlogo"),
                                       TestDesktop::applicationEntry("Logo", "xlogo", "XLogo"));
        const auto logo = m_desktop->startXlogo();
        QVERIFY(logo.window);
        QVERIFY(m_desktop->xdotool(
            {QStringLiteral("set_desktop_for_window"), QString::number(logo.window), QStringLiteral("2")}));
        QVERIFY(m_desktop->waitFor([&] { return m_desktop->activeWindow() != logo.window; }));
        const auto apps = m_backend->workspace.runningApplications(QStringLiteral("test-xlogo"));
        QCOMPARE(apps.size(), 1);
        QCOMPARE(apps[0]->localizedName(), QStringLiteral("Logo"));
        QCOMPARE(apps[0]->activationPolicy(), ActivationPolicy::regular);
        QVERIFY(apps[0]->activate(true));
        QVERIFY(m_desktop->waitFor(
            [&] { return m_desktop->activeWindow() == logo.window && m_desktop->currentDesktop() == 2; }));
        QVERIFY(m_desktop->xdotool({QStringLiteral("set_desktop"), QStringLiteral("0")}));
        QVERIFY(m_desktop->waitFor([&] { return m_desktop->currentDesktop() == 0; }));
        m_desktop->stopProcess(logo.pid);
    }

    void rolesFollowTheWindowType() {
        const QList<std::pair<QString, QString>> roles{
            {"normal", "AXWindow"}, {"dialog", "AXDialog"}, {"utility", "AXFloatingWindow"}};
        for (const auto& [type, role] : roles) {
            const auto client = m_desktop->startTestWindow({"--type", type, "--title", "Grüße"});
            const Stopper stop{*m_desktop, client.pid};
            QVERIFY(client.window);
            const WindowElementRef w = windowElement(client.window);
            QCOMPARE(read<QString>(m_backend->windows, w, "AXRole"), role);
            QCOMPARE(read<QString>(m_backend->windows, w, "AXTitle"), QStringLiteral("Grüße"));
        }
    }

    void applicationsAreTheirWindowsFrontmostFirstAndTheirEntrysActions() {
        const QString program = TestDesktop::testWindowProgram();
        m_desktop->installDesktopEntry(
            QStringLiteral("quarlin-menu"),
            QStringLiteral("[Desktop Entry]\nType=Application\nName=Menu\nExec=%1 --class MenuApp\n"
                           "StartupWMClass=MenuApp\nActions=new-window;quit;\n"
                           "[Desktop Action new-window]\nName=New Window\nExec=%1 --class MenuApp\n"
                           "[Desktop Action quit]\nName=Quit\nExec=/nonexistent/quit\n")
                .arg(program));
        const auto first = m_desktop->startTestWindow({QStringLiteral("--class"), QStringLiteral("MenuApp")},
                                                      QStringLiteral("MenuApp"));
        const auto second = m_desktop->startTestWindow({QStringLiteral("--class"), QStringLiteral("MenuApp")},
                                                       QStringLiteral("MenuApp"));
        QVERIFY(first.window && second.window);
        WindowAccess& access = m_backend->windows;

        // One application: the windows of both processes, the frontmost first.
        QCOMPARE(m_backend->workspace.runningApplications(QStringLiteral("quarlin-menu")).size(), 2);
        const WindowElementRef app = access.applicationElement(pid_t(first.pid));
        QCOMPARE(access.writeAttribute(windowElement(first.window), QStringLiteral("AXMinimized"), false),
                 WindowAccessError::success);
        const auto windows = read<QList<WindowElementRef>>(access, app, "AXWindows");
        QVERIFY(windows && windows->size() == 2);
        QCOMPARE(static_cast<X11Element&>(*windows->at(0)).window, first.window);
        QCOMPARE(access.writeAttribute(windowElement(second.window), QStringLiteral("AXMinimized"), false),
                 WindowAccessError::success);
        const auto raised = read<QList<WindowElementRef>>(access, app, "AXWindows");
        QVERIFY(raised && !raised->isEmpty());
        QCOMPARE(static_cast<X11Element&>(*raised->at(0)).window, second.window);

        // The entry's actions are its only menu: File, then the actions by name.
        const auto bar = read<WindowElementRef>(access, app, "AXMenuBar");
        QVERIFY(bar);
        const auto top = read<QList<WindowElementRef>>(access, *bar, "AXChildren");
        QVERIFY(top && top->size() == 1);
        QCOMPARE(read<QString>(access, top->at(0), "AXTitle"), QStringLiteral("File"));
        const auto menu = read<QList<WindowElementRef>>(access, top->at(0), "AXChildren");
        QVERIFY(menu && menu->size() == 1);
        const auto items = read<QList<WindowElementRef>>(access, menu->at(0), "AXChildren");
        QVERIFY(items && items->size() == 2);
        QCOMPARE(read<QString>(access, items->at(0), "AXTitle"), QStringLiteral("New Window"));
        QCOMPARE(access.performAction(items->at(1), QStringLiteral("AXPress")),
                 WindowAccessError::cannotComplete);
        QCOMPARE(access.performAction(items->at(0), QStringLiteral("AXPress")), WindowAccessError::success);
        QVERIFY(m_desktop->waitFor([&] {
            return m_backend->workspace.runningApplications(QStringLiteral("quarlin-menu")).size() == 3;
        }));

        // A process without an entry has windows but no menu; one that is gone has nothing.
        const auto logo = m_desktop->startXlogo();
        QVERIFY(logo.window);
        const WindowElementRef logoApp = access.applicationElement(pid_t(logo.pid));
        WindowValue value;
        QCOMPARE(access.readAttribute(logoApp, QStringLiteral("AXMenuBar"), value),
                 WindowAccessError::noValue);
        QCOMPARE(read<QList<WindowElementRef>>(access, logoApp, "AXWindows")->size(), 1);
        m_desktop->stopProcess(logo.pid);
        QVERIFY(m_desktop->waitFor([&] { return !m_desktop->clientList().contains(logo.window); }));
        QCOMPARE(access.readAttribute(logoApp, QStringLiteral("AXWindows"), value),
                 WindowAccessError::invalidElement);

        for (quint32 w : m_desktop->clientList())
            QVERIFY(m_desktop->close(w));
    }

    void knowsWhichApplicationAWindowBelongsTo_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("wmClass");
        QTest::addColumn<QString>("id");
        QTest::newRow("GTK application id")
            << QStringList{"--class", "Plain", "--app-id", "org.quarlin.Gtk"} << "Plain"
            << "org.quarlin.Gtk";
        QTest::newRow("KDE desktop file")
            << QStringList{"--class", "Plain", "--desktop-file", "quarlin-kde"} << "Plain"
            << "quarlin-kde";
        QTest::newRow("StartupWMClass") << QStringList{"--class", "StartupClass"} << "StartupClass"
                                        << "quarlin-startup";
        QTest::newRow("class is the entry id")
            << QStringList{"--class", "Quarlin-Classid"} << "Quarlin-Classid"
            << "quarlin-classid";
        QTest::newRow("executable") << QStringList{"--class", "Plain"} << "Plain"
                                    << "a-quarlin-by-exe";
        QTest::newRow("unknown application id falls through")
            << QStringList{"--class", "Plain", "--app-id", "org.unknown"} << "Plain"
            << "a-quarlin-by-exe";
    }
    void knowsWhichApplicationAWindowBelongsTo() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, wmClass);
        QFETCH(QString, id);
        const QString program = TestDesktop::testWindowProgram();
        auto install = [&](const QString& entryId, const QString& extra) {
            m_desktop->installDesktopEntry(
                entryId, QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n%3")
                             .arg(entryId, program, extra));
        };
        // The executable rule picks the first id in order among entries that start the program.
        install(QStringLiteral("a-quarlin-by-exe"), {});
        install(QStringLiteral("org.quarlin.Gtk"), {});
        install(QStringLiteral("quarlin-kde"), {});
        install(QStringLiteral("quarlin-startup"), QStringLiteral("StartupWMClass=StartupClass\n"));
        install(QStringLiteral("quarlin-classid"), {});
        const auto client = m_desktop->startTestWindow(arguments, wmClass);
        const Stopper stop{*m_desktop, client.pid};
        QVERIFY(client.window);
        const auto apps = m_backend->workspace.runningApplications(id);
        if (apps.size() != 1) {
            // What the backend sees instead, for a failure that does not come back on a rerun.
            QStringList seen;
            for (const auto& app : m_backend->workspace.runningApplications())
                seen << QStringLiteral("%1=%2")
                            .arg(app->processIdentifier())
                            .arg(app->bundleIdentifier().value_or("-"));
            qWarning() << "window" << client.window << "pid" << client.pid << "clients"
                       << m_desktop->clientList() << "running" << seen;
        }
        QCOMPARE(apps.size(), 1);
        QCOMPARE(apps[0]->processIdentifier(), pid_t(client.pid));
        QCOMPARE(apps[0]->bundleIdentifier(), id);
        QCOMPARE(apps[0]->localizedName(), id);
    }

    void aWindowTheStackingListDoesNotHaveYetIsRunning() {
        // The window manager has put the window in its client list but not yet in the stacking one.
        const auto older = m_desktop->startXlogo();
        const Stopper stopOlder{*m_desktop, older.pid};
        const auto logo = m_desktop->startXlogo();
        const Stopper stop{*m_desktop, logo.pid};
        QVERIFY(older.window && logo.window);
        xcb_connection_t* c = xcb_connect(qPrintable(m_desktop->displayName()), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        auto* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 25, "_NET_CLIENT_LIST_STACKING"), nullptr);
        QList<quint32> others = m_desktop->clientList();
        others.removeAll(logo.window);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_WINDOW, 32,
                            quint32(others.size()), others.constData());
        std::free(atom);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        xcb_disconnect(c);
        const auto apps = m_backend->workspace.runningApplications();
        QVERIFY(std::any_of(apps.begin(), apps.end(),
                            [&](const auto& app) { return app->processIdentifier() == pid_t(logo.pid); }));
    }

    void installedApplicationsAndLaunchErrors() {
        m_desktop->installDesktopEntry(QStringLiteral("quarlin-broken"),
                                       QStringLiteral("[Desktop Entry]\nType=Application\nName=Broken\n"
                                                      "Exec=/nonexistent/program\n"));
        Workspace& workspace = m_backend->workspace;
        QVERIFY(workspace.urlForApplication(QStringLiteral("debian-xterm")));
        QVERIFY(!workspace.urlForApplication(QStringLiteral("quarlin-broken")));
        QVERIFY(!workspace.urlForApplication(QStringLiteral("../applications/debian-xterm")));
        QVERIFY(workspace.runningApplications(QStringLiteral("../debian-xterm")).isEmpty());

        // Each failure is told once, before the call returns.
        QList<std::optional<QString>> errors;
        const auto note = [&](std::optional<QString> e) { errors << e; };
        workspace.openApplication(m_desktop->dataHome() + "/applications/quarlin-broken.desktop", true, note);
        QCOMPARE(errors.size(), 1);
        workspace.openApplication(QStringLiteral("/nonexistent.desktop"), true, note);
        QCOMPARE(errors.size(), 2);
        QVERIFY(errors[0] && errors[1]);
        QCOMPARE(workspace.mainBundleIdentifier(), QStringLiteral("io.github.quarlin"));
    }

    void twoMonitorsPrimaryFirstWithTheirOwnCoordinates() {
        TestDesktop::Options options;
        options.twoMonitors = true;
        options.tray = true; // trayer keeps to the primary monitor's right end
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        X11Backend backend(optionsFor(desktop));

        const QList<Screen> screens = backend.screens.screens();
        QCOMPARE(screens.size(), 2);
        QCOMPARE(screens[0].id, QStringLiteral("LEFT"));
        // The connector is the output's, not the monitor's own name.
        QCOMPARE(screens[0].connector, QStringLiteral("screen"));
        QCOMPARE(screens[0].frame, Rect(0, 0, 1920, 1080));
        QCOMPARE(screens[0].visibleFrame, Rect(0, 0, 1920, 1080 - TestDesktop::trayHeight));
        QCOMPARE(screens[1].id, QStringLiteral("RIGHT"));
        QCOMPARE(screens[1].frame, Rect(1920, 0, 1920, 1080));
        QCOMPARE(screens[1].visibleFrame, Rect(1920, 0, 1920, 1080));

        QVERIFY(desktop.movePointer(2500, 100));
        QCOMPARE(backend.screens.mouseLocation(), (Point{2500, 979}));
        QVERIFY(screens[1].frame.contains(backend.screens.mouseLocation()));

        const auto logo = desktop.startXlogo();
        QVERIFY(logo.window);
        const WindowElementRef w = windowElement(logo.window);
        QCOMPARE(backend.windows.writeAttribute(w, QStringLiteral("AXSize"), Size{960, 1080}),
                 WindowAccessError::success);
        QCOMPARE(backend.windows.writeAttribute(w, QStringLiteral("AXPosition"), Point{2880, 0}),
                 WindowAccessError::success);
        // A busy window manager may show the writes after their deadline.
        QVERIFY(
            desktop.waitFor([&] { return desktop.frameGeometry(logo.window) == QRect(2880, 0, 960, 1080); }));
        QCOMPARE(read<Point>(backend.windows, w, "AXPosition"), (Point{2880, 0}));
        QCOMPARE(read<Size>(backend.windows, w, "AXSize"), (Size{960, 1080}));

        // The panel itself is a dock, not a window of an application.
        const QList<quint32> clients = desktop.clientList();
        QCOMPARE(clients.size(), 2);
        QCOMPARE(read<QString>(backend.windows, windowElement(clients[0]), "AXRole"),
                 QStringLiteral("AXUnknown"));

        // A monitor unplugged and plugged in again: told each time, with the new list at hand.
        QObject context;
        QList<qsizetype> counts;
        backend.screens.onChanged(&context, [&] { counts << backend.screens.screens().size(); });
        QVERIFY(desktop.setSecondMonitor(false));
        QTRY_VERIFY2(!counts.isEmpty() && counts.last() == 1, qPrintable(QDebug::toString(counts)));
        QVERIFY(desktop.setSecondMonitor(true));
        QTRY_COMPARE(counts.last(), 2);
    }
};

QTEST_GUILESS_MAIN(X11BackendTest)
#include "X11BackendTest.moc"
