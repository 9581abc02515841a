// Hot keys and key names on X11, over a connection of their own: each combination is a passive grab
// on the root window, and key names come from the current layout through xkbcommon.
#pragma once

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/KeyboardLayout.h"

#include <QObject>

#include <deque>
#include <map>
#include <optional>

class QSocketNotifier;
struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

class X11HotKeys : public QObject,
                   public KeyboardShortcuts::HotKeyBackend,
                   public KeyboardShortcuts::KeyboardLayout {
    Q_OBJECT
public:
    // Statuses besides the X error codes (BadAccess, 10, when another client holds the combination).
    static constexpr int statusNoDisplay = -1;
    static constexpr int statusNoSuchKey = 2;

    // The environment's DISPLAY when displayName is empty.
    explicit X11HotKeys(const QString& displayName = {}, QObject* parent = nullptr);
    ~X11HotKeys() override;

    bool isConnected() const;

    int registerHotKey(int keyCode, int modifiers, quint32 id) override;
    void unregisterHotKey(quint32 id) override;
    bool isTakenByAnotherClient(int keyCode, int modifiers) override;
    void setEventHandler(EventHandler handler) override;
    std::optional<QString> character(int keyCode) const override;

    // Handles everything the server has sent so far; the socket notifier calls it as data arrives.
    void processPendingEvents();
    // The X modifier mask of a stored mask; absent when it holds a modifier X cannot grab.
    std::optional<quint16> xModifiers(int carbonModifiers) const;
    // How many repeats of held hot keys were dropped so far.
    int repeatsDropped() const { return m_repeatsDropped; }

Q_SIGNALS:
    // After the keyboard layout or the modifier map changed and the grabs were renewed.
    void keyboardMappingChanged();

private:
    struct Grab {
        quint8 keycode;
        quint16 modifiers;
    };

    int grab(quint8 keycode, quint16 modifiers);
    void ungrab(quint8 keycode, quint16 modifiers);
    QList<quint16> lockVariants() const;
    void readModifierMasks();
    void loadKeymap() const;
    void mappingChanged();
    // Each takes an xcb_generic_event_t; dispatch also frees it.
    void dispatch(void* event);
    void handleEvent(const void* event);
    void drainLater();
    // Reads what the server sent, handling layout news at once and keeping key events for later.
    void takeInLayoutChanges();

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    QSocketNotifier* m_notifier = nullptr;
    quint8 m_xkbEventBase = 0;
    bool m_hasXkb = false;
    qint32 m_deviceId = -1;
    quint16 m_altMask = 0x8;      // Mod1
    quint16 m_superMask = 0x40;   // Mod4
    quint16 m_numLockMask = 0x10; // Mod2
    std::map<quint32, Grab> m_grabs;
    // The grab each held key activated, so that its release finds it whatever the modifiers are by then.
    std::map<quint8, quint32> m_pressed;
    EventHandler m_handler;
    bool m_drainQueued = false;
    bool m_mappingChanged = false;
    int m_repeatsDropped = 0;
    // xcb_generic_event_t pointers, in arrival order.
    std::deque<void*> m_deferredKeys;

    xkb_context* m_xkbContext = nullptr;
    mutable xkb_keymap* m_keymap = nullptr;
    mutable xkb_state* m_state = nullptr;
    mutable bool m_keymapStale = true;
};
