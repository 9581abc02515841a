#include "ObjectSnapshot.h"

#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/Item.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"

namespace {
using Kind = ModelObject::Kind;

template <class T> std::optional<QList<ModelObject*>> generic(const std::optional<QList<T*>>& list) {
    if (!list)
        return std::nullopt;
    QList<ModelObject*> members;
    members.reserve(list->size());
    for (T* member : *list)
        members.append(member);
    return members;
}

template <class T> std::optional<QList<T*>> typed(const std::optional<QList<ModelObject*>>& list) {
    if (!list)
        return std::nullopt;
    QList<T*> members;
    members.reserve(list->size());
    for (ModelObject* member : *list)
        members.append(static_cast<T*>(member));
    return members;
}

ModelObject* blank(Kind kind) {
    switch (kind) {
    case Kind::item:
        return new Item();
    case Kind::savedApp:
        return new SavedApp();
    case Kind::configurationGroup:
        return new ConfigurationGroup();
    case Kind::appConfiguration:
        return new AppConfiguration();
    case Kind::positionGroup:
        return new PositionGroup();
    case Kind::appPositionMapping:
        break;
    }
    return new AppPositionMapping();
}
} // namespace

ObjectSnapshot ObjectSnapshot::capture(const ModelObject* object) {
    ObjectSnapshot snapshot;
    snapshot.m_attributes.reset(blank(object->kind()));
    copyAttributes(object, snapshot.m_attributes.get());
    switch (object->kind()) {
    case Kind::configurationGroup: {
        auto* configuration = static_cast<const ConfigurationGroup*>(object);
        snapshot.m_first = generic(configuration->configurations());
        snapshot.m_second = generic(configuration->positionGroups());
        break;
    }
    case Kind::positionGroup:
        snapshot.m_first = generic(static_cast<const PositionGroup*>(object)->appPositions());
        break;
    case Kind::savedApp:
        snapshot.m_first = generic(static_cast<const SavedApp*>(object)->configurations());
        break;
    default:
        break;
    }
    return snapshot;
}

void ObjectSnapshot::restoreAttributes(ModelObject* object) const {
    if (m_attributes)
        copyAttributes(m_attributes.get(), object);
}

void ObjectSnapshot::restoreLists(ModelObject* object) const {
    if (!m_attributes)
        return;
    switch (object->kind()) {
    case Kind::configurationGroup: {
        auto* configuration = static_cast<ConfigurationGroup*>(object);
        configuration->setConfigurations(typed<AppConfiguration>(m_first));
        configuration->setPositionGroups(typed<PositionGroup>(m_second));
        break;
    }
    case Kind::positionGroup:
        static_cast<PositionGroup*>(object)->setAppPositions(typed<AppPositionMapping>(m_first));
        break;
    case Kind::savedApp:
        static_cast<SavedApp*>(object)->setConfigurations(typed<AppConfiguration>(m_first));
        break;
    default:
        break;
    }
}

void ObjectSnapshot::copyAttributes(const ModelObject* from, ModelObject* to) {
    copyChangedAttributes(nullptr, from, to);
}

namespace {
// Copies one attribute when it differs from the base (always without a base).
template <class T> struct Copy {
    const T* base;
    const T* from;
    T* to;
    template <class Get, class Set> void operator()(Get get, Set set) const {
        if (!base || (base->*get)() != (from->*get)())
            (to->*set)((from->*get)());
    }
};
} // namespace

