#include "ObjectOwnership.h"

#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"

namespace ObjectOwnership {
using Kind = ModelObject::Kind;

QList<ModelObject*> ownedChildren(const ModelObject* object) {
    QList<ModelObject*> children;
    if (object->kind() == Kind::configurationGroup) {
        const auto* configuration = static_cast<const ConfigurationGroup*>(object);
        for (AppConfiguration* app : configuration->configurationList())
            children.append(app);
        for (PositionGroup* group : configuration->positionGroupList())
            children.append(group);
    } else if (object->kind() == Kind::positionGroup) {
        for (AppPositionMapping* mapping : static_cast<const PositionGroup*>(object)->appPositionList())
            children.append(mapping);
    }
    return children;
}

ModelObject* ownerOf(const ModelObject* object) {
    switch (object->kind()) {
    case Kind::appConfiguration:
        return static_cast<const AppConfiguration*>(object)->configurationGroup();
    case Kind::positionGroup:
        return static_cast<const PositionGroup*>(object)->configurationGroup();
    case Kind::appPositionMapping:
        return static_cast<const AppPositionMapping*>(object)->positionGroup();
    default:
        return nullptr;
    }
}

void leaveOwner(ModelObject* object) {
    switch (object->kind()) {
    case Kind::appConfiguration:
        static_cast<AppConfiguration*>(object)->setConfigurationGroup(nullptr);
        break;
    case Kind::positionGroup:
        static_cast<PositionGroup*>(object)->setConfigurationGroup(nullptr);
        break;
    case Kind::appPositionMapping:
        static_cast<AppPositionMapping*>(object)->setPositionGroup(nullptr);
        break;
    default:
        break;
    }
}
} // namespace ObjectOwnership
