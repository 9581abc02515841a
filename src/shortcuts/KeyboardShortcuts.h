// The shortcut component's functions, acting on the registry of the run (Registry::current()).
// Without a registry they do nothing and read nothing.
#pragma once

#include "EventStream.h"
#include "Name.h"
#include "Registry.h"
#include "Shortcut.h"

namespace KeyboardShortcuts {

using Action = std::function<void()>;

void onKeyDown(const Name& name, Action action);
void onKeyUp(const Name& name, Action action);
void removeHandler(const Name& name);
void removeAllHandlers();
std::unique_ptr<EventStream> events(const Name& name);
std::unique_ptr<EventStream> events(EventType type, const Name& name);

std::optional<Shortcut> getShortcut(const Name& name);
bool setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
void reset(const QList<Name>& names);
void resetAll();
QList<Name> allNames();

bool isEnabled();
void setEnabled(bool enabled);
bool isEnabled(const Name& name);
void enable(const QList<Name>& names);
void disable(const QList<Name>& names);
bool isPaused();
void setPaused(bool paused);
bool isMenuOpen();
void setMenuOpen(bool open);

} // namespace KeyboardShortcuts
