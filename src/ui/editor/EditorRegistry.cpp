#include "EditorRegistry.h"

#include "EditConfigurationWindow.h"
#include "EditConfigurationWindowManager.h"
#include "app/AppState.h"

namespace {
const QString registryName = QStringLiteral("quarlinEditorRegistry");
}

EditorRegistry& EditorRegistry::of(AppState& state) {
    if (auto* registry = state.findChild<EditorRegistry*>(registryName, Qt::FindDirectChildrenOnly))
        return *registry;
    auto* registry = new EditorRegistry(&state);
    registry->setObjectName(registryName);
    return *registry;
}

void EditorRegistry::add(EditConfigurationWindow* window) {
    m_windows.append(window);
    connect(window, &EditConfigurationWindow::finished, this,
            [this, window] { m_windows.removeAll(QPointer<EditConfigurationWindow>(window)); });
}

EditConfigurationWindow* EditorRegistry::editorOf(const ConfigurationGroup* configuration) const {
    for (const QPointer<EditConfigurationWindow>& window : m_windows) {
        if (window && !window->isFinished() && window->configuration() == configuration)
            return window;
    }
    return nullptr;
}

EditConfigurationWindowManager& EditorRegistry::listManager(const QString& list) {
    const QString name = QStringLiteral("editors-") + list;
    if (auto* manager = findChild<EditConfigurationWindowManager*>(name, Qt::FindDirectChildrenOnly))
        return *manager;
    auto* manager = new EditConfigurationWindowManager(this);
    manager->setObjectName(name);
    return *manager;
}
