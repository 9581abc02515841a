// Starts, watches and stops the private desktop of the real-window tests.
#include "TestDesktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int startTimeoutMs = 10000;
constexpr int stopTimeoutMs = 3000;
// The longest gap between two checks of a condition that no X event announces.
constexpr int recheckMs = 20;
// How long a window may take to be managed by a window manager that is ready.
constexpr int probeIntervalMs = 100;
// A panel's start with all its attempts: each ends when the panel holds its tray or exits.
constexpr int panelTimeoutMs = 30000;
// The longest wait for one answer of a StatusNotifier watcher.
constexpr int watcherCallTimeoutMs = 2000;

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

using Panel = TestDesktop::Panel;

bool ownPanel(Panel panel) {
    return panel == Panel::icewm || panel == Panel::fluxbox;
}
bool takesTraySelection(Panel panel) {
    return panel == Panel::trayer || panel == Panel::tint2 || panel == Panel::lxqt || ownPanel(panel);
}
bool bringsWatcher(Panel panel) {
    return panel == Panel::statusNotifier || panel == Panel::lxqt;
}
bool hostsStatusNotifier(Panel panel) {
    return bringsWatcher(panel) || panel == Panel::statusNotifierHost;
}

} // namespace

struct TestDesktop::Private {
    Options options;
    QTemporaryDir dir;
    QString error;
    QString display;
    QProcessEnvironment env;
    // In start order; stopped in reverse order, the X server last.
    std::vector<std::unique_ptr<QProcess>> processes;
    xcb_connection_t* conn = nullptr;
    xcb_window_t root = 0;
    QHash<QByteArray, xcb_atom_t> atoms;
    QHash<xcb_atom_t, int> clientMessages;
    QProcess* windowManager = nullptr;
    // The test's own connection to the desktop's session bus; empty without a bus.
    QString busConnection;
    QStringList panelLog;
    qint64 panelPid = 0;
    // Lets a held window manager go on once it has been sent the requests it waits for.
    std::thread resumer;
    int resumerStop = -1;

    ~Private() {
        endResumer();
        if (!busConnection.isEmpty())
            QDBusConnection::disconnectFromBus(busConnection);
        while (!processes.empty()) {
            if (processes.size() == 1 && conn) {
                xcb_disconnect(conn);
                conn = nullptr;
            }
            stop(*processes.back());
            processes.pop_back();
        }
        if (conn)
            xcb_disconnect(conn);
    }

    void endResumer() {
        if (!resumer.joinable())
            return;
        const quint64 one = 1;
        [[maybe_unused]] const auto written = ::write(resumerStop, &one, sizeof one);
        resumer.join();
        ::close(resumerStop);
        resumerStop = -1;
    }

