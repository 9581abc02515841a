#include "MenuBarManager.h"

#include "StatusItem.h"

#include "app/AppState.h"
#include "base/Log.h"
#include "model/SettingsModel.h"
#include "platform/MonitorAreas.h"
#include "platform/TrayHost.h"

#include <QApplication>
#include <QPointer>
#include <QScopedValueRollback>
#include <QVariantAnimation>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int fadeMilliseconds = 200;

// A window the user minimised comes back with every show; a minimised window shown stays iconic.
void unminimise(QWidget* window) {
    if (window->windowState().testFlag(Qt::WindowMinimized))
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
}

} // namespace

MenuBarManager::MenuBarManager(AppState& appState, ModelContainer* modelContainer, Services services,
                               QObject* parent)
    : QObject(parent), m_appState(appState), m_modelContainer(modelContainer), m_services(services),
      m_desktop(services.monitors, services.tray), m_presence(services.statusItem, services.tray, m_desktop),
      m_form(appState), m_taskbarPolicy(services.taskbar),
      m_placement(appState, m_desktop, m_presence, m_taskbarPolicy),
      m_clickOutside(
          services.pointer, appState.platform().scheduler, [this] { return recordedMainWindow(); },
          [this] { return m_presence.iconRect(); }, [this] { return m_desktop.trayPanel(); }) {
    m_services.statusItem.show();
    connect(&m_services.statusItem, &StatusItem::clicked, this, &MenuBarManager::statusItemClicked);
    updateDockIconVisibility();
    connect(&m_services.monitors, &MonitorAreas::changed, this, &MenuBarManager::statusBarDidChange);
    connect(&m_services.tray, &TrayHost::availabilityChanged, this, &MenuBarManager::trayAvailabilityChanged);
    connect(&m_services.tray, &TrayHost::statusNotifierChanged, this, [this](bool used) {
        updateDockIconVisibility();
        if (used)
            resumeMenuBarModeWhenIconShows();
    });
    connect(&m_clickOutside, &ClickOutside::dismissed, this, &MenuBarManager::hideAttachedWindow);
    const QPointer<MenuBarManager> self(this);
    m_appState.platform().scheduler.async([self] {
        if (self)
            self->protectStatusBarFromAppTheme();
    });
}

MenuBarManager::~MenuBarManager() = default;

// --- status item ---

void MenuBarManager::statusItemClicked() {
    // The press of this click already closed the window (a StatusNotifier host reports the click
    // after the press reached its own panel).
    if (m_clickOutside.takeDismissingClick()) {
        logDebug(lcUi, QStringLiteral("🖱️ MenuBar: the click's press already closed the window"));
        return;
    }
    m_placement.setClickPointer(m_desktop.pointer());
    const bool showNormally =
        m_appState.platform().preferences.boolValue(SettingsModel::showMainWindowOnStatusBarClickKey, false);
    if (!m_appState.isMainWindowAttached() && showNormally)
        showMainWindowNormally();
    else
        toggleAttachedWindow();
}

void MenuBarManager::statusBarDidChange() {
    const QPointer<MenuBarManager> self(this);
    m_appState.platform().scheduler.after(0.1, [self] {
        if (self)
            self->updateDockIconVisibility();
    });
}

void MenuBarManager::protectStatusBarFromAppTheme() {
    m_enforcementAttempts = 0;
    enforceStatusBarAppearance();
}

void MenuBarManager::enforceStatusBarAppearance() {
    if (!m_services.statusItem.isVisible())
        return;
    ++m_enforcementAttempts;
    m_services.statusItem.refreshAppearance();
    if (m_enforcementAttempts >= maxStatusBarAppearanceEnforcementAttempts)
        return;
    const double delay = 0.04 * std::pow(2.0, m_enforcementAttempts - 1);
    const QPointer<MenuBarManager> self(this);
    m_appState.platform().scheduler.after(delay, [self] {
        // Another pass only while the tray has not embedded the icon yet.
        if (self && !self->m_presence.isIconShown())
            self->enforceStatusBarAppearance();
    });
}

void MenuBarManager::updateDockIconVisibility() {
    if (!m_taskbarPolicy.update(m_appState.isMainWindowAttached(), m_presence.isIconReachable()))
        return;
    if (QWidget* window = recordedMainWindow())
        applyTaskbarState(window);
}

void MenuBarManager::applyTaskbarState(QWidget* window) {
    m_taskbarPolicy.apply(window, m_appState.isMainWindowAttached());
}

// --- the window ---

QWidget* MenuBarManager::recordedMainWindow() const {
    return dynamic_cast<QWidget*>(m_appState.mainWindow());
}

QWidget* MenuBarManager::resolveMainWindow() {
    if (QWidget* window = recordedMainWindow())
        return window;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* host = dynamic_cast<HostWindow*>(widget);
        if (host && host->level() == WindowLevel::normal() && !widget->isMinimized()) {
            m_appState.setMainWindow(host);
            return widget;
        }
    }
    return nullptr;
}

