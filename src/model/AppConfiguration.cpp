#include "AppConfiguration.h"

#include "ConfigurationGroup.h"
#include "SavedApp.h"

AppConfiguration::AppConfiguration(QObject* parent) : ModelObject(parent), m_id(newUuid()) {}

AppConfiguration::AppConfiguration(const QString& bundleID, const QString& appName,
                                   const QString& relativePosition, int priority, bool isRequired,
                                   Corner corner, double widthFraction, double height, double marginX,
                                   double marginY, QObject* parent)
    : AppConfiguration(parent) {
    m_bundleID = bundleID;
    m_appName = appName;
    m_relativePosition = relativePosition;
    m_priority = priority;
    m_isRequired = isRequired;
    m_savedCorner = CornerInfo::rawValue(corner);
    m_savedWidthFraction = widthFraction;
    m_savedHeight = height;
    m_savedMarginX = marginX;
    m_savedMarginY = marginY;
}

QList<ModelObject*> AppConfiguration::relatedObjects() const {
    QList<ModelObject*> related;
    if (m_configurationGroup)
        related.append(m_configurationGroup);
    if (m_savedApp)
        related.append(m_savedApp);
    return related;
}

void AppConfiguration::setSavedApp(SavedApp* app) {
    Relationship<SavedAppConfigurations>::setLink(this, app);
}

void AppConfiguration::setConfigurationGroup(ConfigurationGroup* group) {
    Relationship<ConfigurationApps>::setLink(this, group);
}

Corner AppConfiguration::corner() const {
    return CornerInfo::fromRawValue(m_savedCorner).value_or(Corner::topRight);
}
