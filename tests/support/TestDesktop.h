// A private X desktop for tests that need real windows: Xvfb on a free display, a window manager
// (openbox, metacity or fluxbox),
// optionally two monitors and a tray with a strut, and real clients. Everything it starts is
// stopped by process id when the object goes away, also when a test fails.
//
// Use:
//   TestDesktop::Options options;            // one 1920x1080 monitor, no tray
//   options.twoMonitors = true;              // a 3840x1080 screen split into two monitors
//   options.secondMonitorLater = true;       // only the left one at first; setSecondMonitor(true)
//   options.tray = true;                     // trayer at the top right, 28 px high, with a strut
//   TestDesktop desktop(options);
//   QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
//
//   // Talk to the desktop: desktop.displayName() (":N") for xcb_connect, desktop.environment()
//   // for child processes (DISPLAY, HOME, XDG_CONFIG_HOME and XDG_DATA_HOME of its own).
//   TestDesktop::Client term = desktop.startXterm({"-geometry", "80x24+10+10"});
//   QVERIFY(term.window);                    // 0 when no window appeared before the deadline
//   QRect frame = desktop.frameGeometry(term.window);  // outer frame, root coordinates
//   desktop.key("ctrl+alt+k");               // xdotool; also keyDown/keyUp/movePointer
//   QVERIFY(desktop.waitFor([&] { return desktop.frameGeometry(term.window).x() == 0; }));
//
// Waiting never sleeps a fixed time: waitFor re-checks its condition whenever the X server
// reports something on the root window, and at the latest every 20 ms, until a deadline.
// Desktop entries for tests go to installDesktopEntry (the desktop's own XDG_DATA_HOME). Windows of a chosen
// kind (class, type, minimum size, a process that outlives its window): startTestWindow. A window manager
// that is ready has managed a probe window of ours: the constructor returns only then (openbox loses windows
// mapped in its first moments). Link quarlin_testdesktop; the target also defines QUARLIN_TEST_WINDOW.
#pragma once

