#include "CompactListHooks.h"

#include "app/AppState.h"
#include "model/ConfigurationGroup.h"
#include "store/ModelContext.h"
#include "ui/editor/CreateConfigurationSheet.h"
#include "ui/editor/EditConfigurationWindowManager.h"

namespace CompactListHooks {

MinimizedHomeView::Hooks make(AppState& state, ModelContext& context, QObject* owner) {
    // The list's own editor registry lives as long as the list.
    auto* editors = new EditConfigurationWindowManager(owner);
    MinimizedHomeView::Hooks hooks;
    hooks.openEditor = [editors, &state,
                        &context](ConfigurationGroup* configuration, const QList<SavedApp*>& savedApps,
                                  MinimizedHomeView::Callback onSave, MinimizedHomeView::Callback onCancel) {
        editors->showEditWindow(
            configuration, std::nullopt, savedApps, state, context,
            [onSave](ConfigurationGroup*) { onSave(); }, [onCancel] { onCancel(); });
    };
    hooks.askForName = [](QWidget* parent, std::function<bool(const QString&, QString*)> create) {
        auto* sheet = new CreateConfigurationSheet(parent, std::move(create));
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        sheet->open();
    };
    hooks.storeNewConfiguration = [&state, &context](const QString& name, QString* error) {
        return CreateConfigurationSheet::storeNewConfiguration(state, context, name, error);
    };
    hooks.removeConfiguration = [&state, &context](ConfigurationGroup* configuration, QString* error) {
        const QString key = uuidString(configuration->id());
        context.deleteObject(configuration);
        if (!context.save(error)) {
            context.rollback();
            return false;
        }
        // Nothing may point at a configuration that is gone.
        EditConfigurationWindowManager::closeEditorOf(state, configuration);
        if (state.selectedConfigurationID() == key)
            state.setSelectedConfigurationID(QString());
        QHash<QString, QString> groups = state.selectedPositionGroupForConfig();
        if (groups.remove(key))
            state.setSelectedPositionGroupForConfig(groups);
        if (state.configurationForPartialActivation() == configuration)
            state.setConfigurationForPartialActivation(nullptr);
        state.triggerConfigurationDataRefresh();
        return true;
    };
    return hooks;
}

QWidget* makeView(AppState& state, ModelContext& context) {
    auto* view = new MinimizedHomeView(state, context);
    view->setHooks(make(state, context, view));
    return view;
}

} // namespace CompactListHooks
