// The applications of the desktop: what runs, where an application is installed, opening one.
#pragma once

#include "RunningApplication.h"

#include <QList>

#include <functional>

class Workspace {
public:
    virtual ~Workspace() = default;

    // Callable from any thread.
    virtual QList<RunningApplicationRef> runningApplications() = 0;
    virtual QList<RunningApplicationRef> runningApplications(const QString& bundleID) = 0;

    // Where the application is installed (the path of its desktop entry); absent when it is not.
    virtual std::optional<QString> urlForApplication(const QString& bundleID) = 0;
    // Starts the application at `location`; the completion receives an error text or nothing,
    // possibly on another thread.
    virtual void openApplication(const QString& location, bool activates,
                                 std::function<void(std::optional<QString> error)> completion) = 0;

    // The system alert sound.
    virtual void beep() = 0;
    // This program's own identifier.
    virtual QString mainBundleIdentifier() const = 0;
};
