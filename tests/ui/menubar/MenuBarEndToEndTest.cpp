// The real program on a private desktop with a tray (trayer): its icon, the window hanging from it,
// an activation from the compact list, dismissal by a click on another program, the toggle hot key,
// a start in menu-bar mode without any tray, and closing the window without a tray ends the program;
// a StatusNotifier host that comes after the start; Escape and a click elsewhere with and without a
// tray; every panel at the top and bottom; scaled screens; one Quit, from the main window's menu,
// the compact list or Ctrl+Q in any window, ends the program while an editor is open, and dialogs
// over the attached window open whole.
#include "QuarlinProgram.h"
#include "TestDesktop.h"
#include "X11Probe.h"

#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "shortcuts/Key.h"
#include "shortcuts/ModifierFlags.h"
#include "shortcuts/Shortcut.h"
#include "store/ModelContext.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

#include <xcb/xcb.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <utility>

namespace {

const QString logoId = QStringLiteral("quarlin-menubar-logo");

// Windows of one class anywhere in the tree (the tray icon is no managed client), with their root
// rectangles and map state, read with a connection of the test's own.
struct TreeWindow {
    quint32 id;
    QRect rect;
    bool viewable;
};

QList<TreeWindow> windowsOfClass(const QString& display, const QByteArray& wmClass) {
    QList<TreeWindow> found;
    xcb_connection_t* conn = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(conn)) {
        xcb_disconnect(conn);
        return found;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    QList<xcb_window_t> pending = {root};
    while (!pending.isEmpty()) {
        const xcb_window_t w = pending.takeFirst();
        if (auto* tree = xcb_query_tree_reply(conn, xcb_query_tree(conn, w), nullptr)) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
                pending << children[i];
            std::free(tree);
        }
        auto* property = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), nullptr);
        const QByteArray value = property
                                     ? QByteArray(static_cast<const char*>(xcb_get_property_value(property)),
                                                  xcb_get_property_value_length(property))
                                     : QByteArray();
        std::free(property);
        if (!value.split('\0').contains(wmClass))
            continue;
        auto* geometry = xcb_get_geometry_reply(conn, xcb_get_geometry(conn, w), nullptr);
        auto* origin =
            xcb_translate_coordinates_reply(conn, xcb_translate_coordinates(conn, w, root, 0, 0), nullptr);
        auto* attributes = xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, w), nullptr);
        if (geometry && origin && attributes)
            found.append({w, QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height),
                          attributes->map_state == XCB_MAP_STATE_VIEWABLE});
        std::free(geometry);
        std::free(origin);
        std::free(attributes);
    }
    xcb_disconnect(conn);
    return found;
}

// A run of the program on a desktop of its own, with the preferences and configurations given.
struct ProgramRun {
    TestDesktop desktop;
    QTemporaryDir programs;
    QuarlinProgram quarlin{desktop, QStringLiteral("menubar")};

    explicit ProgramRun(bool tray) : ProgramRun(options(tray)) {}
    // The tray's clicks and the attached window's placing are debugging traces.
    explicit ProgramRun(const TestDesktop::Options& o) : desktop(o) {
        quarlin.showDebugLines(QStringLiteral("quarlin.ui"));
    }

    static TestDesktop::Options options(bool tray) {
        TestDesktop::Options o;
        o.tray = tray;
        return o;
    }

    // A configuration "Logo on the left" holding a copy of xlogo at the left half.
    void storeLogoConfiguration() {
        const QString logo = programs.filePath(logoId);
        QVERIFY(QFile::copy(QStandardPaths::findExecutable(QStringLiteral("xlogo")), logo));
        desktop.installDesktopEntry(
            logoId, TestDesktop::applicationEntry(QStringLiteral("Logo"), logo, QStringLiteral("XLogo")));
        QVERIFY2(quarlin.changeStore([](ModelContext& context) {
            auto* configuration =
                new ConfigurationGroup(QStringLiteral("Logo on the left"), 1920, 1052, std::nullopt);
            configuration->appendConfiguration(new AppConfiguration(
                logoId, QStringLiteral("Logo"), QString(), 0, true, Corner::leftHalf, 0.5, 400, 0, 0));
            context.insert(configuration);
        }),
                 qPrintable(quarlin.error()));
    }

    QList<TreeWindow> ours() const { return windowsOfClass(desktop.displayName(), "Quarlin"); }

    // The tray icon: ours, small, inside trayer, never a managed client.
    std::optional<TreeWindow> icon() {
        const QList<quint32> clients = desktop.clientList();
        for (const TreeWindow& w : ours())
            if (w.viewable && !clients.contains(w.id) && w.rect.width() < 96 && w.rect.height() < 96)
                return w;
        return std::nullopt;
    }

    // The main window as a managed, mapped client; absent while it is hidden.
    std::optional<TreeWindow> mainWindow() {
        const QList<quint32> clients = desktop.clientList();
        for (const TreeWindow& w : ours())
            if (w.viewable && clients.contains(w.id))
                return w;
        return std::nullopt;
    }

    // The main window's id, waiting a moment for one, 0 when none came: a window just seen may be
    // between two native windows at the next look (see below).
    quint32 mainWindowId() {
        std::optional<TreeWindow> w;
        desktop.waitFor([&] { return (w = mainWindow()).has_value(); }, 5000);
        return w ? w->id : 0;
    }

    // Closes the main window as its title bar's button does, and waits for the program to end.
    // Qt makes a window that stops staying on top a new native window at its next show, so a
    // window just detached may be replaced under the close; only then is the new one closed too.
    bool closeMainWindowUntilExit() {
        quint32 window = mainWindowId();
        for (int replaced = 0; window && replaced < 3; ++replaced) {
            if (!desktop.close(window))
                return false;
            if (quarlin.waitForExit(3000))
                return true;
            const quint32 now = mainWindowId();
            if (!now || now == window)
                break;
            window = now;
        }
        return quarlin.waitForExit(15000);
    }

    bool click(QPoint p) {
        return desktop.movePointer(p.x(), p.y()) &&
               desktop.xdotool({QStringLiteral("click"), QStringLiteral("1")});
    }

