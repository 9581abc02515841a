#include "SyncSchema.h"

#include "OrderKey.h"

#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"
#include "store/IsoDate.h"
#include "store/ObjectOwnership.h"
#include "store/StoreSchema.h"

#include <QDateTime>

namespace {
using Kind = ModelObject::Kind;
using SyncSchema::Attribute;
using T = SyncSchema::Type;

QJsonValue date(const QDateTime& value) {
    return isoDateText(value);
}

QJsonValue optionalDate(const std::optional<QDateTime>& value) {
    return value ? date(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue optionalText(const std::optional<QString>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue idValue(const ModelObject* object) {
    return object ? QJsonValue(SyncSchema::idOf(object)) : QJsonValue(QJsonValue::Null);
}

template <class List, class Child> int placeIn(const List& list, const Child* child) {
    return list ? int(list->indexOf(const_cast<Child*>(child))) : 0;
}

bool hasType(T type, const QJsonValue& value) {
    switch (type) {
    case T::text:
        return value.isString();
    case T::optionalText:
        return value.isString() || value.isNull();
    case T::date:
        return value.isString() && QDateTime::fromString(value.toString(), Qt::ISODateWithMs).isValid();
    case T::optionalDate:
        return value.isNull() || hasType(T::date, value);
    case T::real:
        return value.isDouble();
    case T::integer:
        return value.isDouble() && value.toDouble() == double(qint64(value.toDouble()));
    case T::boolean:
        return value.isBool();
    case T::owner:
        return value.isString() && !QUuid::fromString(value.toString()).isNull();
    case T::orderKey:
        return value.isString() && OrderKey::isValid(value.toString());
    }
    return false;
}

// Hands every attribute of `object` to visit(name, value).
template <class Visit> void forEachField(const ModelObject* object, Visit&& visit) {
    switch (object->kind()) {
    case Kind::savedApp: {
        const auto* a = static_cast<const SavedApp*>(object);
        visit(QStringLiteral("bundleID"), a->bundleID());
        visit(QStringLiteral("name"), a->name());
        visit(QStringLiteral("dateAdded"), date(a->dateAdded()));
        visit(QStringLiteral("savedWidth"), a->savedWidth());
        visit(QStringLiteral("savedHeight"), a->savedHeight());
        visit(QStringLiteral("savedCorner"), a->savedCorner());
        visit(QStringLiteral("savedWidthFraction"), a->savedWidthFraction());
        visit(QStringLiteral("savedMarginX"), a->savedMarginX());
        visit(QStringLiteral("savedMarginY"), a->savedMarginY());
        visit(QStringLiteral("hasConfigurations"), a->configurations().has_value());
        return;
    }
    case Kind::configurationGroup: {
        const auto* c = static_cast<const ConfigurationGroup*>(object);
        visit(QStringLiteral("name"), c->name());
        visit(QStringLiteral("dateCreated"), date(c->dateCreated()));
        visit(QStringLiteral("lastActivatedAt"), optionalDate(c->lastActivatedAt()));
        visit(QStringLiteral("screenWidth"), c->screenWidth());
        visit(QStringLiteral("screenHeight"), c->screenHeight());
        visit(QStringLiteral("desc"), optionalText(c->desc()));
        visit(QStringLiteral("defaultPositionGroupID"), optionalText(c->defaultPositionGroupID()));
        visit(QStringLiteral("hasConfigurations"), c->configurations().has_value());
        visit(QStringLiteral("hasPositionGroups"), c->positionGroups().has_value());
        return;
    }
    case Kind::appConfiguration: {
        const auto* a = static_cast<const AppConfiguration*>(object);
        const ConfigurationGroup* owner = a->configurationGroup();
        visit(QStringLiteral("configurationGroup"), idValue(owner));
        visit(QStringLiteral("configurationGroupOrder"), owner ? placeIn(owner->configurations(), a) : 0);
        visit(QStringLiteral("bundleID"), a->bundleID());
        visit(QStringLiteral("appName"), a->appName());
        visit(QStringLiteral("relativePosition"), a->relativePosition());
        visit(QStringLiteral("priority"), a->priority());
        visit(QStringLiteral("isRequired"), a->isRequired());
        visit(QStringLiteral("savedCorner"), a->savedCorner());
        visit(QStringLiteral("savedWidthFraction"), a->savedWidthFraction());
        visit(QStringLiteral("savedHeight"), a->savedHeight());
        visit(QStringLiteral("savedMarginX"), a->savedMarginX());
        visit(QStringLiteral("savedMarginY"), a->savedMarginY());
        return;
    }
    case Kind::positionGroup: {
        const auto* g = static_cast<const PositionGroup*>(object);
        const ConfigurationGroup* owner = g->configurationGroup();
        visit(QStringLiteral("name"), g->name());
        visit(QStringLiteral("desc"), g->desc());
        visit(QStringLiteral("isDefault"), g->isDefault());
        visit(QStringLiteral("dateCreated"), date(g->dateCreated()));
        visit(QStringLiteral("configurationGroup"), idValue(owner));
        visit(QStringLiteral("configurationGroupOrder"), owner ? placeIn(owner->positionGroups(), g) : 0);
        visit(QStringLiteral("hasAppPositions"), g->appPositions().has_value());
        return;
    }
    case Kind::appPositionMapping: {
        const auto* m = static_cast<const AppPositionMapping*>(object);
        const PositionGroup* owner = m->positionGroup();
        visit(QStringLiteral("bundleID"), m->bundleID());
        visit(QStringLiteral("appName"), m->appName());
        visit(QStringLiteral("savedCorner"), m->savedCorner());
        visit(QStringLiteral("positionGroup"), idValue(owner));
        visit(QStringLiteral("positionGroupOrder"), owner ? placeIn(owner->appPositions(), m) : 0);
        return;
    }
    case Kind::item:
        break;
    }
}
} // namespace

// The folders of the sync folder are named like the store's tables.
QString SyncSchema::className(Kind kind) {
    return StoreSchema::tableName(kind);
}

std::optional<Kind> SyncSchema::kindNamed(const QString& name) {
    for (Kind kind : kinds)
        if (className(kind) == name)
            return kind;
    return std::nullopt;
}

const QList<Attribute>& SyncSchema::attributes(Kind kind) {
    static const QList<Attribute> savedApp = {
        {QStringLiteral("bundleID"), T::text},           {QStringLiteral("name"), T::text},
        {QStringLiteral("dateAdded"), T::date},          {QStringLiteral("savedWidth"), T::real},
        {QStringLiteral("savedHeight"), T::real},        {QStringLiteral("savedCorner"), T::text},
        {QStringLiteral("savedWidthFraction"), T::real}, {QStringLiteral("savedMarginX"), T::real},
        {QStringLiteral("savedMarginY"), T::real},       {QStringLiteral("hasConfigurations"), T::boolean},
    };
    static const QList<Attribute> configurationGroup = {
        {QStringLiteral("name"), T::text},
        {QStringLiteral("dateCreated"), T::date},
        {QStringLiteral("lastActivatedAt"), T::optionalDate},
        {QStringLiteral("screenWidth"), T::real},
        {QStringLiteral("screenHeight"), T::real},
        {QStringLiteral("desc"), T::optionalText},
        {QStringLiteral("defaultPositionGroupID"), T::optionalText},
        {QStringLiteral("hasConfigurations"), T::boolean},
        {QStringLiteral("hasPositionGroups"), T::boolean},
    };
    static const QList<Attribute> appConfiguration = {
        {QStringLiteral("configurationGroup"), T::owner},
        {QStringLiteral("configurationGroupOrder"), T::orderKey},
        {QStringLiteral("bundleID"), T::text},
        {QStringLiteral("appName"), T::text},
        {QStringLiteral("relativePosition"), T::text},
        {QStringLiteral("priority"), T::integer},
        {QStringLiteral("isRequired"), T::boolean},
        {QStringLiteral("savedCorner"), T::text},
        {QStringLiteral("savedWidthFraction"), T::real},
        {QStringLiteral("savedHeight"), T::real},
        {QStringLiteral("savedMarginX"), T::real},
        {QStringLiteral("savedMarginY"), T::real},
    };
    static const QList<Attribute> positionGroup = {
        {QStringLiteral("name"), T::text},
        {QStringLiteral("desc"), T::text},
        {QStringLiteral("isDefault"), T::boolean},
        {QStringLiteral("dateCreated"), T::date},
        {QStringLiteral("configurationGroup"), T::owner},
        {QStringLiteral("configurationGroupOrder"), T::orderKey},
        {QStringLiteral("hasAppPositions"), T::boolean},
    };
    static const QList<Attribute> appPositionMapping = {
        {QStringLiteral("bundleID"), T::text},
        {QStringLiteral("appName"), T::text},
        {QStringLiteral("savedCorner"), T::text},
        {QStringLiteral("positionGroup"), T::owner},
        {QStringLiteral("positionGroupOrder"), T::orderKey},
    };
    static const QList<Attribute> none;
    switch (kind) {
    case Kind::savedApp:
        return savedApp;
    case Kind::configurationGroup:
        return configurationGroup;
    case Kind::appConfiguration:
        return appConfiguration;
    case Kind::positionGroup:
        return positionGroup;
    case Kind::appPositionMapping:
        return appPositionMapping;
    case Kind::item:
        break;
    }
    return none;
}

QString SyncSchema::ownerAttribute(Kind kind) {
    switch (kind) {
    case Kind::appConfiguration:
    case Kind::positionGroup:
        return QStringLiteral("configurationGroup");
    case Kind::appPositionMapping:
        return QStringLiteral("positionGroup");
    default:
        return {};
    }
}

QString SyncSchema::orderAttribute(Kind kind) {
    const QString owner = ownerAttribute(kind);
    return owner.isEmpty() ? owner : owner + QStringLiteral("Order");
}

std::optional<Kind> SyncSchema::ownerKind(Kind kind) {
    switch (kind) {
    case Kind::appConfiguration:
    case Kind::positionGroup:
        return Kind::configurationGroup;
    case Kind::appPositionMapping:
        return Kind::positionGroup;
    default:
        return std::nullopt;
    }
}

bool SyncSchema::isSynced(const ModelObject* object) {
    return object && object->kind() != Kind::item;
}

QString SyncSchema::idOf(const ModelObject* object) {
    switch (object->kind()) {
    case Kind::savedApp:
        return uuidString(static_cast<const SavedApp*>(object)->id());
    case Kind::configurationGroup:
        return uuidString(static_cast<const ConfigurationGroup*>(object)->id());
    case Kind::appConfiguration:
        return uuidString(static_cast<const AppConfiguration*>(object)->id());
    case Kind::positionGroup:
        return uuidString(static_cast<const PositionGroup*>(object)->id());
    case Kind::appPositionMapping:
        return uuidString(static_cast<const AppPositionMapping*>(object)->id());
    case Kind::item:
        break;
    }
    return {};
}

ModelObject* SyncSchema::ownerOf(const ModelObject* object) {
    return ObjectOwnership::ownerOf(object);
}

QJsonObject SyncSchema::fieldsOf(const ModelObject* object) {
    QJsonObject fields;
    forEachField(object, [&](const QString& name, const QJsonValue& value) { fields.insert(name, value); });
    return fields;
}

bool SyncSchema::hasFields(const ModelObject* object, const QJsonObject& fields) {
    bool same = true;
    qsizetype count = 0;
    const QString place = orderAttribute(object->kind());
    forEachField(object, [&](const QString& name, const QJsonValue& value) {
        if (!same)
            return;
        const auto it = fields.constFind(name);
        if (name == place) {
            same = it != fields.constEnd();
            ++count;
            return;
        }
        same = it != fields.constEnd() && *it == value;
        ++count;
    });
    return same && count == fields.size();
}

void SyncSchema::placesToKeys(Kind kind, QJsonObject& fields) {
    const QString place = orderAttribute(kind);
    if (const auto it = fields.find(place); it != fields.end() && hasType(T::integer, *it))
        *it = OrderKey::fromPlace(qint64(it->toDouble()));
}

bool SyncSchema::validate(Kind kind, const QJsonObject& fields, QString* why) {
    for (const Attribute& attribute : attributes(kind)) {
        const auto it = fields.constFind(attribute.name);
        if (it == fields.constEnd() || !hasType(attribute.type, *it)) {
            if (why)
                *why =
                    QStringLiteral("attribute \"%1\" is missing or has the wrong type").arg(attribute.name);
            return false;
        }
    }
    // A name that no one could type here would reach every machine's lists and console.
    if (kind == Kind::configurationGroup &&
        !ConfigurationGroup::nameLengthError(fields.value(QStringLiteral("name")).toString()).isEmpty()) {
        if (why)
            *why = QStringLiteral("name longer than %1 characters").arg(ConfigurationGroup::maxNameLength);
        return false;
    }
    return true;
}
