// Reading the managed windows in one batch of requests and mapping them to applications.
#include "X11Desktop.h"

#include "DesktopEntryIndex.h"
#include "X11Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

X11Desktop::X11Desktop(X11Connection& connection, DesktopEntryIndex& entries, QString ownId, pid_t ownPid)
    : m_conn(connection), m_entries(entries), m_ownId(std::move(ownId)), m_ownPid(ownPid) {}

QList<X11Client> X11Desktop::clients() {
    if (!m_conn.isConnected())
        return {};
    // Events are only read on the main thread; elsewhere every call asks the server.
    if (QThread::currentThread() != m_conn.thread())
        return readClients();
    m_conn.syncUnlessFresh();
    const std::pair<quint64, quint64> stamp{m_conn.changeCount(), m_entries.generation()};
    if (m_cacheStamp != stamp) {
        m_cache = readClients();
        m_cacheStamp = stamp;
    }
    return m_cache;
}

QList<X11Client> X11Desktop::readClients() {
    QList<X11Client> out;
    const xcb_window_t root = m_conn.root();
    // Both lists: window managers update them one after the other (fluxbox a moment apart), and a
    // window that has just been managed may be in either first. The order comes from the tree.
    const auto stackingCookie =
        m_conn.requestProperty(root, m_conn.atom(X11Atom::_NET_CLIENT_LIST_STACKING), XCB_ATOM_WINDOW);
    const auto listCookie =
        m_conn.requestProperty(root, m_conn.atom(X11Atom::_NET_CLIENT_LIST), XCB_ATOM_WINDOW);
    QList<quint32> windows = m_conn.cardinals(stackingCookie);
    std::reverse(windows.begin(), windows.end());
    for (quint32 w : m_conn.cardinals(listCookie))
        if (!windows.contains(w))
            windows.prepend(w);
    windows = inStackingOrder(windows);
    // Changes after this point reach us as events (main thread).
    if (QThread::currentThread() == m_conn.thread())
        for (quint32 w : windows)
            m_conn.watch(w);

    struct Cookies {
        xcb_get_property_cookie_t wmClass, gtkId, kdeFile, type, transient, state, desktop, netPid;
        xcb_res_query_client_ids_cookie_t pid;
    };
    QList<Cookies> cookies;
    cookies.reserve(windows.size());
    auto request = [&](xcb_window_t w, X11Atom a, xcb_atom_t type = XCB_GET_PROPERTY_TYPE_ANY) {
        return m_conn.requestProperty(w, m_conn.atom(a), type);
    };
    for (quint32 w : windows) {
        cookies.append({m_conn.requestProperty(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING),
                        request(w, X11Atom::_GTK_APPLICATION_ID),
                        request(w, X11Atom::_KDE_NET_WM_DESKTOP_FILE),
                        request(w, X11Atom::_NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM),
                        m_conn.requestProperty(w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW),
                        request(w, X11Atom::_NET_WM_STATE, XCB_ATOM_ATOM),
                        request(w, X11Atom::_NET_WM_DESKTOP, XCB_ATOM_CARDINAL),
                        request(w, X11Atom::_NET_WM_PID, XCB_ATOM_CARDINAL), m_conn.requestPid(w)});
    }
    QHash<pid_t, std::optional<QString>> byExecutable;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const Cookies& c = cookies[i];
        X11Client client;
        client.window = windows[i];
        const QList<QByteArray> wmClass = m_conn.bytes(c.wmClass).split('\0');
        const QString gtkId = QString::fromUtf8(m_conn.bytes(c.gtkId));
        const QString kdeFile = QString::fromUtf8(m_conn.bytes(c.kdeFile));
        const QList<quint32> types = m_conn.cardinals(c.type);
        const bool transient = !m_conn.cardinals(c.transient).isEmpty();
        const QList<quint32> state = m_conn.cardinals(c.state);
        const QList<quint32> desktop = m_conn.cardinals(c.desktop);
        const QList<quint32> netPid = m_conn.cardinals(c.netPid);
        client.pid = m_conn.pid(c.pid);
        if (!client.pid && !netPid.isEmpty())
            client.pid = pid_t(netPid.first());

        const QString instance = wmClass.size() >= 1 ? QString::fromLocal8Bit(wmClass[0]) : QString();
        client.wmClass = wmClass.size() >= 2 ? QString::fromLocal8Bit(wmClass[1]) : QString();
        // The first type the window names that we know decides, as EWMH orders them by preference.
        const xcb_atom_t normal = m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE_NORMAL);
        const xcb_atom_t dialog = m_conn.atom(X11Atom::_NET_WM_WINDOW_TYPE_DIALOG);
        if (types.isEmpty()) {
            client.normal = !transient;
            client.dialog = transient;
        } else {
            client.normal = types.first() == normal;
            client.dialog = types.first() == dialog;
        }
        client.skipTaskbar = state.contains(m_conn.atom(X11Atom::_NET_WM_STATE_SKIP_TASKBAR));
        client.minimized = state.contains(m_conn.atom(X11Atom::_NET_WM_STATE_HIDDEN));
        if (!desktop.isEmpty())
            client.desktop = desktop.first();

        if (client.pid && client.pid == m_ownPid) {
            client.applicationId = m_ownId;
        } else if (auto id = m_entries.idForApplicationId(gtkId); !gtkId.isEmpty() && id) {
            client.applicationId = id;
        } else if (auto kde = m_entries.idForApplicationId(kdeFile); !kdeFile.isEmpty() && kde) {
            client.applicationId = kde;
        } else if (auto byClass = m_entries.idForWindowClass(client.wmClass)) {
            client.applicationId = byClass;
        } else if (auto byInstance = m_entries.idForWindowClass(instance)) {
            client.applicationId = byInstance;
        } else if (client.pid) {
            auto it = byExecutable.find(client.pid);
            if (it == byExecutable.end())
                it = byExecutable.insert(client.pid, m_entries.idForExecutable(executableOf(client.pid)));
            client.applicationId = *it;
        }
        // A program without an entry is still an application the user runs: known by its class.
        if (!client.applicationId)
            client.applicationId =
                DesktopEntryIndex::idForUnlistedClass(client.wmClass.isEmpty() ? instance : client.wmClass);
        out << client;
    }
    return out;
}

