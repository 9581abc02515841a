// The program's entry: it owns the store container, the shared state, the application delegate and
// the preferences object of a run, and runs the start-up steps in their fixed order.
#pragma once

#include "AppDelegate.h"
#include "AppState.h"
#include "MenuBarManaging.h"

#include "model/SettingsModel.h"
#include "store/ModelContainer.h"

#include <QObject>

#include <functional>
#include <memory>

class QuarlinApp : public QObject {
    Q_OBJECT
public:
    // Makes the menu-bar manager once the main window first appears; may give nothing.
    using MenuBarFactory = std::function<std::unique_ptr<MenuBarManaging>(AppState&, ModelContainer&)>;

    // The store of the run at `path`; on a failure nothing, with `message` the line to stop with.
    static std::unique_ptr<ModelContainer> makeSharedModelContainer(const QString& path, Scheduler& scheduler,
                                                                    QString* message);

    // Creates the shared state over the container (registering the shortcut handlers and the
    // remote-change observer) and the delegate. `shell` may be null (no user interface).
    QuarlinApp(Platform& platform, std::unique_ptr<ModelContainer> container, ApplicationShell* shell,
               std::unique_ptr<UpdaterController> updaterController = nullptr, QObject* parent = nullptr);
    ~QuarlinApp() override;

    ModelContainer& sharedModelContainer() const { return *m_sharedModelContainer; }
    AppState& appState() const { return *m_appState; }
    AppDelegate& appDelegate() const { return *m_appDelegate; }
    // Created the first time it is asked for.
    SettingsModel& settings();

    void setMenuBarFactory(MenuBarFactory factory) { m_menuBarFactory = std::move(factory); }

    // Launches: the delegate's two steps around `showScene`, which shows the main window; from then
    // on the main window follows the "appTheme" preference.
    void start(const std::function<void()>& showScene);
    // The main window's content was shown (first shown, or shown anew after it was closed).
    void mainContentDidAppear();
    // Writes what is pending in the main context before the process ends (the event loop quit by
    // "Quit App", the last window, SIGTERM or SIGINT, or the desktop session ending). Open edit
    // scopes are left alone: their drafts are the user's to keep or cancel, and die unsaved.
    void saveBeforeQuit();
    // The menu command "Check for Updates...".
    void checkForUpdates() { m_appDelegate->checkForUpdates(nullptr); }

private:
    void setupMenuBar();
    void setupAppStateModelContext();
    void autoSelectConfigurationOnLaunch();
    void handleInitialLaunchMode();
    // The preference's theme; the system's for a text that names none.
    AppTheme currentTheme();

    Platform& m_platform;
    ApplicationShell* m_shell;
    std::unique_ptr<ModelContainer> m_sharedModelContainer;
    std::unique_ptr<AppState> m_appState;
    std::unique_ptr<AppDelegate> m_appDelegate;
    std::unique_ptr<SettingsModel> m_settings;
    MenuBarFactory m_menuBarFactory;
    std::unique_ptr<MenuBarManaging> m_menuBarManager;
    bool m_followsTheme = false;
};
