// A simulated desktop on the virtual clock: installed and running applications, their
// windows and menus, the screens and the pointer. Every write, activation, open and beep is
// recorded with its time so that tests can compare whole sequences.
#pragma once

#include "SimApplication.h"
#include "platform/Screens.h"
#include "platform/WindowAccess.h"
#include "platform/Workspace.h"

#include <QPointer>
#include <QStringList>

class Scheduler;
class SimElement;

class SimDesktop : public Workspace, public WindowAccess, public Screens {
public:
    explicit SimDesktop(Scheduler& clock);

    // --- set-up ---
    // An installed application; opening it starts it with one window (after launchDelay).
    void install(const QString& bundleID, const QString& name, double launchDelay = 0,
                 bool failsToOpen = false);
    // A running application (installed or not) without windows.
    SimApplication& run(const QString& bundleID, const QString& name);
    SimApplication* application(const QString& bundleID);
    // Adds the window in front of the application's others.
    SimWindow& addWindow(SimApplication& app, SimWindow window);
    // A menu bar with a "File" menu holding "New Window".
    static QList<SimMenu> fileMenuWithNewWindow();

    void setScreens(QList<Screen> screens, std::optional<int> mainIndex = 0);
    void setMouseLocation(Point p) { m_mouse = p; }
    void setTrusted(bool trusted) { m_trusted = trusted; }
    void setOwnIdentifier(const QString& id) { m_ownID = id; }

    // Every recorded event, "time event", the time with two decimals.
    const QStringList& journal() const { return m_journal; }
    QStringList takeJournal();
    void record(const QString& event);
    double now() const;

    // --- Workspace ---
    QList<RunningApplicationRef> runningApplications() override;
    QList<RunningApplicationRef> runningApplications(const QString& bundleID) override;
    std::optional<QString> urlForApplication(const QString& bundleID) override;
    void openApplication(const QString& location, bool activates,
                         std::function<void(std::optional<QString> error)> completion) override;
    std::optional<QString> keepApplication(const QString& bundleID) override {
        const auto failure = keepFailures.constFind(bundleID);
        return failure == keepFailures.constEnd() ? std::nullopt : std::optional(*failure);
    }
    void beep() override { record(QStringLiteral("beep")); }
    QString mainBundleIdentifier() const override { return m_ownID; }
    // Applications whose entry cannot be kept, and why.
    QHash<QString, QString> keepFailures;

    // --- WindowAccess ---
    bool isProcessTrusted(bool prompt) override;
    WindowElementRef applicationElement(pid_t pid) override;
    WindowAccessError readAttribute(const WindowElementRef& element, const QString& attribute,
                                    WindowValue& value) override;
    WindowAccessError writeAttribute(const WindowElementRef& element, const QString& attribute,
                                     const WindowValue& value) override;
    WindowAccessError performAction(const WindowElementRef& element, const QString& action) override;

    // --- Screens ---
    QList<Screen> screens() override { return m_screens; }
    std::optional<Screen> mainScreen() override;
    Point mouseLocation() override { return m_mouse; }
    // setScreens() is the change.
    void onChanged(QObject* context, std::function<void()> changed) override;

private:
    struct Installed {
        QString bundleID;
        QString name;
        QString location;
        double launchDelay = 0;
        bool failsToOpen = false;
    };

    SimApplication* byPid(pid_t pid);
    const SimMenu* menuOf(SimApplication& app, int index);
    WindowAccessError copyWindowAttribute(SimApplication& app, SimWindow& w, const QString& attribute,
                                          WindowValue& value);
    void writeSize(SimWindow& w, Size requested);

    Scheduler& m_clock;
    QList<Installed> m_installed;
    QList<std::shared_ptr<SimApplication>> m_running;
    QList<Screen> m_screens;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> m_screenWatchers;
    std::optional<int> m_mainIndex;
    Point m_mouse;
    bool m_trusted = true;
    QString m_ownID = QStringLiteral("org.quarlin.Quarlin");
    pid_t m_nextPid = 1000;
    int m_nextWindow = 1;
    QStringList m_journal;
};