    static void stop(QProcess& process) {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(stopTimeoutMs)) {
            process.kill();
            process.waitForFinished(stopTimeoutMs);
        }
    }

    QProcess* spawn(const QString& program, const QStringList& arguments, bool keepStdout = false) {
        auto process = std::make_unique<QProcess>();
        process->setProgram(program);
        process->setArguments(arguments);
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(dir.path());
        // A test that crashes must not leave its desktop behind.
        process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        if (!keepStdout)
            process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(
            dir.filePath(QStringLiteral("log/%1.log").arg(QFileInfo(program).fileName())), QIODevice::Append);
        process->start();
        if (!process->waitForStarted(startTimeoutMs)) {
            error = QStringLiteral("could not start %1: %2").arg(program, process->errorString());
            return nullptr;
        }
        processes.push_back(std::move(process));
        return processes.back().get();
    }

    QProcess* find(qint64 pid) const {
        for (const auto& p : processes)
            if (p->processId() == pid)
                return p.get();
        return nullptr;
    }

    xcb_atom_t atom(const char* name) {
        const QByteArray key(name);
        if (auto it = atoms.constFind(key); it != atoms.constEnd())
            return *it;
        auto* reply = xcb_intern_atom_reply(
            conn, xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        atoms.insert(key, a);
        return a;
    }

    // The 32-bit items of a property; empty when it is absent.
    QList<quint32> cardinals(xcb_window_t window, const char* property, xcb_atom_t type) {
        QList<quint32> out;
        auto* reply = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, window, atom(property), type, 0, 4096), nullptr);
        if (reply && reply->format == 32) {
            const auto* v = static_cast<const quint32*>(xcb_get_property_value(reply));
            const int n = xcb_get_property_value_length(reply) / 4;
            for (int i = 0; i < n; ++i)
                out << v[i];
        }
        std::free(reply);
        return out;
    }

    bool hasProperty(xcb_window_t window, const char* property) {
        auto* reply = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, window, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 0),
            nullptr);
        const bool present = reply && reply->type != XCB_ATOM_NONE;
        std::free(reply);
        return present;
    }

    QByteArray bytes(xcb_window_t window, xcb_atom_t property) {
        QByteArray out;
        auto* reply = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr);
        if (reply && reply->format == 8)
            out = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                             xcb_get_property_value_length(reply));
        std::free(reply);
        return out;
    }

    void drainEvents() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(conn)) {
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE)
                ++clientMessages[reinterpret_cast<xcb_client_message_event_t*>(e)->type];
            std::free(e);
        }
    }

    bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            if (conn)
                drainEvents();
            if (condition())
                return true;
            const qint64 left = deadline.remainingTime();
            if (left <= 0)
                return condition();
            pollfd fd{conn ? xcb_get_file_descriptor(conn) : -1, POLLIN, 0};
            ::poll(&fd, 1, static_cast<int>(std::min<qint64>(left, recheckMs)));
        }
    }

    bool wmRunning() {
        const auto check = cardinals(root, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW);
        if (check.isEmpty())
            return false;
        const auto self = cardinals(check.first(), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW);
        // The client list comes last in openbox's start-up (even when empty).
        return !self.isEmpty() && self.first() == check.first() && hasProperty(root, "_NET_CLIENT_LIST");
    }

    void clientMessage(xcb_window_t window, const char* type, std::initializer_list<quint32> data) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom(type);
        int i = 0;
        for (quint32 v : data)
            event.data.data32[i++] = v;
        xcb_send_event(conn, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(conn);
    }

    bool runToEnd(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(dir.filePath(QStringLiteral("log/%1.log").arg(program)),
                                     QIODevice::Append);
        process.start();
        if (!process.waitForFinished(startTimeoutMs)) {
            stop(process);
            return false;
        }
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    QString logTail(const QString& program) {
        QFile log(dir.filePath(QStringLiteral("log/%1.log").arg(program)));
        log.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(log.readAll().right(600));
    }

    // LEFT takes the screen's output (primary), RIGHT none; the server has it once xrandr ended.
    bool setMonitor(const QString& name, bool plugged) {
        if (!plugged)
            return runToEnd(QStringLiteral("xrandr"), {QStringLiteral("--delmonitor"), name});
        const bool left = name == QLatin1String("LEFT");
        const int height =
            left || options.secondMonitorHeight <= 0 ? options.height : options.secondMonitorHeight;
        const QString geometry =
            QStringLiteral("%1/508x%2/286+%3+0").arg(options.width).arg(height).arg(left ? 0 : options.width);
        return runToEnd(QStringLiteral("xrandr"), {QStringLiteral("--setmonitor"), name, geometry,
                                                   left ? QStringLiteral("screen") : QStringLiteral("none")});
    }

    QDBusConnection bus() const { return QDBusConnection(busConnection); }

    bool onBus(const QString& name) {
        const QDBusConnection connection = bus();
        return connection.isConnected() && connection.interface()->isServiceRegistered(name).value();
    }

    xcb_window_t traySelectionOwner() {
        auto* reply = xcb_get_selection_owner_reply(
            conn, xcb_get_selection_owner(conn, atom("_NET_SYSTEM_TRAY_S0")), nullptr);
        const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_NONE);
        std::free(reply);
        return owner;
    }
    bool traySelectionOwned() { return traySelectionOwner() != XCB_NONE; }

    // A host owns a name of its own on the bus before it tells the watcher; only then is the
    // watcher asked, so that a watcher busy starting is not kept busier.
    bool hostRegistered() {
        QDBusConnection connection = bus();
        if (!connection.isConnected())
            return false;
        const QStringList names = connection.interface()->registeredServiceNames().value();
        const bool hostOnBus = std::any_of(names.begin(), names.end(), [](const QString& name) {
            return name.startsWith(QLatin1String("org.kde.StatusNotifierHost")) ||
                   name.startsWith(QLatin1String("org.freedesktop.StatusNotifierHost"));
        });
        if (!hostOnBus)
            return false;
        QDBusMessage get = QDBusMessage::createMethodCall(
            watcherService, QStringLiteral("/StatusNotifierWatcher"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
        const QDBusMessage reply = connection.call(get, QDBus::Block, watcherCallTimeoutMs);
        return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
               reply.arguments().first().value<QDBusVariant>().variant().toBool();
    }

    void note(const QString& line) {
        qInfo().noquote() << "TestDesktop:" << line;
        panelLog << line;
    }

    bool start();
    bool startServer();
    bool startWindowManager();
    bool startSessionBus();
    bool panelCommand(Panel panel, bool atBottom, QString& program, QStringList& arguments);
    bool holdsTray(Panel panel, bool atBottom);
};

bool TestDesktop::Private::start() {
    if (!dir.isValid()) {
        error = QStringLiteral("no temporary directory");
        return false;
    }
    for (const char* sub : {"home", "config", "data/applications", "runtime", "log"})
        QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
    // The shipped settings of the window managers, whatever the host's own desktop adds.
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), QStringLiteral("/etc/xdg"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.remove(QStringLiteral("SESSION_MANAGER"));
    return startServer() && (options.windowManager == WindowManager::none || startWindowManager()) &&
           startSessionBus();
}

bool TestDesktop::Private::startServer() {
    const bool wide = options.twoMonitors || options.secondMonitorLater;
    const int width = wide ? options.width * 2 : options.width;
    QProcess* server = spawn(QStringLiteral("Xvfb"),
                             {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                              QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(width).arg(options.height),
                              QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")},
                             true);
    if (!server)
        return false;
    // The server writes its display number once it accepts connections.
    QByteArray out;
    QDeadlineTimer deadline(startTimeoutMs);
    while (!out.contains('\n') && !deadline.hasExpired() && server->state() == QProcess::Running) {
        server->waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        out += server->readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok) {
        error = QStringLiteral("Xvfb gave no display number");
        return false;
    }
    display = QStringLiteral(":%1").arg(number);
    env.insert(QStringLiteral("DISPLAY"), display);

    conn = xcb_connect(display.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(conn)) {
        error = QStringLiteral("cannot connect to %1").arg(display);
        return false;
    }
    root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(conn, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(conn);

    if (wide && !setMonitor(QStringLiteral("LEFT"), true)) {
        error = QStringLiteral("xrandr --setmonitor failed");
        return false;
    }
    if (options.twoMonitors && !setMonitor(QStringLiteral("RIGHT"), true)) {
        error = QStringLiteral("xrandr --setmonitor failed");
        return false;
    }
    return true;
}

bool TestDesktop::Private::startWindowManager() {
    const QString name = windowManagerName(options.windowManager);
    QStringList arguments;
    // Every window manager runs with its shipped settings, as users have them: openbox reads its
    // stock /etc/xdg/openbox/rc.xml (iconify animation on: a restored window keeps moving for
    // about 160 ms), since the desktop's own XDG_CONFIG_HOME holds none.
    if (options.windowManager == WindowManager::metacity)
        arguments = {QStringLiteral("--sm-disable")};
    // The window managers' own panels sit at the bottom as shipped; a test may ask for the top.
    const bool ownPanelAtTop = options.tray && !options.panelAtBottom;
    if (options.panel == Panel::icewm && ownPanelAtTop) {
        const QString folder = env.value(QStringLiteral("HOME")) + QStringLiteral("/.icewm");
        QDir().mkpath(folder);
        QFile preferences(folder + QStringLiteral("/preferences"));
        if (!preferences.open(QIODevice::WriteOnly) || preferences.write("TaskBarAtTop=1\n") < 0) {
            error = QStringLiteral("cannot write %1").arg(preferences.fileName());
            return false;
        }
    }
    if (options.panel == Panel::fluxbox && ownPanelAtTop) {
        const QString folder = env.value(QStringLiteral("HOME")) + QStringLiteral("/.fluxbox");
        QDir().mkpath(folder);
        QFile shipped(QStringLiteral("/etc/X11/fluxbox/init"));
        QFile init(folder + QStringLiteral("/init"));
        if (!shipped.open(QIODevice::ReadOnly) || !init.open(QIODevice::WriteOnly) ||
            init.write(shipped.readAll() + "\nsession.screen0.toolbar.placement: TopCenter\n") < 0) {
            error = QStringLiteral("cannot write %1").arg(init.fileName());
            return false;
        }
    }
    // fluxbox keeps its settings in the desktop's own HOME, with its toolbar as a user has it; its
    // wallpaper helper would put up a message window (an extra client) when no setter is installed.
    if (options.windowManager == WindowManager::fluxbox) {
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QDir().mkpath(bin);
        QFile helper(bin + QStringLiteral("/fbsetbg"));
        if (!helper.open(QIODevice::WriteOnly) || helper.write("#!/bin/sh\nexit 0\n") < 0) {
            error = QStringLiteral("cannot write %1").arg(helper.fileName());
            return false;
        }
        helper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("PATH"), bin + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    }
    windowManager = spawn(name, arguments);
    if (!windowManager)
        return false;
    if (!waitFor([this] { return wmRunning(); }, startTimeoutMs)) {
        error = name + QStringLiteral(" did not start: ") + logTail(name);
        return false;
    }
    // Announcing itself is not yet managing windows: measured, openbox loses a window mapped in
    // its first moments, even after it published its client list. Ready is when a probe window
    // of ours gets managed; while none is, a new probe follows now and then.
    QDeadlineTimer deadline(startTimeoutMs);
    QList<xcb_window_t> probes;
    bool managed = false;
    while (!managed && !deadline.hasExpired()) {
        const xcb_window_t probe = xcb_generate_id(conn);
        xcb_create_window(conn, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(conn, probe);
        xcb_flush(conn);
        probes << probe;
        managed = waitFor(
            [&] {
                const auto clients = cardinals(root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW);
                return std::any_of(probes.begin(), probes.end(),
                                   [&](xcb_window_t w) { return clients.contains(w); });
            },
            probeIntervalMs);
    }
    for (xcb_window_t probe : std::as_const(probes))
        xcb_destroy_window(conn, probe);
    xcb_flush(conn);
    waitFor(
        [&] {
            const auto clients = cardinals(root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW);
            return std::none_of(probes.begin(), probes.end(),
                                [&](xcb_window_t w) { return clients.contains(w); });
        },
        startTimeoutMs);
    if (!managed) {
        error = name + QStringLiteral(" manages no window: ") + logTail(name);
        return false;
    }
    return true;
}

bool TestDesktop::Private::startSessionBus() {
    if (options.dpi > 0) {
        const QString resources = dir.filePath(QStringLiteral("config/Xresources"));
        QFile file(resources);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(QByteArray("Xft.dpi: ") + QByteArray::number(options.dpi) + '\n') < 0) {
            error = QStringLiteral("cannot write %1").arg(resources);
            return false;
        }
        file.close();
        if (!runToEnd(QStringLiteral("xrdb"),
                      {QStringLiteral("-nocpp"), QStringLiteral("-merge"), resources})) {
            error = QStringLiteral("xrdb failed: ") + logTail(QStringLiteral("xrdb"));
            return false;
        }
    }
    if (!options.sessionBus && !(options.tray && hostsStatusNotifier(options.panel)))
        return true;
    // A session bus that launches none of the machine's services: a GTK panel's start would launch
    // the accessibility bus, and every Qt program started after it asks that bus, blocking, before
    // its first window, for as long as the launcher takes on a busy machine.
    const QString config = dir.filePath(QStringLiteral("session-bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig>\n"
                   "  <type>session</type>\n"
                   "  <keep_umask/>\n"
                   "  <listen>unix:tmpdir=/tmp</listen>\n"
                   "  <auth>EXTERNAL</auth>\n"
                   "  <policy context=\"default\">\n"
                   "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                   "    <allow eavesdrop=\"true\"/>\n"
                   "    <allow own=\"*\"/>\n"
                   "  </policy>\n"
                   "</busconfig>\n") < 0) {
        error = QStringLiteral("cannot write %1").arg(config);
        return false;
    }
    file.close();
    QProcess* bus = spawn(QStringLiteral("dbus-daemon"),
                          {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                           QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")},
                          true);
    if (!bus)
        return false;
    QByteArray out;
    QDeadlineTimer deadline(startTimeoutMs);
    while (!out.contains('\n') && !deadline.hasExpired() && bus->state() == QProcess::Running) {
        bus->waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        out += bus->readAllStandardOutput();
    }
    const QByteArray address = out.trimmed();
    if (address.isEmpty()) {
        error = QStringLiteral("dbus-daemon gave no address: ") + logTail(QStringLiteral("dbus-daemon"));
        return false;
    }
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromLocal8Bit(address));
    // Named after the desktop's own folder: unique while the desktop lives.
    busConnection = dir.path();
    if (!QDBusConnection::connectToBus(QString::fromLocal8Bit(address), busConnection).isConnected()) {
        error = QStringLiteral("cannot connect to the desktop's session bus");
        return false;
    }
    return true;
}

// The panel holds its tray: the window manager has shrunk the work area and lists the panel (fluxbox
// does the first before the second; a window manager's own panel is no listed client), an XEmbed
// panel owns the tray selection (it may reserve its strut before), and a StatusNotifier host is
// registered with the watcher.
bool TestDesktop::Private::holdsTray(Panel panel, bool atBottom) {
    const auto area = cardinals(root, "_NET_WORKAREA", XCB_ATOM_CARDINAL);
    const auto clients = cardinals(root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW);
    const int screenHeight = options.height;
    // fluxbox's toolbar is only 20 pixels high.
    const int reserved = ownPanel(panel) ? 16 : 24;
    const bool shrunk = area.size() >= 4 && (atBottom ? int(area[1] + area[3]) <= screenHeight - reserved
                                                      : int(area[1]) >= reserved);
    const bool listed = ownPanel(panel) || std::any_of(clients.begin(), clients.end(), [this](quint32 w) {
                            return !cardinals(w, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL).isEmpty();
                        });
    return shrunk && listed && (!takesTraySelection(panel) || traySelectionOwned()) &&
           (!hostsStatusNotifier(panel) || hostRegistered());
}

bool TestDesktop::Private::panelCommand(Panel panel, bool atBottom, QString& program,
                                        QStringList& arguments) {
    const QString edge = atBottom ? QStringLiteral("bottom") : QStringLiteral("top");
    switch (panel) {
    case Panel::trayer:
        program = QStringLiteral("trayer");
        arguments = {QStringLiteral("--edge"),
                     edge,
                     QStringLiteral("--align"),
                     QStringLiteral("right"),
                     QStringLiteral("--widthtype"),
                     QStringLiteral("pixel"),
                     QStringLiteral("--width"),
                     QStringLiteral("200"),
                     QStringLiteral("--height"),
                     QString::number(trayHeight),
                     QStringLiteral("--SetDockType"),
                     QStringLiteral("true"),
                     QStringLiteral("--SetPartialStrut"),
                     QStringLiteral("true")};
        return true;
    case Panel::tint2: {
        // Its shipped settings put the panel at the bottom; only the edge changes for the top.
        program = QStringLiteral("tint2");
        QFile source(QStringLiteral("/etc/xdg/tint2/tint2rc"));
        const QString rcPath = dir.filePath(QStringLiteral("config/tint2rc"));
        QFile target(rcPath);
        if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)) {
            note(QStringLiteral("cannot copy tint2's settings"));
            return false;
        }
        QByteArray rc = source.readAll();
        if (!atBottom)
            rc.replace("panel_position = bottom center horizontal", "panel_position = top center horizontal");
        target.write(rc);
        arguments = {QStringLiteral("-c"), rcPath};
        return true;
    }
    case Panel::lxqt: {
        // Its shipped settings put the panel at the bottom; only the edge changes for the top.
        program = QStringLiteral("lxqt-panel");
        QFile source(QStringLiteral("/usr/share/lxqt/panel.conf"));
        QDir().mkpath(dir.filePath(QStringLiteral("config/lxqt")));
        QFile target(dir.filePath(QStringLiteral("config/lxqt/panel.conf")));
        if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)) {
            note(QStringLiteral("cannot copy lxqt-panel's settings"));
            return false;
        }
        QByteArray conf = source.readAll();
        if (!atBottom)
            conf.replace("position=Bottom", "position=Top");
        target.write(conf);
        arguments.clear();
        return true;
    }
    case Panel::statusNotifier:
    case Panel::statusNotifierHost:
        program = QStringLiteral("gtk-sni-tray-standalone");
        arguments = {QStringLiteral("--") + edge, QStringLiteral("--end")};
        if (panel == Panel::statusNotifier)
            arguments << QStringLiteral("--watcher");
        return true;
    case Panel::icewm:
    case Panel::fluxbox:
        break;
    }
    note(QStringLiteral("the window manager's own panel comes with it"));
    return false;
}

