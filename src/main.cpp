// The program: wires the X11 desktop, the preferences file, the hot keys and the store to the shared
// state and the main window, then runs the event loop.
#include "app/QuarlinApp.h"
#include "app/TerminationSignals.h"
#include "base/AllocatorPolicy.h"
#include "base/JsonPreferenceStore.h"
#include "base/Log.h"
#include "base/QtScheduler.h"
#include "login/LaunchAtLogin.h"
#include "model/AppTheme.h"
#include "model/SettingsModel.h"
#include "placement/WindowControlPermission.h"
#include "platform/x11/DesktopEntry.h"
#include "platform/x11/DesktopEntryIndex.h"
#include "platform/x11/X11Backend.h"
#include "platform/x11/X11MonitorAreas.h"
#include "platform/x11/X11PointerMonitor.h"
#include "platform/x11/X11TaskbarEntry.h"
#include "platform/x11/X11TrayHost.h"
#include "platform/x11/hotkeys/X11HotKeys.h"
#include "platform/xdg/SingleInstance.h"
#include "platform/xdg/SyslogLoginLog.h"
#include "platform/xdg/XdgAutostart.h"
#include "shortcuts/Registry.h"
#include "store/ModelContainer.h"
#include "store/sync/FolderSyncStatus.h"
#include "store/sync/SyncEngine.h"
#include "ui/ApplicationCommands.h"
#include "ui/MainWindow.h"
#include "ui/NativePixels.h"
#include "ui/QtApplicationShell.h"
#include "ui/home/ApplicationIcons.h"
#include "ui/home/ContentView.h"
#include "ui/look/BackgroundWindowMove.h"
#include "ui/look/QuarlinIcon.h"
#include "ui/main/MainView.h"
#include "ui/main/SettingsView.h"
#include "ui/main/ShortcutsView.h"
#include "ui/menubar/CompactListHooks.h"
#include "ui/menubar/MenuBarManager.h"
#include "ui/menubar/SystemTrayStatusItem.h"
#include "ui/notices/AlreadyRunningAlert.h"
#include "ui/notices/PreferencesErrorDialog.h"
#include "ui/notices/PreferencesWriteNotice.h"
#include "ui/notices/StoreErrorDialog.h"
#include "ui/notices/UnsavedChangesNotice.h"
#include "ui/shortcuts/MenuTrackingMonitor.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    useSteadyAllocatorThresholds();
    installConsole();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarlin"));
    QApplication::setApplicationVersion(QStringLiteral(QUARLIN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.quarlin"));
    QApplication::setWindowIcon(quarlinIcon());
    // Closing the main window leaves the program (and its status item) running.
    QApplication::setQuitOnLastWindowClosed(false);

    // One copy per user session: a later start brings the running one forward and ends before it
    // touches the store or the hot keys.
    SingleInstance instance(QApplication::desktopFileName());
    const SingleInstance::Claim claim = instance.claim();
    if (!instance.message().isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(instance.message()));
    if (claim == SingleInstance::Claim::handedOver)
        return 0;
    if (claim == SingleInstance::Claim::failed) {
        // Started from a menu, nobody reads the line above.
        AlreadyRunningAlert alert(instance.message());
        alert.exec();
        return 1;
    }

    QtScheduler scheduler;
    JsonPreferenceStore preferences(JsonPreferenceStore::defaultPath());
    // Quarlin goes on with the defaults; the user learns why and where the damaged file is. Shown
    // once the first window is up, or beside the store's error: the file is aside by now, and the
    // next start would not tell.
    std::unique_ptr<PreferencesErrorDialog> preferencesNotice;
    const auto showPreferencesNotice = [&preferences, &preferencesNotice] {
        if (preferences.loadError().isEmpty())
            return;
        preferencesNotice = std::make_unique<PreferencesErrorDialog>(
            preferences.path(), preferences.loadFailureReason(), preferences.keptAsidePath());
        preferencesNotice->show();
    };
    // A changed setting that could not be saved would be lost at quit without a word.
    PreferencesWriteNotice preferencesWriteNotice(preferences);
    X11Backend backend;
    Platform platform{scheduler, preferences, backend.workspace, backend.windows, backend.screens};
    X11HotKeys hotKeys;
    KeyboardShortcuts::Registry shortcuts(preferences, hotKeys, scheduler, &hotKeys);
    // An open menu holds the keyboard; the hot keys keep working from its key events meanwhile.
    KeyboardShortcuts::MenuTrackingMonitor menuTracking(shortcuts);

    QString message;
    const QString storePath = ModelContainer::defaultPath();
    std::unique_ptr<ModelContainer> container =
        QuarlinApp::makeSharedModelContainer(storePath, scheduler, &message);
    QtApplicationShell shell;
    if (!container) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        // In the look the main window would have had: the state that applies it never comes.
        const AppTheme theme =
            AppThemeInfo::fromRawValue(SettingsModel(preferences).appTheme()).value_or(AppTheme::system);
        shell.setAppearance(theme == AppTheme::system ? std::nullopt : std::optional<AppTheme>(theme));
        // Started from a menu, nobody reads the line above.
        showPreferencesNotice();
        StoreErrorDialog dialog(storePath, message);
        dialog.exec();
        return 1;
    }

    QuarlinApp app(platform, std::move(container), &shell);
    // Changes the store could not save are told at once, and a quit that would lose them asks first.
    UnsavedChangesNotice unsavedChanges(*app.sharedModelContainer().mainContext(), storePath);
    // Sync between machines through the shared folder; without it the program works on this machine.
    QString syncError;
    std::unique_ptr<SyncEngine> sync =
        SyncEngine::create(app.sharedModelContainer(), scheduler, SyncEngine::Options(), &syncError);
    if (!sync)
        std::fprintf(stderr, "Sync between machines is off: %s\n", qPrintable(syncError));
    FolderSyncStatus syncStatus(sync.get(), syncError);

    MainWindow window([&backend](const QRect& frame) -> std::optional<Screen> {
        const QList<X11Monitor> monitors = backend.screens.monitors();
        // The frame is in Qt's pixels, the monitors in root pixels.
        const int index = X11Screens::monitorIndexFor(NativePixels::toRoot(frame), monitors);
        const QList<Screen> screens = backend.screens.screens();
        if (index < 0 || index >= screens.size())
            return std::nullopt;
        return screens.at(index);
    });
    // Recorded here too, so that a launch straight into menu-bar mode has the window before it is shown.
    app.appState().setMainWindow(&window);
    // Dragged by its background like by its title bar, except while it hangs under the tray icon.
    BackgroundWindowMove::install(&window, [&app] { return !app.appState().isMainWindowAttached(); });
    // Login starts the installed program, never a build folder that may be gone by then.
    const std::optional<DesktopEntry> installed =
        DesktopEntryIndex(DesktopEntryIndex::defaultApplicationDirs()).entry(QApplication::desktopFileName());
    XdgAutostart autostart(QApplication::desktopFileName(), QStringLiteral("Quarlin"),
                           QCoreApplication::applicationFilePath(),
                           installed && installed->isInstalledApplication() ? installed->exec : QString());
    autostart.updateToInstalledProgram();
    SyslogLoginLog loginLog;
    LaunchAtLogin launchAtLogin(autostart, loginLog);
    // Application icons: what a running window names, else the Icon key of the installed desktop entry.
    ApplicationIcons icons(platform, [](const QString& location) {
        const std::optional<DesktopEntry> entry = DesktopEntry::load(location, DesktopEntry::userLocale());
        return entry ? entry->icon : QString();
    });
    MainView::Contents tabs;
    tabs.home = [&] {
        return new ContentView(platform, app.appState(), app.sharedModelContainer().mainContext(), icons);
    };
    tabs.attachedHome = [&app] {
        return CompactListHooks::makeView(app.appState(), *app.sharedModelContainer().mainContext());
    };
    tabs.shortcuts = [] { return new ShortcutsView(); };
    tabs.settings = [&] {
        WindowControlPermission permission(platform);
        return new SettingsView({app.appState(), app.settings(), launchAtLogin, scheduler,
                                 [permission]() mutable { return permission.isTrusted(false); }, &syncStatus,
                                 [&app] { app.checkForUpdates(); }, QApplication::applicationVersion(),
                                 QStringLiteral(QUARLIN_FEEDBACK_ADDRESS)});
    };
    window.setContent(new MainView(app.appState(), scheduler, tabs));
    QObject::connect(&window, &MainWindow::contentAppeared, &app, &QuarlinApp::mainContentDidAppear);
    // Quit and Check for Updates from every window, in both of the main window's forms.
    ApplicationCommands commands([&app] { app.checkForUpdates(); });
    // Whether the keyboard is the program's, on which a closing dialog's handing it back depends.
    QObject::connect(&application, &QGuiApplication::applicationStateChanged, [](Qt::ApplicationState state) {
        logDebug(lcUi, state == Qt::ApplicationActive
                           ? QStringLiteral("⌨️ The keyboard is the program's")
                           : QStringLiteral("⌨️ The keyboard is another program's"));
    });
    QObject::connect(&window, &MainWindow::checkForUpdatesRequested, &commands,
                     [&commands, &window] { commands.checkForUpdates(&window); });
    QObject::connect(&window, &MainWindow::quitRequested, &commands, &ApplicationCommands::quit);

    // The tray icon and the window hanging from it.
    X11TrayHost trayHost;
    X11TaskbarEntry taskbar(backend.connection);
    X11PointerMonitor pointerMonitor;
    X11MonitorAreas monitorAreas(backend.connection, backend.screens);
    SystemTrayStatusItem statusItem;
    app.setMenuBarFactory([&](AppState& state, ModelContainer& store) {
        return std::make_unique<MenuBarManager>(
            state, &store,
            MenuBarManager::Services{statusItem, trayHost, taskbar, pointerMonitor, monitorAreas});
    });

    // Without a tray icon there is no way back to a closed window: then closing it ends the program.
    // A tray alone is not enough: one may be there that does not show our icon.
    const auto quitWithoutTray = [&app] {
        const auto* manager = dynamic_cast<const MenuBarManager*>(app.appState().menuBarManager());
        if (!manager || !manager->isStatusBarIconAccessible())
            QCoreApplication::quit();
    };
    QObject::connect(&application, &QGuiApplication::lastWindowClosed, &app, quitWithoutTray);
    // Qt does not report the last window closed while the icon of a tray that just went away still
    // counts as shown: the main window's own close is checked as well, once it is hidden.
    QObject::connect(
        &window, &MainWindow::closed, &app,
        [quitWithoutTray] {
            for (const QWidget* other : QApplication::topLevelWidgets())
                if (other->isVisible() && !other->windowFlags().testFlag(Qt::BypassWindowManagerHint) &&
                    (other->windowType() == Qt::Window || other->windowType() == Qt::Dialog))
                    return;
            quitWithoutTray();
        },
        Qt::QueuedConnection);

    // Every road out goes through the event loop, which saves what is pending on its way out.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &application, [&unsavedChanges] {
        // Windows may close first (an open editor cancels), but the program ends even if one refuses.
        unsavedChanges.quitWithoutAsking();
        QCoreApplication::quit();
        QCoreApplication::exit(0);
    });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &app, &QuarlinApp::saveBeforeQuit);
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &app, &QuarlinApp::saveBeforeQuit);

    // A second start, or a launcher, asks for the program: the attached window in menu-bar mode (with
    // what takes it away again, tray or not), else the main window.
    const auto bringForward = [&app, &window] {
        MenuBarManaging* menuBar = app.appState().menuBarManager();
        if (menuBar && app.appState().isMainWindowAttached()) {
            menuBar->showAttachedWindow();
            return;
        }
        if (window.isMinimized())
            window.showNormal();
        window.show();
        window.raise();
        window.activateWindow();
    };
    QObject::connect(&instance, &SingleInstance::activateRequested, &app, bringForward);
    // The user stays to keep changes that could not be saved: a window to go on with, even when
    // closing the last one was what asked to quit.
    QObject::connect(&unsavedChanges, &UnsavedChangesNotice::quitCancelled, &app, bringForward,
                     Qt::QueuedConnection);

    app.start([&app, &window] {
        // Launched into menu-bar mode the window is first mapped in its attached form: an ordinary
        // window shown first would flash up unpainted before it is attached.
        if (app.settings().launchInMenuBarMode())
            window.appearWithoutShowing();
        else
            window.show();
    });
    showPreferencesNotice();
    return application.exec();
}
