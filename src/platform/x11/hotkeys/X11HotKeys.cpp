// Passive key grabs, their events, and key names from the current xkb layout.
#include "X11HotKeys.h"

#include "shortcuts/ModifierFlags.h"
#include "shortcuts/PhysicalKeys.h"

#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
// xcb/xkb.h names a field `explicit`.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <memory>
#include <utility>

namespace {
constexpr quint16 shiftMask = XCB_MOD_MASK_SHIFT;
constexpr quint16 lockMask = XCB_MOD_MASK_LOCK;
constexpr quint16 controlMask = XCB_MOD_MASK_CONTROL;

constexpr xcb_keysym_t numLockSym = 0xff7f;
constexpr xcb_keysym_t altLSym = 0xffe9;
constexpr xcb_keysym_t altRSym = 0xffea;
constexpr xcb_keysym_t metaLSym = 0xffe7;
constexpr xcb_keysym_t superLSym = 0xffeb;
constexpr xcb_keysym_t superRSym = 0xffec;

template <typename T> struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

// The event header that every XKB event shares.
struct XkbAnyEvent {
    uint8_t response_type;
    uint8_t xkbType;
    uint16_t sequence;
    xcb_timestamp_t time;
    uint8_t deviceID;
};
} // namespace

X11HotKeys::X11HotKeys(const QString& displayName, QObject* parent) : QObject(parent) {
    const QByteArray display = displayName.toLocal8Bit();
    m_connection = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    if (xcb_connection_has_error(m_connection))
        return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;

    uint8_t eventBase = 0;
    m_hasXkb = xkb_x11_setup_xkb_extension(
                   m_connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                   XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &eventBase, nullptr) == 1;
    if (m_hasXkb) {
        m_xkbEventBase = eventBase;
        m_deviceId = xkb_x11_get_core_keyboard_device_id(m_connection);
        const uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                                XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
        const uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                                  XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
                                  XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
                                  XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
        xcb_xkb_select_events(m_connection, XCB_XKB_ID_USE_CORE_KBD, events, 0, events, mapParts, mapParts,
                              nullptr);
        // Held keys then repeat as presses only, without a release between them.
        const uint32_t repeat = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
        Reply<xcb_xkb_per_client_flags_reply_t> flags(xcb_xkb_per_client_flags_reply(
            m_connection,
            xcb_xkb_per_client_flags(m_connection, XCB_XKB_ID_USE_CORE_KBD, repeat, repeat, 0, 0, 0),
            nullptr));
        m_xkbContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    }
    readModifierMasks();

    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11HotKeys::processPendingEvents);
    xcb_flush(m_connection);
}

X11HotKeys::~X11HotKeys() {
    for (void* event : m_deferredKeys)
        std::free(event);
    if (m_state)
        xkb_state_unref(m_state);
    if (m_keymap)
        xkb_keymap_unref(m_keymap);
    if (m_xkbContext)
        xkb_context_unref(m_xkbContext);
    xcb_disconnect(m_connection);
}

bool X11HotKeys::isConnected() const {
    return xcb_connection_has_error(m_connection) == 0;
}

std::optional<quint16> X11HotKeys::xModifiers(int carbonModifiers) const {
    using namespace KeyboardShortcuts;
    if (carbonModifiers & StoredModifier::function)
        return std::nullopt;
    quint16 mask = 0;
    if (carbonModifiers & StoredModifier::shift)
        mask |= shiftMask;
    if (carbonModifiers & StoredModifier::control)
        mask |= controlMask;
    if (carbonModifiers & StoredModifier::option)
        mask |= m_altMask;
    if (carbonModifiers & StoredModifier::command)
        mask |= m_superMask;
    return mask;
}

QList<quint16> X11HotKeys::lockVariants() const {
    // Without these a hot key stops working while Caps Lock or Num Lock is on.
    QList<quint16> variants{0, lockMask};
    if (m_numLockMask)
        variants << m_numLockMask << quint16(lockMask | m_numLockMask);
    return variants;
}

int X11HotKeys::grab(quint8 keycode, quint16 modifiers) {
    QList<xcb_void_cookie_t> cookies;
    for (quint16 variant : lockVariants())
        cookies << xcb_grab_key_checked(m_connection, 1, m_root, modifiers | variant, keycode,
                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    int status = 0;
    for (const xcb_void_cookie_t& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
            if (status == 0)
                status = error->error_code;
            std::free(error);
        }
    }
    if (status != 0)
        ungrab(keycode, modifiers);
    drainLater();
    return status;
}

