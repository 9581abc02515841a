#include "MenuBarManager.h"

#include "StatusItem.h"

#include "app/AppState.h"
#include "base/Log.h"
#include "model/SettingsModel.h"
#include "platform/MonitorAreas.h"
#include "platform/PointerMonitor.h"
#include "platform/TaskbarEntry.h"
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

// The monitor holding most of `rect`, else the one nearest to its centre; -1 without monitors.
int monitorFor(const QList<MonitorArea>& areas, const QRect& rect) {
    int best = -1;
    qint64 bestArea = -1;
    for (int i = 0; i < areas.size(); ++i) {
        const QRect overlap = areas.at(i).frame.intersected(rect);
        const qint64 area = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    if (bestArea > 0 || areas.isEmpty())
        return best;
    const QPoint centre = rect.center();
    qint64 bestDistance = -1;
    for (int i = 0; i < areas.size(); ++i) {
        const QRect f = areas.at(i).frame;
        const qint64 dx = std::max({f.left() - centre.x(), 0, centre.x() - f.right()});
        const qint64 dy = std::max({f.top() - centre.y(), 0, centre.y() - f.bottom()});
        const qint64 distance = dx * dx + dy * dy;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// Clamps into [low, high]; the low bound wins when the range is empty.
int clampLowWins(int value, int low, int high) {
    return std::max(std::min(value, high), low);
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
    : QObject(parent), m_appState(appState), m_modelContainer(modelContainer), m_services(services) {
    m_services.statusItem.show();
    connect(&m_services.statusItem, &StatusItem::clicked, this, &MenuBarManager::statusItemClicked);
    updateDockIconVisibility();
    connect(&m_services.monitors, &MonitorAreas::changed, this, &MenuBarManager::statusBarDidChange);
    connect(&m_services.tray, &TrayHost::availabilityChanged, this, &MenuBarManager::trayAvailabilityChanged);
    connect(&m_services.pointer, &PointerMonitor::buttonPressed, this, &MenuBarManager::pointerPressed);
    connect(&m_services.pointer, &PointerMonitor::escapePressed, this, &MenuBarManager::escapePressed);
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
    m_lastClickPointer = m_services.monitors.pointer();
    m_hasClickPointer = true;
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
        if (self && !self->statusButtonReady())
            self->enforceStatusBarAppearance();
    });
}

bool MenuBarManager::statusButtonReady() const {
    if (!m_services.statusItem.isVisible() || !m_services.tray.isAvailable())
        return false;
    return m_services.tray.usesStatusNotifier() || !m_services.statusItem.geometry().isEmpty();
}

bool MenuBarManager::isStatusBarIconAccessible() const {
    if (!statusButtonReady())
        return false;
    const QRect icon = m_services.statusItem.geometry();
    // A StatusNotifier host shows the icon without saying where.
    if (icon.isEmpty())
        return m_services.tray.usesStatusNotifier();
    const QList<MonitorArea> areas = m_services.monitors.areas();
    return std::any_of(areas.begin(), areas.end(),
                       [&](const MonitorArea& a) { return a.frame.contains(icon); });
}

void MenuBarManager::updateDockIconVisibility() {
    const bool accessible = isStatusBarIconAccessible();
    const bool attached = m_appState.isMainWindowAttached();
    const bool visible = !attached || !accessible;
    if (visible == m_dockIconVisible)
        return;
    m_dockIconVisible = visible;
    if (QWidget* window = recordedMainWindow())
        applyTaskbarState(window);
    logLine(QStringLiteral("🔧 Updated dock icon visibility: %1 (%2, status bar accessible: %3)")
                .arg(visible ? QStringLiteral("visible") : QStringLiteral("hidden"),
                     attached ? QStringLiteral("menu bar mode") : QStringLiteral("main window mode"),
                     accessible ? QStringLiteral("true") : QStringLiteral("false")));
}

void MenuBarManager::applyTaskbarState(QWidget* window) {
    // The window's current native id: changing its flags may have made it a new one.
    QWindow* handle = window->windowHandle();
    if (!handle || !handle->handle())
        return;
    const WId id = handle->winId();
    const bool attached = m_appState.isMainWindowAttached();
    const bool skip = attached && !m_dockIconVisible;
    m_services.taskbar.setState(id, {skip, skip, attached});
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
    window->setMinimumSize(attachedWidth, attachedMinimumHeight);
    const QRect frame = calculateWindowFrameUnderStatusItem(attachedWidth, attachedMinimumHeight);
    window->setMaximumSize(attachedWidth, maximumAttachedHeight(frame));
    window->setGeometry(frame);
    window->setWindowOpacity(transparent ? 0.0 : 1.0);
    m_appState.setIsMainWindowAttached(true);
    updateDockIconVisibility();
    installResizeObserver(window);
}

int MenuBarManager::maximumAttachedHeight(const QRect& frame) const {
    const QList<MonitorArea> areas = m_services.monitors.areas();
    const int index = monitorFor(areas, frame);
    if (index < 0)
        return maximumHeightWithoutScreen;
    const int height = areas.at(index).visible.height() - 40;
    return std::max(std::min(height, attachedMaximumHeight), attachedMinimumHeight);
}

QRect MenuBarManager::anchorRect() const {
    const QRect icon = m_services.statusItem.geometry();
    if (!icon.isEmpty())
        return icon;
    const QPoint pointer = m_hasClickPointer ? m_lastClickPointer : m_services.monitors.pointer();
    return QRect(pointer, QSize(1, 1));
}

QRect MenuBarManager::calculateWindowFrameUnderStatusItem(int width, int height) const {
    const QList<MonitorArea> areas = m_services.monitors.areas();
    const QRect anchor = anchorRect();
    const int index = monitorFor(areas, anchor);
    if (index < 0)
        return QRect(100, 100, width, height);
    const QRect frame = areas.at(index).frame;
    const QRect vf = areas.at(index).visible;
    const QPoint c(anchor.x() + anchor.width() / 2, anchor.y() + anchor.height() / 2);

    // The panel's edge: where the icon lies outside the free area, else the monitor edge nearest to it.
    enum Edge { top, bottom, left, right } edge;
    if (c.y() < vf.top())
        edge = top;
    else if (c.y() > vf.bottom())
        edge = bottom;
    else if (c.x() < vf.left())
        edge = left;
    else if (c.x() > vf.right())
        edge = right;
    else {
        const int distances[] = {c.y() - frame.top(), frame.bottom() - c.y(), c.x() - frame.left(),
                                 frame.right() - c.x()};
        edge = static_cast<Edge>(std::min_element(std::begin(distances), std::end(distances)) - distances);
    }

    const int vfRight = vf.x() + vf.width();
    const int vfBottom = vf.y() + vf.height();
    const int centredX = clampLowWins(c.x() - width / 2, vf.x() + edgeMargin, vfRight - width - edgeMargin);
    const int centredY =
        clampLowWins(c.y() - height / 2, vf.y() + edgeMargin, vfBottom - height - edgeMargin);
    switch (edge) {
    case top:
        return QRect(centredX, vf.y() + panelGap, width, height);
    case bottom:
        return QRect(centredX, vfBottom - height - panelGap, width, height);
    case left:
        return QRect(vf.x() + panelGap, centredY, width, height);
    case right:
        break;
    }
    return QRect(vfRight - width - panelGap, centredY, width, height);
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
    if (!m_appState.isMainWindowAttached())
        attach(window, false);
    // Read before showing: a native window made anew may report the size it had before attaching.
    const int height = window->height();
    window->setWindowOpacity(1.0);
    bringForward(window);
    applyTaskbarState(window);
    installGlobalEventMonitor();
    // Hiding took the resize observer away; a shown panel always keeps its place.
    installResizeObserver(window);
    positionWindowUnderStatusItem(window, attachedWidth, height);
    schedulePlacements(window);
}

void MenuBarManager::schedulePlacements(QWidget* window) {
    const QPointer<MenuBarManager> self(this);
    const QPointer<QWidget> target(window);
    for (double delay : {0.1, 0.35}) {
        m_appState.platform().scheduler.after(delay, [self, target] {
            if (!self || !target || !self->m_appState.isMainWindowAttached())
                return;
            self->positionWindowUnderStatusItem(target, attachedWidth, target->height());
            // The window manager may have taken the state away while mapping the window.
            if (target->isVisible())
                self->applyTaskbarState(target);
        });
    }
}

void MenuBarManager::bringForward(QWidget* window) {
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
    window->hide();
    removeGlobalEventMonitor();
    removeResizeObserver();
}

void MenuBarManager::toggleAttachedWindow() {
    QWidget* window = resolveMainWindow();
    if (!window)
        return;
    if (m_appState.isMainWindowAttached() && window->isVisible())
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
    if (!m_services.tray.isAvailable()) {
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
        if (!self->statusButtonReady()) {
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
    logLine(QStringLiteral("⚠️ MenuBar: %1, showing the main window with its taskbar entry").arg(reason));
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
    if (!m_resumeMenuBarModeWhenTrayReturns)
        return;
    m_resumeMenuBarModeWhenTrayReturns = false;
    logLine(QStringLiteral("🔄 MenuBar: a system tray appeared, back to menu bar mode"));
    showAttachedWindowForLaunch();
}

// --- dismissal ---

void MenuBarManager::installGlobalEventMonitor() {
    removeGlobalEventMonitor();
    if (!m_services.pointer.start())
        logLine(QStringLiteral("⚠️ MenuBar: clicks elsewhere cannot be seen on this desktop"));
    m_monitorsInstalled = true;
    m_appState.setAttachedModeGlobalEventMonitor(EventMonitorToken{std::make_shared<int>(0)});
}

void MenuBarManager::removeGlobalEventMonitor() {
    if (!m_monitorsInstalled)
        return;
    m_monitorsInstalled = false;
    m_services.pointer.stop();
    m_appState.setAttachedModeGlobalEventMonitor(std::nullopt);
}

bool MenuBarManager::isOwnWindow(quint64 window) const {
    if (!window)
        return false;
    const QWindowList windows = QGuiApplication::allWindows();
    return std::any_of(windows.begin(), windows.end(), [window](QWindow* w) {
        return w->handle() && w->isVisible() && w->winId() == window;
    });
}

void MenuBarManager::pointerPressed(QPoint position, quint64 window) {
    QWidget* main = recordedMainWindow();
    if (!m_monitorsInstalled || !main || !main->isVisible())
        return;
    // Our own dialogs and editors, and the tray icon (its click toggles the panel), keep it open.
    if (main->frameGeometry().contains(position) || isOwnWindow(window) ||
        m_services.statusItem.geometry().contains(position))
        return;
    hideAttachedWindow();
}

void MenuBarManager::escapePressed() {
    QWidget* main = recordedMainWindow();
    if (!m_monitorsInstalled || !main || !main->isVisible())
        return;
    // Escape typed into one of our own windows is theirs.
    if (QGuiApplication::focusWindow())
        return;
    hideAttachedWindow();
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
    if (event->type() == QEvent::Resize && watched == m_observedWindow && !m_placing &&
        m_appState.isMainWindowAttached()) {
        auto* window = static_cast<QWidget*>(watched);
        positionWindowUnderStatusItem(window, attachedWidth, window->height());
    }
    return QObject::eventFilter(watched, event);
}
