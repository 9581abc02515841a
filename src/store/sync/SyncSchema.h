// What the sync folder carries of each stored class: its attributes (named after the store's columns)
// and how to read them from a live object. A child's owner travels as the owner's id, and its place
// in the owner's list as an order key (see OrderKey); a live object gives its index in the list.
#pragma once

#include "model/ModelObject.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace SyncSchema {
enum class Type { text, optionalText, date, optionalDate, real, integer, boolean, owner, orderKey };

struct Attribute {
    QString name;
    Type type;
};

// The synced classes, owners before their children. `Item` is never created, so it is not synced.
inline constexpr std::array<ModelObject::Kind, 5> kinds = {
    ModelObject::Kind::savedApp,           ModelObject::Kind::configurationGroup,
    ModelObject::Kind::appConfiguration,   ModelObject::Kind::positionGroup,
    ModelObject::Kind::appPositionMapping,
};

// Also the name of the class's subfolder.
QString className(ModelObject::Kind kind);
std::optional<ModelObject::Kind> kindNamed(const QString& name);
const QList<Attribute>& attributes(ModelObject::Kind kind);
// The attribute naming the owner, and the one holding the place in its list; empty for roots.
QString ownerAttribute(ModelObject::Kind kind);
QString orderAttribute(ModelObject::Kind kind);
std::optional<ModelObject::Kind> ownerKind(ModelObject::Kind kind);

bool isSynced(const ModelObject* object);
QString idOf(const ModelObject* object);
// Every attribute's current value, the owner as its id.
QJsonObject fieldsOf(const ModelObject* object);
// Whether `fields` holds exactly the current values of `object`, without building them all; the place is
// left out, as a live object's index is no key.
bool hasFields(const ModelObject* object, const QJsonObject& fields);
ModelObject* ownerOf(const ModelObject* object);

// A place of an earlier format (an integer) as the key that keeps the integers' order.
void placesToKeys(ModelObject::Kind kind, QJsonObject& fields);
// Whether `fields` holds every attribute of the class with a value of the right type, and a
// configuration's name of at most ConfigurationGroup::maxNameLength characters.
bool validate(ModelObject::Kind kind, const QJsonObject& fields, QString* why);
} // namespace SyncSchema
