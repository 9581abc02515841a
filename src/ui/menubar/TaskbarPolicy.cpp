#include "TaskbarPolicy.h"

#include "base/Log.h"
#include "platform/TaskbarEntry.h"

#include <QWidget>
#include <QWindow>

bool TaskbarPolicy::update(bool attached, bool iconReachable) {
    const bool visible = !attached || !iconReachable;
    if (visible == m_visible)
        return false;
    m_visible = visible;
    logDebug(lcUi, QStringLiteral("🔧 Updated dock icon visibility: %1 (%2, status bar accessible: %3)")
                       .arg(visible ? QStringLiteral("visible") : QStringLiteral("hidden"),
                            attached ? QStringLiteral("menu bar mode") : QStringLiteral("main window mode"),
                            iconReachable ? QStringLiteral("true") : QStringLiteral("false")));
    return true;
}

void TaskbarPolicy::apply(QWidget* window, bool attached) {
    // The window's current native id: changing its flags may have made it a new one.
    QWindow* handle = window->windowHandle();
    if (!handle || !handle->handle())
        return;
    const bool skip = attached && !m_visible;
    m_taskbar.setState(handle->winId(), {skip, skip, attached, attached});
}
