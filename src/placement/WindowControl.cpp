#include "WindowControl.h"

#include "base/Format.h"
#include "base/Log.h"

std::optional<WindowControl::AppHandle> WindowControl::axApp(const QString& bundleID) {
    const QList<RunningApplicationRef> apps = m_platform.workspace.runningApplications(bundleID);
    if (apps.isEmpty())
        return std::nullopt;
    const RunningApplicationRef& app = apps.first();
    return AppHandle{app, m_platform.windows.applicationElement(app->processIdentifier())};
}

WindowElementRef WindowControl::firstStandardWindow(const WindowElementRef& axApp, RunningApplication* app,
                                                    int retryCount) {
    WindowValue value;
    if (m_platform.windows.readAttribute(axApp, QStringLiteral("AXWindows"), value) !=
        WindowAccessError::success)
        return nullptr;
    const auto* windows = std::get_if<QList<WindowElementRef>>(&value);
    if (!windows)
        return nullptr;

    if (!windows->isEmpty()) {
        for (const WindowElementRef& window : *windows) {
            if (axString(window, QStringLiteral("AXRole")).value_or(QStringLiteral("unknown")) ==
                QLatin1String("AXWindow"))
                return window;
        }
        return nullptr;
    }

    // The application runs but shows no window: escalate a little on each attempt.
    if (!app)
        return nullptr;
    switch (retryCount) {
    case 0:
        app->activate(true);
        break;
    case 1:
        app->activate(true);
        m_platform.scheduler.sleep(0.2);
        tryCreateWindowViaMenu(axApp);
        break;
    case 2:
        reopen(*app);
        break;
    default:
        break;
    }
    return nullptr;
}

void WindowControl::reopen(RunningApplication& app) {
    const std::optional<QString> bundleID = app.bundleIdentifier();
    if (!bundleID)
        return;
    const std::optional<QString> location = m_platform.workspace.urlForApplication(*bundleID);
    if (!location)
        return;
    m_platform.workspace.openApplication(*location, true, [](std::optional<QString>) {});
}

WindowElementRef WindowControl::findWindowWithRetry(const WindowElementRef& axApp, RunningApplication& app,
                                                    int maxRetries) {
    // A negative count still makes one attempt rather than none.
    maxRetries = std::max(maxRetries, 0);
    for (int attempt = 0; attempt <= maxRetries; ++attempt) {
        if (WindowElementRef window = firstStandardWindow(axApp, &app, attempt))
            return window;
        if (attempt < maxRetries) {
            logDebug(lcPlacement, QStringLiteral("⏳ Waiting 0.8 seconds before retry..."));
            m_platform.scheduler.sleep(0.8);
        }
    }
    return nullptr;
}

std::optional<QList<WindowElementRef>> WindowControl::children(const WindowElementRef& element) {
    WindowValue value;
    if (m_platform.windows.readAttribute(element, QStringLiteral("AXChildren"), value) !=
        WindowAccessError::success)
        return std::nullopt;
    if (const auto* list = std::get_if<QList<WindowElementRef>>(&value))
        return *list;
    return std::nullopt;
}

bool WindowControl::tryCreateWindowViaMenu(const WindowElementRef& axApp) {
    WindowValue menuBarValue;
    const WindowAccessError menuBarError =
        m_platform.windows.readAttribute(axApp, QStringLiteral("AXMenuBar"), menuBarValue);
    const auto* menuBar = std::get_if<WindowElementRef>(&menuBarValue);
    if (menuBarError != WindowAccessError::success || !menuBar || !*menuBar) {
        logWarning(lcPlacement, QStringLiteral("❌ Could not access menu bar"));
        return false;
    }
    const std::optional<QList<WindowElementRef>> topItems = children(*menuBar);
    if (!topItems) {
        logWarning(lcPlacement, QStringLiteral("❌ Could not access menu bar items"));
        return false;
    }

    const auto titleOf = [this](const WindowElementRef& e) {
        return axString(e, QStringLiteral("AXTitle")).value_or(QStringLiteral("no title")).toLower();
    };

    WindowElementRef fileItem;
    for (const WindowElementRef& item : *topItems) {
        if (titleOf(item).contains(QLatin1String("file"))) {
            fileItem = item;
            break;
        }
    }
    if (fileItem) {
        const std::optional<QList<WindowElementRef>> menus = children(fileItem);
        const std::optional<QList<WindowElementRef>> items =
            menus && !menus->isEmpty() ? children(menus->first()) : std::nullopt;
        if (items && !items->isEmpty()) {
            for (const WindowElementRef& item : *items) {
                const QString title = titleOf(item);
                if (!title.contains(QLatin1String("new")) || !title.contains(QLatin1String("window")))
                    continue;
                const WindowAccessError error =
                    m_platform.windows.performAction(item, QStringLiteral("AXPress"));
                if (error == WindowAccessError::success) {
                    logInfo(lcPlacement, QStringLiteral("✅ Successfully clicked New Window menu item"));
                    return true;
                }
                logWarning(lcPlacement,
                           QStringLiteral("❌ Failed to click New Window menu item: ") + str(error));
            }
        }
    }
    logWarning(lcPlacement, QStringLiteral("❌ Could not find or click New Window menu item"));
    return false;
}

std::optional<QString> WindowControl::axString(const WindowElementRef& element, const QString& attribute) {
    WindowValue value;
    if (m_platform.windows.readAttribute(element, attribute, value) != WindowAccessError::success)
        return std::nullopt;
    if (const auto* text = std::get_if<QString>(&value))
        return *text;
    return std::nullopt;
}

std::optional<Size> WindowControl::axGetSize(const WindowElementRef& element) {
    WindowValue value;
    if (m_platform.windows.readAttribute(element, QStringLiteral("AXSize"), value) !=
        WindowAccessError::success)
        return std::nullopt;
    if (const auto* size = std::get_if<Size>(&value))
        return *size;
    return std::nullopt;
}

std::optional<Point> WindowControl::axGetPosition(const WindowElementRef& element) {
    WindowValue value;
    if (m_platform.windows.readAttribute(element, QStringLiteral("AXPosition"), value) !=
        WindowAccessError::success)
        return std::nullopt;
    if (const auto* point = std::get_if<Point>(&value))
        return *point;
    return std::nullopt;
}
