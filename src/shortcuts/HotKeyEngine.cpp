// Hot-key registration, suspension while menus track, and event delivery.
#include "HotKeyEngine.h"

#include "base/Log.h"
#include "base/Scheduler.h"

#include <limits>

namespace KeyboardShortcuts {

HotKeyEngine::HotKeyEngine(HotKeyBackend& backend, Scheduler& scheduler)
    : m_backend(backend), m_scheduler(scheduler) {
    m_backend.setEventHandler([this](quint32 id, bool pressed) { handleHotKeyEvent(id, pressed); });
}

HotKeyEngine::~HotKeyEngine() {
    *m_alive = false;
    m_backend.setEventHandler({});
    for (auto& [id, hotKey] : m_hotKeys)
        if (hotKey.registered)
            m_backend.unregisterHotKey(id);
}

int HotKeyEngine::registerWithBackend(const Shortcut& shortcut, quint32 id) {
    return m_backend.registerHotKey(shortcut.carbonKeyCode(), shortcut.carbonModifiers(), id);
}

void HotKeyEngine::logFailure(const Shortcut& shortcut, int status) {
    logWarning(lcShortcuts, QStringLiteral("Error registering hotkey ") + shortcut.presentableDescription() +
                                QStringLiteral(": ") + QString::number(status));
}

bool HotKeyEngine::registerShortcut(const Shortcut& shortcut, Callback onKeyDown, Callback onKeyUp) {
    const quint32 id = ++m_hotKeyId;
    if (shortcut.carbonKeyCode() < 0 || shortcut.carbonModifiers() < 0)
        return false;
    const int status = registerWithBackend(shortcut, id);
    if (status != 0) {
        logFailure(shortcut, status);
        return false;
    }
    m_hotKeys.emplace(id, HotKey{shortcut, id, true, false, std::move(onKeyDown), std::move(onKeyUp)});
    // The first hot key brings the engine to life in the state asked for meanwhile.
    if (m_state == State::idle) {
        m_state = State::active;
        updateEventHandler(m_isEnabled, m_isMenuOpen);
    }
    return true;
}

void HotKeyEngine::unregister(const Shortcut& shortcut) {
    for (auto it = m_hotKeys.begin(); it != m_hotKeys.end();) {
        if (it->second.shortcut == shortcut) {
            // A suspended hot key holds no grab to give back.
            if (it->second.registered)
                m_backend.unregisterHotKey(it->first);
            it = m_hotKeys.erase(it);
        } else {
            ++it;
        }
    }
}

void HotKeyEngine::softRegisterAll() {
    bool changed = false;
    for (auto& [id, hotKey] : m_hotKeys) {
        if (hotKey.registered)
            continue;
        const int status = registerWithBackend(hotKey.shortcut, id);
        if (status == 0) {
            hotKey.registered = true;
            changed = changed || hotKey.failed;
            hotKey.failed = false;
            continue;
        }
        // Kept and tried again later, so that the combination comes back once it is free.
        if (!hotKey.failed) {
            logFailure(hotKey.shortcut, status);
            changed = true;
        }
        hotKey.failed = true;
        scheduleRetry();
    }
    if (changed && m_failureObserver)
        m_failureObserver();
}

void HotKeyEngine::softUnregisterAll() {
    for (auto& [id, hotKey] : m_hotKeys) {
        if (hotKey.registered)
            m_backend.unregisterHotKey(id);
        hotKey.registered = false;
    }
}

void HotKeyEngine::scheduleRetry() {
    if (m_retryPending)
        return;
    m_retryPending = true;
    std::weak_ptr<bool> alive = m_alive;
    m_scheduler.after(retryInterval, [this, alive] {
        const auto token = alive.lock();
        if (!token || !*token)
            return;
        m_retryPending = false;
        if (m_state == State::active)
            softRegisterAll();
    });
}

void HotKeyEngine::updateEventHandler(bool isEnabled, bool isMenuOpen) {
    m_isEnabled = isEnabled;
    m_isMenuOpen = isMenuOpen;
    if (m_state == State::idle)
        return;
    if (isEnabled && !isMenuOpen) {
        m_state = State::active;
        softRegisterAll();
    } else {
        softUnregisterAll();
        m_state = isEnabled ? State::menuTracking : State::disabled;
    }
}

void HotKeyEngine::handleHotKeyEvent(quint32 id, bool pressed) {
    const auto it = m_hotKeys.find(id);
    if (it == m_hotKeys.end() || !it->second.registered)
        return;
    // Copies, since a callback may unregister its own hot key.
    const Shortcut shortcut = it->second.shortcut;
    const Callback callback = pressed ? it->second.onKeyDown : it->second.onKeyUp;
    if (callback)
        callback(shortcut);
}

int HotKeyEngine::handleRawKeyEvent(RawKeyKind kind, int keyCode, int modifiers) {
    if (m_state != State::menuTracking)
        return eventNotHandled;
    const Shortcut pressed(keyCode, modifiers);
    for (auto& [id, hotKey] : m_hotKeys) {
        if (hotKey.shortcut != pressed)
            continue;
        const Shortcut shortcut = hotKey.shortcut;
        const Callback callback = kind == RawKeyKind::keyDown ? hotKey.onKeyDown : hotKey.onKeyUp;
        if (callback)
            callback(shortcut);
        return 0;
    }
    return eventNotHandled;
}

bool HotKeyEngine::isTakenByAnotherClient(const Shortcut& shortcut) const {
    return m_backend.isTakenByAnotherClient(shortcut.carbonKeyCode(), shortcut.carbonModifiers());
}

bool HotKeyEngine::hasFailed(const Shortcut& shortcut) const {
    for (const auto& [id, hotKey] : m_hotKeys)
        if (hotKey.shortcut == shortcut && hotKey.failed)
            return true;
    return false;
}

} // namespace KeyboardShortcuts
