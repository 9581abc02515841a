// Slots, handlers, dispatch and the hot keys that follow them.
#include "Registry.h"

#include "EventStream.h"

#include "base/PreferenceStore.h"
#include "base/Scheduler.h"

namespace KeyboardShortcuts {

namespace {
Registry* innermost = nullptr;
constexpr auto prefix = "KeyboardShortcuts_";
} // namespace

Registry::Registry(PreferenceStore& store, HotKeyBackend& backend, Scheduler& scheduler,
                   const KeyboardLayout* layout, QObject* parent)
    : QObject(parent), m_store(store), m_scheduler(scheduler), m_layout(layout), m_engine(backend, scheduler),
      m_previous(innermost) {
    innermost = this;
    m_engine.setFailureObserver([this] { Q_EMIT m_notificationCenter.hotKeyRefusalDidChange(); });
}

Registry::~Registry() {
    if (innermost == this)
        innermost = m_previous;
}

Registry* Registry::current() {
    return innermost;
}

// Slots

void Registry::declare(const Name& name) {
    const auto known = m_declared.constFind(name.rawValue());
    if (known == m_declared.constEnd() || name.defaultShortcut())
        m_declared.insert(name.rawValue(), name);
    if (name.defaultShortcut() && !userDefaultsContains(name))
        userDefaultsSet(name, *name.defaultShortcut());
}

std::optional<Shortcut> Registry::defaultFor(const Name& name) const {
    if (name.defaultShortcut())
        return name.defaultShortcut();
    const auto known = m_declared.constFind(name.rawValue());
    return known == m_declared.constEnd() ? std::nullopt : known->defaultShortcut();
}

std::optional<Shortcut> Registry::getShortcut(const Name& name) const {
    const QJsonValue value = m_store.value(name.userDefaultsKey());
    if (!value.isString())
        return std::nullopt;
    const auto decoded = Shortcut::decoded(value.toString().toUtf8());
    // Stray bits written by hand or by another program would otherwise never match a key press.
    return decoded ? std::optional(decoded->normalized()) : std::nullopt;
}

bool Registry::userDefaultsContains(const Name& name) const {
    return m_store.contains(name.userDefaultsKey());
}

bool Registry::userDefaultsSet(const Name& name, const Shortcut& shortcut) {
    const QString encoded = QString::fromUtf8(shortcut.encoded());
    if (const auto old = getShortcut(name))
        unregisterUnlessUsedElsewhere(*old, name);
    if (!m_registeredShortcuts.contains(shortcut))
        registerShortcut(shortcut);
    m_store.setValue(name.userDefaultsKey(), encoded);
    m_notificationCenter.postShortcutByNameDidChange(name);
    return m_registeredShortcuts.contains(shortcut) && !m_engine.hasFailed(shortcut);
}

void Registry::clearSlot(const Name& name, bool keepMarker) {
    const auto old = getShortcut(name);
    if (!old)
        return;
    if (keepMarker)
        m_store.setValue(name.userDefaultsKey(), false);
    else
        m_store.remove(name.userDefaultsKey());
    unregisterUnlessUsedElsewhere(*old, name);
    m_notificationCenter.postShortcutByNameDidChange(name);
}

void Registry::userDefaultsDisable(const Name& name) {
    clearSlot(name, true);
}

void Registry::userDefaultsRemove(const Name& name) {
    clearSlot(name, false);
}

bool Registry::setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    if (shortcut)
        return userDefaultsSet(name, *shortcut);
    clearSlot(name, defaultFor(name).has_value());
    return true;
}

void Registry::reset(const QList<Name>& names) {
    for (const Name& name : names) {
        if (const auto fallback = defaultFor(name))
            userDefaultsSet(name, *fallback);
        else
            userDefaultsRemove(name);
    }
}

void Registry::resetAll() {
    reset(allNames());
}