void MenuBarManager::attach(QWidget* window, bool transparent) {
    m_form.attach(window);
    window->installEventFilter(this);
    window->setGeometry(m_placement.applyHeightLimits(window));
    window->setWindowOpacity(transparent ? 0.0 : 1.0);
    m_appState.setIsMainWindowAttached(true);
    updateDockIconVisibility();
    m_placement.observe(window);
}

int MenuBarManager::maximumAttachedHeight(const QRect& frame) const {
    return m_placement.heightLimit(frame);
}

QRect MenuBarManager::calculateWindowFrameUnderStatusItem(int width, int height) const {
    return m_placement.frameUnderIcon(width, height);
}

void MenuBarManager::showAttachedWindow() {
    QWidget* window = resolveMainWindow();
    if (!window)
        return;
    // Un-minimising below is this show's own: the window-state watch leaves it alone.
    const QScopedValueRollback<bool> showing(m_showing, true);
    m_placement.beginShow();
    unminimise(window);
    if (!m_appState.isMainWindowAttached())
        attach(window, false);
    else
        m_placement.applyHeightLimits(window); // the icon may be on another monitor, or the scale changed
    // Read before showing: a native window made anew may report the size it had before attaching.
    const int height = std::clamp(window->height(), window->minimumHeight(), window->maximumHeight());
    window->setWindowOpacity(1.0);
    bringForward(window);
    applyTaskbarState(window);
    // Escape and a click elsewhere take it away with or without an icon: hiding minimises it where
    // the taskbar entry and the toggle shortcut are the way back.
    installGlobalEventMonitor();
    // Hiding took the resize observer away; a shown panel always keeps its place.
    m_placement.observe(window);
    m_placement.placeForShow(window, height);
}

bool MenuBarManager::eventFilter(QObject* watched, QEvent* event) {
    // Un-minimised by the window manager (its taskbar entry, a window list), not by a show of ours:
    // what a show sets up for its time on screen was taken away when it was minimised.
    auto* window = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::WindowStateChange && window && window == recordedMainWindow() &&
        !m_showing && m_appState.isMainWindowAttached() && !window->isMinimized() &&
        static_cast<QWindowStateChangeEvent*>(event)->oldState().testFlag(Qt::WindowMinimized) &&
        !m_clickOutside.isInstalled()) {
        installGlobalEventMonitor();
        m_placement.observe(window);
        m_placement.placeForShow(window, window->height());
    }
    return QObject::eventFilter(watched, event);
}

void MenuBarManager::bringForward(QWidget* window) {
    unminimise(window);
    window->show();
    window->raise();
    window->activateWindow();
    syncActiveWindow(window);
}

void MenuBarManager::syncActiveWindow(QWidget* window) {
    // New window flags give the window a new native window while Qt keeps the focus it gave the
    // old one: no activation follows, and a click would give no widget the keyboard focus.
    if (QGuiApplication::focusWindow() == window->windowHandle() && QApplication::activeWindow() != window)
        QApplication::setActiveWindow(window);
}

void MenuBarManager::hideAttachedWindow() {
    QWidget* window = recordedMainWindow();
    if (!window)
        return;
    // Without a reachable icon the taskbar entry is the way back: minimised, it stays there.
    if (m_appState.isMainWindowAttached() && !m_presence.isIconReachable() && window->isVisible())
        window->showMinimized();
    else
        window->hide();
    removeGlobalEventMonitor();
    m_placement.stopObserving();
}

void MenuBarManager::toggleAttachedWindow() {
    QWidget* window = resolveMainWindow();
    if (!window)
        return;
    if (m_appState.isMainWindowAttached() && window->isVisible() && !window->isMinimized())
        hideAttachedWindow();
    else
        showAttachedWindow();
}

void MenuBarManager::hideWindowIfConfigActivationAutoHideEnabled() {
    const bool autoHide = m_appState.platform().preferences.boolValue(
        SettingsModel::autoHideMenuBarWindowOnConfigActivationKey, false);
    if (autoHide && m_appState.isMainWindowAttached())
        hideAttachedWindow();
}

void MenuBarManager::adjustAttachedWindowHeight(double height, bool animated) {
    QWidget* window = recordedMainWindow();
    if (!window || !m_appState.isMainWindowAttached())
        return;
    m_placement.adjustHeight(window, height, animated);
}

void MenuBarManager::restoreWindowFromAttachedState(QWidget* window) {
    if (!m_appState.isMainWindowAttached())
        return;
    m_form.giveBack(window);
    window->setWindowOpacity(1.0);
    m_appState.setIsMainWindowAttached(false);
    updateDockIconVisibility();
    m_form.forget();
    removeGlobalEventMonitor();
    m_placement.stopObserving();
}

void MenuBarManager::detachMainWindow() {
    QWidget* window = recordedMainWindow();
    if (!window || !m_appState.isMainWindowAttached())
        return;
    restoreWindowFromAttachedState(window);
    bringForward(window);
    applyTaskbarState(window);
}

