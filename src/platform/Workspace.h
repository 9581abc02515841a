// The applications of the desktop: what runs, where an application is installed, opening one.
#pragma once

#include "RunningApplication.h"

#include <QList>

#include <functional>

class Workspace {
public:
    virtual ~Workspace() = default;

    // Every running application in the system's order. Callable from any thread; the objects
    // it returns answer their getters from any thread too.
    virtual QList<RunningApplicationRef> runningApplications() = 0;
    // The running instances of one application, oldest first; empty when none runs.
    virtual QList<RunningApplicationRef> runningApplications(const QString& bundleID) = 0;

    // Where the application is installed (the path of its desktop entry); absent when it is not.
    // An id holding a path separator or ".." is never installed: ids come from stored
    // configurations and must not reach outside the application folders.
    virtual std::optional<QString> urlForApplication(const QString& bundleID) = 0;
    // Starts the application at `location` (a value urlForApplication gave) and, with
    // `activates`, brings it forward once it shows a window. Returns at once. The completion
    // runs exactly once, on the main thread, possibly before this returns: nothing on
    // success, an error text when the program could not be started.
    virtual void openApplication(const QString& location, bool activates,
                                 std::function<void(std::optional<QString> error)> completion) = 0;

    // Makes a running application that has no installed entry of its own one that can be started
    // under this id from now on (the user saved it or put it in a configuration). Nothing for any
    // other id. Main thread; an error text when it could not.
    virtual std::optional<QString> keepApplication(const QString& bundleID) {
        (void)bundleID;
        return std::nullopt;
    }

    // The system alert sound. Main thread.
    virtual void beep() = 0;
    // This program's own identifier; empty when it has none.
    virtual QString mainBundleIdentifier() const = 0;
};
