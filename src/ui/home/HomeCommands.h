// The commands behind the home tab's buttons: creating a configuration and opening its editor, the
// deletions with their questions, and saving a running application. A failure is logged and shown in
// an error dialog; a success shows in the lists at once.
#pragma once

#include "HomeDialogs.h"
#include "placement/RunningApp.h"
#include "platform/Platform.h"
#include "ui/editor/CreateConfigurationSheet.h"
#include "ui/editor/EditConfigurationWindowManager.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <optional>

class AppState;
class ConfigurationGroup;
class HomeLists;
class QWidget;
class SavedApp;

class HomeCommands {
public:
    // The dialogs and the sheet open over `parent`.
    HomeCommands(Platform& platform, AppState& state, HomeLists& lists, QWidget* parent);

    // Gives the error when the configuration could not be stored; none on success and for an
    // empty name.
    std::optional<QString> createConfiguration(const QString& name);
    void confirmRemoveConfiguration(ConfigurationGroup* configuration);
    bool removeConfiguration(ConfigurationGroup* configuration);
    void confirmClearAllConfigurations();
    bool clearAllConfigurations();
    void confirmRemoveSavedApp(SavedApp* app);
    bool removeSavedApp(SavedApp* app);
    void confirmClearAllSavedApps();
    bool clearAllSavedApps();
    void saveApp(const RunningApp& app);
    void openEditor(ConfigurationGroup* configuration, std::optional<QString> positionGroupID);
    void showCreateSheet();

    // The confirmation or error dialog open now, if any.
    QMessageBox* openDialog() const { return m_dialogs.openDialog(); }
    // The home list's editor manager: it outlives the home tab, and so does its open editor.
    EditConfigurationWindowManager& editWindowManager();
    CreateConfigurationSheet* createSheet() const { return m_createSheet; }

private:
    Platform& m_platform;
    AppState& m_state;
    HomeLists& m_lists;
    QWidget* m_parent;
    QPointer<CreateConfigurationSheet> m_createSheet;
    HomeDialogs m_dialogs;
};
