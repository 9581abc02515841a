// The desktop's system-wide hot keys, as the hot-key engine uses them.
#pragma once

#include <QtGlobal>

#include <functional>

namespace KeyboardShortcuts {

class HotKeyBackend {
public:
    // pressed is false for the release.
    using EventHandler = std::function<void(quint32 id, bool pressed)>;

    virtual ~HotKeyBackend() = default;

    // Grabs the combination for the whole desktop under the id; 0 on success, else the status to report.
    virtual int registerHotKey(int keyCode, int modifiers, quint32 id) = 0;
    virtual void unregisterHotKey(quint32 id) = 0;
    // True when another program already holds the combination.
    virtual bool isTakenByAnotherClient(int keyCode, int modifiers) = 0;
    // Receives every press and release of a registered hot key, once each.
    virtual void setEventHandler(EventHandler handler) = 0;
};

} // namespace KeyboardShortcuts
