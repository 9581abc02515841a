#include "ConfigurationGroup.h"

#include "AppConfiguration.h"
#include "PositionGroup.h"
#include "PositionTemplate.h"

#include <QLocale>

#include <algorithm>

QString ConfigurationGroup::nameLengthError(const QString& name) {
    // Characters as the user counts them: a pair of surrogates is one.
    const qsizetype length =
        name.size() - std::count_if(name.begin(), name.end(), [](QChar c) { return c.isLowSurrogate(); });
    if (length <= maxNameLength)
        return {};
    return QStringLiteral("The name is too long: %1 characters, at most %2.")
        .arg(QLocale(QLocale::English).toString(length), QLocale(QLocale::English).toString(maxNameLength));
}

ConfigurationGroup::ConfigurationGroup(QObject* parent)
    : ModelObject(parent), m_id(newUuid()), m_dateCreated(QDateTime::currentDateTimeUtc()) {}

ConfigurationGroup::ConfigurationGroup(const QString& name, double screenWidth, double screenHeight,
                                       const std::optional<QString>& description, QObject* parent)
    : ConfigurationGroup(parent) {
    m_name = name;
    m_screenWidth = screenWidth;
    m_screenHeight = screenHeight;
    m_desc = description;
}

QList<ModelObject*> ConfigurationGroup::relatedObjects() const {
    QList<ModelObject*> related;
    for (AppConfiguration* app : configurationList())
        related.append(app);
    for (PositionGroup* group : positionGroupList())
        related.append(group);
    return related;
}

void ConfigurationGroup::setConfigurations(const std::optional<QList<AppConfiguration*>>& list) {
    Relationship<ConfigurationApps>::setList(this, list);
}

void ConfigurationGroup::appendConfiguration(AppConfiguration* app) {
    Relationship<ConfigurationApps>::append(this, app);
}

void ConfigurationGroup::setPositionGroups(const std::optional<QList<PositionGroup*>>& list) {
    Relationship<ConfigurationPositionGroups>::setList(this, list);
}

void ConfigurationGroup::appendPositionGroup(PositionGroup* group) {
    Relationship<ConfigurationPositionGroups>::append(this, group);
}

PositionGroup* ConfigurationGroup::defaultPositionGroup() const {
    if (!m_positionGroups)
        return nullptr;
    if (m_defaultPositionGroupID) {
        for (PositionGroup* group : *m_positionGroups)
            if (uuidString(group->id()) == *m_defaultPositionGroupID)
                return group;
        return nullptr;
    }
    return m_positionGroups->isEmpty() ? nullptr : m_positionGroups->first();
}

void ConfigurationGroup::setDefaultPositionGroup(PositionGroup* group) {
    setDefaultPositionGroupID(group ? std::optional<QString>(uuidString(group->id())) : std::nullopt);
}

PositionGroup* ConfigurationGroup::addPositionGroup(const QString& name, const QString& description,
                                                    bool isDefault) {
    auto* group = new PositionGroup(name, description, isDefault, this);
    // Linking the group appends it to the end of the list, which is created when absent.
    group->setConfigurationGroup(this);
    if (isDefault || m_positionGroups->size() == 1)
        setDefaultPositionGroup(group);
    return group;
}

PositionGroup* ConfigurationGroup::createPositionGroupFromTemplate(const PositionTemplate& positionTemplate,
                                                                   const std::optional<QString>& name) {
    PositionGroup* group =
        addPositionGroup(name.value_or(positionTemplate.name), positionTemplate.desc, false);
    const QList<AppConfiguration*> apps = configurationList();
    for (qsizetype i = 0; i < apps.size() && i < positionTemplate.positions.size(); ++i)
        group->setPosition(apps[i]->bundleID(), apps[i]->appName(), positionTemplate.positions[i]);
    return group;
}
