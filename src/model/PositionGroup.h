// One named layout of a configuration: a position for each application, by bundle identifier. It owns
// its mappings (deleting it deletes them).
#pragma once

#include "Corner.h"
#include "ModelObject.h"
#include "Relationship.h"

#include <QDateTime>
#include <QString>

#include <optional>

class AppPositionMapping;
class ConfigurationGroup;

class PositionGroup : public ModelObject {
    Q_OBJECT
public:
    explicit PositionGroup(QObject* parent = nullptr);
    PositionGroup(const QString& name, const QString& description, bool isDefault, QObject* parent = nullptr);

    static constexpr Kind staticKind = Kind::positionGroup;
    Kind kind() const override { return staticKind; }
    QList<ModelObject*> relatedObjects() const override;

    QUuid id() const { return m_id; }
    void setId(const QUuid& id) { assign(m_id, id, &PositionGroup::idChanged); }
    QString name() const { return m_name; }
    void setName(const QString& name) { assign(m_name, name, &PositionGroup::nameChanged); }
    QString desc() const { return m_desc; }
    void setDesc(const QString& desc) { assign(m_desc, desc, &PositionGroup::descChanged); }
    // Set when the group was created as a default; which group is the default is decided by
    // ConfigurationGroup::defaultPositionGroupID.
    bool isDefault() const { return m_isDefault; }
    void setIsDefault(bool isDefault) { assign(m_isDefault, isDefault, &PositionGroup::isDefaultChanged); }
    QDateTime dateCreated() const { return m_dateCreated; }
    void setDateCreated(const QDateTime& date) {
        assign(m_dateCreated, date, &PositionGroup::dateCreatedChanged);
    }

    ConfigurationGroup* configurationGroup() const { return m_configurationGroup; }
    void setConfigurationGroup(ConfigurationGroup* group);

    const std::optional<QList<AppPositionMapping*>>& appPositions() const { return m_appPositions; }
    QList<AppPositionMapping*> appPositionList() const {
        return m_appPositions.value_or(QList<AppPositionMapping*>());
    }
    void setAppPositions(const std::optional<QList<AppPositionMapping*>>& list);
    void appendAppPosition(AppPositionMapping* mapping);

    // The position of the first mapping for the bundle identifier; none when there is no such mapping.
    std::optional<Corner> getPosition(const QString& bundleID) const;
    // Updates the first mapping for the bundle identifier in place (its name kept), or appends a new one.
    void setPosition(const QString& bundleID, const QString& appName, Corner corner);

Q_SIGNALS:
    void idChanged();
    void nameChanged();
    void descChanged();
    void isDefaultChanged();
    void dateCreatedChanged();
    void configurationGroupChanged();
    void appPositionsChanged();

private:
    friend struct ConfigurationPositionGroups;
    friend struct PositionGroupMappings;

    QUuid m_id;
    QString m_name;
    QString m_desc;
    bool m_isDefault = false;
    QDateTime m_dateCreated;
    ConfigurationGroup* m_configurationGroup = nullptr;
    std::optional<QList<AppPositionMapping*>> m_appPositions;
};
