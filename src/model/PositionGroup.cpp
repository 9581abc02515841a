#include "PositionGroup.h"

#include "AppPositionMapping.h"
#include "ConfigurationGroup.h"

PositionGroup::PositionGroup(QObject* parent)
    : ModelObject(parent), m_id(newUuid()), m_dateCreated(QDateTime::currentDateTimeUtc()) {}

PositionGroup::PositionGroup(const QString& name, const QString& description, bool isDefault, QObject* parent)
    : PositionGroup(parent) {
    m_name = name;
    m_desc = description;
    m_isDefault = isDefault;
}

QList<ModelObject*> PositionGroup::relatedObjects() const {
    QList<ModelObject*> related;
    if (m_configurationGroup)
        related.append(m_configurationGroup);
    for (AppPositionMapping* mapping : appPositionList())
        related.append(mapping);
    return related;
}

void PositionGroup::setConfigurationGroup(ConfigurationGroup* group) {
    Relationship<ConfigurationPositionGroups>::setLink(this, group);
}

void PositionGroup::setAppPositions(const std::optional<QList<AppPositionMapping*>>& list) {
    Relationship<PositionGroupMappings>::setList(this, list);
}

void PositionGroup::appendAppPosition(AppPositionMapping* mapping) {
    Relationship<PositionGroupMappings>::append(this, mapping);
}

std::optional<Corner> PositionGroup::getPosition(const QString& bundleID) const {
    for (AppPositionMapping* mapping : appPositionList())
        if (mapping->bundleID() == bundleID)
            return mapping->corner();
    return std::nullopt;
}

void PositionGroup::setPosition(const QString& bundleID, const QString& appName, Corner corner) {
    if (!m_appPositions)
        setAppPositions(QList<AppPositionMapping*>());
    for (AppPositionMapping* mapping : std::as_const(*m_appPositions))
        if (mapping->bundleID() == bundleID) {
            mapping->setCorner(corner);
            return;
        }
    auto* mapping = new AppPositionMapping(bundleID, appName, corner, this);
    mapping->setPositionGroup(this);
}
