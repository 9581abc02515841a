// This program's own main window, as the core sees it; the user interface implements it.
#pragma once

#include "Screen.h"
#include "WindowLevel.h"

#include <memory>
#include <optional>

class HostWindow {
public:
    HostWindow() = default;
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    virtual ~HostWindow() { *m_self = nullptr; }

    // The display the window is on (the one holding most of it); absent when it is on none,
    // e.g. not shown yet.
    virtual std::optional<Screen> screen() const = 0;

    // Whether the window is on screen (shown, not ordered out).
    virtual bool isVisible() const { return true; }
    virtual WindowLevel level() const { return WindowLevel::normal(); }
    // 0 is fully transparent, 1 opaque.
    virtual void setAlphaValue(double alpha) { (void)alpha; }
    // Takes the window off the screen without closing it.
    virtual void orderOut() {}

    // A reference that reads null once the window is destroyed.
    class Weak {
    public:
        Weak() = default;
        Weak(HostWindow* window) : m_self(window ? window->m_self : nullptr) {}
        HostWindow* get() const { return m_self ? *m_self : nullptr; }
        explicit operator bool() const { return get() != nullptr; }

    private:
        std::shared_ptr<HostWindow*> m_self;
    };

private:
    std::shared_ptr<HostWindow*> m_self = std::make_shared<HostWindow*>(this);
};
