#include "MenuBarManager.h"

#include "AttachedFrame.h"
#include "StatusItem.h"

#include "app/AppState.h"
#include "base/Log.h"
#include "model/SettingsModel.h"
#include "platform/MonitorAreas.h"
#include "platform/TrayHost.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QPropertyAnimation>
#include <QVariantAnimation>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {

constexpr Qt::WindowFlags attachedFlags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
constexpr Qt::WindowFlags ordinaryFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                          Qt::WindowCloseButtonHint;
constexpr int fadeMilliseconds = 200;
constexpr int heightAnimationMilliseconds = 200;

QRect toQRect(const Rect& r) {
    return QRect(static_cast<int>(std::lround(r.x)), static_cast<int>(std::lround(r.y)),
                 static_cast<int>(std::lround(r.width)), static_cast<int>(std::lround(r.height)));
}

// A window the user minimised comes back with every show; a minimised window shown stays iconic.
void unminimise(QWidget* window) {
    if (window->windowState().testFlag(Qt::WindowMinimized))
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
}

} // namespace

// What attaching changes on the window beyond the state AppState keeps, to give it back exactly.
struct MenuBarManager::SavedForm {
    QSize minimumSize;
    QSize maximumSize;
    bool menuVisible = false;
};

MenuBarManager::MenuBarManager(AppState& appState, ModelContainer* modelContainer, Services services,
                               QObject* parent)
    : QObject(parent), m_appState(appState), m_modelContainer(modelContainer), m_services(services),
      m_desktop(services.monitors, services.tray), m_presence(services.statusItem, services.tray, m_desktop),
      m_taskbarPolicy(services.taskbar),
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

MenuBarManager::~MenuBarManager() {
    // The desktop services may be gone already at the end of the run; only our own filter goes.
    removeResizeObserver();
}

// --- status item ---

void MenuBarManager::statusItemClicked() {
    // The press of this click already closed the window (a StatusNotifier host reports the click
    // after the press reached its own panel).
    if (m_clickOutside.takeDismissingClick()) {
        logDebug(lcUi, QStringLiteral("🖱️ MenuBar: the click's press already closed the window"));
        return;
    }
    m_lastClickPointer = m_desktop.pointer();
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
    // Saved afresh at every attach: detaching gives back exactly this.
    auto* host = dynamic_cast<HostWindow*>(window);
    const QRect before = window->geometry();
    m_appState.setPreviousMainWindowFrame(Rect(before.x(), before.y(), before.width(), before.height()));
    m_appState.setPreviousMainWindowLevel(host ? host->level() : WindowLevel::normal());
    m_appState.setPreviousMainWindowStyleMask(WindowStyleMask{static_cast<quint64>(window->windowFlags())});
    auto* mainWindow = qobject_cast<QMainWindow*>(window);
    QWidget* menu = mainWindow ? mainWindow->menuWidget() : nullptr;
    m_saved = std::make_unique<SavedForm>(
        SavedForm{window->minimumSize(), window->maximumSize(), menu && !menu->isHidden()});

    // Frameless: no title-bar buttons, and the user can neither move nor resize it.
    window->setWindowFlags(attachedFlags);
    if (menu)
        menu->hide();
    window->setGeometry(applyHeightLimits(window));
    window->setWindowOpacity(transparent ? 0.0 : 1.0);
    m_appState.setIsMainWindowAttached(true);
    updateDockIconVisibility();
    installResizeObserver(window);
}

QRect MenuBarManager::applyHeightLimits(QWidget* window) {
    const QRect probe = calculateWindowFrameUnderStatusItem(attachedWidth, attachedMinimumHeight);
    const QList<MonitorArea> areas = m_desktop.areas();
    const int floor = AttachedFrame::heightFloor(areas, probe);
    window->setMinimumSize(attachedWidth, floor);
    window->setMaximumSize(attachedWidth, maximumAttachedHeight(probe));
    return calculateWindowFrameUnderStatusItem(attachedWidth, floor);
}

int MenuBarManager::maximumAttachedHeight(const QRect& frame) const {
    return AttachedFrame::heightLimit(m_desktop.areas(), frame);
}

QRect MenuBarManager::calculateWindowFrameUnderStatusItem(int width, int height) const {
    return AttachedFrame::under(m_desktop.areas(), m_presence.anchor(m_lastClickPointer), width, height);
}

void MenuBarManager::positionWindowUnderStatusItem(QWidget* window, int width, int height) {
    m_placing = true;
    window->setGeometry(calculateWindowFrameUnderStatusItem(width, height));
    m_placing = false;
}

void MenuBarManager::showAttachedWindow() {
    QWidget* window = resolveMainWindow();
    if (!window)
        return;
    unminimise(window);
    if (!m_appState.isMainWindowAttached())
        attach(window, false);
    else
        applyHeightLimits(window); // the icon may be on another monitor, or the scale changed
    // Read before showing: a native window made anew may report the size it had before attaching.
    const int height = std::clamp(window->height(), window->minimumHeight(), window->maximumHeight());
    window->setWindowOpacity(1.0);
    bringForward(window);
    applyTaskbarState(window);
    // Without an icon to come back by, a click elsewhere must not take the window away.
    if (m_presence.isIconReachable())
        installGlobalEventMonitor();
    else
        removeGlobalEventMonitor();
    // Hiding took the resize observer away; a shown panel always keeps its place.
    installResizeObserver(window);
    m_replacementsAfterMoves = 0;
    positionWindowUnderStatusItem(window, attachedWidth, height);
    schedulePlacements(window);
}

