// The shortcut component of one run: the slots in the preferences, the handlers attached to them,
// and the hot keys kept in step with both. Created once by the program (and by each test); while it
// lives, the KeyboardShortcuts functions and Name act on it.
#pragma once

#include "HotKeyEngine.h"
#include "Name.h"
#include "NotificationCenter.h"
#include "Shortcut.h"

#include <QList>
#include <QObject>
#include <QSet>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class PreferenceStore;
class Scheduler;

namespace KeyboardShortcuts {

class EventStream;
class HotKeyBackend;
class KeyboardLayout;

enum class EventType { keyDown, keyUp };

class Registry : public QObject {
    Q_OBJECT
public:
    using Action = std::function<void()>;

    Registry(PreferenceStore& store, HotKeyBackend& backend, Scheduler& scheduler,
             const KeyboardLayout* layout = nullptr, QObject* parent = nullptr);
    ~Registry() override;

    // The innermost living registry, if any.
    static Registry* current();

    NotificationCenter& notificationCenter() { return m_notificationCenter; }
    const KeyboardLayout* layout() const { return m_layout; }
    void setLayout(const KeyboardLayout* layout) { m_layout = layout; }
    HotKeyEngine& engine() { return m_engine; }
    Scheduler& scheduler() { return m_scheduler; }

    // Slots and their stored shortcuts.
    void declare(const Name& name);
    std::optional<Shortcut> getShortcut(const Name& name) const;
    // Stores or clears; false when a stored shortcut could not be made a hot key.
    bool setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
    void reset(const QList<Name>& names);
    void resetAll();
    QList<Name> allNames() const;
    bool userDefaultsSet(const Name& name, const Shortcut& shortcut);
    void userDefaultsDisable(const Name& name);
    void userDefaultsRemove(const Name& name);
    bool userDefaultsContains(const Name& name) const;

    // Handlers.
    void onKeyDown(const Name& name, Action action);
    void onKeyUp(const Name& name, Action action);
    void removeHandler(const Name& name);
    void removeAllHandlers();
    // A stream of the name's events (of one type when given); it ends when the object is destroyed.
    std::unique_ptr<EventStream> events(const Name& name, std::optional<EventType> type = std::nullopt);

    // The switches.
    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool enabled);
    bool isEnabled(const Name& name) const;
    void enable(const QList<Name>& names);
    void disable(const QList<Name>& names);
    bool isMenuOpen() const { return m_isMenuOpen; }
    void setMenuOpen(bool open);
    bool isPaused() const { return m_isPaused || !m_recordingRecorders.isEmpty(); }
    void setPaused(bool paused) { m_isPaused = paused; }
    // Each recorder pauses the hot keys while it records; the pause ends with the last one.
    void setRecorderActive(const void* recorder, bool active);

    // Key events seen while a menu tracks; 0 when one of our combinations consumed it.
    int handleRawKeyEvent(HotKeyEngine::RawKeyKind kind, int keyCode, int modifiers);
    bool isTakenByAnotherClient(const Shortcut& shortcut) const;
    // Whether the desktop refused the hot key of the slot's shortcut on the last attempt: another
    // program holds the combination, so pressing it does nothing here.
    bool isRefused(const Name& name) const;

private:
    friend class EventStream;
    struct Handlers {
        Name name;
        std::vector<Action> actions;
    };
    struct StreamHandlers {
        Name name;
        std::map<quint64, Action> actions;
    };

    std::optional<Shortcut> defaultFor(const Name& name) const;
    bool registerShortcut(const Shortcut& shortcut);
    bool registerShortcutIfNeeded(const Name& name);
    void unregisterShortcut(const Shortcut& shortcut);
    bool isUsedByHandlers(const Shortcut& shortcut, const Name* except, bool legacy, bool streams) const;
    void unregisterUnlessUsedElsewhere(const Shortcut& shortcut, const Name& name);
    void clearSlot(const Name& name, bool keepMarker);
    void addHandler(std::vector<Handlers>& list, const Name& name, Action action);
    void addStreamHandler(std::vector<StreamHandlers>& list, const Name& name, quint64 id, Action action);
    void removeStream(const Name& name, quint64 id);
    void handleOnKey(EventType type, const Shortcut& shortcut);

    PreferenceStore& m_store;
    Scheduler& m_scheduler;
    const KeyboardLayout* m_layout;
    NotificationCenter m_notificationCenter;
    HotKeyEngine m_engine;
    Registry* m_previous;

    bool m_isEnabled = true;
    bool m_isMenuOpen = false;
    bool m_isPaused = false;
    QSet<const void*> m_recordingRecorders;
    QSet<Shortcut> m_registeredShortcuts;
    // Refused on their first registration, and so not kept by the engine.
    QSet<Shortcut> m_refusedShortcuts;
    std::vector<Handlers> m_legacyKeyDownHandlers;
    std::vector<Handlers> m_legacyKeyUpHandlers;
    std::vector<StreamHandlers> m_streamKeyDownHandlers;
    std::vector<StreamHandlers> m_streamKeyUpHandlers;
    quint64 m_nextStreamId = 0;
    QHash<QString, Name> m_declared;
};

} // namespace KeyboardShortcuts