TestDesktop::WindowManager TestDesktop::defaultWindowManager() {
    const QString name = qEnvironmentVariable("QUARLIN_TEST_WM");
    for (WindowManager wm : {WindowManager::metacity, WindowManager::fluxbox})
        if (name == windowManagerName(wm))
            return wm;
    return WindowManager::openbox;
}

QString TestDesktop::windowManagerName(WindowManager wm) {
    switch (wm) {
    case WindowManager::none:
        return {};
    case WindowManager::metacity:
        return QStringLiteral("metacity");
    case WindowManager::fluxbox:
        return QStringLiteral("fluxbox");
    case WindowManager::icewm:
        return QStringLiteral("icewm");
    default:
        return QStringLiteral("openbox");
    }
}

TestDesktop::TestDesktop() : TestDesktop(Options{}) {}

TestDesktop::TestDesktop(const Options& options) : d(std::make_unique<Private>()) {
    d->options = options;
    if (options.tray && options.panel == Panel::icewm)
        d->options.windowManager = WindowManager::icewm;
    if (options.tray && options.panel == Panel::fluxbox)
        d->options.windowManager = WindowManager::fluxbox;
    if (!d->start() || !options.tray)
        return;
    if (ownPanel(options.panel)) {
        // The window manager's own: ready once its tray is there and the work area leaves it room.
        if (!d->waitFor([&] { return d->holdsTray(options.panel, options.panelAtBottom); }, startTimeoutMs))
            d->error = windowManagerName(d->options.windowManager) +
                       QStringLiteral("'s own tray did not appear: ") +
                       d->logTail(windowManagerName(d->options.windowManager));
        return;
    }
    if (!startPanel(options.panel, options.panelAtBottom))
        d->error = QStringLiteral("the panel did not hold its tray:\n") + panelLog();
}

