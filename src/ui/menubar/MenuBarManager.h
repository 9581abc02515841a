// The one owner of menu-bar mode: the status item in the tray, the taskbar-entry policy, and the
// main window's attached form, a fixed-width panel hanging from the tray icon above other windows
// that goes away on Escape or a click elsewhere. One per run, reached through AppState.
//
// Never leaves the program unreachable: without a tray (at start, or when the panel goes away) the
// main window comes back as an ordinary window with its taskbar entry, and the panel form returns
// once a tray is there again.
#pragma once

#include "app/MenuBarManaging.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <optional>

class AppState;
class ModelContainer;
class MonitorAreas;
class PointerMonitor;
class StatusItem;
class TaskbarEntry;
class TrayHost;
class QWidget;

class MenuBarManager : public QObject, public MenuBarManaging {
    Q_OBJECT
public:
    struct Services {
        StatusItem& statusItem;
        TrayHost& tray;
        TaskbarEntry& taskbar;
        PointerMonitor& pointer;
        MonitorAreas& monitors;
    };

    static constexpr int attachedWidth = 428;
    static constexpr int attachedMinimumHeight = 545;
    static constexpr int attachedMaximumHeight = 900;
    static constexpr int maximumHeightWithoutScreen = 860;
    static constexpr int edgeMargin = 8;
    static constexpr int panelGap = 6;
    static constexpr int maxStatusBarAppearanceEnforcementAttempts = 6;
    // A launch waits this many 0.2 s rounds (about 5 s) for the tray icon, then shows the window.
    static constexpr int launchAttachAttempts = 25;

    MenuBarManager(AppState& appState, ModelContainer* modelContainer, Services services,
                   QObject* parent = nullptr);
    ~MenuBarManager() override;

    // MenuBarManaging
    void showAttachedWindow() override;
    void showAttachedWindowForLaunch() override;
    void toggleAttachedWindow() override;
    void updateDockIconVisibility() override;
    int statusBarAppearanceEnforcementAttempts() const override { return m_enforcementAttempts; }
    void setStatusBarAppearanceEnforcementAttempts(int attempts) override {
        m_enforcementAttempts = attempts;
    }
    void enforceStatusBarAppearance() override;
    void hideWindowIfConfigActivationAutoHideEnabled() override;
    void hideAttachedWindow() override;
    void detachMainWindow() override;
    void adjustAttachedWindowHeight(double height, bool animated) override;

    void refreshDockIconVisibility() { updateDockIconVisibility(); }
    // Restarts the series of appearance passes over the status item.
    void protectStatusBarFromAppTheme();

    // Whether the taskbar entry is shown (the program's "Dock icon").
    bool isDockIconVisible() const { return m_dockIconVisible; }
    // Whether the tray icon is really on a monitor where the user can click it.
    bool isStatusBarIconAccessible() const;
    // Where the attached window goes: on the tray icon's side of its panel, inside the monitor's
    // free area; at the pointer of the last click when the tray tells no icon rectangle.
    QRect calculateWindowFrameUnderStatusItem(int width, int height) const;
    // The attached window's height limit on the monitor holding `frame`.
    int maximumAttachedHeight(const QRect& frame) const;
    bool hasDismissalMonitors() const { return m_monitorsInstalled; }
    bool hasResizeObserver() const { return m_resizeObserverInstalled; }

public Q_SLOTS:
    void statusItemClicked();
    void statusBarDidChange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SavedForm;

    QWidget* resolveMainWindow();
    QWidget* recordedMainWindow() const;
    void attach(QWidget* window, bool transparent);
    void restoreWindowFromAttachedState(QWidget* window);
    void showMainWindowNormally();
    void bringForward(QWidget* window);
    void syncActiveWindow(QWidget* window);
    void positionWindowUnderStatusItem(QWidget* window, int width, int height);
    void schedulePlacements(QWidget* window);
    void applyTaskbarState(QWidget* window);
    void installGlobalEventMonitor();
    void removeGlobalEventMonitor();
    void installResizeObserver(QWidget* window);
    void removeResizeObserver();
    void pointerPressed(QPoint position, quint64 window);
    void escapePressed();
    bool isOwnWindow(quint64 window) const;
    // The tray icon is embedded and can anchor the window.
    bool statusButtonReady() const;
    void launchAttempt(int attempt);
    void fadeIn(QWidget* window);
    // No tray to hang from: the ordinary window, opaque, with its taskbar entry; the panel form
    // comes back when a tray appears.
    void fallBackToNormalWindow(const QString& reason);
    void trayAvailabilityChanged(bool available);
    QRect anchorRect() const;

    AppState& m_appState;
    ModelContainer* m_modelContainer;
    Services m_services;
    int m_enforcementAttempts = 0;
    bool m_dockIconVisible = true;
    bool m_monitorsInstalled = false;
    bool m_resizeObserverInstalled = false;
    bool m_placing = false;
    bool m_resumeMenuBarModeWhenTrayReturns = false;
    QPoint m_lastClickPointer;
    bool m_hasClickPointer = false;
    QPointer<QWidget> m_observedWindow;
    std::unique_ptr<SavedForm> m_saved;
};