void X11HotKeys::ungrab(quint8 keycode, quint16 modifiers) {
    for (quint16 variant : lockVariants())
        xcb_ungrab_key(m_connection, keycode, m_root, modifiers | variant);
    // A round trip, so that the key is free for other clients once this returns: the server
    // orders requests only within one connection.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

int X11HotKeys::registerHotKey(int keyCode, int modifiers, quint32 id) {
    if (!isConnected())
        return statusNoDisplay;
    const auto keycode = KeyboardShortcuts::PhysicalKeys::xKeycode(keyCode);
    const auto mask = xModifiers(modifiers);
    if (!keycode || !mask)
        return statusNoSuchKey;
    const int status = grab(quint8(*keycode), *mask);
    if (status == 0)
        m_grabs[id] = Grab{quint8(*keycode), *mask};
    return status;
}

void X11HotKeys::unregisterHotKey(quint32 id) {
    const auto it = m_grabs.find(id);
    if (it == m_grabs.end())
        return;
    const Grab gone = it->second;
    m_grabs.erase(it);
    // The same combination may be grabbed under another id; the server holds it only once.
    for (const auto& [otherId, other] : m_grabs)
        if (other.keycode == gone.keycode && other.modifiers == gone.modifiers)
            return;
    if (isConnected())
        ungrab(gone.keycode, gone.modifiers);
}

bool X11HotKeys::isTakenByAnotherClient(int keyCode, int modifiers) {
    if (!isConnected())
        return false;
    const auto keycode = KeyboardShortcuts::PhysicalKeys::xKeycode(keyCode);
    const auto mask = xModifiers(modifiers);
    if (!keycode || !mask)
        return false;
    for (const auto& [id, held] : m_grabs)
        if (held.keycode == *keycode && held.modifiers == *mask)
            return false; // ours
    // A trial grab: BadAccess means that another client holds it.
    const int status = grab(quint8(*keycode), *mask);
    if (status == 0)
        ungrab(quint8(*keycode), *mask);
    return status == XCB_ACCESS;
}

void X11HotKeys::setEventHandler(EventHandler handler) {
    m_handler = std::move(handler);
}

void X11HotKeys::readModifierMasks() {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    Reply<xcb_get_modifier_mapping_reply_t> map(
        xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!symbols || !map) {
        if (symbols)
            xcb_key_symbols_free(symbols);
        return;
    }
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.get());
    const int perModifier = map->keycodes_per_modifier;
    const auto maskFor = [&](std::initializer_list<xcb_keysym_t> keysyms) -> quint16 {
        for (xcb_keysym_t keysym : keysyms) {
            xcb_keycode_t* keycodes = xcb_key_symbols_get_keycode(symbols, keysym);
            if (!keycodes)
                continue;
            // Mod1 to Mod5 only: Shift, Lock and Control are never these.
            for (int modifier = 3; modifier < 8; ++modifier) {
                for (int j = 0; j < perModifier; ++j) {
                    const xcb_keycode_t code = codes[modifier * perModifier + j];
                    for (xcb_keycode_t* k = keycodes; code && *k != XCB_NO_SYMBOL; ++k) {
                        if (*k == code) {
                            std::free(keycodes);
                            return quint16(1u << modifier);
                        }
                    }
                }
            }
            std::free(keycodes);
        }
        return 0;
    };
    m_numLockMask = maskFor({numLockSym});
    if (const quint16 alt = maskFor({altLSym, altRSym, metaLSym}))
        m_altMask = alt;
    if (const quint16 super = maskFor({superLSym, superRSym}))
        m_superMask = super;
    xcb_key_symbols_free(symbols);
    drainLater();
}

void X11HotKeys::loadKeymap() const {
    if (!m_hasXkb || !m_keymapStale)
        return;
    xkb_keymap* keymap =
        xkb_x11_keymap_new_from_device(m_xkbContext, m_connection, m_deviceId, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap)
        return;
    xkb_state* state = xkb_x11_state_new_from_device(keymap, m_connection, m_deviceId);
    if (!state) {
        xkb_keymap_unref(keymap);
        return;
    }
    if (m_state)
        xkb_state_unref(m_state);
    if (m_keymap)
        xkb_keymap_unref(m_keymap);
    m_keymap = keymap;
    m_state = state;
    m_keymapStale = false;
    const_cast<X11HotKeys*>(this)->drainLater();
}

std::optional<QString> X11HotKeys::character(int keyCode) const {
    // Takes in a layout change that the server has already announced.
    const_cast<X11HotKeys*>(this)->takeInLayoutChanges();
    loadKeymap();
    const auto keycode = KeyboardShortcuts::PhysicalKeys::xKeycode(keyCode);
    if (!m_keymap || !m_state || !keycode)
        return std::nullopt;
    const xkb_layout_index_t layout = xkb_state_key_get_layout(m_state, xkb_keycode_t(*keycode));
    if (layout == XKB_LAYOUT_INVALID)
        return std::nullopt;
    const xkb_keysym_t* syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(m_keymap, xkb_keycode_t(*keycode), layout, 0, &syms);
    if (count != 1)
        return std::nullopt;
    const uint32_t utf32 = xkb_keysym_to_utf32(syms[0]);
    if (utf32 < 0x20 || utf32 == 0x7f)
        return std::nullopt;
    const char32_t text[] = {char32_t(utf32)};
    return QString::fromUcs4(text, 1);
}

