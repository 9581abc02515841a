#include "SavedApp.h"

#include "AppConfiguration.h"

SavedApp::SavedApp(QObject* parent)
    : ModelObject(parent), m_id(newUuid()), m_dateAdded(QDateTime::currentDateTimeUtc()) {}

SavedApp::SavedApp(const QString& bundleID, const QString& name, double width, double height, Corner corner,
                   double widthFraction, double marginX, double marginY, QObject* parent)
    : SavedApp(parent) {
    m_bundleID = bundleID;
    m_name = name;
    m_savedWidth = width;
    m_savedHeight = height;
    m_savedCorner = CornerInfo::rawValue(corner);
    m_savedWidthFraction = widthFraction;
    m_savedMarginX = marginX;
    m_savedMarginY = marginY;
}

QList<ModelObject*> SavedApp::relatedObjects() const {
    QList<ModelObject*> related;
    for (AppConfiguration* app : configurationList())
        related.append(app);
    return related;
}

void SavedApp::setConfigurations(const std::optional<QList<AppConfiguration*>>& list) {
    Relationship<SavedAppConfigurations>::setList(this, list);
}

Corner SavedApp::corner() const {
    return CornerInfo::fromRawValue(m_savedCorner).value_or(Corner::topRight);
}
