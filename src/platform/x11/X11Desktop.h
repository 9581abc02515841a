// The managed windows of the desktop and the applications they belong to: which entry a
// window or a process is, and bringing windows forward as a pager does.
#pragma once

#include "X11Client.h"

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

#include <sys/types.h>

class DesktopEntryIndex;
class X11Connection;

class X11Desktop {
public:
    // ownId: this program's own desktop-entry id; its windows are never another application's.
    X11Desktop(X11Connection& connection, DesktopEntryIndex& entries, QString ownId, pid_t ownPid);

    X11Connection& connection() { return m_conn; }
    DesktopEntryIndex& entries() { return m_entries; }
    const QString& ownId() const { return m_ownId; }

    // Every managed window, frontmost first. On the main thread the answer is kept until an
    // event says that something it depends on changed.
    QList<X11Client> clients();
    // The application id of a process: that of its windows, else that of its executable.
    std::optional<QString> applicationIdOfProcess(pid_t pid, const QList<X11Client>& clients);
    // The windows of an application element: those of the process, or of the same application.
    static QList<X11Client> windowsOf(pid_t pid, const std::optional<QString>& applicationId,
                                      const QList<X11Client>& clients);

    // The canonical path of a process's executable; empty when it cannot be read.
    static QString executableOf(pid_t pid);
    // The arguments a process was started with (its program found on PATH, or made absolute);
    // absent when they cannot be read.
    static std::optional<QStringList> commandLineOf(pid_t pid);
    // The DISPLAY a process was started with; empty when it has none or cannot be read.
    static QString displayOf(pid_t pid);
    static bool sameDisplay(const QString& a, const QString& b);
    // The user's processes on this display whose executable an installed application starts, by id.
    QList<std::pair<pid_t, QString>> windowlessCandidates();
    // When the process started, to order instances oldest first (0 when unknown).
    static quint64 startTimeOf(pid_t pid);

    // Brings one window forward and gives it the focus, switching to its desktop first.
    void activate(quint32 window, quint32 desktop, quint32 timestamp);
    // Every shown window bottom to top, so the frontmost ends on top; when all are minimised, only
    // the frontmost. False when there was nothing to bring forward.
    bool activateAll(const QList<X11Client>& frontmostFirst, bool allWindows);
    // Whether the last activation asked for was this window, a moment ago.
    bool recentlyActivated(quint32 window) const;
    // Whether an activation restored this window from minimised and nobody has yet waited for the
    // window manager to show it (openbox animates the restore); restored() ends that.
    bool isRestoring(quint32 window) const { return m_restoring.contains(window); }
    void restored(quint32 window) { m_restoring.remove(window); }

private:
    QList<X11Client> readClients();
    // The windows ordered as their frames are stacked in the window tree, frontmost first (ties
    // keep the given order): the window manager's own list may lag behind or never change.
    QList<quint32> inStackingOrder(QList<quint32> frontmostFirst);

    X11Connection& m_conn;
    QList<X11Client> m_cache;
    quint32 m_lastActivated = 0;
    QElapsedTimer m_sinceActivation;
    QSet<quint32> m_restoring;
    std::optional<std::pair<quint64, quint64>> m_cacheStamp;
    DesktopEntryIndex& m_entries;
    QString m_ownId;
    pid_t m_ownPid;
};