void MenuBarManager::schedulePlacements(QWidget* window) {
    const QPointer<MenuBarManager> self(this);
    const QPointer<QWidget> target(window);
    for (double delay : {0.1, 0.35}) {
        m_appState.platform().scheduler.after(delay, [self, target, last = delay == 0.35] {
            if (!self || !target || !self->m_appState.isMainWindowAttached())
                return;
            self->positionWindowUnderStatusItem(target, attachedWidth, target->height());
            // The window manager may have taken the state away while mapping the window.
            if (target->isVisible())
                self->applyTaskbarState(target);
            if (last && target->isVisible()) {
                const QRect frame = target->geometry();
                logDebug(lcUi, QStringLiteral("📌 MenuBar: attached window placed at %1,%2 %3x%4")
                                   .arg(frame.x())
                                   .arg(frame.y())
                                   .arg(frame.width())
                                   .arg(frame.height()));
            }
        });
    }
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
    removeResizeObserver();
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
    const int h = std::max(std::min(static_cast<int>(std::lround(height)), window->maximumHeight()),
                           window->minimumHeight());
    const QRect target = calculateWindowFrameUnderStatusItem(window->width(), h);
    if (!animated || !window->isVisible()) {
        window->setGeometry(target);
        return;
    }
    auto* animation = new QPropertyAnimation(window, "geometry", window);
    animation->setDuration(heightAnimationMilliseconds);
    animation->setEndValue(target);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void MenuBarManager::restoreWindowFromAttachedState(QWidget* window) {
    if (!m_appState.isMainWindowAttached())
        return;
    const std::optional<WindowStyleMask> mask = m_appState.previousMainWindowStyleMask();
    Qt::WindowFlags flags = mask ? Qt::WindowFlags::fromInt(static_cast<int>(mask->bits)) : ordinaryFlags;
    const std::optional<WindowLevel> level = m_appState.previousMainWindowLevel();
    flags.setFlag(Qt::WindowStaysOnTopHint, level && *level != WindowLevel::normal());
    window->setWindowFlags(flags);
    if (auto* mainWindow = qobject_cast<QMainWindow*>(window); mainWindow && mainWindow->menuWidget())
        mainWindow->menuWidget()->setVisible(!m_saved || m_saved->menuVisible);
    window->setMinimumSize(m_saved ? m_saved->minimumSize : QSize(0, 0));
    window->setMaximumSize(m_saved ? m_saved->maximumSize : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    if (const std::optional<Rect> frame = m_appState.previousMainWindowFrame())
        window->setGeometry(toQRect(*frame));
    window->setWindowOpacity(1.0);
    m_appState.setIsMainWindowAttached(false);
    updateDockIconVisibility();
    // Every attach saves afresh; nothing of this one may leak into the next.
    m_appState.setPreviousMainWindowFrame(std::nullopt);
    m_appState.setPreviousMainWindowLevel(std::nullopt);
    m_appState.setPreviousMainWindowStyleMask(std::nullopt);
    m_saved.reset();
    removeGlobalEventMonitor();
    removeResizeObserver();
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
    schedulePlacements(window);
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

// --- resize observer ---

void MenuBarManager::installResizeObserver(QWidget* window) {
    removeResizeObserver();
    window->installEventFilter(this);
    m_observedWindow = window;
    m_resizeObserverInstalled = true;
}

void MenuBarManager::removeResizeObserver() {
    if (m_observedWindow)
        m_observedWindow->removeEventFilter(this);
    m_observedWindow = nullptr;
    m_resizeObserverInstalled = false;
}

bool MenuBarManager::eventFilter(QObject* watched, QEvent* event) {
    const bool ours = watched == m_observedWindow && !m_placing && m_appState.isMainWindowAttached();
    if (ours && event->type() == QEvent::Resize) {
        auto* window = static_cast<QWidget*>(watched);
        positionWindowUnderStatusItem(window, attachedWidth, window->height());
    } else if (ours && event->type() == QEvent::Move) {
        // Moved although it asked not to be: back under the icon once the move has settled.
        const QPointer<MenuBarManager> self(this);
        const QPointer<QWidget> window(static_cast<QWidget*>(watched));
        m_appState.platform().scheduler.after(0.1, [self, window] {
            if (!self || !window || window != self->m_observedWindow ||
                !self->m_appState.isMainWindowAttached())
                return;
            const QRect wanted = self->calculateWindowFrameUnderStatusItem(attachedWidth, window->height());
            if (window->geometry() == wanted ||
                self->m_replacementsAfterMoves >= maximumReplacementsAfterMoves)
                return;
            ++self->m_replacementsAfterMoves;
            self->positionWindowUnderStatusItem(window, attachedWidth, window->height());
        });
    }
    return QObject::eventFilter(watched, event);
}
