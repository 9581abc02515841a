#include "ConfigurationRemoval.h"

#include "StoreCommand.h"
#include "app/AppState.h"
#include "model/ConfigurationGroup.h"
#include "store/ModelContext.h"
#include "ui/editor/EditConfigurationWindowManager.h"

namespace ConfigurationRemoval {

bool remove(ModelContext& context, AppState& state, const QList<ConfigurationGroup*>& configurations,
            QString* error) {
    QList<ConfigurationGroup*> gone;
    for (ConfigurationGroup* configuration : configurations) {
        if (configuration && context.contains(configuration))
            gone.append(configuration);
    }
    if (gone.isEmpty())
        return true;
    const bool saved = StoreCommand::run(
        context,
        [&context, &gone] {
            for (ConfigurationGroup* configuration : std::as_const(gone))
                context.deleteObject(configuration);
        },
        error);
    if (!saved)
        return false;
    for (ConfigurationGroup* configuration : gone)
        forget(state, configuration);
    state.triggerConfigurationDataRefresh();
    return true;
}

void forget(AppState& state, const ConfigurationGroup* configuration) {
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
    EditConfigurationWindowManager::closeEditorOf(state, configuration);
}

} // namespace ConfigurationRemoval
