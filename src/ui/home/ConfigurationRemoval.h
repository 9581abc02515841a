// Deleting configurations from the lists of the main window and of the menu-bar window, and
// forgetting everything that still points at a configuration that is gone.
#pragma once

#include <QList>
#include <QString>

class AppState;
class ConfigurationGroup;
class ModelContext;

namespace ConfigurationRemoval {

// Deletes the configurations (their applications and position groups with them) and saves. When the
// save fails, the deletion is undone in the context, nothing else changes, and `error` says why.
// On success everything that pointed at them is forgotten (see forget) and the refresh counter
// moves once.
bool remove(ModelContext& context, AppState& state, const QList<ConfigurationGroup*>& configurations,
            QString* error = nullptr);

// Forgets a configuration that is gone (deleted here, in another list or by another machine): the
// selection, its chosen position group, a pending partial activation of it and an editor open on
// it (from any list). Does not move the refresh counter.
void forget(AppState& state, const ConfigurationGroup* configuration);

} // namespace ConfigurationRemoval