void MenuBarManager::showMainWindowNormally() {
    QWidget* window = resolveMainWindow();
    if (!window)
        return;
    restoreWindowFromAttachedState(window);
    window->setWindowOpacity(1.0);
    bringForward(window);
    applyTaskbarState(window);
}

// --- launch in menu-bar mode ---

void MenuBarManager::showAttachedWindowForLaunch() {
    launchAttempt(0);
}

void MenuBarManager::launchAttempt(int attempt) {
    QWidget* window = resolveMainWindow();
    if (!window)
        return;
    if (!m_presence.isTrayAvailable()) {
        fallBackToNormalWindow(QStringLiteral("no system tray"));
        return;
    }
    window->setWindowOpacity(0.0);
    window->hide();
    m_placement.beginShow();
    const QPointer<MenuBarManager> self(this);
    const QPointer<QWidget> target(window);
    Scheduler& scheduler = m_appState.platform().scheduler;
    scheduler.after(0.1, [self, target, attempt, &scheduler] {
        if (!self || !target)
            return;
        if (!self->m_presence.isIconShown()) {
            if (attempt + 1 >= launchAttachAttempts) {
                self->fallBackToNormalWindow(QStringLiteral("the tray icon did not appear"));
                return;
            }
            scheduler.after(0.1, [self, attempt] {
                if (self)
                    self->launchAttempt(attempt + 1);
            });
            return;
        }
        if (!self->m_appState.isMainWindowAttached())
            self->attach(target, true);
        scheduler.after(0.002, [self, target] {
            if (self && target)
                self->fadeIn(target);
        });
        self->installGlobalEventMonitor();
    });
}

void MenuBarManager::fadeIn(QWidget* window) {
    window->show();
    syncActiveWindow(window);
    // Showing may bring back the size the native window had before it was attached.
    adjustAttachedWindowHeight(m_appState.currentMenuBarHeight(), false);
    window->raise();
    applyTaskbarState(window);
    m_placement.schedulePlacements(window);
    // Decoration only: without a compositor the window is simply there.
    auto* fade = new QVariantAnimation(window);
    fade->setDuration(fadeMilliseconds);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    const QPointer<QWidget> target(window);
    connect(fade, &QVariantAnimation::valueChanged, window,
            [target](const QVariant& value) { target->setWindowOpacity(value.toDouble()); });
    connect(fade, &QVariantAnimation::finished, window, [target] {
        target->setWindowOpacity(1.0);
        target->activateWindow();
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void MenuBarManager::fallBackToNormalWindow(const QString& reason) {
    logWarning(
        lcUi,
        QStringLiteral("⚠️ MenuBar: %1, showing the main window with its taskbar entry").arg(reason));
    m_resumeMenuBarModeWhenTrayReturns = true;
    showMainWindowNormally();
}

void MenuBarManager::trayAvailabilityChanged(bool available) {
    if (!available) {
        updateDockIconVisibility();
        QWidget* window = recordedMainWindow();
        if (window && m_appState.isMainWindowAttached())
            fallBackToNormalWindow(QStringLiteral("the system tray went away"));
        return;
    }
    resumeMenuBarModeWhenIconShows();
}

void MenuBarManager::resumeMenuBarModeWhenIconShows() {
    if (!m_resumeMenuBarModeWhenTrayReturns || m_waitingForIconToResume)
        return;
    m_waitingForIconToResume = true;
    resumeAttempt(0);
}

void MenuBarManager::resumeAttempt(int attempt) {
    // The ordinary window stays until the icon is there: a tray may never show it (a StatusNotifier
    // host that appeared after an icon Qt made for XEmbed).
    if (!m_presence.isIconShown()) {
        if (attempt + 1 >= launchAttachAttempts) {
            m_waitingForIconToResume = false;
            logWarning(lcUi, QStringLiteral("⚠️ MenuBar: a system tray appeared but does not show the "
                                            "icon, keeping the main window "
                                            "with its taskbar entry"));
            return;
        }
        const QPointer<MenuBarManager> self(this);
        m_appState.platform().scheduler.after(0.2, [self, attempt] {
            if (self)
                self->resumeAttempt(attempt + 1);
        });
        return;
    }
    m_waitingForIconToResume = false;
    if (!m_resumeMenuBarModeWhenTrayReturns)
        return;
    m_resumeMenuBarModeWhenTrayReturns = false;
    logInfo(lcUi, QStringLiteral("🔄 MenuBar: a system tray appeared, back to menu bar mode"));
    showAttachedWindowForLaunch();
}

// --- dismissal ---

void MenuBarManager::installGlobalEventMonitor() {
    m_clickOutside.install();
    m_appState.setAttachedModeGlobalEventMonitor(EventMonitorToken{std::make_shared<int>(0)});
}

void MenuBarManager::removeGlobalEventMonitor() {
    if (!m_clickOutside.isInstalled())
        return;
    m_clickOutside.remove();
    m_appState.setAttachedModeGlobalEventMonitor(std::nullopt);
}