QList<quint32> X11Desktop::inStackingOrder(QList<quint32> frontmostFirst) {
    // The top-level window (frame) that holds each client, then the order of those in the tree.
    xcb_connection_t* c = m_conn.xcb();
    const xcb_window_t root = m_conn.root();
    const auto rootTree = xcb_query_tree(c, root);
    QList<quint32> top = frontmostFirst;
    for (int depth = 0; depth < 4; ++depth) {
        QList<xcb_query_tree_cookie_t> cookies;
        for (quint32 w : std::as_const(top))
            cookies << xcb_query_tree(c, w);
        bool deeper = false;
        for (qsizetype i = 0; i < top.size(); ++i) {
            auto* reply = xcb_query_tree_reply(c, cookies[i], nullptr);
            if (reply && reply->parent != root && reply->parent != XCB_WINDOW_NONE) {
                top[i] = reply->parent;
                deeper = true;
            }
            std::free(reply);
        }
        if (!deeper)
            break;
    }
    QHash<quint32, int> height;
    if (auto* reply = xcb_query_tree_reply(c, rootTree, nullptr)) {
        const xcb_window_t* children = xcb_query_tree_children(reply);
        for (int i = 0; i < xcb_query_tree_children_length(reply); ++i)
            height.insert(children[i], i);
        std::free(reply);
    }
    QList<std::pair<int, quint32>> ranked;
    for (qsizetype i = 0; i < frontmostFirst.size(); ++i)
        ranked.append({height.value(top[i], -1), frontmostFirst[i]});
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QList<quint32> out;
    for (const auto& r : std::as_const(ranked))
        out << r.second;
    return out;
}

std::optional<QString> X11Desktop::applicationIdOfProcess(pid_t pid, const QList<X11Client>& clients) {
    if (pid == m_ownPid)
        return m_ownId;
    for (const X11Client& c : clients)
        if (c.pid == pid && c.applicationId)
            return c.applicationId;
    return m_entries.idForExecutable(executableOf(pid));
}

QList<X11Client> X11Desktop::windowsOf(pid_t pid, const std::optional<QString>& applicationId,
                                       const QList<X11Client>& clients) {
    QList<X11Client> out;
    for (const X11Client& c : clients)
        if ((pid && c.pid == pid) || (applicationId && c.applicationId == applicationId))
            out << c;
    return out;
}