void X11HotKeys::mappingChanged() {
    for (const auto& [id, held] : m_grabs)
        ungrab(held.keycode, held.modifiers);
    const quint16 oldAlt = m_altMask, oldSuper = m_superMask;
    readModifierMasks();
    m_keymapStale = true;
    for (auto& [id, held] : m_grabs) {
        quint16 mods = held.modifiers;
        if (oldAlt != m_altMask && (mods & oldAlt))
            mods = quint16((mods & ~oldAlt) | m_altMask);
        if (oldSuper != m_superMask && (mods & oldSuper))
            mods = quint16((mods & ~oldSuper) | m_superMask);
        held.modifiers = mods;
        grab(held.keycode, held.modifiers);
    }
    m_pressed.clear();
    Q_EMIT keyboardMappingChanged();
}

void X11HotKeys::drainLater() {
    // A round trip may have queued events that the socket notifier will never announce.
    if (m_drainQueued)
        return;
    m_drainQueued = true;
    QMetaObject::invokeMethod(this, &X11HotKeys::processPendingEvents, Qt::QueuedConnection);
}

void X11HotKeys::processPendingEvents() {
    m_drainQueued = false;
    if (!isConnected())
        return;
    const std::deque<void*> deferred = std::exchange(m_deferredKeys, {});
    for (void* event : deferred)
        dispatch(event);
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
        dispatch(event);
    if (m_mappingChanged) {
        m_mappingChanged = false;
        mappingChanged();
    }
}

void X11HotKeys::takeInLayoutChanges() {
    if (!isConnected())
        return;
    // Key events wait for the next turn: their handlers must not run inside a key-name lookup.
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE || !m_deferredKeys.empty())
            m_deferredKeys.push_back(event);
        else
            dispatch(event);
    }
    if (!m_deferredKeys.empty() || m_mappingChanged)
        drainLater();
}

void X11HotKeys::dispatch(void* raw) {
    auto* event = static_cast<xcb_generic_event_t*>(raw);
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        m_mappingChanged = true;
        m_keymapStale = true;
    } else if (m_hasXkb && type == m_xkbEventBase) {
        const auto* xkb = reinterpret_cast<const XkbAnyEvent*>(event);
        if (xkb->xkbType == XCB_XKB_STATE_NOTIFY && m_state && !m_keymapStale) {
            const auto* s = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event);
            xkb_state_update_mask(m_state, s->baseMods, s->latchedMods, s->lockedMods,
                                  xkb_layout_index_t(s->baseGroup), xkb_layout_index_t(s->latchedGroup),
                                  s->lockedGroup);
        } else if (xkb->xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkb->xkbType == XCB_XKB_MAP_NOTIFY) {
            m_mappingChanged = true;
            m_keymapStale = true;
        }
    } else if (type == XCB_KEY_RELEASE) {
        // Without detectable auto-repeat a held key repeats as a release and a press at one time.
        xcb_generic_event_t* next = xcb_poll_for_queued_event(m_connection);
        const auto* release = reinterpret_cast<const xcb_key_release_event_t*>(event);
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(next);
        if (next && (next->response_type & 0x7f) == XCB_KEY_PRESS && press->detail == release->detail &&
            press->time == release->time) {
            ++m_repeatsDropped;
            std::free(next);
        } else {
            handleEvent(event);
            if (next)
                dispatch(next);
        }
    } else {
        handleEvent(event);
    }
    std::free(event);
}

void X11HotKeys::handleEvent(const void* raw) {
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (m_pressed.count(press->detail)) {
            ++m_repeatsDropped; // a repeat of a held key
            return;
        }
        const quint16 relevant = shiftMask | controlMask | m_altMask | m_superMask;
        const quint16 modifiers = press->state & relevant;
        for (const auto& [id, held] : m_grabs) {
            if (held.keycode == press->detail && held.modifiers == modifiers) {
                m_pressed[press->detail] = id;
                if (m_handler)
                    m_handler(id, true);
                return;
            }
        }
    } else if (type == XCB_KEY_RELEASE) {
        const auto* release = reinterpret_cast<const xcb_key_release_event_t*>(event);
        const auto it = m_pressed.find(release->detail);
        if (it == m_pressed.end())
            return;
        const quint32 id = it->second;
        m_pressed.erase(it);
        if (m_grabs.count(id) && m_handler)
            m_handler(id, false);
    }
}
