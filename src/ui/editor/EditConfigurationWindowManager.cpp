#include "EditConfigurationWindowManager.h"

#include "EditorRegistry.h"
#include "app/AppState.h"
#include "store/ModelContext.h"

namespace {
// A deleted configuration stays a valid object: only the store knows whether it still lives.
bool isStored(const ConfigurationGroup* configuration) {
    const ModelContext* store = ModelContext::of(configuration);
    return store && store->contains(configuration);
}
} // namespace

EditConfigurationWindowManager::EditConfigurationWindowManager(QObject* parent) : QObject(parent) {}

EditConfigurationWindowManager::~EditConfigurationWindowManager() {
    closeEditWindow();
}

EditConfigurationWindow* EditConfigurationWindowManager::showEditWindow(
    ConfigurationGroup* configuration, const std::optional<QString>& selectedPositionGroupID,
    const QList<SavedApp*>& savedApps, AppState& appState, ModelContext& modelContext,
    EditConfigurationWindow::OnSave onSave, EditConfigurationWindow::OnCancel onCancel) {
    if (!isStored(configuration))
        return nullptr;
    EditorRegistry& registry = EditorRegistry::of(appState);
    if (EditConfigurationWindow* open = registry.editorOf(configuration)) {
        if (open != m_current)
            open->addFollower(this, std::move(onSave), std::move(onCancel));
        open->show();
        return open;
    }
    if (m_current && m_current->hasUnsavedChanges()) {
        QPointer<EditConfigurationWindowManager> self(this);
        QPointer<ConfigurationGroup> target(configuration);
        AppState* state = &appState;
        ModelContext* context = &modelContext;
        m_current->askToDiscard(configuration->name(), [=]() mutable {
            if (!self || !target)
                return;
            // Deleted while the user was asked (here or by sync): nothing opens, the edits in hand
            // stay, and the list is told as by a Cancel.
            if (!isStored(target)) {
                if (onCancel)
                    onCancel();
                return;
            }
            self->closeEditWindow();
            self->showEditWindow(target, selectedPositionGroupID, savedApps, *state, *context,
                                 std::move(onSave), std::move(onCancel));
        });
        return nullptr;
    }
    closeEditWindow();
    auto* window = new EditConfigurationWindow(configuration, selectedPositionGroupID, savedApps, appState,
                                               modelContext, std::move(onSave), std::move(onCancel));
    m_current = window;
    registry.add(window);
    connect(window, &EditConfigurationWindow::finished, this, [this, window] {
        if (m_current == window)
            m_current = nullptr;
        window->deleteLater();
    });
    window->show();
    return window;
}

void EditConfigurationWindowManager::closeEditWindow() {
    if (EditConfigurationWindow* window = m_current) {
        m_current = nullptr;
        window->closeDiscarding();
    }
}

EditConfigurationWindow*
EditConfigurationWindowManager::openEditorOf(AppState& appState, const ConfigurationGroup* configuration) {
    return EditorRegistry::of(appState).editorOf(configuration);
}

void EditConfigurationWindowManager::closeEditorOf(AppState& appState,
                                                   const ConfigurationGroup* configuration) {
    if (EditConfigurationWindow* window = openEditorOf(appState, configuration))
        window->closeDiscarding();
}