void ObjectSnapshot::copyChangedAttributes(const ModelObject* base, const ModelObject* from,
                                           ModelObject* to) {
    Q_ASSERT(from->kind() == to->kind() && (!base || base->kind() == from->kind()));
    switch (from->kind()) {
    case Kind::item: {
        const Copy<Item> copy{static_cast<const Item*>(base), static_cast<const Item*>(from),
                              static_cast<Item*>(to)};
        copy(&Item::timestamp, &Item::setTimestamp);
        break;
    }
    case Kind::savedApp: {
        const Copy<SavedApp> copy{static_cast<const SavedApp*>(base), static_cast<const SavedApp*>(from),
                                  static_cast<SavedApp*>(to)};
        copy(&SavedApp::id, &SavedApp::setId);
        copy(&SavedApp::bundleID, &SavedApp::setBundleID);
        copy(&SavedApp::name, &SavedApp::setName);
        copy(&SavedApp::dateAdded, &SavedApp::setDateAdded);
        copy(&SavedApp::savedWidth, &SavedApp::setSavedWidth);
        copy(&SavedApp::savedHeight, &SavedApp::setSavedHeight);
        copy(&SavedApp::savedCorner, &SavedApp::setSavedCorner);
        copy(&SavedApp::savedWidthFraction, &SavedApp::setSavedWidthFraction);
        copy(&SavedApp::savedMarginX, &SavedApp::setSavedMarginX);
        copy(&SavedApp::savedMarginY, &SavedApp::setSavedMarginY);
        break;
    }
    case Kind::configurationGroup: {
        const Copy<ConfigurationGroup> copy{static_cast<const ConfigurationGroup*>(base),
                                            static_cast<const ConfigurationGroup*>(from),
                                            static_cast<ConfigurationGroup*>(to)};
        copy(&ConfigurationGroup::id, &ConfigurationGroup::setId);
        copy(&ConfigurationGroup::name, &ConfigurationGroup::setName);
        copy(&ConfigurationGroup::dateCreated, &ConfigurationGroup::setDateCreated);
        copy(&ConfigurationGroup::lastActivatedAt, &ConfigurationGroup::setLastActivatedAt);
        copy(&ConfigurationGroup::screenWidth, &ConfigurationGroup::setScreenWidth);
        copy(&ConfigurationGroup::screenHeight, &ConfigurationGroup::setScreenHeight);
        copy(&ConfigurationGroup::desc, &ConfigurationGroup::setDesc);
        copy(&ConfigurationGroup::defaultPositionGroupID, &ConfigurationGroup::setDefaultPositionGroupID);
        break;
    }
    case Kind::appConfiguration: {
        const Copy<AppConfiguration> copy{static_cast<const AppConfiguration*>(base),
                                          static_cast<const AppConfiguration*>(from),
                                          static_cast<AppConfiguration*>(to)};
        copy(&AppConfiguration::id, &AppConfiguration::setId);
        copy(&AppConfiguration::bundleID, &AppConfiguration::setBundleID);
        copy(&AppConfiguration::appName, &AppConfiguration::setAppName);
        copy(&AppConfiguration::relativePosition, &AppConfiguration::setRelativePosition);
        copy(&AppConfiguration::priority, &AppConfiguration::setPriority);
        copy(&AppConfiguration::isRequired, &AppConfiguration::setIsRequired);
        copy(&AppConfiguration::savedCorner, &AppConfiguration::setSavedCorner);
        copy(&AppConfiguration::savedWidthFraction, &AppConfiguration::setSavedWidthFraction);
        copy(&AppConfiguration::savedHeight, &AppConfiguration::setSavedHeight);
        copy(&AppConfiguration::savedMarginX, &AppConfiguration::setSavedMarginX);
        copy(&AppConfiguration::savedMarginY, &AppConfiguration::setSavedMarginY);
        break;
    }
    case Kind::positionGroup: {
        const Copy<PositionGroup> copy{static_cast<const PositionGroup*>(base),
                                       static_cast<const PositionGroup*>(from),
                                       static_cast<PositionGroup*>(to)};
        copy(&PositionGroup::id, &PositionGroup::setId);
        copy(&PositionGroup::name, &PositionGroup::setName);
        copy(&PositionGroup::desc, &PositionGroup::setDesc);
        copy(&PositionGroup::isDefault, &PositionGroup::setIsDefault);
        copy(&PositionGroup::dateCreated, &PositionGroup::setDateCreated);
        break;
    }
    case Kind::appPositionMapping: {
        const Copy<AppPositionMapping> copy{static_cast<const AppPositionMapping*>(base),
                                            static_cast<const AppPositionMapping*>(from),
                                            static_cast<AppPositionMapping*>(to)};
        copy(&AppPositionMapping::id, &AppPositionMapping::setId);
        copy(&AppPositionMapping::bundleID, &AppPositionMapping::setBundleID);
        copy(&AppPositionMapping::appName, &AppPositionMapping::setAppName);
        copy(&AppPositionMapping::savedCorner, &AppPositionMapping::setSavedCorner);
        break;
    }
    }
}

QList<ModelObject*> ObjectSnapshot::ownedChildren(ModelObject::Kind kind) const {
    // A saved application lists the applications that use it without owning them.
    if (kind == Kind::savedApp)
        return {};
    return m_first.value_or(QList<ModelObject*>()) + m_second.value_or(QList<ModelObject*>());
}
