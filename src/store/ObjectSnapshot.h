// The values of one stored object at one moment: its attributes and the lists it owns (the links of
// its children follow from those lists). Taking one back restores the object exactly, list order and
// absent-versus-empty lists included.
#pragma once

#include "model/ModelObject.h"

#include <QList>

#include <memory>
#include <optional>

class ObjectSnapshot {
public:
    ObjectSnapshot() = default;
    static ObjectSnapshot capture(const ModelObject* object);

    // Attributes first for every object, then lists, so that restoring a set of objects never passes
    // through a state where a child is listed by two owners.
    void restoreAttributes(ModelObject* object) const;
    void restoreLists(ModelObject* object) const;

    // Copies every attribute (the identifier included, no relationship) between objects of one class.
    static void copyAttributes(const ModelObject* from, ModelObject* to);
    // Copies the attributes in which `from` differs from `base` (every one when `base` is nullptr).
    static void copyChangedAttributes(const ModelObject* base, const ModelObject* from, ModelObject* to);

    // What ObjectOwnership::ownedChildren gave for the object at the moment of the capture.
    QList<ModelObject*> ownedChildren(ModelObject::Kind kind) const;

private:
    using List = std::optional<QList<ModelObject*>>;

    std::shared_ptr<ModelObject> m_attributes;
    List m_first;
    List m_second;
};
