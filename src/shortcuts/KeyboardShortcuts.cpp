// Forwarding to the registry of the run.
#include "KeyboardShortcuts.h"

namespace KeyboardShortcuts {

namespace {
Registry* registry() {
    return Registry::current();
}
} // namespace

void onKeyDown(const Name& name, Action action) {
    if (registry())
        registry()->onKeyDown(name, std::move(action));
}

void onKeyUp(const Name& name, Action action) {
    if (registry())
        registry()->onKeyUp(name, std::move(action));
}

void removeHandler(const Name& name) {
    if (registry())
        registry()->removeHandler(name);
}

void removeAllHandlers() {
    if (registry())
        registry()->removeAllHandlers();
}

std::unique_ptr<EventStream> events(const Name& name) {
    return registry() ? registry()->events(name) : nullptr;
}

std::unique_ptr<EventStream> events(EventType type, const Name& name) {
    return registry() ? registry()->events(name, type) : nullptr;
}

std::optional<Shortcut> getShortcut(const Name& name) {
    return registry() ? registry()->getShortcut(name) : std::nullopt;
}

bool setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    return registry() && registry()->setShortcut(shortcut, name);
}

void reset(const QList<Name>& names) {
    if (registry())
        registry()->reset(names);
}

void resetAll() {
    if (registry())
        registry()->resetAll();
}

QList<Name> allNames() {
    return registry() ? registry()->allNames() : QList<Name>();
}

bool isEnabled() {
    return registry() && registry()->isEnabled();
}

void setEnabled(bool enabled) {
    if (registry())
        registry()->setEnabled(enabled);
}

bool isEnabled(const Name& name) {
    return registry() && registry()->isEnabled(name);
}

void enable(const QList<Name>& names) {
    if (registry())
        registry()->enable(names);
}

void disable(const QList<Name>& names) {
    if (registry())
        registry()->disable(names);
}

bool isPaused() {
    return registry() && registry()->isPaused();
}

void setPaused(bool paused) {
    if (registry())
        registry()->setPaused(paused);
}

bool isMenuOpen() {
    return registry() && registry()->isMenuOpen();
}

void setMenuOpen(bool open) {
    if (registry())
        registry()->setMenuOpen(open);
}

} // namespace KeyboardShortcuts