    // Where the attached window hangs: right under the icon, inside the free area.
    QRect attachedUnder(const QRect& icon) {
        const QRect area = desktop.workArea();
        const int x =
            std::max(std::min(icon.x() + icon.width() / 2 - 214, area.right() + 1 - 428 - 8), area.x() + 8);
        return QRect(x, area.y() + 6, 428, 545);
    }
};

// Windows that appear on the desktop from now on: the widths of the top-level windows created
// (frames included), read from the root's notifications with a connection of the test's own.
class CreatedWindows {
public:
    explicit CreatedWindows(const QString& display) {
        m_conn = xcb_connect(display.toLocal8Bit().constData(), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_conn, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_conn);
    }
    ~CreatedWindows() { xcb_disconnect(m_conn); }
    // The sizes of the top-level windows mapped since the start (menus and tooltips left out).
    QList<QSize> mapped() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(m_conn)) {
            const uint8_t type = e->response_type & 0x7f;
            // The window may be gone when the test reads: its size comes from the notifications.
            if (type == XCB_CREATE_NOTIFY) {
                const auto* c = reinterpret_cast<xcb_create_notify_event_t*>(e);
                m_latest[c->window] = QSize(c->width, c->height);
            } else if (type == XCB_CONFIGURE_NOTIFY) {
                const auto* c = reinterpret_cast<xcb_configure_notify_event_t*>(e);
                m_latest[c->window] = QSize(c->width, c->height);
            } else if (type == XCB_MAP_NOTIFY) {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (!map->override_redirect)
                    m_sizes << m_latest.value(map->window);
            }
            std::free(e);
        }
        return m_sizes;
    }

private:
    xcb_connection_t* m_conn;
    QHash<quint32, QSize> m_latest;
    QList<QSize> m_sizes;
};

// The screen's pixels inside `rect` (32 bits each, row by row), read from the root window.
QByteArray rootPixels(const QString& display, const QRect& rect) {
    QByteArray pixels;
    xcb_connection_t* conn = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    if (auto* reply = xcb_get_image_reply(
            conn,
            xcb_get_image(conn, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<int16_t>(rect.x()),
                          static_cast<int16_t>(rect.y()), static_cast<uint16_t>(rect.width()),
                          static_cast<uint16_t>(rect.height()), ~0u),
            nullptr)) {
        pixels = QByteArray(reinterpret_cast<const char*>(xcb_get_image_data(reply)),
                            xcb_get_image_data_length(reply));
        std::free(reply);
    }
    xcb_disconnect(conn);
    return pixels;
}

// Where two pictures of one place `width` pixels wide differ; empty when they are alike.
// Where the pixels changed most: of the groups of changed columns (a few unchanged ones apart),
// the one with the most changed pixels. A panel's clock may tick meanwhile; an icon changes more.
QRect changedArea(const QByteArray& before, const QByteArray& after, int width) {
    if (before.size() != after.size() || width <= 0)
        return {};
    QList<int> count(width, 0), top(width, INT_MAX), bottom(width, -1);
    for (qsizetype i = 0; i + 4 <= before.size(); i += 4) {
        if (std::memcmp(before.constData() + i, after.constData() + i, 4) == 0)
            continue;
        const int x = int(i / 4 % width), y = int(i / 4 / width);
        ++count[x];
        top[x] = std::min(top[x], y);
        bottom[x] = std::max(bottom[x], y);
    }
    constexpr int gap = 3;
    QRect best;
    int most = 0;
    for (int x = 0; x < width;) {
        if (!count[x]) {
            ++x;
            continue;
        }
        QRect group;
        int pixels = 0, unchanged = 0;
        for (; x < width && unchanged <= gap; ++x) {
            if (!count[x]) {
                ++unchanged;
                continue;
            }
            unchanged = 0;
            pixels += count[x];
            group |= QRect(x, top[x], 1, bottom[x] - top[x] + 1);
        }
        if (pixels > most)
            std::tie(best, most) = std::tie(group, pixels);
    }
    return best;
}

// A property of the StatusNotifier watcher on the desktop's session bus; invalid without one.
QVariant watcherProperty(const TestDesktop& desktop, const QString& name) {
    const QString address = desktop.environment().value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    QDBusConnection bus = QDBusConnection::connectToBus(address, address);
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher") << name;
    return bus.call(get).arguments().value(0).value<QDBusVariant>().variant();
}

// Whether a name has an owner on the desktop's session bus.
bool onBus(const TestDesktop& desktop, const QString& name) {
    const QString address = desktop.environment().value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    QDBusConnection bus = QDBusConnection::connectToBus(address, address);
    return bus.interface()->isServiceRegistered(name).value();
}

} // namespace

class MenuBarEndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theTrayIconDropsTheWindowAndActivatesFromTheList();
    void withoutATrayTheProgramStaysReachable();
    void aStatusNotifierHostStartedLaterDoesNotStrandTheWindow();
    void escapeOrAClickElsewhereTakesItAway_data();
    void escapeOrAClickElsewhereTakesItAway();
    void withoutATrayTheTabsKeepItsTopEdge_data();
    void withoutATrayTheTabsKeepItsTopEdge();
    void onEveryPanel_data();
    void onEveryPanel();
    void scaledScreens_data();
    void scaledScreens();
    void oneQuitEndsTheProgramWithAnEditorOpen_data();
    void oneQuitEndsTheProgramWithAnEditorOpen();
};

