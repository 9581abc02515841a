#include "DraftPositionGroups.h"

#include "activation/ConfigurationActivator.h"
#include "app/AppState.h"
#include "base/Log.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "store/EditScope.h"
#include "store/ModelContext.h"

#include <QSet>

#include <utility>

namespace {
const QString customGroupDescription = QStringLiteral("Custom position group");
}

DraftPositionGroups::DraftPositionGroups(AppState& state, EditScope& scope,
                                         const std::optional<QString>& selectedPositionGroupID)
    : m_state(state), m_scope(scope) {
    ConfigurationGroup* draft = m_scope.configuration();
    if (!draft)
        return;
    if (selectedPositionGroupID && draft->positionGroups()) {
        for (PositionGroup* group : draft->positionGroupList()) {
            if (uuidString(group->id()) == *selectedPositionGroupID) {
                m_selected = group;
                logDebug(lcUi, QStringLiteral("📱 Edit modal: Using passed position group '") + group->name() +
                                   QStringLiteral("' from main menu selection"));
                recordSelection(group, false);
                return;
            }
        }
    }
    m_selected = draft->defaultPositionGroup();
    logDebug(lcUi, QStringLiteral("📱 Edit modal: Using default position group '") +
                       (m_selected ? m_selected->name() : QStringLiteral("none")) + QStringLiteral("'"));
    // Opening is no choice of the user's: the compact list opens on the default group, which must not
    // re-place the selected configuration when another group was chosen for it.
    if (m_selected)
        recordSelection(m_selected, false);
}

void DraftPositionGroups::recordSelection(const PositionGroup* group, bool apply) {
    const ModelObject* live = group ? m_scope.originalOf(group) : nullptr;
    if (group && !(live && m_scope.context()->contains(live))) {
        m_unstoredSelection = uuidString(group->id());
        return;
    }
    m_unstoredSelection.reset();
    record(group ? uuidString(group->id()) : QString(), apply);
}

void DraftPositionGroups::recordSavedSelection() {
    if (m_unstoredSelection)
        record(*std::exchange(m_unstoredSelection, std::nullopt), true);
}

void DraftPositionGroups::record(const QString& id, bool apply) {
    ConfigurationGroup* stored = m_scope.original();
    const QString before = m_state.selectedPositionGroupForConfig().value(uuidString(stored->id()));
    m_state.setSelectedPositionGroup(uuidString(stored->id()), id);
    if (!apply)
        return;
    // Applied by the rows' own rule whichever list opened the editor, also when no row is on screen to
    // see the change (the attached window hides while its editor is open); placed as from the list
    // the program shows in its present form.
    const auto variant = m_state.isMainWindowAttached() ? ConfigurationActivator::Variant::menuBar
                                                        : ConfigurationActivator::Variant::mainWindow;
    ConfigurationActivator(m_state.platform(), variant, {stored, &m_state, [id] { return id; }, {}})
        .positionGroupSelectionChanged(before, id, false);
}

QList<PositionGroup*> DraftPositionGroups::groups() const {
    ConfigurationGroup* draft = m_scope.configuration();
    return draft ? draft->positionGroupList() : QList<PositionGroup*>();
}

PositionGroup* DraftPositionGroups::defaultGroup() const {
    ConfigurationGroup* draft = m_scope.configuration();
    return draft ? draft->defaultPositionGroup() : nullptr;
}

void DraftPositionGroups::selectGroup(PositionGroup* group) {
    m_selected = group;
    recordSelection(group);
    Q_EMIT selectionChanged();
}

void DraftPositionGroups::makeDefault(PositionGroup* group) {
    if (!m_scope.configuration())
        return;
    m_scope.configuration()->setDefaultPositionGroup(group);
    logInfo(lcUi, QStringLiteral("✅ Set '") + group->name() + QStringLiteral("' as default position group"));
    Q_EMIT groupsEdited();
}

void DraftPositionGroups::deleteGroup(PositionGroup* group) {
    ConfigurationGroup* draft = m_scope.configuration();
    if (!draft)
        return;
    const QString name = group->name();
    const QUuid id = group->id();
    if (draft->positionGroups()) {
        QList<PositionGroup*> remaining;
        for (PositionGroup* g : draft->positionGroupList()) {
            if (g->id() != id)
                remaining.append(g);
        }
        draft->setPositionGroups(remaining);
    }
    // The default's id stays: the configuration has no default group until the user sets one (a
    // cleared id would make the first remaining group the default behind the user's back).
    if (m_selected && m_selected->id() == id) {
        const QList<PositionGroup*> groups = draft->positionGroupList();
        m_selected = groups.isEmpty() ? nullptr : groups.first();
        recordSelection(m_selected);
    }
    logInfo(lcUi, QStringLiteral("🗑️ Deleted position group '") + name + QStringLiteral("'"));
    Q_EMIT groupsEdited();
}

PositionGroup* DraftPositionGroups::createGroup(const QString& name,
                                                const std::optional<PositionTemplate>& positionTemplate) {
    const QString trimmed = name.trimmed();
    ConfigurationGroup* draft = m_scope.configuration();
    if (trimmed.isEmpty() || !draft)
        return nullptr;
    PositionGroup* group = positionTemplate
                               ? draft->createPositionGroupFromTemplate(*positionTemplate, trimmed)
                               : draft->addPositionGroup(trimmed, customGroupDescription, false);
    m_selected = group;
    recordSelection(group);
    logInfo(lcUi, QStringLiteral("✅ Created position group '") + trimmed + QStringLiteral("'"));
    Q_EMIT groupsEdited();
    return group;
}

bool DraftPositionGroups::renameGroup(PositionGroup* group, const QString& name) {
    if (!group)
        return false;
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        logWarning(lcUi, QStringLiteral("❌ Position group name cannot be empty"));
        return false;
    }
    group->setName(trimmed);
    logInfo(lcUi, QStringLiteral("✅ Saved position group name: '") + trimmed + QStringLiteral("'"));
    Q_EMIT groupsEdited();
    return true;
}

bool DraftPositionGroups::adoptChosenPositions(const QHash<QUuid, Corner>& chosen) {
    ConfigurationGroup* draft = m_scope.configuration();
    if (!draft->positionGroupList().isEmpty())
        return true;
    const QList<AppConfiguration*> list = draft->configurationList();
    for (const AppConfiguration* app : list) {
        if (!chosen.contains(app->id()))
            return false;
    }
    PositionGroup* group = draft->addPositionGroup(QStringLiteral("Custom"), customGroupDescription, true);
    for (const AppConfiguration* app : list)
        group->setPosition(app->bundleID(), app->appName(), chosen.value(app->id()));
    m_selected = group;
    return true;
}

void DraftPositionGroups::dropMappingsOfRemovedApps() {
    QSet<QString> present;
    if (ConfigurationGroup* draft = m_scope.configuration()) {
        for (const AppConfiguration* app : draft->configurationList())
            present.insert(app->bundleID());
    }
    for (PositionGroup* group : groups()) {
        if (!group->appPositions())
            continue;
        QList<AppPositionMapping*> kept;
        for (AppPositionMapping* mapping : group->appPositionList()) {
            if (present.contains(mapping->bundleID()))
                kept.append(mapping);
        }
        if (kept.size() != group->appPositionList().size())
            group->setAppPositions(kept);
    }
}