TestDesktop::~TestDesktop() = default;

bool TestDesktop::isReady() const {
    return d->error.isEmpty() && d->conn;
}
QString TestDesktop::error() const {
    return d->error;
}
QString TestDesktop::displayName() const {
    return d->display;
}
QProcessEnvironment TestDesktop::environment() const {
    return d->env;
}
QString TestDesktop::dataHome() const {
    return d->dir.filePath(QStringLiteral("data"));
}

QString TestDesktop::applicationEntry(const QString& name, const QString& exec, const QString& wmClass,
                                      const QString& extra) {
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nStartupWMClass=%3\n%4")
        .arg(name, exec, wmClass, extra);
}

quint32 TestDesktop::windowOfClass(const QString& wmClass) {
    for (quint32 w : clientList())
        if (this->wmClass(w).endsWith(QLatin1Char('.') + wmClass))
            return w;
    return 0;
}

QString TestDesktop::installDesktopEntry(const QString& id, const QString& contents) {
    const QString path = dataHome() + QStringLiteral("/applications/") + id + QStringLiteral(".desktop");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(contents.toUtf8());
    return path;
}

qint64 TestDesktop::startProcess(const QString& program, const QStringList& arguments) {
    if (!isReady())
        return 0;
    QProcess* process = d->spawn(program, arguments);
    return process ? process->processId() : 0;
}

