// One configuration: the unit the user creates, names and activates. It owns its applications and
// its position groups (deleting it deletes them).
#pragma once

#include "ModelObject.h"
#include "Relationship.h"

#include <QDateTime>
#include <QString>

#include <optional>

class AppConfiguration;
class PositionGroup;
struct PositionTemplate;

class ConfigurationGroup : public ModelObject {
    Q_OBJECT
public:
    // Every attribute at its default: a new id, created now, no lists.
    explicit ConfigurationGroup(QObject* parent = nullptr);
    ConfigurationGroup(const QString& name, double screenWidth, double screenHeight,
                       const std::optional<QString>& description, QObject* parent = nullptr);

    static constexpr Kind staticKind = Kind::configurationGroup;
    // Longer names are refused where they are typed and where they come in from other machines.
    static constexpr qsizetype maxNameLength = 1000;
    // Empty when `name` is short enough to keep; else why not, as one sentence.
    static QString nameLengthError(const QString& name);
    Kind kind() const override { return staticKind; }
    QList<ModelObject*> relatedObjects() const override;

    QUuid id() const { return m_id; }
    void setId(const QUuid& id) { assign(m_id, id, &ConfigurationGroup::idChanged); }
    QString name() const { return m_name; }
    void setName(const QString& name) { assign(m_name, name, &ConfigurationGroup::nameChanged); }
    QDateTime dateCreated() const { return m_dateCreated; }
    void setDateCreated(const QDateTime& date) {
        assign(m_dateCreated, date, &ConfigurationGroup::dateCreatedChanged);
    }
    std::optional<QDateTime> lastActivatedAt() const { return m_lastActivatedAt; }
    void setLastActivatedAt(const std::optional<QDateTime>& date) {
        assign(m_lastActivatedAt, date, &ConfigurationGroup::lastActivatedAtChanged);
    }
    double screenWidth() const { return m_screenWidth; }
    void setScreenWidth(double width) {
        assign(m_screenWidth, width, &ConfigurationGroup::screenWidthChanged);
    }
    double screenHeight() const { return m_screenHeight; }
    void setScreenHeight(double height) {
        assign(m_screenHeight, height, &ConfigurationGroup::screenHeightChanged);
    }
    std::optional<QString> desc() const { return m_desc; }
    void setDesc(const std::optional<QString>& desc) {
        assign(m_desc, desc, &ConfigurationGroup::descChanged);
    }
    std::optional<QString> defaultPositionGroupID() const { return m_defaultPositionGroupID; }
    void setDefaultPositionGroupID(const std::optional<QString>& id) {
        assign(m_defaultPositionGroupID, id, &ConfigurationGroup::defaultPositionGroupIDChanged);
    }

    // The applications, in list order; absent is distinct from empty.
    const std::optional<QList<AppConfiguration*>>& configurations() const { return m_configurations; }
    // The applications, an absent list read as empty.
    QList<AppConfiguration*> configurationList() const {
        return m_configurations.value_or(QList<AppConfiguration*>());
    }
    void setConfigurations(const std::optional<QList<AppConfiguration*>>& list);
    // Appends at the end (creating the list when absent) and links the application to this configuration.
    void appendConfiguration(AppConfiguration* app);

    const std::optional<QList<PositionGroup*>>& positionGroups() const { return m_positionGroups; }
    QList<PositionGroup*> positionGroupList() const {
        return m_positionGroups.value_or(QList<PositionGroup*>());
    }
    void setPositionGroups(const std::optional<QList<PositionGroup*>>& list);
    void appendPositionGroup(PositionGroup* group);

    // With defaultPositionGroupID set, the first group whose id text equals it (none when no group
    // does); without it, the first group.
    PositionGroup* defaultPositionGroup() const;
    // Stores the group's id text, or clears it for nullptr; the list and the groups are untouched.
    void setDefaultPositionGroup(PositionGroup* group);

    // Creates a group owned by this configuration at the end of its list; it becomes the default
    // when isDefault is set or when it is the only group.
    PositionGroup* addPositionGroup(const QString& name, const QString& description, bool isDefault);
    // A group named `name` (the template's name when absent) with the template's description, and the
    // i-th application mapped to the template's i-th position.
    PositionGroup* createPositionGroupFromTemplate(const PositionTemplate& positionTemplate,
                                                   const std::optional<QString>& name = std::nullopt);

Q_SIGNALS:
    void idChanged();
    void nameChanged();
    void dateCreatedChanged();
    void lastActivatedAtChanged();
    void configurationsChanged();
    void screenWidthChanged();
    void screenHeightChanged();
    void descChanged();
    void positionGroupsChanged();
    void defaultPositionGroupIDChanged();

private:
    friend struct ConfigurationApps;
    friend struct ConfigurationPositionGroups;

    QUuid m_id;
    QString m_name;
    QDateTime m_dateCreated;
    std::optional<QDateTime> m_lastActivatedAt;
    std::optional<QList<AppConfiguration*>> m_configurations;
    double m_screenWidth = 0;
    double m_screenHeight = 0;
    std::optional<QString> m_desc;
    std::optional<QList<PositionGroup*>> m_positionGroups;
    std::optional<QString> m_defaultPositionGroupID;
};
