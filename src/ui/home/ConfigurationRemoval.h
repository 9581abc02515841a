// Deleting configurations from the lists of the main window and of the menu-bar window, and
// forgetting everything that still points at a configuration that is gone.
#pragma once

#include <QList>
#include <QString>

#include <functional>

class AppState;
class ConfigurationGroup;
class ModelContext;

namespace ConfigurationRemoval {

// Closes an editor open on the configuration with this key (uuidString of its id), if any.
using EditorCloser = std::function<void(const QString& configurationKey)>;

// Deletes the configurations (their applications and position groups with them) and saves. When the
// save fails, the deletion is undone in the context, nothing else changes, and `error` says why.
// On success everything that pointed at them is forgotten (see forget) and the refresh counter
// moves once.
bool remove(ModelContext& context, AppState& state, const QList<ConfigurationGroup*>& configurations,
            const EditorCloser& closeEditor, QString* error = nullptr);

// Forgets a configuration that is gone (deleted here, in another list or by another machine): the
// selection, its chosen position group, a pending partial activation of it and an editor open on
// it. Does not move the refresh counter.
void forget(AppState& state, const ConfigurationGroup* configuration, const EditorCloser& closeEditor);

} // namespace ConfigurationRemoval
