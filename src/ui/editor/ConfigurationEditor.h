// The state and the operations of one configuration editor, apart from its widgets: the positions
// chosen per application, the selected position group, the applications offered for adding, and
// adding, removing, choosing, grouping, renaming, previewing, saving and cancelling.
//
// Every edit goes into a draft of the configuration held by an edit scope of the editor's own, so
// nothing reaches the store before Save, whatever else saves the main context meanwhile; Cancel (and
// closing the window) throws the draft away. Only a rename of the configuration and the keeping of a
// running application as a saved application are written at once, each on its own.
#pragma once

#include "DraftPositionGroups.h"
#include "model/Corner.h"
#include "model/PositionGroup.h"
#include "model/PositionTemplate.h"
#include "placement/RunningApp.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>
#include <utility>

class AppConfiguration;
class AppState;
class ConfigurationGroup;
class EditScope;
class ModelContext;
class PositionGroup;
class SavedApp;
struct Platform;

class ConfigurationEditor : public QObject {
    Q_OBJECT
public:
    static constexpr int maxApps = 4;
    // Seconds between the placements of a preview.
    static constexpr double previewStagger = 0.1;
    // The order in which new applications get positions: the first one no application holds.
    static const QList<Corner>& newAppPositionOrder();

    enum class SaveResult { saved, positionRequired, failed };

    // The holder of a position: bundle identifier, application name.
    using Owner = std::pair<QString, QString>;

    // Opens a draft of `configuration` (a live object of `context`). `selectedPositionGroupID` is the
    // group to start with (the default group when absent or unknown); `savedApps` are the saved
    // applications the list holds.
    ConfigurationEditor(AppState& state, ModelContext& context, ConfigurationGroup* configuration,
                        const std::optional<QString>& selectedPositionGroupID,
                        const QList<SavedApp*>& savedApps, QObject* parent = nullptr);
    ~ConfigurationEditor() override;

    // The draft the editor shows and changes.
    ConfigurationGroup* configuration() const;
    // The stored configuration the draft came from; null once it was deleted.
    ConfigurationGroup* original() const;
    QList<AppConfiguration*> apps() const;
    AppState& state() const { return m_state; }
    Platform& platform() const;
    // False once saved, cancelled, or the configuration was deleted.
    bool isOpen() const;
    // Whether the draft holds edits that Save would write (a rename is written at once, so it is none).
    bool hasUnsavedChanges() const { return m_edited && isOpen(); }

    // --- positions ---
    QList<Corner> cornerOptions() const;
    static QString positionDisplayName(Corner corner);
    Corner selectedCorner(const AppConfiguration* app) const;
    std::optional<Owner> ownerForCorner(Corner corner, const AppConfiguration* excluding) const;
    // Refused (false) when another application holds the position.
    bool choosePosition(AppConfiguration* app, Corner corner);
    std::optional<Corner> currentPosition(const AppConfiguration* app) const;

    // --- position groups ---
    QList<PositionGroup*> positionGroups() const { return m_groups->groups(); }
    PositionGroup* selectedPositionGroup() const { return m_groups->selectedGroup(); }
    PositionGroup* defaultPositionGroup() const { return m_groups->defaultGroup(); }
    void selectPositionGroup(PositionGroup* group) { m_groups->selectGroup(group); }
    void setDefaultPositionGroup(PositionGroup* group) { m_groups->makeDefault(group); }
    void deletePositionGroup(PositionGroup* group) { m_groups->deleteGroup(group); }
    // The name is trimmed; a blank one is refused (null).
    PositionGroup* createPositionGroup(const QString& name,
                                       const std::optional<PositionTemplate>& positionTemplate) {
        return m_groups->createGroup(name, positionTemplate);
    }
    // The name is trimmed; a blank one is refused (false) and the group keeps its name.
    bool renamePositionGroup(PositionGroup* group, const QString& name) {
        return m_groups->renameGroup(group, name);
    }

    // --- applications ---
    QList<SavedApp*> availableApps() const { return m_availableApps; }
    QList<RunningApp> runningApps() const { return m_runningApps; }
    void setRunningApps(const QList<RunningApp>& apps);
    // Room left and the bundle identifier not in the configuration yet.
    bool canAdd(const QString& bundleID) const;
    Corner determinePositionForNewApp() const;
    AppConfiguration* addAppToConfiguration(SavedApp* app);
    AppConfiguration* addRunningAppToConfiguration(const RunningApp& app);
    void removeAppFromConfiguration(AppConfiguration* app);

    // --- the configuration's name: written to the store at once, on its own ---
    // On failure (blank name or a failed store write) `error` says why and nothing changed.
    bool renameConfiguration(const QString& name, QString* error = nullptr);

    // --- the whole ---
    void previewCurrentConfiguration();
    // On `failed` the draft stays open with its edits and `error` says why.
    SaveResult save(QString* error = nullptr);
    // Throws every unsaved edit away.
    void discard();

Q_SIGNALS:
    // The applications, their positions, the groups or the selection changed.
    void changed();
    void availableAppsChanged();
    void runningAppsChanged();
    void nameChanged();
    // An application could not be added; the message says which and why, for the user.
    void addFailed(const QString& message);
    // The stored configuration went away (deleted here or by another writer); the editor is closed.
    void configurationDeleted();

private:
    void initializePositionTracking();
    bool autoSaveRunningAppIfNeeded(const RunningApp& app, double width, double height);
    AppConfiguration* appendApp(AppConfiguration* app, const QString& name, Corner position);
    void edited();

    AppState& m_state;
    ModelContext& m_context;
    std::unique_ptr<EditScope> m_scope;
    QList<SavedApp*> m_savedApps;
    QList<SavedApp*> m_availableApps;
    QList<RunningApp> m_runningApps;
    QHash<QUuid, Corner> m_currentPositions;
    std::unique_ptr<DraftPositionGroups> m_groups;
    bool m_edited = false;
};
