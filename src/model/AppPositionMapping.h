// The position of one application, named by bundle identifier, inside one position group.
#pragma once

#include "Corner.h"
#include "ModelObject.h"
#include "Relationship.h"

#include <QString>

class PositionGroup;

class AppPositionMapping : public ModelObject {
    Q_OBJECT
public:
    explicit AppPositionMapping(QObject* parent = nullptr);
    AppPositionMapping(const QString& bundleID, const QString& appName, Corner corner,
                       QObject* parent = nullptr);

    static constexpr Kind staticKind = Kind::appPositionMapping;
    Kind kind() const override { return staticKind; }
    QList<ModelObject*> relatedObjects() const override;

    QUuid id() const { return m_id; }
    void setId(const QUuid& id) { assign(m_id, id, &AppPositionMapping::idChanged); }
    QString bundleID() const { return m_bundleID; }
    void setBundleID(const QString& id) { assign(m_bundleID, id, &AppPositionMapping::bundleIDChanged); }
    QString appName() const { return m_appName; }
    void setAppName(const QString& name) { assign(m_appName, name, &AppPositionMapping::appNameChanged); }
    QString savedCorner() const { return m_savedCorner; }
    void setSavedCorner(const QString& corner) {
        assign(m_savedCorner, corner, &AppPositionMapping::savedCornerChanged);
    }

    PositionGroup* positionGroup() const { return m_positionGroup; }
    void setPositionGroup(PositionGroup* group);

    // savedCorner as a position; topLeft when the text names none.
    Corner corner() const;
    void setCorner(Corner corner) { setSavedCorner(CornerInfo::rawValue(corner)); }

Q_SIGNALS:
    void idChanged();
    void bundleIDChanged();
    void appNameChanged();
    void savedCornerChanged();
    void positionGroupChanged();

private:
    friend struct PositionGroupMappings;

    QUuid m_id;
    QString m_bundleID;
    QString m_appName;
    QString m_savedCorner = QStringLiteral("topLeft");
    PositionGroup* m_positionGroup = nullptr;
};
