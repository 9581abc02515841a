#include "CompactListHooks.h"

#include "app/AppState.h"
#include "ui/editor/CreateConfigurationSheet.h"
#include "ui/editor/EditConfigurationWindowManager.h"
#include "ui/editor/EditorRegistry.h"
#include "ui/home/ConfigurationRemoval.h"

namespace CompactListHooks {

MinimizedHomeView::Hooks make(AppState& state, ModelContext& context, QObject* owner) {
    Q_UNUSED(owner)
    // The list's editor manager outlives the list: leaving or entering menu-bar mode rebuilds it.
    EditConfigurationWindowManager* editors =
        &EditorRegistry::of(state).listManager(QStringLiteral("compact"));
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
    // The same clean-up as the home tab's: undone on a failed save, forgets what pointed at it.
    hooks.removeConfiguration = [&state, &context](ConfigurationGroup* configuration, QString* error) {
        return ConfigurationRemoval::remove(context, state, {configuration}, error);
    };
    return hooks;
}

QWidget* makeView(AppState& state, ModelContext& context) {
    auto* view = new MinimizedHomeView(state, context);
    view->setHooks(make(state, context, view));
    return view;
}

} // namespace CompactListHooks