#include <QImage>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class TestDesktop {
public:
    enum class WindowManager { none, openbox, metacity, fluxbox, icewm };
    // trayer: an XEmbed tray alone; tint2: a full panel with taskbar and XEmbed tray; statusNotifier:
    // gtk-sni-tray-standalone, a StatusNotifier host (and watcher) on the desktop's own session bus;
    // statusNotifierHost: the same host alone, for a watcher that another program runs; lxqt:
    // lxqt-panel, a full panel with both a StatusNotifier host and an XEmbed tray; icewm and
    // fluxbox: the window manager's own taskbar or toolbar with its XEmbed tray (that window manager
    // then runs whatever windowManager says). Neither is a listed client, and fluxbox's has no strut:
    // only the work area tells of them.
    enum class Panel { trayer, tint2, statusNotifier, statusNotifierHost, lxqt, icewm, fluxbox };
    static WindowManager defaultWindowManager();
    static QString windowManagerName(WindowManager wm);

    struct Options {
        int width = 1920;
        int height = 1080;
        // A screen of twice the width, split into LEFT (primary) and RIGHT monitors.
        bool twoMonitors = false;
        // The same screen with only LEFT at first: RIGHT is plugged in and out with setSecondMonitor.
        bool secondMonitorLater = false;
        // RIGHT's height, top-aligned with LEFT; 0: as tall as LEFT.
        int secondMonitorHeight = 0;
        // A tray host (trayer) at the top right with a partial strut; the visible frame loses it.
        bool tray = false;
        // Which panel holds the tray, and on which edge (each with its shipped settings otherwise).
        Panel panel = Panel::trayer;
        bool panelAtBottom = false;
        // A session bus of the desktop's own (always with the StatusNotifier panel).
        bool sessionBus = false;
        // Xft.dpi for the desktop's programs (Qt scales by dpi / 96); 0 leaves it unset.
        int dpi = 0;
        // none: a bare X server. By default the one $QUARLIN_TEST_WM names (openbox when unset), so
        // that a test program runs under each window manager as its own ctest.
        WindowManager windowManager = defaultWindowManager();
    };

    struct Client {
        qint64 pid = 0;
        // The client's top-level window (not the window manager's frame); 0 when none appeared.
        quint32 window = 0;
    };

    static constexpr int trayHeight = 28;

    TestDesktop();
    explicit TestDesktop(const Options& options);
    ~TestDesktop();
    TestDesktop(const TestDesktop&) = delete;
    TestDesktop& operator=(const TestDesktop&) = delete;

    bool isReady() const;
    // Why the desktop is not ready.
    QString error() const;

    QString displayName() const;
    QProcessEnvironment environment() const;
    // The desktop's own XDG_DATA_HOME; desktop entries go to its applications/ folder.
    QString dataHome() const;
    // Writes <dataHome>/applications/<id>.desktop and gives its path.
    QString installDesktopEntry(const QString& id, const QString& contents);
    static QString applicationEntry(const QString& name, const QString& exec, const QString& wmClass,
                                    const QString& extra = {});

    // Starts a program on the desktop and waits until it maps a managed window of its own whose
    // WM_CLASS (instance or class, any case) is wmClass. The window is 0 when none appeared in time.
    Client startClient(const QString& program, const QStringList& arguments, const QString& wmClass,
                       int timeoutMs = 10000);
    Client startXterm(const QStringList& arguments = {});
    Client startXlogo(const QStringList& arguments = {});
    // quarlin-test-window (tests/support/TestWindow.cpp): --class, --title, --type, --size,
    // --min-size, --stay (keeps running when its window is closed).
    Client startTestWindow(const QStringList& arguments = {},
                           const QString& wmClass = QStringLiteral("QuarlinTestWindow"));
    static QString testWindowProgram();
    // Starts a program without waiting for any window; gives its pid, 0 when it did not start.
    qint64 startProcess(const QString& program, const QStringList& arguments);
    // Whether a process this desktop started still runs.
    bool isRunning(qint64 pid) const;
    // Stops a process this desktop started (SIGTERM, then SIGKILL) and waits for it, and for the
    // window manager to let go of its windows.
    void stopProcess(qint64 pid);

    // Waits until condition holds or timeoutMs passed; gives the last result of condition.
    bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

    // Reads straight from the X server.
    QList<quint32> clientList();                   // _NET_CLIENT_LIST, in mapping order
    QList<quint32> stackingOrder();                // _NET_CLIENT_LIST_STACKING, bottom first
    QRect frameGeometry(quint32 window);           // outer frame in root coordinates; null when unreadable
    QRect clientGeometry(quint32 window);          // client area in root coordinates
    QString wmClass(quint32 window);               // "instance.Class"
    quint32 windowOfClass(const QString& wmClass); // the first client of that class; 0 when none
    qint64 windowPid(quint32 window);              // the process that created it (XRes); 0 when unknown
    QSize sizeIncrement(quint32 window);           // WM_NORMAL_HINTS increments; 1x1 without
    QSize minimumSize(quint32 window);             // WM_NORMAL_HINTS minimum; 0x0 without
    bool isMinimized(quint32 window);              // _NET_WM_STATE_HIDDEN
    quint32 activeWindow();                        // _NET_ACTIVE_WINDOW
    int currentDesktop();                          // _NET_CURRENT_DESKTOP; -1 when unknown
    QRect workArea();                              // _NET_WORKAREA of desktop 0
    QRect panelGeometry();                         // the first client with a strut, else what the work
                                                   // area leaves at the panel's edge; null without
    QList<quint32> popups();                       // mapped override-redirect windows (menus), bottom first
    // What the screen shows now, read in one piece from the root window (no pointer drawn in it);
    // null when the server gives none. `xwd -root` is no substitute: it puts its picture together
    // window by window whenever windows use colormaps other than the default one (every Qt window
    // does), and reads a window that lies wholly inside another of the same colormap through that
    // other one, where the server answers black; so dialogs and pop-ups over the main window come
    // out black although the screen shows them.
    QImage screenshot();
    // Client messages of one type (such as "_NET_WM_MOVERESIZE") sent to the root window since the
    // desktop started: programs' requests to the window manager, seen as the window manager gets them.
    int clientMessagesSeen(const char* type);
    // Whether a program holds the pointer (a window manager while it moves a window); tried with a
    // grab of our own that is let go at once.
    bool pointerGrabbed();

    // Starts a panel (not a window manager's own) at the top or bottom edge, and returns once it
    // holds its tray: its strut reserved and listed, the XEmbed tray selection owned, a StatusNotifier
    // host registered with the watcher. Never two at once: none starts while a panel started here
    // runs or while another program holds the tray selection or the watcher name that the panel
    // takes; a panel that exits at start is started anew once what it held is free. Gives the
    // panel's pid for stopProcess; 0 when it did not get there, and panelLog() tells why.
    qint64 startPanel(Panel panel, bool atBottom = false);
    // Each panel start: its attempts, how each ended, and the panel's last words.
    QString panelLog() const;

    // Plugs the RIGHT monitor in or out (xrandr --setmonitor / --delmonitor) while programs run;
    // returns once the server has it. Needs twoMonitors or secondMonitorLater.
    bool setSecondMonitor(bool plugged);

    // Changes made with the test's own connection, each waiting until the server shows it.
    bool minimize(quint32 window);
    bool close(quint32 window); // asks the window manager to close it; waits until unmanaged
    bool maximize(quint32 window);
    bool fullScreen(quint32 window);
    // Stops the window manager where it is (SIGSTOP), or lets it go on with what it was sent meanwhile:
    // a window manager too busy to answer in time.
    bool holdWindowManager(bool held);
    // Stops it until it has been sent `count` client messages of a type (such as
    // "_NET_MOVERESIZE_WINDOW") from now on: one that is busy until a program waits for its answer.
    bool holdWindowManagerUntil(const char* type, int count);

    // xdotool on this desktop; each returns once xdotool has finished.
    bool xdotool(const QStringList& arguments);
    bool key(const QString& keys);
    bool keyDown(const QString& keys);
    bool keyUp(const QString& keys);
    bool movePointer(int x, int y);

private:
    bool allListedWindowsExist();

    struct Private;
    std::unique_ptr<Private> d;
};
