// The program: wires the X11 desktop, the preferences file, the hot keys and the store to the shared
// state and the main window, then runs the event loop.
#include "app/QuarlinApp.h"
#include "base/JsonPreferenceStore.h"
#include "base/QtScheduler.h"
#include "platform/x11/X11Backend.h"
#include "platform/x11/X11MonitorAreas.h"
#include "platform/x11/X11PointerMonitor.h"
#include "platform/x11/X11TaskbarEntry.h"
#include "platform/x11/X11TrayHost.h"
#include "platform/x11/hotkeys/X11HotKeys.h"
#include "shortcuts/Registry.h"
#include "store/ModelContainer.h"
#include "ui/MainWindow.h"
#include "ui/MenuTrackingMonitor.h"
#include "ui/QtApplicationShell.h"
#include "ui/menubar/MenuBarManager.h"
#include "ui/menubar/SystemTrayStatusItem.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarlin"));
    QApplication::setApplicationVersion(QStringLiteral(QUARLIN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.quarlin"));
    // Closing the main window leaves the program (and its status item) running.
    QApplication::setQuitOnLastWindowClosed(false);

    QtScheduler scheduler;
    JsonPreferenceStore preferences(JsonPreferenceStore::defaultPath());
    if (!preferences.loadError().isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(preferences.loadError()));
    X11Backend backend;
    Platform platform{scheduler, preferences, backend.workspace, backend.windows, backend.screens};
    X11HotKeys hotKeys;
    KeyboardShortcuts::Registry shortcuts(preferences, hotKeys, scheduler, &hotKeys);
    // An open menu holds the keyboard; the hot keys keep working from its key events meanwhile.
    KeyboardShortcuts::MenuTrackingMonitor menuTracking(shortcuts);

    QString message;
    std::unique_ptr<ModelContainer> container =
        QuarlinApp::makeSharedModelContainer(ModelContainer::defaultPath(), scheduler, &message);
    if (!container) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        return 1;
    }

    QtApplicationShell shell;
    QuarlinApp app(platform, std::move(container), &shell);

    MainWindow window([&backend](const QRect& frame) -> std::optional<Screen> {
        const QList<X11Monitor> monitors = backend.screens.monitors();
        const int index = X11Screens::monitorIndexFor(frame, monitors);
        const QList<Screen> screens = backend.screens.screens();
        if (index < 0 || index >= screens.size())
            return std::nullopt;
        return screens.at(index);
    });
    // Until the main view records the window itself, the entry does.
    app.appState().setMainWindow(&window);
    QObject::connect(&window, &MainWindow::contentAppeared, &app, &QuarlinApp::mainContentDidAppear);
    QObject::connect(&window, &MainWindow::checkForUpdatesRequested, &app, &QuarlinApp::checkForUpdates);

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
    QObject::connect(&application, &QGuiApplication::lastWindowClosed, &app, [&app, &trayHost] {
        if (!app.appState().menuBarManager() || !trayHost.isAvailable())
            QCoreApplication::quit();
    });

    app.start([&window] { window.show(); });
    return application.exec();
}
