// One running application of the desktop, as the workspace lists it. The getters answer from
// any thread (a snapshot is fine); activate() is called on the main thread.
#pragma once

#include <QString>

#include <memory>
#include <optional>

#include <sys/types.h>

enum class ActivationPolicy { regular, accessory, prohibited };

class RunningApplication {
public:
    virtual ~RunningApplication() = default;

    virtual pid_t processIdentifier() const = 0;
    // The desktop entry id; absent when the program maps to no entry.
    virtual std::optional<QString> bundleIdentifier() const = 0;
    virtual std::optional<QString> localizedName() const = 0;
    // An icon theme name or a file path; empty when there is none.
    virtual QString icon() const = 0;
    // Every window of it is minimised (or it has none and was hidden).
    virtual bool isHidden() const = 0;
    // regular: it shows a normal window in the taskbar; accessory otherwise.
    virtual ActivationPolicy activationPolicy() const = 0;
    // Brings the application forward; with allWindows every window of it, not only the last one.
    virtual bool activate(bool allWindows) = 0;
};

using RunningApplicationRef = std::shared_ptr<RunningApplication>;
