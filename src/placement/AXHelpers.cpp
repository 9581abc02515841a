#include "AXHelpers.h"

#include "base/Format.h"
#include "base/Log.h"

std::optional<AXHelpers::AppHandle> AXHelpers::axApp(const QString& bundleID) {
    const QList<RunningApplicationRef> apps = m_platform.workspace.runningApplications(bundleID);
    if (apps.isEmpty())
        return std::nullopt;
    const RunningApplicationRef& app = apps.first();
    return AppHandle{app, m_platform.windows.applicationElement(app->processIdentifier())};
}

AXElementRef AXHelpers::firstStandardWindow(const AXElementRef& axApp, RunningApplication* app,
                                            int retryCount) {
    AXValue value;
    if (m_platform.windows.copyAttributeValue(axApp, QStringLiteral("AXWindows"), value) != AXError::success)
        return nullptr;
    const auto* windows = std::get_if<QList<AXElementRef>>(&value);
    if (!windows)
        return nullptr;

    if (!windows->isEmpty()) {
        for (const AXElementRef& window : *windows) {
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

void AXHelpers::reopen(RunningApplication& app) {
    const std::optional<QString> bundleID = app.bundleIdentifier();
    if (!bundleID)
        return;
    const std::optional<QString> location = m_platform.workspace.urlForApplication(*bundleID);
    if (!location)
        return;
    m_platform.workspace.openApplication(*location, true, [](std::optional<QString>) {});
}

AXElementRef AXHelpers::findWindowWithRetry(const AXElementRef& axApp, RunningApplication& app,
                                            int maxRetries) {
    // A negative count still makes one attempt rather than none.
    maxRetries = std::max(maxRetries, 0);
    for (int attempt = 0; attempt <= maxRetries; ++attempt) {
        if (AXElementRef window = firstStandardWindow(axApp, &app, attempt))
            return window;
        if (attempt < maxRetries) {
            logLine(QStringLiteral("⏳ Waiting 0.8 seconds before retry..."));
            m_platform.scheduler.sleep(0.8);
        }
    }
    return nullptr;
}

std::optional<QList<AXElementRef>> AXHelpers::children(const AXElementRef& element) {
    AXValue value;
    if (m_platform.windows.copyAttributeValue(element, QStringLiteral("AXChildren"), value) !=
        AXError::success)
        return std::nullopt;
    if (const auto* list = std::get_if<QList<AXElementRef>>(&value))
        return *list;
    return std::nullopt;
}

bool AXHelpers::tryCreateWindowViaMenu(const AXElementRef& axApp) {
    AXValue menuBarValue;
    const AXError menuBarError =
        m_platform.windows.copyAttributeValue(axApp, QStringLiteral("AXMenuBar"), menuBarValue);
    const auto* menuBar = std::get_if<AXElementRef>(&menuBarValue);
    if (menuBarError != AXError::success || !menuBar || !*menuBar) {
        logLine(QStringLiteral("❌ Could not access menu bar"));
        return false;
    }
    const std::optional<QList<AXElementRef>> topItems = children(*menuBar);
    if (!topItems) {
        logLine(QStringLiteral("❌ Could not access menu bar items"));
        return false;
    }

    const auto titleOf = [this](const AXElementRef& e) {
        return axString(e, QStringLiteral("AXTitle")).value_or(QStringLiteral("no title")).toLower();
    };

    AXElementRef fileItem;
    for (const AXElementRef& item : *topItems) {
        if (titleOf(item).contains(QLatin1String("file"))) {
            fileItem = item;
            break;
        }
    }
    if (fileItem) {
        const std::optional<QList<AXElementRef>> menus = children(fileItem);
        const std::optional<QList<AXElementRef>> items =
            menus && !menus->isEmpty() ? children(menus->first()) : std::nullopt;
        if (items && !items->isEmpty()) {
            for (const AXElementRef& item : *items) {
                const QString title = titleOf(item);
                if (!title.contains(QLatin1String("new")) || !title.contains(QLatin1String("window")))
                    continue;
                const AXError error = m_platform.windows.performAction(item, QStringLiteral("AXPress"));
                if (error == AXError::success) {
                    logLine(QStringLiteral("✅ Successfully clicked New Window menu item"));
                    return true;
                }
                logLine(QStringLiteral("❌ Failed to click New Window menu item: ") + str(error));
            }
        }
    }
    logLine(QStringLiteral("❌ Could not find or click New Window menu item"));
    return false;
}

std::optional<QString> AXHelpers::axString(const AXElementRef& element, const QString& attribute) {
    AXValue value;
    if (m_platform.windows.copyAttributeValue(element, attribute, value) != AXError::success)
        return std::nullopt;
    if (const auto* text = std::get_if<QString>(&value))
        return *text;
    return std::nullopt;
}

std::optional<Size> AXHelpers::axGetSize(const AXElementRef& element) {
    AXValue value;
    if (m_platform.windows.copyAttributeValue(element, QStringLiteral("AXSize"), value) != AXError::success)
        return std::nullopt;
    if (const auto* size = std::get_if<Size>(&value))
        return *size;
    return std::nullopt;
}

std::optional<Point> AXHelpers::axGetPosition(const AXElementRef& element) {
    AXValue value;
    if (m_platform.windows.copyAttributeValue(element, QStringLiteral("AXPosition"), value) !=
        AXError::success)
        return std::nullopt;
    if (const auto* point = std::get_if<Point>(&value))
        return *point;
    return std::nullopt;
}
