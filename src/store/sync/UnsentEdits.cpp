#include "UnsentEdits.h"

#include "SyncSchema.h"

#include <algorithm>
#include <utility>
#include <vector>

const QJsonObject* UnsentEdits::held(const SyncEntries& entries, const QString& id, ModelObject::Kind kind) {
    return shown(entries, id, kind, false);
}

const QJsonObject* UnsentEdits::shown(const SyncEntries& entries, const QString& id, ModelObject::Kind kind,
                                      bool shown) {
    // Packed entries are tombstones: what is returned lies in the hash.
    const auto entry = entries.constFind(id);
    return entry != entries.constEnd() && (entry->present || shown) && !entry->record.deleted &&
                   entry->record.kind == kind
               ? &entry->record.fields
               : nullptr;
}

const QJsonObject* UnsentEdits::heldBefore(const SyncEntries& entries, const QString& id,
                                           ModelObject::Kind kind, const Found& found) {
    if (!found)
        return held(entries, id, kind);
    const SyncRecord* record = *found;
    return record && !record->deleted && record->kind == kind ? &record->fields : nullptr;
}

QStringList UnsentEdits::of(ModelObject::Kind kind, const QJsonObject& fields, const QJsonObject& recorded,
                            const std::optional<Place>& place) {
    QStringList edited;
    for (auto field = fields.constBegin(); field != fields.constEnd(); ++field)
        if (holds(kind, field.key(), fields, recorded, place))
            edited.append(field.key());
    return edited;
}

QStringList UnsentEdits::outweighing(ModelObject::Kind kind, const QJsonObject& fields,
                                     const QJsonObject& recorded, const std::optional<Place>& place) {
    QStringList edited = of(kind, fields, recorded, place);
    edited.removeIf([&](const QString& key) { return restates(kind, key, fields, recorded, place); });
    return edited;
}

bool UnsentEdits::holds(ModelObject::Kind kind, const QString& attribute, const QJsonObject& fields,
                        const QJsonObject& recorded, const std::optional<Place>& place) {
    const QJsonValue value = fields.value(attribute);
    if (recorded.value(attribute) == value)
        return false;
    if (!place || attribute != SyncSchema::orderAttribute(kind))
        return true;
    // Put in another list here: its place there is part of that edit.
    const QString owner = SyncSchema::ownerAttribute(kind);
    return fields.value(owner) != recorded.value(owner) || isMove(value.toDouble(), *place);
}

bool UnsentEdits::restates(ModelObject::Kind kind, const QString& attribute, const QJsonObject& fields,
                           const QJsonObject& recorded, const std::optional<Place>& place) {
    const QString owner = SyncSchema::ownerAttribute(kind);
    const double shown = fields.value(attribute).toDouble();
    return place && attribute == SyncSchema::orderAttribute(kind) &&
           fields.value(owner) == recorded.value(owner) && isMove(shown, *place) && shown == place->rankShown;
}

std::optional<UnsentEdits::Place> UnsentEdits::placeOf(ModelObject::Kind kind, const QString& id,
                                                       const QList<QString>& members,
                                                       const Recorded& recorded,
                                                       const StillShown& stillShown) {
    const QString attribute = SyncSchema::orderAttribute(kind);
    const QJsonObject* own = attribute.isEmpty() ? nullptr : recorded(id, kind);
    if (!own)
        return std::nullopt;
    const QString ownerAttribute = SyncSchema::ownerAttribute(kind);
    const QJsonValue owner = own->value(ownerAttribute);
    const std::pair placed(own->value(attribute).toDouble(), id);
    Place place{placed.first, 0, 0};
    for (const QString& member : members)
        if (const QJsonObject* fields = member == id ? nullptr : recorded(member, kind);
            fields && fields->value(ownerAttribute) == owner &&
            std::pair(fields->value(attribute).toDouble(), member) < placed) {
            ++place.rank;
            place.rankShown += !stillShown || stillShown(member) ? 1 : 0;
        }
    return place;
}

bool UnsentEdits::isTied(ModelObject::Kind kind, const QList<QString>& members, const Recorded& recorded) {
    const QString attribute = SyncSchema::orderAttribute(kind);
    std::vector<double> places;
    for (const QString& member : members)
        if (const QJsonObject* fields = recorded(member, kind))
            places.push_back(fields->value(attribute).toDouble());
    std::sort(places.begin(), places.end());
    return std::adjacent_find(places.begin(), places.end()) != places.end();
}

QString UnsentEdits::unchangedCondition(const QString& column, int recorded, std::optional<int> rank,
                                        const QString& owners) {
    if (!owners.isEmpty())
        return QStringLiteral("(%1 IS ?%2 OR %1 NOT IN (SELECT pk FROM %3))")
            .arg(column)
            .arg(recorded)
            .arg(owners);
    if (!rank)
        return QStringLiteral("%1 IS ?%2").arg(column).arg(recorded);
    return QStringLiteral("(%1 IS ?%2 OR %1 IS ?%3)").arg(column).arg(recorded).arg(*rank);
}
