// The applications of an X11/XDG desktop: desktop entries as installed applications, managed
// windows and the user's processes as running ones, launching by the entry's Exec line.
#pragma once

#include "platform/Workspace.h"

class ProgramLauncher;
class X11Desktop;
struct X11Client;

class X11Workspace : public Workspace {
public:
    X11Workspace(X11Desktop& desktop, const ProgramLauncher& launcher);

    QList<RunningApplicationRef> runningApplications() override;
    QList<RunningApplicationRef> runningApplications(const QString& bundleID) override;
    std::optional<QString> urlForApplication(const QString& bundleID) override;
    void openApplication(const QString& location, bool activates,
                         std::function<void(std::optional<QString> error)> completion) override;
    std::optional<QString> keepApplication(const QString& bundleID) override;
    void beep() override;
    QString mainBundleIdentifier() const override;

private:
    // One application per process; with `only`, just the processes of that application.
    QList<RunningApplicationRef> list(const std::optional<QString>& only);

    X11Desktop& m_desktop;
    const ProgramLauncher& m_launcher;
};
