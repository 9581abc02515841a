// The position groups of a configuration editor's draft and the group the editor shows: choosing,
// creating, renaming, deleting and making one the default, all on the draft. The group shown is kept
// in the application state per configuration, so that the main menu starts with the same one; the
// rows act on every change of that choice, so a group made in the draft is recorded there only once
// Save has stored it. Every recorded change is applied as a pick on the configuration's row would be.
#pragma once

#include "model/Corner.h"
#include "model/PositionGroup.h"
#include "model/PositionTemplate.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>

#include <optional>

class AppState;
class EditScope;

class DraftPositionGroups : public QObject {
    Q_OBJECT
public:
    // Starts with the group `selectedPositionGroupID` names (the default group when absent or unknown).
    DraftPositionGroups(AppState& state, EditScope& scope,
                        const std::optional<QString>& selectedPositionGroupID);

    QList<PositionGroup*> groups() const;
    PositionGroup* selectedGroup() const { return m_selected; }
    PositionGroup* defaultGroup() const;
    void selectGroup(PositionGroup* group);
    void makeDefault(PositionGroup* group);
    void deleteGroup(PositionGroup* group);
    // The name is trimmed; a blank one is refused (null).
    PositionGroup* createGroup(const QString& name, const std::optional<PositionTemplate>& positionTemplate);
    // The name is trimmed; a blank one is refused (false) and the group keeps its name.
    bool renameGroup(PositionGroup* group, const QString& name);

    // A draft without groups gets the `chosen` positions as its default group, shown from then on;
    // false, with nothing changed, when an application of the draft has none.
    bool adoptChosenPositions(const QHash<QUuid, Corner>& chosen);
    // Removes the mappings of applications no longer in the configuration from every group.
    void dropMappingsOfRemovedApps();
    void forgetSelection() {
        m_selected = nullptr;
        m_unstoredSelection.reset();
    }
    // After a successful Save: records the group shown when it was made in the draft.
    void recordSavedSelection();

Q_SIGNALS:
    // Another group is shown.
    void selectionChanged();
    // The groups of the draft changed, or the group shown with them.
    void groupsEdited();

private:
    // Records the group in the application state (none: ""), applied when `apply`, or keeps its id for
    // Save when the store does not hold it yet.
    void recordSelection(const PositionGroup* group, bool apply = true);
    // Records a stored group's id and, when `apply`, applies it to the selected configuration as a
    // pick on its row would.
    void record(const QString& id, bool apply);

    AppState& m_state;
    EditScope& m_scope;
    QPointer<PositionGroup> m_selected;
    std::optional<QString> m_unstoredSelection;
};