std::optional<QStringList> X11Desktop::commandLineOf(pid_t pid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (pid <= 0 || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QList<QByteArray> parts = file.readAll().split('\0');
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    if (parts.isEmpty())
        return std::nullopt;
    QStringList arguments;
    for (const QByteArray& part : std::as_const(parts))
        arguments << QString::fromLocal8Bit(part);
    // The program as this session finds it: a relative path from the process's folder, and the
    // executable itself when the name is not on our PATH.
    QString& program = arguments.first();
    if (program.contains(QLatin1Char('/')) && QDir::isRelativePath(program))
        program =
            QDir(QFile::symLinkTarget(QStringLiteral("/proc/%1/cwd").arg(pid))).absoluteFilePath(program);
    if (!DesktopEntry::findProgram(program)) {
        const QString executable = executableOf(pid);
        if (executable.isEmpty())
            return std::nullopt;
        program = executable;
    }
    return arguments;
}

QString X11Desktop::executableOf(pid_t pid) {
    if (pid <= 0)
        return {};
    const QString target = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    return target.isEmpty() ? QString() : QFileInfo(target).canonicalFilePath();
}

QList<std::pair<pid_t, QString>> X11Desktop::windowlessCandidates() {
    QList<std::pair<pid_t, QString>> out;
    const QHash<QString, QString> executables = m_entries.executables();
    if (executables.isEmpty())
        return out;
    const uid_t uid = getuid();
    const QStringList names = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool number = false;
        const pid_t pid = name.toInt(&number);
        if (!number || pid == m_ownPid)
            continue;
        struct stat info {};
        if (::stat(QStringLiteral("/proc/%1").arg(pid).toLocal8Bit().constData(), &info) != 0 ||
            info.st_uid != uid)
            continue;
        const auto it = executables.constFind(executableOf(pid));
        // A program on another display (another session, a test desktop) is not running here.
        if (it != executables.constEnd() && sameDisplay(displayOf(pid), m_conn.displayName()))
            out.append({pid, *it});
    }
    return out;
}

QString X11Desktop::displayOf(pid_t pid) {
    QFile file(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& entry : file.readAll().split('\0'))
        if (entry.startsWith("DISPLAY="))
            return QString::fromLocal8Bit(entry.mid(8));
    return {};
}

bool X11Desktop::sameDisplay(const QString& a, const QString& b) {
    // ":1", ":1.0" and "unix:1" name the same server.
    auto server = [](QString name) {
        if (name.startsWith(QLatin1String("unix:")))
            name.remove(0, 4);
        const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
        const qsizetype dot = name.indexOf(QLatin1Char('.'), colon);
        return dot > colon && colon >= 0 ? name.left(dot) : name;
    };
    return !a.isEmpty() && !b.isEmpty() && server(a) == server(b);
}

quint64 X11Desktop::startTimeOf(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // The command name may hold blanks and parentheses; the fields follow the last ')'.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // Field 22 of the file is the 20th after the name.
    return fields.size() > 19 ? fields[19].toULongLong() : 0;
}

void X11Desktop::activate(quint32 window, quint32 desktop, quint32 timestamp) {
    const QList<quint32> current =
        m_conn.cardinals(m_conn.root(), X11Atom::_NET_CURRENT_DESKTOP, XCB_ATOM_CARDINAL);
    if (desktop != 0xFFFFFFFF && !current.isEmpty() && current.first() != desktop)
        m_conn.sendToWindowManager(m_conn.root(), X11Atom::_NET_CURRENT_DESKTOP,
                                   {desktop, timestamp, 0, 0, 0});
    const QList<quint32> active =
        m_conn.cardinals(m_conn.root(), X11Atom::_NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW);
    constexpr quint32 sourcePager = 2;
    if (m_conn.cardinals(window, X11Atom::_NET_WM_STATE, XCB_ATOM_ATOM)
            .contains(m_conn.atom(X11Atom::_NET_WM_STATE_HIDDEN)))
        m_restoring.insert(window);
    m_lastActivated = window;
    m_sinceActivation.start();
    m_conn.sendToWindowManager(window, X11Atom::_NET_ACTIVE_WINDOW,
                               {sourcePager, timestamp, active.isEmpty() ? 0 : active.first(), 0, 0});
}

bool X11Desktop::recentlyActivated(quint32 window) const {
    constexpr qint64 momentMs = 500;
    return m_lastActivated == window && m_sinceActivation.isValid() && m_sinceActivation.elapsed() < momentMs;
}

bool X11Desktop::activateAll(const QList<X11Client>& frontmostFirst, bool allWindows) {
    QList<X11Client> normal, shown;
    for (const X11Client& c : frontmostFirst)
        if (c.normal)
            normal << c;
    for (const X11Client& c : std::as_const(normal))
        if (!c.minimized)
            shown << c;
    // An application is only active on X11 through a focused window of its own: when every window
    // is minimised, the frontmost one is restored for that (the one a placement then picks too);
    // the others keep their state.
    QList<X11Client> chosen = shown.isEmpty() ? normal.mid(0, 1) : shown;
    if (chosen.isEmpty())
        return false;
    if (!allWindows)
        chosen = chosen.mid(0, 1);
    const quint32 time = m_conn.serverTime();
    for (auto it = chosen.crbegin(); it != chosen.crend(); ++it)
        activate(it->window, it->desktop, time);
    return true;
}
