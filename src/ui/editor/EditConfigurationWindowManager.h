// Keeps the one editor window that a configuration list has open, and, across every list of the run,
// at most one editor per configuration.
//
// Each list (the home tab's and the compact menu-bar list) has one manager, kept by the run's
// EditorRegistry so that it outlives the list's view: the main window builds its tabs anew on every
// switch, and an open editor stays open with its edits meanwhile. Opening an editor:
//   - for a configuration that already has an open editor (from this list or another): that editor
//     is raised; when another list opened it, this list's callbacks follow it (they run after the
//     owner's when it ends), so a window that hid itself for the editor comes back;
//   - otherwise, when this list's previous editor holds unsaved edits, the user is asked first, over
//     that editor; "Keep Editing" opens nothing, nor does "Discard Changes" when the configuration
//     was deleted meanwhile (the edits stay, onCancel runs). An editor without unsaved edits closes
//     at once, without running its onCancel (a new editor is opening), and the new one becomes current.
// A list never closes another list's editor. An editor whose configuration is deleted closes itself
// with a message (EditConfigurationWindow); closeEditorOf() closes one from a delete in a list.
//
// Callbacks must not need the list's view: it may be gone when the editor ends. The lists refetch on
// AppState's configuration data counter instead.
//
// Use:
//   EditConfigurationWindowManager& editors = EditorRegistry::of(state).listManager("home");
//   editors.showEditWindow(configuration, groupID, savedApps, state, *state.modelContext(),
//                          [&state](ConfigurationGroup*) { state.triggerConfigurationDataRefresh(); },
//                          [] {});
#pragma once

#include "EditConfigurationWindow.h"

#include <QObject>
#include <QPointer>

class EditConfigurationWindowManager : public QObject {
    Q_OBJECT
public:
    explicit EditConfigurationWindowManager(QObject* parent = nullptr);
    // Closes this list's editor the way closeEditWindow() does.
    ~EditConfigurationWindowManager() override;

    // Opens (or raises) the editor of `configuration` and gives it; null without a stored configuration
    // and while the user is asked whether to discard this list's unsaved edits.
    EditConfigurationWindow*
    showEditWindow(ConfigurationGroup* configuration, const std::optional<QString>& selectedPositionGroupID,
                   const QList<SavedApp*>& savedApps, AppState& appState, ModelContext& modelContext,
                   EditConfigurationWindow::OnSave onSave, EditConfigurationWindow::OnCancel onCancel);
    // Closes this list's editor, throwing its edits away, without running its callbacks.
    void closeEditWindow();
    // This list's open editor; null when none.
    EditConfigurationWindow* currentWindow() const { return m_current; }

    // The open editor of a configuration, from any list of the run; null when none.
    static EditConfigurationWindow* openEditorOf(AppState& appState, const ConfigurationGroup* configuration);
    // Closes the open editor of a configuration (from any list) without running its callbacks, as the
    // delete of that configuration in a list needs.
    static void closeEditorOf(AppState& appState, const ConfigurationGroup* configuration);

private:
    QPointer<EditConfigurationWindow> m_current;
};
