#include "Relationship.h"

#include "AppConfiguration.h"
#include "AppPositionMapping.h"
#include "ConfigurationGroup.h"
#include "PositionGroup.h"
#include "SavedApp.h"

namespace {
template <class Object, class Signal> void announce(Object* object, Signal signal) {
    Q_EMIT(object->*signal)();
    object->didChange(ModelObserver::Change::relationship);
}
} // namespace

std::optional<QList<AppConfiguration*>>& ConfigurationApps::list(ConfigurationGroup* owner) {
    return owner->m_configurations;
}
ConfigurationGroup*& ConfigurationApps::link(AppConfiguration* child) {
    return child->m_configurationGroup;
}
void ConfigurationApps::listChanged(ConfigurationGroup* owner) {
    announce(owner, &ConfigurationGroup::configurationsChanged);
}
void ConfigurationApps::linkChanged(AppConfiguration* child) {
    announce(child, &AppConfiguration::configurationGroupChanged);
}

std::optional<QList<PositionGroup*>>& ConfigurationPositionGroups::list(ConfigurationGroup* owner) {
    return owner->m_positionGroups;
}
ConfigurationGroup*& ConfigurationPositionGroups::link(PositionGroup* child) {
    return child->m_configurationGroup;
}
void ConfigurationPositionGroups::listChanged(ConfigurationGroup* owner) {
    announce(owner, &ConfigurationGroup::positionGroupsChanged);
}
void ConfigurationPositionGroups::linkChanged(PositionGroup* child) {
    announce(child, &PositionGroup::configurationGroupChanged);
}

std::optional<QList<AppPositionMapping*>>& PositionGroupMappings::list(PositionGroup* owner) {
    return owner->m_appPositions;
}
PositionGroup*& PositionGroupMappings::link(AppPositionMapping* child) {
    return child->m_positionGroup;
}
void PositionGroupMappings::listChanged(PositionGroup* owner) {
    announce(owner, &PositionGroup::appPositionsChanged);
}
void PositionGroupMappings::linkChanged(AppPositionMapping* child) {
    announce(child, &AppPositionMapping::positionGroupChanged);
}

std::optional<QList<AppConfiguration*>>& SavedAppConfigurations::list(SavedApp* owner) {
    return owner->m_configurations;
}
SavedApp*& SavedAppConfigurations::link(AppConfiguration* child) {
    return child->m_savedApp;
}
void SavedAppConfigurations::listChanged(SavedApp* owner) {
    announce(owner, &SavedApp::configurationsChanged);
}
void SavedAppConfigurations::linkChanged(AppConfiguration* child) {
    announce(child, &AppConfiguration::savedAppChanged);
}
