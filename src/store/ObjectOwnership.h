// Which stored object owns which: a configuration owns its applications and position groups, a
// position group its mappings. Items and saved applications are roots; an application's link to a
// saved application is no ownership.
#pragma once

#include "model/ModelObject.h"

#include <QList>

namespace ObjectOwnership {
// The members of the object's owned lists: a configuration's applications and position groups,
// a position group's mappings.
QList<ModelObject*> ownedChildren(const ModelObject* object);
// The owner whose list holds the object: a configuration or a position group; nullptr for a root.
ModelObject* ownerOf(const ModelObject* object);
// Takes the object out of its owner's list; a root stays as it is.
void leaveOwner(ModelObject* object);
} // namespace ObjectOwnership
