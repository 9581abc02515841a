// A running application of the simulated desktop: its process, its windows (frontmost first),
// its menu bar and how it reacts to being brought forward or reopened.
#pragma once

#include "SimMenu.h"
#include "SimWindow.h"
#include "platform/RunningApplication.h"

#include <QList>

#include <functional>
#include <list>

class SimApplication : public RunningApplication {
public:
    // The desktop that runs it lends its clock, its journal and its numbering of windows, so
    // that the application needs nothing else of it.
    SimApplication(pid_t pid, std::optional<QString> bundleID, std::optional<QString> name,
                   std::function<double()> clock, std::function<void(const QString& event)> journal,
                   std::function<int()> nextWindowID);

    pid_t processIdentifier() const override { return pid; }
    std::optional<QString> bundleIdentifier() const override { return bundleID; }
    std::optional<QString> localizedName() const override { return name; }
    QString icon() const override { return iconName; }
    bool isHidden() const override { return hidden; }
    ActivationPolicy activationPolicy() const override { return policy; }
    bool activate(bool allWindows) override;

    // The windows listed now on the desktop's clock.
    QList<SimWindow*> visibleWindows(double now);
    SimWindow* window(int id);
    // Opens a window in front of the others, listed after the application's window delay.
    SimWindow& openWindow(double now, const QString& title);
    // Numbers the window (naming it after its number when untitled) and puts it in front.
    SimWindow& putInFront(SimWindow window);

    const pid_t pid;
    std::optional<QString> bundleID;
    std::optional<QString> name;
    QString iconName;
    bool hidden = false;
    ActivationPolicy policy = ActivationPolicy::regular;
    bool exited = false;

    // Frontmost first; a list so that references stay valid as windows come and go.
    std::list<SimWindow> windows;
    // Absent: the application has no menu bar.
    std::optional<QList<SimMenu>> menuBar;
    // Reading "AXWindows" fails with this, when set.
    std::optional<WindowAccessError> windowsError;

    // Bringing it forward without windows opens one (as clicking a dock icon does).
    bool windowOnActivate = false;
    // Opening it again while it runs opens a window.
    bool windowOnReopen = false;
    // How long a new window takes to be listed.
    double windowDelay = 0;

private:
    std::function<double()> m_clock;
    std::function<void(const QString& event)> m_journal;
    std::function<int()> m_nextWindowID;
};