QList<Name> Registry::allNames() const {
    QList<Name> names;
    QSet<QString> seen;
    for (const QString& key : m_store.keys(QLatin1String(prefix))) {
        const QString raw = key.mid(int(qstrlen(prefix)));
        seen.insert(raw);
        const auto known = m_declared.constFind(raw);
        names.append(known == m_declared.constEnd() ? Name::fromRawValue(raw) : *known);
    }
    // Declared slots whose entry was removed outside the program still count.
    for (const Name& name : m_declared)
        if (!seen.contains(name.rawValue()) && name.defaultShortcut())
            names.append(name);
    return names;
}

// Hot keys

bool Registry::registerShortcut(const Shortcut& shortcut) {
    const bool ok = m_engine.registerShortcut(
        shortcut, [this](const Shortcut& s) { handleOnKey(EventType::keyDown, s); },
        [this](const Shortcut& s) { handleOnKey(EventType::keyUp, s); });
    // A refused combination is not counted, so that a later attempt tries again.
    if (ok)
        m_registeredShortcuts.insert(shortcut);
    if (ok == m_refusedShortcuts.contains(shortcut)) {
        if (ok)
            m_refusedShortcuts.remove(shortcut);
        else
            m_refusedShortcuts.insert(shortcut);
        Q_EMIT m_notificationCenter.hotKeyRefusalDidChange();
    }
    return ok;
}

bool Registry::registerShortcutIfNeeded(const Name& name) {
    const auto shortcut = getShortcut(name);
    if (!shortcut)
        return false;
    if (m_registeredShortcuts.contains(*shortcut))
        return true;
    return registerShortcut(*shortcut);
}

void Registry::unregisterShortcut(const Shortcut& shortcut) {
    m_engine.unregister(shortcut);
    m_registeredShortcuts.remove(shortcut);
    m_refusedShortcuts.remove(shortcut);
}

bool Registry::isRefused(const Name& name) const {
    const auto shortcut = getShortcut(name);
    return shortcut && (m_refusedShortcuts.contains(*shortcut) || m_engine.hasFailed(*shortcut));
}

bool Registry::isUsedByHandlers(const Shortcut& shortcut, const Name* except, bool legacy,
                                bool streams) const {
    const auto holds = [&](const Name& name) {
        if (except && name == *except)
            return false;
        const auto stored = getShortcut(name);
        return stored && *stored == shortcut;
    };
    if (legacy) {
        for (const auto* list : {&m_legacyKeyDownHandlers, &m_legacyKeyUpHandlers})
            for (const Handlers& h : *list)
                if (holds(h.name))
                    return true;
    }
    if (streams) {
        for (const auto* list : {&m_streamKeyDownHandlers, &m_streamKeyUpHandlers})
            for (const StreamHandlers& h : *list)
                if (!h.actions.empty() && holds(h.name))
                    return true;
    }
    return false;
}

void Registry::unregisterUnlessUsedElsewhere(const Shortcut& shortcut, const Name& name) {
    // Another slot with the same combination and handlers keeps its hot key.
    if (!isUsedByHandlers(shortcut, &name, true, true))
        unregisterShortcut(shortcut);
}

// Handlers

void Registry::addHandler(std::vector<Handlers>& list, const Name& name, Action action) {
    for (Handlers& h : list) {
        if (h.name == name) {
            h.actions.push_back(std::move(action));
            return;
        }
    }
    list.push_back(Handlers{name, {std::move(action)}});
}

void Registry::addStreamHandler(std::vector<StreamHandlers>& list, const Name& name, quint64 id,
                                Action action) {
    for (StreamHandlers& h : list) {
        if (h.name == name) {
            h.actions.emplace(id, std::move(action));
            return;
        }
    }
    list.push_back(StreamHandlers{name, {{id, std::move(action)}}});
}

void Registry::onKeyDown(const Name& name, Action action) {
    addHandler(m_legacyKeyDownHandlers, name, std::move(action));
    registerShortcutIfNeeded(name);
}

void Registry::onKeyUp(const Name& name, Action action) {
    addHandler(m_legacyKeyUpHandlers, name, std::move(action));
    registerShortcutIfNeeded(name);
}

