// Finding the window of another application that placement will move: its running instance
// and application element, its first standard window, retries with escalating recovery, the
// application's own new-window menu item, and the typed attribute reads.
#pragma once

#include "platform/Platform.h"

#include <optional>

class AXHelpers {
public:
    struct AppHandle {
        RunningApplicationRef app;
        AXElementRef element;
    };

    explicit AXHelpers(Platform& platform) : m_platform(platform) {}

    // The first running instance and its application element; nothing when none runs.
    std::optional<AppHandle> axApp(const QString& bundleID);
    // The first window whose role is "AXWindow". With an application and a retry count of 0 to
    // 2, an application showing no window at all also gets that count's recovery step.
    AXElementRef firstStandardWindow(const AXElementRef& axApp, RunningApplication* app, int retryCount);
    // Up to maxRetries + 1 attempts, 0.8 s apart; blocks the calling thread meanwhile.
    AXElementRef findWindowWithRetry(const AXElementRef& axApp, RunningApplication& app, int maxRetries);
    // Presses the first "new ... window" item of the first "file" menu; true when pressed.
    bool tryCreateWindowViaMenu(const AXElementRef& axApp);

    std::optional<QString> axString(const AXElementRef& element, const QString& attribute);
    std::optional<Size> axGetSize(const AXElementRef& element);
    std::optional<Point> axGetPosition(const AXElementRef& element);

private:
    std::optional<QList<AXElementRef>> children(const AXElementRef& element);
    void reopen(RunningApplication& app);

    Platform& m_platform;
};