bool TestDesktop::isRunning(qint64 pid) const {
    QProcess* process = d->find(pid);
    if (!process)
        return false;
    process->waitForFinished(0);
    return process->state() == QProcess::Running;
}

void TestDesktop::stopProcess(qint64 pid) {
    for (auto it = d->processes.begin(); it != d->processes.end(); ++it) {
        if ((*it)->processId() == pid) {
            Private::stop(**it);
            d->processes.erase(it);
            // The server hands a gone client's window ids to the next client. While the window
            // manager still lists a destroyed window, a new window with its id would pass for
            // managed, and vanish from the list when the old one is let go (fluxbox, busy).
            if (isReady())
                d->waitFor([&] { return allListedWindowsExist(); }, 5000);
            return;
        }
    }
}

TestDesktop::Client TestDesktop::startClient(const QString& program, const QStringList& arguments,
                                             const QString& wantedClass, int timeoutMs) {
    Client client;
    if (!isReady())
        return client;
    client.pid = startProcess(program, arguments);
    if (!client.pid)
        return client;
    const QString wanted = wantedClass.toLower();
    d->waitFor(
        [&] {
            for (quint32 w : clientList()) {
                // Window ids are reused once their client is gone; the owning process is not.
                if (windowPid(w) != client.pid)
                    continue;
                const QStringList names = wmClass(w).toLower().split(QLatin1Char('.'));
                if (!names.contains(wanted))
                    continue;
                // Managed, framed and shown: geometry reads are final from here on.
                auto* attributes =
                    xcb_get_window_attributes_reply(d->conn, xcb_get_window_attributes(d->conn, w), nullptr);
                const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
                std::free(attributes);
                if (viewable && d->cardinals(w, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL).size() == 4) {
                    client.window = w;
                    return true;
                }
            }
            return !isRunning(client.pid);
        },
        timeoutMs);
    return client;
}

TestDesktop::Client TestDesktop::startXterm(const QStringList& arguments) {
    return startClient(QStringLiteral("xterm"), arguments, QStringLiteral("xterm"));
}