void Registry::removeHandler(const Name& name) {
    for (auto* list : {&m_legacyKeyDownHandlers, &m_legacyKeyUpHandlers})
        std::erase_if(*list, [&](const Handlers& h) { return h.name == name; });
    if (const auto shortcut = getShortcut(name))
        if (!isUsedByHandlers(*shortcut, nullptr, true, true))
            unregisterShortcut(*shortcut);
}

void Registry::removeAllHandlers() {
    QSet<Shortcut> legacy;
    for (const auto* list : {&m_legacyKeyDownHandlers, &m_legacyKeyUpHandlers})
        for (const Handlers& h : *list)
            if (const auto shortcut = getShortcut(h.name))
                legacy.insert(*shortcut);
    for (const Shortcut& shortcut : legacy)
        if (!isUsedByHandlers(shortcut, nullptr, false, true))
            unregisterShortcut(shortcut);
    m_legacyKeyDownHandlers.clear();
    m_legacyKeyUpHandlers.clear();
}

std::unique_ptr<EventStream> Registry::events(const Name& name, std::optional<EventType> type) {
    return std::make_unique<EventStream>(*this, name, type);
}

void Registry::removeStream(const Name& name, quint64 id) {
    for (auto* list : {&m_streamKeyDownHandlers, &m_streamKeyUpHandlers})
        for (StreamHandlers& h : *list)
            if (h.name == name)
                h.actions.erase(id);
    if (const auto shortcut = getShortcut(name))
        if (!isUsedByHandlers(*shortcut, nullptr, true, true))
            unregisterShortcut(*shortcut);
}

void Registry::handleOnKey(EventType type, const Shortcut& shortcut) {
    if (isPaused()) {
        if (type == EventType::keyDown)
            Q_EMIT m_notificationCenter.hotKeyPressedWhilePaused(shortcut);
        return;
    }
    // Copies: an action may add or remove handlers.
    const auto legacy = type == EventType::keyDown ? m_legacyKeyDownHandlers : m_legacyKeyUpHandlers;
    for (const Handlers& h : legacy) {
        const auto stored = getShortcut(h.name);
        if (stored && *stored == shortcut)
            for (const Action& action : h.actions)
                action();
    }
    const auto streams = type == EventType::keyDown ? m_streamKeyDownHandlers : m_streamKeyUpHandlers;
    for (const StreamHandlers& h : streams) {
        const auto stored = getShortcut(h.name);
        if (stored && *stored == shortcut)
            for (const auto& [id, action] : h.actions)
                action();
    }
}

// Switches

void Registry::setEnabled(bool enabled) {
    if (m_isEnabled == enabled)
        return;
    m_isEnabled = enabled;
    m_engine.updateEventHandler(m_isEnabled, m_isMenuOpen);
}

void Registry::setMenuOpen(bool open) {
    if (m_isMenuOpen == open)
        return;
    m_isMenuOpen = open;
    m_engine.updateEventHandler(m_isEnabled, m_isMenuOpen);
}

bool Registry::isEnabled(const Name& name) const {
    const auto shortcut = getShortcut(name);
    return m_isEnabled && shortcut && m_registeredShortcuts.contains(*shortcut) &&
           !m_engine.hasFailed(*shortcut);
}

void Registry::enable(const QList<Name>& names) {
    for (const Name& name : names)
        registerShortcutIfNeeded(name);
}

void Registry::disable(const QList<Name>& names) {
    for (const Name& name : names)
        if (const auto shortcut = getShortcut(name))
            unregisterShortcut(*shortcut);
}

void Registry::setRecorderActive(const void* recorder, bool active) {
    if (active)
        m_recordingRecorders.insert(recorder);
    else
        m_recordingRecorders.remove(recorder);
    // Listeners learn whether any recorder still records, not just this one.
    m_notificationCenter.postRecorderActiveStatusDidChange(!m_recordingRecorders.isEmpty());
}

int Registry::handleRawKeyEvent(HotKeyEngine::RawKeyKind kind, int keyCode, int modifiers) {
    return m_engine.handleRawKeyEvent(kind, keyCode, modifiers);
}

bool Registry::isTakenByAnotherClient(const Shortcut& shortcut) const {
    return m_engine.isTakenByAnotherClient(shortcut);
}

} // namespace KeyboardShortcuts
