#include "ClickOutside.h"

#include "DesktopGeometry.h"

#include "base/Log.h"
#include "base/Scheduler.h"
#include "platform/PointerMonitor.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <algorithm>

ClickOutside::ClickOutside(PointerMonitor& pointer, Scheduler& scheduler, std::function<QWidget*()> window,
                           std::function<QRect()> icon, std::function<QRect()> trayPanel, QObject* parent)
    : QObject(parent), m_pointer(pointer), m_scheduler(scheduler), m_window(std::move(window)),
      m_icon(std::move(icon)), m_trayPanel(std::move(trayPanel)) {
    connect(&m_pointer, &PointerMonitor::buttonPressed, this, &ClickOutside::pressed);
    connect(&m_pointer, &PointerMonitor::escapePressed, this, &ClickOutside::escape);
}

void ClickOutside::install() {
    remove();
    if (!m_pointer.start())
        logWarning(lcUi, QStringLiteral("⚠️ MenuBar: clicks elsewhere cannot be seen on this desktop"));
    m_installed = true;
}

void ClickOutside::remove() {
    // A press still waiting for its click belongs to the window's time on screen that ends here.
    ++m_dismissal;
    if (!m_installed)
        return;
    m_installed = false;
    m_pointer.stop();
}

bool ClickOutside::takeDismissingClick() {
    // Judged by the time alone: the window's hiding ends its time on screen, not this press's.
    const bool recent = m_dismissedAt && m_scheduler.now() - *m_dismissedAt < sameClickSeconds;
    m_dismissedAt.reset();
    return recent;
}

bool ClickOutside::isOwnWindow(quint64 window) const {
    if (!window)
        return false;
    const QWindowList windows = QGuiApplication::allWindows();
    return std::any_of(windows.begin(), windows.end(), [window](QWindow* w) {
        return w->handle() && w->isVisible() && w->winId() == window;
    });
}

void ClickOutside::pressed(QPoint rootPosition, quint64 window) {
    QWidget* main = m_window();
    if (!m_installed || !main || !main->isVisible())
        return;
    // Our own dialogs and editors, and the tray icon (its click toggles the window), keep it open.
    const QPoint position = DesktopGeometry::fromRoot(rootPosition);
    if (main->frameGeometry().contains(position) || isOwnWindow(window) || m_icon().contains(position))
        return;
    const int dismissal = ++m_dismissal;
    const QPointer<ClickOutside> self(this);
    if (m_trayPanel().contains(position)) {
        // Perhaps our icon: its click toggles the window; without one it goes.
        m_scheduler.after(sameClickSeconds, [self, dismissal] {
            QWidget* shown = self ? self->m_window() : nullptr;
            if (self && self->m_dismissal == dismissal && self->m_installed && shown && shown->isVisible())
                Q_EMIT self->dismissed();
        });
        return;
    }
    m_dismissedAt = m_scheduler.now();
    Q_EMIT dismissed();
}

void ClickOutside::escape(quint64 focus) {
    QWidget* main = m_window();
    if (!m_installed || !main || !main->isVisible())
        return;
    // Escape typed into one of our own windows is theirs.
    if (isOwnWindow(focus))
        return;
    Q_EMIT dismissed();
}