TestDesktop::Client TestDesktop::startXlogo(const QStringList& arguments) {
    return startClient(QStringLiteral("xlogo"), arguments, QStringLiteral("xlogo"));
}

QString TestDesktop::testWindowProgram() {
    return QStringLiteral(QUARLIN_TEST_WINDOW);
}

TestDesktop::Client TestDesktop::startTestWindow(const QStringList& arguments, const QString& wmClass) {
    return startClient(testWindowProgram(), arguments, wmClass);
}

bool TestDesktop::waitFor(const std::function<bool()>& condition, int timeoutMs) {
    return d->waitFor(condition, timeoutMs);
}

QList<quint32> TestDesktop::clientList() {
    return isReady() ? d->cardinals(d->root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW) : QList<quint32>{};
}

QList<quint32> TestDesktop::stackingOrder() {
    return isReady() ? d->cardinals(d->root, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW) : QList<quint32>{};
}

QRect TestDesktop::clientGeometry(quint32 window) {
    if (!isReady())
        return {};
    auto* geometry = xcb_get_geometry_reply(d->conn, xcb_get_geometry(d->conn, window), nullptr);
    auto* translated = xcb_translate_coordinates_reply(
        d->conn, xcb_translate_coordinates(d->conn, window, d->root, 0, 0), nullptr);
    QRect rect;
    if (geometry && translated)
        rect = QRect(translated->dst_x, translated->dst_y, geometry->width, geometry->height);
    std::free(geometry);
    std::free(translated);
    return rect;
}

QList<quint32> TestDesktop::popups() {
    QList<quint32> out;
    if (!isReady())
        return out;
    auto* tree = xcb_query_tree_reply(d->conn, xcb_query_tree(d->conn, d->root), nullptr);
    if (!tree)
        return out;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        auto* attributes = xcb_get_window_attributes_reply(
            d->conn, xcb_get_window_attributes(d->conn, children[i]), nullptr);
        if (attributes && attributes->override_redirect && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            out << children[i];
        std::free(attributes);
    }
    std::free(tree);
    return out;
}

QImage TestDesktop::screenshot() {
    if (!isReady())
        return {};
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(d->conn)).data;
    auto* reply = xcb_get_image_reply(d->conn,
                                      xcb_get_image(d->conn, XCB_IMAGE_FORMAT_Z_PIXMAP, d->root, 0, 0,
                                                    screen->width_in_pixels, screen->height_in_pixels, ~0u),
                                      nullptr);
    QImage image;
    // Xvfb's 24-bit screen hands out 32 bits a pixel, 0x00RRGGBB in the host's byte order.
    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    if (reply && reply->depth == 24 && xcb_get_image_data_length(reply) == width * height * 4) {
        image = QImage(width, height, QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const quint32*>(xcb_get_image_data(reply));
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] = 0xff000000u | pixels[y * width + x];
        }
    }
    std::free(reply);
    return image;
}

QRect TestDesktop::frameGeometry(quint32 window) {
    const QRect client = clientGeometry(window);
    if (client.isNull())
        return {};
    const auto e = d->cardinals(window, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
    if (e.size() != 4)
        return client;
    return client.adjusted(-int(e[0]), -int(e[2]), int(e[1]), int(e[3]));
}

bool TestDesktop::allListedWindowsExist() {
    QList<xcb_get_window_attributes_cookie_t> cookies;
    for (quint32 w : clientList())
        cookies << xcb_get_window_attributes(d->conn, w);
    bool all = true;
    for (const auto& cookie : cookies) {
        auto* attributes = xcb_get_window_attributes_reply(d->conn, cookie, nullptr);
        all = all && attributes;
        std::free(attributes);
    }
    return all;
}

qint64 TestDesktop::windowPid(quint32 window) {
    if (!isReady())
        return 0;
    xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    auto* reply =
        xcb_res_query_client_ids_reply(d->conn, xcb_res_query_client_ids(d->conn, 1, &spec), nullptr);
    qint64 pid = 0;
    if (reply) {
        for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem;
             xcb_res_client_id_value_next(&it))
            if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                xcb_res_client_id_value_value_length(it.data) >= 1)
                pid = *xcb_res_client_id_value_value(it.data);
    }
    std::free(reply);
    return pid;
}

QString TestDesktop::wmClass(quint32 window) {
    if (!isReady())
        return {};
    const QList<QByteArray> parts = d->bytes(window, XCB_ATOM_WM_CLASS).split('\0');
    return parts.size() >= 2 ? QString::fromLocal8Bit(parts[0] + '.' + parts[1]) : QString();
}

QSize TestDesktop::sizeIncrement(quint32 window) {
    const auto hints =
        isReady() ? d->cardinals(window, "WM_NORMAL_HINTS", XCB_ATOM_WM_SIZE_HINTS) : QList<quint32>{};
    constexpr quint32 resizeIncrements = 64;
    if (hints.size() < 11 || !(hints[0] & resizeIncrements))
        return {1, 1};
    return {std::max(1, int(hints[9])), std::max(1, int(hints[10]))};
}

QSize TestDesktop::minimumSize(quint32 window) {
    const auto hints =
        isReady() ? d->cardinals(window, "WM_NORMAL_HINTS", XCB_ATOM_WM_SIZE_HINTS) : QList<quint32>{};
    constexpr quint32 minimum = 16;
    if (hints.size() < 7 || !(hints[0] & minimum))
        return {0, 0};
    return {int(hints[5]), int(hints[6])};
}