void MenuBarEndToEndTest::theTrayIconDropsTheWindowAndActivatesFromTheList() {
    ProgramRun run(true);
    QVERIFY2(run.desktop.isReady(), qPrintable(run.desktop.error()));
    const KeyboardShortcuts::Shortcut toggle(KeyboardShortcuts::Key::m,
                                             KeyboardShortcuts::ModifierFlag::command);
    QVERIFY(run.quarlin.writePreferences(
        {{QStringLiteral("KeyboardShortcuts_toggleMenuBar"), QString::fromUtf8(toggle.encoded())},
         {QStringLiteral("appTheme"), QStringLiteral("dark")}}));
    run.storeLogoConfiguration();
    QVERIFY2(run.quarlin.start({}, 20000), qPrintable(run.quarlin.error()));
    QVERIFY(run.desktop.waitFor([&] { return run.icon() && run.mainWindow(); }, 20000));

    // A click on the icon: the window hangs right under it, inside the free area, above the rest.
    const QRect icon = run.icon()->rect;
    QVERIFY(run.click(icon.center()));
    const QRect area = run.desktop.workArea();
    const QRect expected = run.attachedUnder(icon);
    const bool placed =
        run.desktop.waitFor([&] { return run.mainWindow() && run.mainWindow()->rect == expected; }, 15000);
    if (!placed)
        qWarning() << "attached window at" << (run.mainWindow() ? run.mainWindow()->rect : QRect())
                   << "expected" << expected;
    QVERIFY(placed);
    QVERIFY(run.desktop.waitFor(
        [&] {
            const QStringList state = netWmState(run.desktop.displayName(), run.mainWindowId());
            return state.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")) &&
                   state.contains(QStringLiteral("_NET_WM_STATE_ABOVE"));
        },
        15000));

    // Alt+drag, the window manager's move, once the program has done placing the window: it is
    // not movable, and the window is asked not to be moved.
    QVERIFY(run.quarlin.waitForOutput(QStringLiteral("MenuBar: attached window placed"), 15000));
    constexpr quint32 moveFunction = 4;
    QVERIFY(run.mainWindowId());
    QVERIFY(!(motifFunctions(run.desktop.displayName(), run.mainWindowId()) & moveFunction));
    const QPoint grab = expected.topLeft() + QPoint(214, 400);
    QVERIFY(run.desktop.movePointer(grab.x(), grab.y()));
    QVERIFY(run.desktop.keyDown(QStringLiteral("alt")));
    QVERIFY(run.desktop.xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    // In steps: a single jump only starts the move.
    for (int step = 1; step <= 3; ++step)
        QVERIFY(run.desktop.movePointer(grab.x() - 100 * step, grab.y() + 66 * step));
    QVERIFY(run.desktop.xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    QVERIFY(run.desktop.keyUp(QStringLiteral("alt")));
    QVERIFY(
        run.desktop.waitFor([&] { return run.mainWindow() && run.mainWindow()->rect == expected; }, 15000));
    // Moved anyway (a request the window manager grants whatever the hints): back under the icon.
    QVERIFY(run.desktop.xdotool({QStringLiteral("windowmove"), QString::number(run.mainWindowId()),
                                 QStringLiteral("200"), QStringLiteral("300")}));
    QVERIFY(
        run.desktop.waitFor([&] { return run.mainWindow() && run.mainWindow()->rect == expected; }, 15000));

    run.quarlin.screenshot(QStringLiteral("attached"));
    // The list's only row: its activate button launches the logo and puts it on the left half.
    QVERIFY(run.click(expected.topLeft() + QPoint(46, 172)));
    quint32 logo = 0;
    QVERIFY(run.desktop.waitFor(
        [&] {
            for (quint32 w : run.desktop.clientList())
                if (run.desktop.wmClass(w).endsWith(QStringLiteral(".XLogo")))
                    logo = w;
            return logo && run.desktop.frameGeometry(logo) ==
                               QRect(area.x(), area.y(), area.width() / 2, area.height());
        },
        15000));

    // A click on another program's window hides it.
    if (!run.mainWindow())
        QVERIFY(run.click(icon.center()));
    QVERIFY(run.desktop.waitFor([&] { return run.mainWindow().has_value(); }, 15000));
    QVERIFY(run.click(run.desktop.frameGeometry(logo).center()));
    QVERIFY(run.desktop.waitFor([&] { return !run.mainWindow(); }, 15000));

    // The hot key shows it again and hides it.
    const auto attached = [&] {
        const bool shown = run.desktop.waitFor(
            [&] { return run.mainWindow() && run.mainWindow()->rect == expected; }, 15000);
        if (!shown)
            qWarning() << "attached window at" << (run.mainWindow() ? run.mainWindow()->rect : QRect())
                       << "expected" << expected << "\n"
                       << qPrintable(run.quarlin.output());
        return shown;
    };
    QVERIFY(run.desktop.key(QStringLiteral("super+m")));
    QVERIFY(attached());
    QVERIFY(run.desktop.key(QStringLiteral("super+m")));
    QVERIFY(run.desktop.waitFor([&] { return !run.mainWindow(); }, 15000));

    // "Exit Menu Bar Mode": the ordinary window's widgets take the keyboard at once (the window
    // is a new native one), so a click on a shortcut recorder and a key combination record it.
    QVERIFY(run.desktop.key(QStringLiteral("super+m")));
    QVERIFY(attached());
    QVERIFY(run.click(expected.topLeft() + QPoint(81, 517)));
    std::optional<TreeWindow> detached;
    QVERIFY(run.desktop.waitFor(
        [&] {
            detached = run.mainWindow();
            return detached && detached->rect.width() == 600;
        },
        15000));
    const QPoint client = detached->rect.topLeft();
    QVERIFY(run.click(client + QPoint(300, 45)));  // the Shortcuts tab
    QVERIFY(run.click(client + QPoint(514, 221))); // the first recorder
    QVERIFY(run.desktop.key(QStringLiteral("ctrl+alt+j")));
    QVERIFY2(run.desktop.waitFor([&] {
        return run.quarlin.preferences().contains(QStringLiteral("KeyboardShortcuts_activateCurrentGroup"));
    }),
             qPrintable(run.quarlin.output()));
}

void MenuBarEndToEndTest::withoutATrayTheProgramStaysReachable() {
    ProgramRun run(false);
    QVERIFY2(run.desktop.isReady(), qPrintable(run.desktop.error()));
    QVERIFY(run.quarlin.writePreferences({{QStringLiteral("launchInMenuBarMode"), true}}));
    QVERIFY2(run.quarlin.start({}, 20000), qPrintable(run.quarlin.error()));
    // After the launch gave up on menu-bar mode: an ordinary window with its taskbar entry.
    QVERIFY(run.quarlin.waitForOutput(QStringLiteral("⚠️ MenuBar: no system tray"), 20000));
    QVERIFY(
        run.desktop.waitFor([&] { return run.mainWindow() && run.mainWindow()->rect.width() > 428; }, 15000));
    QVERIFY(run.mainWindowId());
    const QStringList state = netWmState(run.desktop.displayName(), run.mainWindowId());
    QVERIFY(!state.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")));

    // A panel started later (autostart often runs first): menu-bar mode as asked; gone again: back.
    const qint64 trayer = run.desktop.startPanel(TestDesktop::Panel::trayer);
    QVERIFY2(trayer, qPrintable(run.desktop.panelLog()));
    QVERIFY(run.desktop.waitFor([&] { return run.mainWindow() && run.mainWindow()->rect.width() == 428; },
                                10000));
    run.desktop.stopProcess(trayer);
    QVERIFY(
        run.desktop.waitFor([&] { return run.mainWindow() && run.mainWindow()->rect.width() > 428; }, 10000));
    QVERIFY(run.mainWindowId());
    QVERIFY(!netWmState(run.desktop.displayName(), run.mainWindowId())
                 .contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")));

    // Without a tray nothing could bring a closed window back: closing it ends the program.
    QVERIFY2(run.closeMainWindowUntilExit(), qPrintable(run.quarlin.output()));
}

// Qt makes its icon for XEmbed when no StatusNotifier host is there at the program's start, and a
// host that comes later never shows it: the window stays reachable, and closing it ends the program.
void MenuBarEndToEndTest::aStatusNotifierHostStartedLaterDoesNotStrandTheWindow() {
    TestDesktop::Options options;
    options.sessionBus = true;
    ProgramRun run(options);
    QVERIFY2(run.desktop.isReady(), qPrintable(run.desktop.error()));
    QVERIFY(run.quarlin.writePreferences({{QStringLiteral("launchInMenuBarMode"), true}}));
    QVERIFY2(run.quarlin.start({}, 20000), qPrintable(run.quarlin.error()));
    QVERIFY(run.quarlin.waitForOutput(QStringLiteral("⚠️ MenuBar: no system tray"), 20000));
    QVERIFY2(run.desktop.startPanel(TestDesktop::Panel::statusNotifier), qPrintable(run.desktop.panelLog()));
    QVERIFY2(run.quarlin.waitForOutput(QStringLiteral("does not show the icon"), 20000),
             qPrintable(run.quarlin.output()));
    QVERIFY(run.mainWindow() && run.mainWindow()->rect.width() > 428);
    QVERIFY(run.mainWindowId());
    QVERIFY(!netWmState(run.desktop.displayName(), run.mainWindowId())
                 .contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")));
    QVERIFY2(run.closeMainWindowUntilExit(), qPrintable(run.quarlin.output()));
}

Q_DECLARE_METATYPE(TestDesktop::Panel)

void MenuBarEndToEndTest::escapeOrAClickElsewhereTakesItAway_data() {
    QTest::addColumn<bool>("tray");
    QTest::addColumn<TestDesktop::Panel>("panel");
    QTest::newRow("no tray") << false << TestDesktop::Panel::trayer;
    QTest::newRow("trayer") << true << TestDesktop::Panel::trayer;
    QTest::newRow("StatusNotifier host") << true << TestDesktop::Panel::statusNotifier;
}

// A hot key brings the window forward as the panel, above the other programs, with a tray or
// without one (stock GNOME, a bare window manager). A click on another program takes it away, the
// toggle shortcut brings it back, and Escape typed into another program takes it away again.
// Without a tray it is minimised, its taskbar entry kept as the way back; with one, hidden.
void MenuBarEndToEndTest::escapeOrAClickElsewhereTakesItAway() {
    QFETCH(bool, tray);
    QFETCH(TestDesktop::Panel, panel);
    TestDesktop::Options options;
    options.tray = tray;
    options.panel = panel;
    ProgramRun run(options);
    QVERIFY2(run.desktop.isReady(), qPrintable(run.desktop.error()));
    using namespace KeyboardShortcuts;
    QVERIFY(run.quarlin.writePreferences(
        {{QStringLiteral("KeyboardShortcuts_toggleMenuBar"),
          QString::fromUtf8(Shortcut(Key::m, ModifierFlag::command).encoded())},
         {QStringLiteral("KeyboardShortcuts_activateCurrentGroup"),
          QString::fromUtf8(Shortcut(Key::j, ModifierFlag::command).encoded())}}));
    const TestDesktop::Client term = run.desktop.startXterm({QStringLiteral("-geometry"), "80x24+100+600"});
    QVERIFY(term.window);
    QVERIFY2(run.quarlin.start({}, 20000), qPrintable(run.quarlin.error()));
    const QString tag =
        QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));

    quint32 shownId = 0;
    const auto shown = [&] {
        const bool up = run.desktop.waitFor(
            [&] {
                const std::optional<TreeWindow> w = run.mainWindow();
                shownId = w && w->rect.width() == 428 ? w->id : 0;
                return shownId != 0;
            },
            15000);
        if (!up)
            qWarning() << "main window" << (run.mainWindow() ? run.mainWindow()->rect : QRect()) << "\n"
                       << qPrintable(run.quarlin.output());
        return up;
    };
    // Gone from the screen: minimised with its taskbar entry without a tray, hidden with one.
    const auto gone = [&] {
        const bool away = run.desktop.waitFor(
            [&] {
                if (run.mainWindow())
                    return false;
                if (tray)
                    return !run.desktop.clientList().contains(shownId);
                return run.desktop.isMinimized(shownId) &&
                       !netWmState(run.desktop.displayName(), shownId)
                            .contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR"));
            },
            15000);
        if (!away)
            qWarning() << "still there:" << (run.mainWindow() ? run.mainWindow()->rect : QRect()) << "\n"
                       << qPrintable(run.quarlin.output());
        return away;
    };

    // The hot key is grabbed a moment after the window first shows, later on a busy machine: pressed
    // again until the panel answers (it only brings the panel forward, never takes it away).
    bool answered = false;
    for (int press = 0; press < 10 && !answered; ++press) {
        QVERIFY(run.desktop.key(QStringLiteral("super+j")));
        answered = run.desktop.waitFor(
            [&] {
                const std::optional<TreeWindow> w = run.mainWindow();
                return w && w->rect.width() == 428;
            },
            2000);
    }
    QVERIFY(shown());
    run.quarlin.screenshot(QStringLiteral("elsewhere-%1-hot-key").arg(tag));
    QVERIFY(run.click(run.desktop.frameGeometry(term.window).center()));
    QVERIFY(gone());
    run.quarlin.screenshot(QStringLiteral("elsewhere-%1-after-a-click").arg(tag));

    QVERIFY(run.desktop.key(QStringLiteral("super+m")));
    QVERIFY(shown());
    // The keyboard goes to the xterm without a click (as with the window manager's Alt+Tab): the
    // panel stays until Escape is typed there.
    QVERIFY(run.desktop.xdotool({QStringLiteral("windowactivate"), QString::number(term.window)}));
    QVERIFY(run.desktop.waitFor([&] { return run.desktop.activeWindow() == term.window; }, 15000));
    QVERIFY(run.mainWindow());
    run.quarlin.screenshot(QStringLiteral("elsewhere-%1-xterm-active").arg(tag));
    QVERIFY(run.desktop.key(QStringLiteral("Escape")));
    QVERIFY(gone());
    run.quarlin.screenshot(QStringLiteral("elsewhere-%1-after-escape").arg(tag));

    QVERIFY(run.desktop.key(QStringLiteral("super+m")));
    QVERIFY(shown());
    QVERIFY(run.click(run.desktop.frameGeometry(term.window).center()));
    QVERIFY(gone());

    // Started again, the program hands over to the running one: the panel is back, and goes again.
    QProcess second;
    second.setProcessEnvironment(run.quarlin.environment());
    second.start(run.quarlin.program(), {});
    QVERIFY(second.waitForFinished(20000));
    QVERIFY(shown());
    QVERIFY(run.click(run.desktop.frameGeometry(term.window).center()));
    QVERIFY(gone());
}

Q_DECLARE_METATYPE(TestDesktop::WindowManager)

void MenuBarEndToEndTest::withoutATrayTheTabsKeepItsTopEdge_data() {
    QTest::addColumn<TestDesktop::WindowManager>("windowManager");
    QTest::newRow("openbox") << TestDesktop::WindowManager::openbox;
    QTest::newRow("metacity") << TestDesktop::WindowManager::metacity;
    // fluxbox's toolbar holds a tray of its own.
}

// Without a tray, brought by the hot key with the pointer below the middle of the screen (it hangs
// above the pointer): each tab changes the window's height (545 on Home, taller on the others), and
// it grows and shrinks at its bottom edge, its top edge where it was shown at every look while the
// height changes (with room below for the tallest tab).
void MenuBarEndToEndTest::withoutATrayTheTabsKeepItsTopEdge() {
    QFETCH(TestDesktop::WindowManager, windowManager);
    TestDesktop::Options options;
    options.windowManager = windowManager;
    ProgramRun run(options);
    QVERIFY2(run.desktop.isReady(), qPrintable(run.desktop.error()));
    using namespace KeyboardShortcuts;
    QVERIFY(run.quarlin.writePreferences(
        {{QStringLiteral("KeyboardShortcuts_activateCurrentGroup"),
          QString::fromUtf8(Shortcut(Key::j, ModifierFlag::command).encoded())}}));
    QVERIFY2(run.quarlin.start({}, 20000), qPrintable(run.quarlin.error()));
    const QRect area = run.desktop.workArea();
    QVERIFY(run.desktop.movePointer(area.center().x(), area.top() + 700));
    // The hot key is grabbed a moment after the window first shows: pressed again until it answers.
    bool answered = false;
    for (int press = 0; press < 10 && !answered; ++press) {
        QVERIFY(run.desktop.key(QStringLiteral("super+j")));
        answered = run.desktop.waitFor(
            [&] {
                const std::optional<TreeWindow> w = run.mainWindow();
                return w && w->rect.width() == 428;
            },
            2000);
    }
    QVERIFY2(answered, qPrintable(run.quarlin.output()));
    // Placed for the show once more as the window manager maps it; the last of these is logged.
    QVERIFY2(run.quarlin.waitForOutput(QStringLiteral("attached window placed at"), 15000),
             qPrintable(run.quarlin.output()));
    const QRect shown = run.mainWindow()->rect;
    QCOMPARE(shown.height(), 545);
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    run.quarlin.screenshot(QStringLiteral("no-tray-%1-shown").arg(tag));

    // The tab bar's buttons, centred at the top: Home, Shortcuts, Settings.
    const int home = 40, shortcuts = 214, settings = 388;
    QList<int> tops;
    for (const int tab : {settings, home, shortcuts, home, settings}) {
        const QRect before = run.mainWindow() ? run.mainWindow()->rect : QRect();
        QVERIFY(run.click(before.topLeft() + QPoint(tab, 28)));
        const bool resized = run.desktop.waitFor(
            [&] {
                const std::optional<TreeWindow> w = run.mainWindow();
                if (!w)
                    return false;
                tops << w->rect.top();
                return tab == home ? w->rect.height() == 545 : w->rect.height() >= 745;
            },
            15000);
        run.quarlin.screenshot(QStringLiteral("no-tray-%1-tab-%2").arg(tag).arg(tab));
        QVERIFY2(resized, qPrintable(run.quarlin.output()));
    }
    const QList<int> topsOfShow(tops.size(), shown.top());
    QCOMPARE(tops, topsOfShow);
    // The tallest tab still ends inside the free area.
    QVERIFY(area.contains(run.mainWindow()->rect));
}

void MenuBarEndToEndTest::onEveryPanel_data() {
    QTest::addColumn<TestDesktop::Panel>("panel");
    QTest::addColumn<bool>("bottom");
    for (bool bottom : {false, true}) {
        const char* edge = bottom ? "bottom" : "top";
        QTest::addRow("trayer, %s", edge) << TestDesktop::Panel::trayer << bottom;
        QTest::addRow("tint2, %s", edge) << TestDesktop::Panel::tint2 << bottom;
        QTest::addRow("StatusNotifier host, %s", edge) << TestDesktop::Panel::statusNotifier << bottom;
        QTest::addRow("lxqt-panel, %s", edge) << TestDesktop::Panel::lxqt << bottom;
        QTest::addRow("icewm's taskbar, %s", edge) << TestDesktop::Panel::icewm << bottom;
        QTest::addRow("fluxbox's toolbar, %s", edge) << TestDesktop::Panel::fluxbox << bottom;
    }
}

// Launched in menu-bar mode, the window hangs on the panel's side from the start, inside the free
// area and off the icon; the icon closes and opens it, and a click on the bare desktop closes it.
// Dismissed that way, as most people do, the icon's first click brings it back, round after round.
void MenuBarEndToEndTest::onEveryPanel() {
    QFETCH(TestDesktop::Panel, panel);
    QFETCH(bool, bottom);
    TestDesktop::Options options;
    options.tray = true;
    options.panel = panel;
    options.panelAtBottom = bottom;
    ProgramRun run(options);
    QVERIFY2(run.desktop.isReady(), qPrintable(run.desktop.error()));
    QVERIFY(run.quarlin.writePreferences({{QStringLiteral("launchInMenuBarMode"), true}}));
    const QRect bar = run.desktop.panelGeometry();
    // lxqt-panel as it looks without our icon, once it has painted its plugins (a while after it
    // reserved its strut) and holds still.
    QByteArray barBefore;
    QByteArray lastRead;
    QVERIFY(panel != TestDesktop::Panel::lxqt ||
            run.desktop.waitFor(
                [&] {
                    barBefore = rootPixels(run.desktop.displayName(), bar);
                    const bool painted = barBefore.count(barBefore.left(4)) * 4 != barBefore.size();
                    return painted && barBefore == std::exchange(lastRead, barBefore);
                },
                15000));
    CreatedWindows created(run.desktop.displayName());
    QVERIFY2(run.quarlin.start({}, 20000), qPrintable(run.quarlin.error()));
    const QRect area = run.desktop.workArea();
    const auto hanging = [&] {
        const std::optional<TreeWindow> w = run.mainWindow();
        return w && w->rect.width() == 428 && area.contains(w->rect) &&
               (bottom ? w->rect.bottom() == area.bottom() - 6 : w->rect.top() == area.top() + 6);
    };
    const bool hung = run.desktop.waitFor(hanging, 15000);
    if (!hung)
        qWarning() << "window at" << (run.mainWindow() ? run.mainWindow()->rect : QRect()) << "free area"
                   << area << run.quarlin.output();
    QVERIFY(hung);
    // Nothing but the attached window reached the screen: no ordinary window before it.
    for (const QSize& size : created.mapped())
        QVERIFY2(size.width() < 64 || size.width() == 428,
                 qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
    run.quarlin.screenshot(QStringLiteral("panel-%1").arg(QString::fromLatin1(QTest::currentDataTag())));

    // A StatusNotifier host draws the icon itself once our item is listed: the standalone tray at
    // the panel's end, lxqt-panel among its other plugins (where the panel's pixels changed).
    QPoint icon(bar.right() - bar.height() / 2, bar.center().y());
    if (panel == TestDesktop::Panel::statusNotifier) {
        QVERIFY(run.desktop.waitFor(
            [&] {
                return !watcherProperty(run.desktop, QStringLiteral("RegisteredStatusNotifierItems"))
                            .toStringList()
                            .isEmpty();
            },
            15000));
    } else if (panel == TestDesktop::Panel::lxqt) {
        // An icon's size: what else changed is still being drawn.
        QRect drawn;
        const bool found = run.desktop.waitFor(
            [&] {
                drawn = changedArea(barBefore, rootPixels(run.desktop.displayName(), bar), bar.width());
                return drawn.width() >= 8 && drawn.height() >= bar.height() / 2 &&
                       drawn.width() <= 2 * bar.height();
            },
            15000);
        QVERIFY2(found, qPrintable(QStringLiteral("changed: %1,%2 %3x%4")
                                       .arg(drawn.x())
                                       .arg(drawn.y())
                                       .arg(drawn.width())
                                       .arg(drawn.height())));
        icon = bar.topLeft() + drawn.center();
    } else {
        QVERIFY(run.desktop.waitFor([&] { return run.icon() && bar.contains(run.icon()->rect); }, 15000));
        icon = run.icon()->rect.center();
    }
    // The desktop's bus launches nothing of the machine's: a GTK panel's start would launch the
    // accessibility bus there, and every Qt program started after it waits on that bus before its
    // first window, for as long as the launcher takes on a busy machine.
    if (panel == TestDesktop::Panel::statusNotifier || panel == TestDesktop::Panel::lxqt)
        QVERIFY(!onBus(run.desktop, QStringLiteral("org.a11y.Bus")));
    // Each click on the icon reaches the program once (a StatusNotifier host calls the item's
    // Activate itself) and toggles the window once. The two clicks land further apart than Qt's
    // double-click distance (5 px), so the second is a click of its own however soon it follows.
    int clicks = 0;
    const auto clickIcon = [&](int dx) {
        const QPoint at = icon + QPoint(dx, 0);
        ++clicks;
        return run.click(at) && run.desktop.waitFor(
                                    [&] {
                                        return run.quarlin.output().count(
                                                   QStringLiteral("MenuBar: tray icon activated")) == clicks;
                                    },
                                    15000);
    };
    QVERIFY2(clickIcon(-4), qPrintable(run.quarlin.output()));
    QVERIFY2(run.desktop.waitFor([&] { return !run.mainWindow(); }, 15000), qPrintable(run.quarlin.output()));
    QVERIFY2(clickIcon(4), qPrintable(run.quarlin.output()));
    QVERIFY2(run.desktop.waitFor(hanging, 15000), qPrintable(run.quarlin.output()));
    QCOMPARE(run.quarlin.output().count(QStringLiteral("MenuBar: tray icon activated")), 2);
    QVERIFY(run.click(QPoint(300, area.center().y())));
    QVERIFY2(run.desktop.waitFor([&] { return !run.mainWindow(); }, 15000), qPrintable(run.quarlin.output()));
    for (int round = 0; round < 3; ++round) {
        // The user's pause before the icon (longer than a press and its own click ever lie apart):
        // part of what is tried, not a wait for the program.
        QDeadlineTimer pause(1000);
        run.desktop.waitFor([&] { return pause.hasExpired(); }, 2000);
        QVERIFY2(clickIcon(round % 2 ? 4 : -4), qPrintable(run.quarlin.output()));
        const bool back = run.desktop.waitFor(hanging, 15000);
        if (!back || round == 0)
            run.quarlin.screenshot(
                QStringLiteral("panel-%1-after-dismissal").arg(QString::fromLatin1(QTest::currentDataTag())));
        QVERIFY2(back, qPrintable(QStringLiteral("round %1\n").arg(round) + run.quarlin.output()));
        QVERIFY(!run.mainWindow()->rect.intersects(QRect(icon - QPoint(8, 8), QSize(16, 16))));
        QVERIFY(run.click(QPoint(300, area.center().y())));
        QVERIFY2(run.desktop.waitFor([&] { return !run.mainWindow(); }, 15000),
                 qPrintable(run.quarlin.output()));
    }
    QVERIFY(!run.quarlin.output().contains(QStringLiteral("already closed")));
}

void MenuBarEndToEndTest::scaledScreens_data() {
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QString>("look");
    QTest::newRow("1") << 96 << QSize(1920, 1080) << "light";
    QTest::newRow("1.25") << 120 << QSize(1920, 1080) << "dark";
    QTest::newRow("2, dark") << 192 << QSize(1920, 1080) << "dark";
    QTest::newRow("2, light") << 192 << QSize(1920, 1080) << "light";
    QTest::newRow("2, large screen") << 192 << QSize(3840, 2160) << "light";
    QTest::newRow("3") << 288 << QSize(1920, 1080) << "dark";
}

// Qt scales by Xft.dpi / 96: the main window opens inside the free area with its title bar in
// reach, however tall its content; the attached window still hangs under the icon inside the free
// area, and a click on the icon still closes it.
void MenuBarEndToEndTest::scaledScreens() {
    QFETCH(int, dpi);
    QFETCH(QSize, screen);
    QFETCH(QString, look);
    TestDesktop::Options options;
    options.tray = true;
    options.dpi = dpi;
    options.width = screen.width();
    options.height = screen.height();
    ProgramRun run(options);
    QVERIFY2(run.desktop.isReady(), qPrintable(run.desktop.error()));
    QVERIFY(run.quarlin.writePreferences({{QStringLiteral("appTheme"), look}}));
    QVERIFY2(run.quarlin.start({}, 20000), qPrintable(run.quarlin.error()));
    const auto rectText = [](const QRect& r) {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    const auto windowsText = [&] {
        QStringList seen;
        for (const TreeWindow& w : run.ours())
            seen << rectText(w.rect) + (w.viewable ? QStringLiteral(" viewable") : QString());
        return seen.join(QStringLiteral("; "));
    };
    const QString tag =
        QString::fromLatin1(QTest::currentDataTag()).replace(QStringLiteral(", "), QStringLiteral("-"));
    const bool shown = run.desktop.waitFor([&] { return run.icon() && run.mainWindow(); }, 20000);
    if (!shown)
        run.quarlin.screenshot(QStringLiteral("scaled-%1-start").arg(tag));
    QVERIFY2(shown, qPrintable(windowsText()));
    // The window hook's shrink ends within half a second of the start.
    const auto fits = [&] {
        const QRect frame = run.desktop.frameGeometry(run.quarlin.window());
        return !frame.isNull() && run.desktop.workArea().contains(frame);
    };
    const bool fitted = run.desktop.waitFor(fits, 15000);
    run.quarlin.screenshot(QStringLiteral("scaled-%1-main").arg(tag));
    QVERIFY2(fitted, qPrintable(QStringLiteral("frame %1 in %2; %3")
                                    .arg(rectText(run.desktop.frameGeometry(run.quarlin.window())),
                                         rectText(run.desktop.workArea()), windowsText())));
    const QRect icon = run.icon()->rect;
    const double factor = dpi / 96.0;
    const QRect area = run.desktop.workArea();
    QVERIFY(run.click(icon.center()));
    const auto hanging = [&] {
        const std::optional<TreeWindow> w = run.mainWindow();
        return w && w->rect.width() == std::lround(428 * factor) && area.contains(w->rect) &&
               std::abs(w->rect.top() - (area.top() + 6 * factor)) <= 2 &&
               w->rect.right() >= std::min<long>(icon.center().x(), area.right() - std::lround(8 * factor));
    };
    const bool hung = run.desktop.waitFor(hanging, 15000);
    if (!hung)
        qWarning() << "window at" << (run.mainWindow() ? run.mainWindow()->rect : QRect()) << "free area"
                   << area << "icon" << icon;
    QVERIFY(hung);
    QVERIFY(run.quarlin.waitForOutput(QStringLiteral("MenuBar: attached window placed"), 15000));
    run.quarlin.screenshot(QStringLiteral("scaled-%1-attached").arg(tag));
    QVERIFY(run.click(icon.center()));
    QVERIFY2(run.desktop.waitFor([&] { return !run.mainWindow(); }, 15000), qPrintable(run.quarlin.output()));
}

void MenuBarEndToEndTest::oneQuitEndsTheProgramWithAnEditorOpen_data() {
    QTest::addColumn<QString>("window"); // where the quit comes from: "main", "editor" or "panel"
    QTest::addColumn<bool>("keys");      // Ctrl+U, then Ctrl+Q, typed there; else the window's item
    QTest::addColumn<bool>("deleted");   // the configuration deleted elsewhere before the quit
    QTest::addColumn<bool>("refocus");   // the window activated again before Ctrl+Q
    QTest::newRow("the main window's menu") << "main" << false << false << true;
    QTest::newRow("the compact list's Quit App") << "panel" << false << false << true;
    QTest::newRow("Ctrl+Q in the main window") << "main" << true << false << true;
    QTest::newRow("Ctrl+Q in the editor") << "editor" << true << false << true;
    QTest::newRow("Ctrl+Q in the attached panel") << "panel" << true << false << true;
    QTest::newRow("Ctrl+Q in the attached panel, the configuration deleted")
        << "panel" << true << true << true;
    QTest::newRow("Ctrl+U, OK, then Ctrl+Q in the attached panel") << "panel" << true << false << false;
}

// An open editor cancels and closes when the program quits; it never holds the quit back. Quit and
// Check for Updates answer their keys in every window of the program, once per press. On a screen
// where a dialog centred on it meets the attached window, every dialog opens whole, inside the free
// area and never under that window: the notice asked for there, and the one of no window that an
// editor leaves when its configuration is deleted elsewhere.
void MenuBarEndToEndTest::oneQuitEndsTheProgramWithAnEditorOpen() {
    QFETCH(QString, window);
    QFETCH(bool, keys);
    QFETCH(bool, deleted);
    QFETCH(bool, refocus);
    TestDesktop::Options options = ProgramRun::options(true);
    options.width = 1024;
    options.height = 768;
    ProgramRun run(options);
    QVERIFY2(run.desktop.isReady(), qPrintable(run.desktop.error()));
    QVERIFY2(run.quarlin.changeStore([](ModelContext& context) {
        context.insert(new ConfigurationGroup(QStringLiteral("Work"), 1024, 740, std::nullopt));
    }),
             qPrintable(run.quarlin.error()));
    QVERIFY2(run.quarlin.start({}, 20000), qPrintable(run.quarlin.error()));
    QVERIFY(run.desktop.waitFor([&] { return run.icon().has_value(); }, 20000));
    QVERIFY(run.quarlin.click(QPoint(509, 318))); // the pencil of the home tab's only row
    quint32 target = run.quarlin.waitForWindow(QStringLiteral("^Edit Configuration: Work$"));
    QVERIFY2(target, qPrintable(run.quarlin.screenshot(QStringLiteral("no-editor"))));
    const QRect attached = run.attachedUnder(run.icon()->rect);
    const bool panel = window == QLatin1String("panel");
    if (panel) {
        // The icon hangs the main window under it, the editor staying open; "Quit App" is in its footer.
        // Until it hangs there, the editor is the only window of ours on screen.
        QVERIFY(run.click(run.icon()->rect.center()));
        target = 0;
        QVERIFY(run.desktop.waitFor(
            [&] {
                for (const TreeWindow& w : run.ours())
                    if (w.viewable && w.rect == attached)
                        target = w.id;
                return target && run.desktop.clientList().contains(target);
            },
            15000));
        QVERIFY(run.quarlin.waitForOutput(QStringLiteral("MenuBar: attached window placed"), 15000));
    } else if (window == QLatin1String("main")) {
        target = run.quarlin.window();
    }
    const QString tag =
        QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
    const auto activate = [&](quint32 w) {
        return run.desktop.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(w)});
    };
    // The dialog is shown whole, then answered with Return.
    const auto answerWhole = [&](const QString& title, const QString& name) {
        const quint32 dialog = run.quarlin.waitForWindow(title);
        QRect frame;
        const bool whole = dialog && run.desktop.waitFor(
                                         [&] {
                                             frame = run.desktop.frameGeometry(dialog);
                                             const QList<quint32> stack = run.desktop.stackingOrder();
                                             return run.desktop.workArea().contains(frame) &&
                                                    (!panel || !frame.intersects(attached) ||
                                                     stack.indexOf(dialog) > stack.indexOf(target));
                                         },
                                         10000);
        run.quarlin.screenshot(name);
        if (!whole)
            qWarning() << title << frame << "attached window" << attached << "stacking"
                       << run.desktop.stackingOrder() << "dialog" << dialog << "window" << target;
        return whole && activate(dialog) && run.desktop.key(QStringLiteral("Return")) &&
               run.quarlin.waitUntilGone(title);
    };
    if (keys) {
        // One notice, asked for once, over the window that had the keyboard.
        QVERIFY(activate(target));
        QVERIFY(run.desktop.key(QStringLiteral("ctrl+u")));
        QVERIFY2(answerWhole(QStringLiteral("^Check for Updates$"), QStringLiteral("updates-%1").arg(tag)),
                 qPrintable(run.quarlin.output()));
        QCOMPARE(run.quarlin.output().count(QStringLiteral("Check for Updates asked from ")), 1);
        QVERIFY2(run.quarlin.output().contains(window == QLatin1String("editor")
                                                   ? QStringLiteral("asked from editConfigurationWindow")
                                                   : QStringLiteral("asked from mainWindow")),
                 qPrintable(run.quarlin.output()));
        if (deleted) {
            QVERIFY2(run.quarlin.changeStore([](ModelContext& context) {
                for (ConfigurationGroup* configuration : context.fetch<ConfigurationGroup>())
                    context.deleteObject(configuration);
            }),
                     qPrintable(run.quarlin.error()));
            QVERIFY2(
                answerWhole(QStringLiteral("^Configuration Deleted$"), QStringLiteral("deleted-%1").arg(tag)),
                qPrintable(run.quarlin.output()));
        }
        // A closed dialog hands the keyboard back to the window it was opened over.
        if (refocus)
            QVERIFY(activate(target));
        else
            QVERIFY(run.desktop.waitFor([&] { return run.desktop.activeWindow() == target; }, 10000));
        QVERIFY(run.desktop.key(QStringLiteral("ctrl+q")));
    } else if (panel) {
        QVERIFY(run.click(attached.topLeft() + QPoint(375, 517)));
    } else {
        // The main window's menu, then its last item, "Quit Quarlin".
        QVERIFY(run.quarlin.click(QPoint(30, 12)));
        QVERIFY(run.quarlin.waitForPopup());
        QVERIFY(run.desktop.key(QStringLiteral("Up")));
        QVERIFY(run.desktop.key(QStringLiteral("Return")));
    }
    QVERIFY2(run.quarlin.waitForExit(), qPrintable(run.quarlin.output()));
    QCOMPARE(run.quarlin.exitCode(), 0);
}

QTEST_GUILESS_MAIN(MenuBarEndToEndTest)
#include "MenuBarEndToEndTest.moc"
