// The hot-key engine: turns shortcuts into system-wide hot keys and calls back on press and release.
// While a menu tracks, the hot keys are taken away and the same combinations are recognised from the
// key events that the menu receives.
#pragma once

#include "HotKeyBackend.h"
#include "Shortcut.h"

#include <functional>
#include <map>
#include <memory>

class Scheduler;

namespace KeyboardShortcuts {

class HotKeyEngine {
public:
    using Callback = std::function<void(const Shortcut&)>;
    enum class RawKeyKind { keyDown, keyUp };
    enum class State { idle, active, menuTracking, disabled };
    // The answer for an event that is not ours.
    static constexpr int eventNotHandled = -9874;
    // How long a hot key that another program took waits before it is tried again.
    static constexpr double retryInterval = 5.0;

    HotKeyEngine(HotKeyBackend& backend, Scheduler& scheduler);
    ~HotKeyEngine();
    HotKeyEngine(const HotKeyEngine&) = delete;
    HotKeyEngine& operator=(const HotKeyEngine&) = delete;

    // False when the desktop refused the combination; nothing is kept then.
    bool registerShortcut(const Shortcut& shortcut, Callback onKeyDown, Callback onKeyUp);
    // Drops every hot key of this combination.
    void unregister(const Shortcut& shortcut);
    // Follows the component's switch and the menu state.
    void updateEventHandler(bool isEnabled, bool isMenuOpen);

    // The raw-key path while a menu tracks; 0 when the event was a hot key's and is consumed.
    int handleRawKeyEvent(RawKeyKind kind, int keyCode, int modifiers);

    bool isTakenByAnotherClient(const Shortcut& shortcut) const;
    // Kept, but waiting to be grabbed again after the desktop refused it.
    bool hasFailed(const Shortcut& shortcut) const;
    // Called when a kept hot key is refused on a new attempt, or taken after a refusal.
    void setFailureObserver(std::function<void()> observer) { m_failureObserver = std::move(observer); }
    State state() const { return m_state; }
    int hotKeyCount() const { return int(m_hotKeys.size()); }

private:
    struct HotKey {
        Shortcut shortcut;
        quint32 backendHotKeyId;
        bool registered; // the backend holds the grab
        bool failed;     // the last attempt to grab it again was refused
        Callback onKeyDown;
        Callback onKeyUp;
    };

    int registerWithBackend(const Shortcut& shortcut, quint32 id);
    void logFailure(const Shortcut& shortcut, int status);
    void softRegisterAll();
    void softUnregisterAll();
    void scheduleRetry();
    void handleHotKeyEvent(quint32 id, bool pressed);

    HotKeyBackend& m_backend;
    Scheduler& m_scheduler;
    std::map<quint32, HotKey> m_hotKeys;
    quint32 m_hotKeyId = 0;
    State m_state = State::idle;
    bool m_isEnabled = true;
    bool m_isMenuOpen = false;
    bool m_retryPending = false;
    std::function<void()> m_failureObserver;
    // Lets scheduled retries notice that the engine is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace KeyboardShortcuts
