// The application's delegate: starts the updater, sets the first appearance before launch finishes,
// hides the windows after it in menu-bar mode, and keeps the program running without windows.
#pragma once

#include "UpdaterController.h"

#include <memory>

class AppState;
class ApplicationShell;
class PreferenceStore;
class QObject;
class Scheduler;

class AppDelegate {
public:
    // `shell` may be null (no user interface).
    AppDelegate(PreferenceStore& preferences, Scheduler& scheduler, ApplicationShell* shell,
                std::unique_ptr<UpdaterController> updaterController);

    // Asks the updater to check; from the menu command and the settings tab.
    void checkForUpdates(QObject* sender = nullptr);
    // The application's look from "appTheme" ("dark" when unset; a text naming no theme is dark too).
    void applicationWillFinishLaunching();
    // Closing the last window leaves the program running.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    // In menu-bar mode, hides every visible ordinary window on the next turn of the main queue.
    void applicationDidFinishLaunching();

    UpdaterController& updaterController() const { return *m_updaterController; }

private:
    PreferenceStore& m_preferences;
    Scheduler& m_scheduler;
    ApplicationShell* m_shell;
    const std::unique_ptr<UpdaterController> m_updaterController;
};
