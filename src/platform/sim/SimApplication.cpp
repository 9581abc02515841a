#include "SimApplication.h"

#include "SimDesktop.h"

SimApplication::SimApplication(SimDesktop& desktop, pid_t pid_, std::optional<QString> bundleID_,
                               std::optional<QString> name_)
    : pid(pid_), bundleID(std::move(bundleID_)), name(std::move(name_)), m_desktop(desktop) {}

bool SimApplication::activate(bool allWindows) {
    m_desktop.record(QStringLiteral("activate %1%2")
                         .arg(bundleID.value_or(QString::number(pid)),
                              allWindows ? QStringLiteral(" all windows") : QString()));
    hidden = false;
    if (windowOnActivate && visibleWindows(m_desktop.now()).isEmpty())
        openWindow(m_desktop.now(), name.value_or(QString()));
    return !exited;
}

QList<SimWindow*> SimApplication::visibleWindows(double now) {
    QList<SimWindow*> list;
    for (SimWindow& w : windows) {
        if (w.appearsAt <= now + 1e-9)
            list.append(&w);
    }
    return list;
}

SimWindow* SimApplication::window(int id) {
    for (SimWindow& w : windows) {
        if (w.id == id)
            return &w;
    }
    return nullptr;
}

SimWindow& SimApplication::openWindow(double now, const QString& title) {
    SimWindow w;
    w.title = title;
    w.appearsAt = now + windowDelay;
    return m_desktop.addWindow(*this, w);
}
