// The one owner of menu-bar mode: the status item in the tray, the taskbar-entry policy, and the
// main window's attached form, a fixed-width panel hanging from the tray icon above other windows
// that goes away on Escape or a click elsewhere. One per run, reached through AppState.
//
// Never leaves the program unreachable: without a tray (at start, or when the panel goes away) the
// main window comes back as an ordinary window with its taskbar entry, and the panel form returns
// once a tray is there again. Attached without a reachable icon, the window keeps its taskbar entry
// and goes like the panel does, but minimised instead of hidden. Every show un-minimises.
//
// The jobs around it are classes of their own: TrayPresence (is the icon there, where does the window
// hang from), AttachedFrame (the frame's geometry), AttachedPlacement (keeping the window there),
// AttachedForm (what attaching changes on it), ClickOutside (dismissal) and TaskbarPolicy.
#pragma once

#include "app/MenuBarManaging.h"

#include <QObject>
#include <QRect>

#include "AttachedForm.h"
#include "AttachedFrame.h"
#include "AttachedPlacement.h"
#include "ClickOutside.h"
#include "DesktopGeometry.h"
#include "TaskbarPolicy.h"
#include "TrayPresence.h"

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

    static constexpr int attachedWidth = AttachedFrame::width;
    static constexpr int attachedMinimumHeight = AttachedFrame::minimumHeight;
    static constexpr int maxStatusBarAppearanceEnforcementAttempts = 6;
    // A launch waits this many 0.2 s rounds (about 5 s) for the tray icon, then shows the window.
    static constexpr int launchAttachAttempts = 25;
    static constexpr int maximumReplacementsAfterMoves = AttachedPlacement::maximumReplacementsAfterMoves;

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
    bool isTaskbarEntryVisible() const { return m_taskbarPolicy.isEntryVisible(); }
    // Whether the tray icon is really on a monitor where the user can click it.
    bool isStatusBarIconAccessible() const { return m_presence.isIconReachable(); }
    // Where the attached window goes: on the tray icon's side of its panel, inside the monitor's
    // free area (Qt pixels).
    QRect calculateWindowFrameUnderStatusItem(int width, int height) const;
    // The attached window's height limit on the monitor holding `frame`.
    int maximumAttachedHeight(const QRect& frame) const;
    bool hasDismissalMonitors() const { return m_clickOutside.isInstalled(); }
    bool hasResizeObserver() const { return m_placement.isObserving(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    void statusItemClicked();
    void statusBarDidChange();

private:
    QWidget* resolveMainWindow();
    QWidget* recordedMainWindow() const;
    void attach(QWidget* window, bool transparent);
    void restoreWindowFromAttachedState(QWidget* window);
    void showMainWindowNormally();
    void bringForward(QWidget* window);
    void syncActiveWindow(QWidget* window);
    void applyTaskbarState(QWidget* window);
    void installGlobalEventMonitor();
    void removeGlobalEventMonitor();
    void launchAttempt(int attempt);
    void fadeIn(QWidget* window);
    // No tray to hang from: the ordinary window, opaque, with its taskbar entry; the panel form
    // comes back when a tray appears.
    void fallBackToNormalWindow(const QString& reason);
    void trayAvailabilityChanged(bool available);
    // Back to the attached window once the icon is shown, not merely once a tray is there.
    void resumeMenuBarModeWhenIconShows();
    void resumeAttempt(int attempt);

    AppState& m_appState;
    ModelContainer* m_modelContainer;
    Services m_services;
    DesktopGeometry m_desktop;
    TrayPresence m_presence;
    AttachedForm m_form;
    TaskbarPolicy m_taskbarPolicy;
    AttachedPlacement m_placement;
    ClickOutside m_clickOutside;
    int m_enforcementAttempts = 0;
    bool m_resumeMenuBarModeWhenTrayReturns = false;
    bool m_waitingForIconToResume = false;
    bool m_showing = false;
};
