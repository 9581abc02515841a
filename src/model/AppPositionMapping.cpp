#include "AppPositionMapping.h"

#include "PositionGroup.h"

AppPositionMapping::AppPositionMapping(QObject* parent) : ModelObject(parent), m_id(newUuid()) {}

AppPositionMapping::AppPositionMapping(const QString& bundleID, const QString& appName, Corner corner,
                                       QObject* parent)
    : AppPositionMapping(parent) {
    m_bundleID = bundleID;
    m_appName = appName;
    m_savedCorner = CornerInfo::rawValue(corner);
}

QList<ModelObject*> AppPositionMapping::relatedObjects() const {
    QList<ModelObject*> related;
    if (m_positionGroup)
        related.append(m_positionGroup);
    return related;
}

void AppPositionMapping::setPositionGroup(PositionGroup* group) {
    Relationship<PositionGroupMappings>::setLink(this, group);
}

Corner AppPositionMapping::corner() const {
    return CornerInfo::fromRawValue(m_savedCorner).value_or(Corner::topLeft);
}
