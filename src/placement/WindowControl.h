// Finding the window of another application that placement will move: its running instance
// and application element, its first standard window, retries with escalating recovery, the
// application's own new-window menu item, and the typed attribute reads.
#pragma once

#include "platform/Platform.h"

#include <optional>

class WindowControl {
public:
    struct AppHandle {
        RunningApplicationRef app;
        WindowElementRef element;
    };

    explicit WindowControl(Platform& platform) : m_platform(platform) {}

    // The first running instance and its application element; nothing when none runs.
    std::optional<AppHandle> axApp(const QString& bundleID);
    // The first window whose role is "AXWindow". With an application and a retry count of 0 to
    // 2, an application showing no window at all also gets that count's recovery step.
    WindowElementRef firstStandardWindow(const WindowElementRef& axApp, RunningApplication* app,
                                         int retryCount);
    // Up to maxRetries + 1 attempts, 0.8 s apart; blocks the calling thread meanwhile.
    WindowElementRef findWindowWithRetry(const WindowElementRef& axApp, RunningApplication& app,
                                         int maxRetries);
    // Presses the first "new ... window" item of the first "file" menu; true when pressed.
    bool tryCreateWindowViaMenu(const WindowElementRef& axApp);

    std::optional<QString> axString(const WindowElementRef& element, const QString& attribute);
    std::optional<Size> axGetSize(const WindowElementRef& element);
    std::optional<Point> axGetPosition(const WindowElementRef& element);

private:
    std::optional<QList<WindowElementRef>> children(const WindowElementRef& element);
    void reopen(RunningApplication& app);

    Platform& m_platform;
};