bool TestDesktop::isMinimized(quint32 window) {
    if (!isReady())
        return false;
    return d->cardinals(window, "_NET_WM_STATE", XCB_ATOM_ATOM).contains(d->atom("_NET_WM_STATE_HIDDEN"));
}

quint32 TestDesktop::activeWindow() {
    const auto active =
        isReady() ? d->cardinals(d->root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW) : QList<quint32>{};
    return active.isEmpty() ? 0 : active.first();
}

int TestDesktop::currentDesktop() {
    const auto current =
        isReady() ? d->cardinals(d->root, "_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL) : QList<quint32>{};
    return current.isEmpty() ? -1 : int(current.first());
}

QRect TestDesktop::workArea() {
    const auto a = isReady() ? d->cardinals(d->root, "_NET_WORKAREA", XCB_ATOM_CARDINAL) : QList<quint32>{};
    return a.size() >= 4 ? QRect(int(a[0]), int(a[1]), int(a[2]), int(a[3])) : QRect();
}

qint64 TestDesktop::startPanel(Panel panel, bool atBottom) {
    if (!isReady())
        return 0;
    QString program;
    QStringList arguments;
    if (!d->panelCommand(panel, atBottom, program, arguments))
        return 0;
    if (d->panelPid && isRunning(d->panelPid)) {
        d->note(QStringLiteral("%1 not started: the panel started before (pid %2) still runs")
                    .arg(program)
                    .arg(d->panelPid));
        return 0;
    }
    if (hostsStatusNotifier(panel) && !d->bus().isConnected()) {
        d->note(program + QStringLiteral(" not started: the desktop has no session bus"));
        return 0;
    }
    // Measured: gtk-sni-tray-standalone now and then exits at start, when its host asks its own
    // watcher before that serves its object; a new start works. What the last one held is let go
    // only once the X server and the bus have seen it go: a panel started before that would find
    // its tray taken, and fight for it.
    const auto heldBy = [&]() -> QString {
        // A window manager's own tray (fluxbox's) gives way to a panel, as on a user's desktop.
        const xcb_window_t tray = d->traySelectionOwner();
        if (takesTraySelection(panel) && tray != XCB_NONE &&
            !(d->windowManager && windowPid(tray) == d->windowManager->processId()))
            return QStringLiteral("the tray selection");
        if (bringsWatcher(panel) && d->onBus(watcherService))
            return QStringLiteral("the StatusNotifier watcher's name");
        return {};
    };
    QDeadlineTimer deadline(panelTimeoutMs);
    for (int attempt = 1;; ++attempt) {
        // Held before the first attempt: by another program, which keeps it.
        if (!d->waitFor([&] { return heldBy().isEmpty(); },
                        attempt == 1 ? 0 : int(deadline.remainingTime()))) {
            d->note(QStringLiteral("%1, attempt %2: not started: another program holds %3")
                        .arg(program)
                        .arg(attempt)
                        .arg(heldBy()));
            return 0;
        }
        const QString error = d->error;
        QProcess* process = d->spawn(program, arguments);
        if (!process) {
            d->note(d->error);
            d->error = error;
            return 0;
        }
        const qint64 pid = process->processId();
        QElapsedTimer took;
        took.start();
        d->waitFor([&] { return !isRunning(pid) || d->holdsTray(panel, atBottom); },
                   int(deadline.remainingTime()));
        const QString attemptName =
            QStringLiteral("%1, attempt %2 (pid %3)").arg(program).arg(attempt).arg(pid);
        if (isRunning(pid) && d->holdsTray(panel, atBottom)) {
            d->note(QStringLiteral("%1: holds its tray after %2 ms").arg(attemptName).arg(took.elapsed()));
            d->panelPid = pid;
            return pid;
        }
        if (isRunning(pid)) {
            d->note(QStringLiteral("%1: no tray after %2 ms, stopped: %3")
                        .arg(attemptName)
                        .arg(took.elapsed())
                        .arg(d->logTail(program)));
            stopProcess(pid);
            return 0;
        }
        d->note(QStringLiteral("%1: exited with %2 after %3 ms: %4")
                    .arg(attemptName)
                    .arg(process->exitCode())
                    .arg(took.elapsed())
                    .arg(d->logTail(program)));
        stopProcess(pid);
        if (deadline.hasExpired())
            return 0;
    }
}

QString TestDesktop::panelLog() const {
    return d->panelLog.join(QLatin1Char('\n'));
}

bool TestDesktop::setSecondMonitor(bool plugged) {
    return isReady() && (d->options.twoMonitors || d->options.secondMonitorLater) &&
           d->setMonitor(QStringLiteral("RIGHT"), plugged);
}

QRect TestDesktop::panelGeometry() {
    for (quint32 w : clientList())
        if (!d->cardinals(w, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL).isEmpty())
            return clientGeometry(w);
    if (!d->options.tray)
        return {};
    // A window manager's own panel: the band the work area leaves at its edge.
    const QRect area = workArea();
    const QRect screen(0, 0, d->options.width, d->options.height);
    if (area.isEmpty() || area == screen)
        return {};
    return d->options.panelAtBottom
               ? QRect(0, area.bottom() + 1, screen.width(), screen.bottom() - area.bottom())
               : QRect(0, 0, screen.width(), area.top());
}

int TestDesktop::clientMessagesSeen(const char* type) {
    if (!isReady())
        return 0;
    d->drainEvents();
    return d->clientMessages.value(d->atom(type));
}

bool TestDesktop::pointerGrabbed() {
    if (!isReady())
        return false;
    auto* reply =
        xcb_grab_pointer_reply(d->conn,
                               xcb_grab_pointer(d->conn, 0, d->root, 0, XCB_GRAB_MODE_ASYNC,
                                                XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                               nullptr);
    const bool grabbed = !reply || reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    if (reply && reply->status == XCB_GRAB_STATUS_SUCCESS) {
        xcb_ungrab_pointer(d->conn, XCB_CURRENT_TIME);
        xcb_flush(d->conn);
    }
    std::free(reply);
    return grabbed;
}

bool TestDesktop::minimize(quint32 window) {
    if (!isReady())
        return false;
    constexpr quint32 iconicState = 3;
    d->clientMessage(window, "WM_CHANGE_STATE", {iconicState});
    return waitFor([&] { return isMinimized(window); });
}

bool TestDesktop::maximize(quint32 window) {
    if (!isReady())
        return false;
    constexpr quint32 add = 1, sourcePager = 2;
    d->clientMessage(
        window, "_NET_WM_STATE",
        {add, d->atom("_NET_WM_STATE_MAXIMIZED_VERT"), d->atom("_NET_WM_STATE_MAXIMIZED_HORZ"), sourcePager});
    return waitFor([&] {
        const auto state = d->cardinals(window, "_NET_WM_STATE", XCB_ATOM_ATOM);
        return state.contains(d->atom("_NET_WM_STATE_MAXIMIZED_VERT")) &&
               state.contains(d->atom("_NET_WM_STATE_MAXIMIZED_HORZ"));
    });
}

bool TestDesktop::fullScreen(quint32 window) {
    if (!isReady())
        return false;
    constexpr quint32 add = 1, sourcePager = 2;
    d->clientMessage(window, "_NET_WM_STATE", {add, d->atom("_NET_WM_STATE_FULLSCREEN"), 0, sourcePager});
    return waitFor([&] {
        return d->cardinals(window, "_NET_WM_STATE", XCB_ATOM_ATOM)
            .contains(d->atom("_NET_WM_STATE_FULLSCREEN"));
    });
}

bool TestDesktop::close(quint32 window) {
    if (!isReady() || !window)
        return false;
    constexpr quint32 sourcePager = 2;
    d->clientMessage(window, "_NET_CLOSE_WINDOW", {XCB_CURRENT_TIME, sourcePager});
    return waitFor([&] { return !clientList().contains(window); });
}

bool TestDesktop::holdWindowManager(bool held) {
    if (!held)
        d->endResumer();
    return d->windowManager && d->windowManager->state() == QProcess::Running &&
           ::kill(pid_t(d->windowManager->processId()), held ? SIGSTOP : SIGCONT) == 0;
}

bool TestDesktop::holdWindowManagerUntil(const char* type, int count) {
    d->endResumer();
    if (!holdWindowManager(true))
        return false;
    // Its own connection, watching before this returns: the requests may come from this thread,
    // which is then busy waiting for their answers.
    xcb_connection_t* watcher = xcb_connect(d->display.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(watcher)) {
        xcb_disconnect(watcher);
        return false;
    }
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(watcher, d->root, XCB_CW_EVENT_MASK, &mask);
    std::free(xcb_get_input_focus_reply(watcher, xcb_get_input_focus(watcher), nullptr));
    d->resumerStop = ::eventfd(0, EFD_CLOEXEC);
    const xcb_atom_t wanted = d->atom(type);
    const pid_t pid = pid_t(d->windowManager->processId());
    d->resumer = std::thread([watcher, wanted, count, pid, stopFd = d->resumerStop] {
        int seen = 0;
        while (seen < count && !xcb_connection_has_error(watcher)) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(watcher)) {
                if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                    reinterpret_cast<xcb_client_message_event_t*>(e)->type == wanted)
                    ++seen;
                std::free(e);
            }
            if (seen >= count)
                break;
            pollfd fds[2] = {{xcb_get_file_descriptor(watcher), POLLIN, 0}, {stopFd, POLLIN, 0}};
            ::poll(fds, 2, -1);
            if (fds[1].revents)
                break;
        }
        if (seen >= count)
            ::kill(pid, SIGCONT);
        xcb_disconnect(watcher);
    });
    return true;
}

bool TestDesktop::xdotool(const QStringList& arguments) {
    return isReady() && d->runToEnd(QStringLiteral("xdotool"), arguments);
}

bool TestDesktop::key(const QString& keys) {
    return xdotool({QStringLiteral("key"), keys});
}
bool TestDesktop::keyDown(const QString& keys) {
    return xdotool({QStringLiteral("keydown"), keys});
}
bool TestDesktop::keyUp(const QString& keys) {
    return xdotool({QStringLiteral("keyup"), keys});
}

bool TestDesktop::movePointer(int x, int y) {
    if (!xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(y)}))
        return false;
    return waitFor([&] {
        auto* reply = xcb_query_pointer_reply(d->conn, xcb_query_pointer(d->conn, d->root), nullptr);
        const bool there = reply && reply->root_x == x && reply->root_y == y;
        std::free(reply);
        return there;
    });
}
