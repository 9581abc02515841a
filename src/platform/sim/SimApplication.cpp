#include "SimApplication.h"

SimApplication::SimApplication(pid_t pid_, std::optional<QString> bundleID_, std::optional<QString> name_,
                               std::function<double()> clock,
                               std::function<void(const QString& event)> journal,
                               std::function<int()> nextWindowID)
    : pid(pid_), bundleID(std::move(bundleID_)), name(std::move(name_)), m_clock(std::move(clock)),
      m_journal(std::move(journal)), m_nextWindowID(std::move(nextWindowID)) {}

bool SimApplication::activate(bool allWindows) {
    m_journal(QStringLiteral("activate %1%2")
                  .arg(bundleID.value_or(QString::number(pid)),
                       allWindows ? QStringLiteral(" all windows") : QString()));
    hidden = false;
    if (windowOnActivate && visibleWindows(m_clock()).isEmpty())
        openWindow(m_clock(), name.value_or(QString()));
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
    return putInFront(w);
}

SimWindow& SimApplication::putInFront(SimWindow window) {
    window.id = m_nextWindowID();
    if (window.title.isEmpty())
        window.title = QStringLiteral("window %1").arg(window.id);
    windows.push_front(window);
    return windows.front();
}
