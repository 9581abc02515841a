// Running, installed and launching applications on X11 with XDG desktop entries.
#include "X11Workspace.h"

#include "DesktopEntryIndex.h"
#include "ProgramLauncher.h"
#include "X11Connection.h"
#include "X11Desktop.h"
#include "X11RunningApplication.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>

#include <algorithm>

X11Workspace::X11Workspace(X11Desktop& desktop, const ProgramLauncher& launcher)
    : m_desktop(desktop), m_launcher(launcher) {}

QList<RunningApplicationRef> X11Workspace::list(const std::optional<QString>& only) {
    struct Process {
        pid_t pid = 0;
        std::optional<QString> id;
        QString wmClass;
        bool anyWindow = false;
        bool allMinimized = true;
        bool regular = false;
    };
    QList<Process> processes;
    QHash<pid_t, qsizetype> index;
    if (!m_desktop.connection().isConnected())
        return {};
    for (const X11Client& c : m_desktop.clients()) {
        if (!c.pid || (only && c.applicationId != only))
            continue;
        auto it = index.constFind(c.pid);
        if (it == index.constEnd()) {
            it = index.insert(c.pid, processes.size());
            processes.append({c.pid, c.applicationId, c.wmClass});
        }
        Process& p = processes[*it];
        if (!p.id)
            p.id = c.applicationId;
        p.anyWindow = true;
        p.allMinimized = p.allMinimized && c.minimized;
        p.regular = p.regular || (c.normal && !c.skipTaskbar);
    }
    // Running without a window: the user's processes that an entry's Exec starts. Only looked
    // for when no window answered, since it walks every process.
    if (!only || processes.isEmpty()) {
        for (const auto& [pid, id] : m_desktop.windowlessCandidates()) {
            if (index.contains(pid) || (only && id != *only))
                continue;
            index.insert(pid, processes.size());
            processes.append({pid, id, QString()});
        }
    }

    QList<std::shared_ptr<X11RunningApplication>> apps;
    for (const Process& p : std::as_const(processes)) {
        X11RunningApplication::Facts facts;
        facts.pid = p.pid;
        facts.bundleIdentifier = p.id;
        if (p.id == m_desktop.ownId()) {
            facts.localizedName = QStringLiteral("Quarlin");
        } else if (const auto entry = p.id ? m_desktop.entries().entry(*p.id) : std::nullopt) {
            if (!entry->name.isEmpty())
                facts.localizedName = entry->name;
            facts.icon = entry->icon;
        } else if (!p.wmClass.isEmpty()) {
            facts.localizedName = p.wmClass;
        }
        facts.hidden = p.anyWindow && p.allMinimized;
        facts.policy = p.regular ? ActivationPolicy::regular : ActivationPolicy::accessory;
        facts.startTime = X11Desktop::startTimeOf(p.pid);
        apps << std::make_shared<X11RunningApplication>(m_desktop, facts);
    }
    std::stable_sort(apps.begin(), apps.end(), [](const auto& a, const auto& b) {
        return a->startTime() != b->startTime() ? a->startTime() < b->startTime()
                                                : a->processIdentifier() < b->processIdentifier();
    });
    return QList<RunningApplicationRef>(apps.begin(), apps.end());
}

QList<RunningApplicationRef> X11Workspace::runningApplications() {
    return list(std::nullopt);
}

QList<RunningApplicationRef> X11Workspace::runningApplications(const QString& bundleID) {
    if (!DesktopEntryIndex::isSafeId(bundleID))
        return {};
    return list(bundleID);
}

std::optional<QString> X11Workspace::urlForApplication(const QString& bundleID) {
    const auto entry = m_desktop.entries().entry(bundleID);
    if (!entry || !entry->isInstalledApplication())
        return std::nullopt;
    return entry->path;
}

void X11Workspace::openApplication(const QString& location, bool,
                                   std::function<void(std::optional<QString> error)> completion) {
    // The window manager gives a new window the focus, which is the activation asked for.
    std::optional<QString> error;
    const auto entry = DesktopEntry::load(location, DesktopEntry::userLocale());
    if (!entry)
        error = QStringLiteral("cannot read %1").arg(location);
    else if (!entry->isInstalledApplication())
        error = QStringLiteral("%1 is not an application that can be started").arg(location);
    else
        error = m_launcher.startExec(entry->exec);
    if (completion)
        completion(error);
}

std::optional<QString> X11Workspace::keepApplication(const QString& bundleID) {
    // An entry of that id, installed or not, is never replaced.
    if (!DesktopEntryIndex::isSafeId(bundleID) || m_desktop.entries().entry(bundleID))
        return std::nullopt;
    std::optional<X11Client> window;
    for (const X11Client& c : m_desktop.clients())
        if (c.applicationId == bundleID && c.pid && (!window || (c.normal && !window->normal)))
            window = c;
    if (!window)
        return std::nullopt;
    const std::optional<QStringList> command = X11Desktop::commandLineOf(window->pid);
    if (!command)
        return QStringLiteral("Could not read how %1 was started").arg(bundleID);
    const QString wmClass = window->wmClass.isEmpty() ? bundleID : window->wmClass;
    const QString folder = m_desktop.entries().applicationDirs().value(0);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QStringLiteral("Could not create the folder %1").arg(folder);
    // Written whole or not at all; Exec is the command line as data, quoted for the entry.
    QSaveFile file(QDir(folder).filePath(bundleID + QStringLiteral(".desktop")));
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QString name = wmClass;
    name.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    file.write(QStringLiteral("[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=%1\n"
                              "Comment=Written by Quarlin to start a program that has no desktop entry\n"
                              "Exec=%2\n"
                              "StartupWMClass=%1\n"
                              "NoDisplay=true\n")
                   .arg(name, DesktopEntry::joinExec(*command))
                   .toUtf8());
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

void X11Workspace::beep() {
    X11Connection& conn = m_desktop.connection();
    if (!conn.isConnected())
        return;
    xcb_bell(conn.xcb(), 0);
    xcb_flush(conn.xcb());
}

QString X11Workspace::mainBundleIdentifier() const {
    return m_desktop.ownId();
}
