#include "UnsentEdits.h"

#include "OrderKey.h"
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
                            std::optional<int> index) {
    const QString place = SyncSchema::orderAttribute(kind);
    const QString owner = SyncSchema::ownerAttribute(kind);
    QStringList edited;
    for (auto field = fields.constBegin(); field != fields.constEnd(); ++field) {
        if (field.key() != place
                ? recorded.value(field.key()) != field.value()
                : fields.value(owner) != recorded.value(owner) || (index && field.value().toInt() != *index))
            edited.append(field.key());
    }
    return edited;
}

std::optional<int> UnsentEdits::indexOf(ModelObject::Kind kind, const QString& id,
                                        const QList<QString>& members, const Recorded& recorded) {
    const QString attribute = SyncSchema::orderAttribute(kind);
    const QJsonObject* own = attribute.isEmpty() ? nullptr : recorded(id, kind);
    if (!own)
        return std::nullopt;
    const QString ownerAttribute = SyncSchema::ownerAttribute(kind);
    const QJsonValue owner = own->value(ownerAttribute);
    const std::pair placed(own->value(attribute).toString(), id);
    int index = 0;
    for (const QString& member : members)
        if (const QJsonObject* fields = member == id ? nullptr : recorded(member, kind);
            fields && fields->value(ownerAttribute) == owner &&
            std::pair(fields->value(attribute).toString(), member) < placed)
            ++index;
    return index;
}

QSet<QString> UnsentEdits::moves(const QList<QString>& shown, const KeyOf& keyOf) {
    // A longest rising run of (key, id) in the order shown, by patience sorting: `tails[l]` is the
    // member ending the best run of length l + 1 found so far, `previous` links each run back.
    std::vector<std::pair<QString, QString>> keys;
    std::vector<qsizetype> tails, previous(size_t(shown.size()), -1);
    QSet<QString> moved;
    keys.reserve(size_t(shown.size()));
    for (qsizetype i = 0; i < shown.size(); ++i) {
        keys.emplace_back(keyOf(shown[i]), shown[i]);
        if (keys.back().first.isEmpty()) {
            moved.insert(shown[i]);
            continue;
        }
        const auto at = std::lower_bound(tails.begin(), tails.end(), i, [&](qsizetype tail, qsizetype) {
            return keys[size_t(tail)] < keys.back();
        });
        if (at != tails.begin())
            previous[size_t(i)] = *(at - 1);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    QSet<qsizetype> kept;
    for (qsizetype i = tails.empty() ? -1 : tails.back(); i >= 0; i = previous[size_t(i)])
        kept.insert(i);
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (!kept.contains(i))
            moved.insert(shown[i]);
    return moved;
}

namespace {
using Key = std::pair<QString, QString>;

// At i, the highest (key, id) of the members before i, and the lowest of those after i that `counts`;
// empty keys (members without one) count for neither.
template <class Counts>
std::pair<std::vector<Key>, std::vector<Key>> bounds(const QList<Key>& keys, const Counts& counts) {
    std::vector<Key> above(size_t(keys.size())), below(size_t(keys.size()));
    for (qsizetype i = 1; i < keys.size(); ++i)
        above[size_t(i)] =
            keys[i - 1].first.isEmpty() ? above[size_t(i - 1)] : std::max(above[size_t(i - 1)], keys[i - 1]);
    for (qsizetype i = keys.size() - 2; i >= 0; --i) {
        const Key& next = keys[i + 1];
        const Key& further = below[size_t(i + 1)];
        below[size_t(i)] = next.first.isEmpty() || !counts(i + 1) ? further
                           : further.first.isEmpty()              ? next
                                                                  : std::min(further, next);
    }
    return {std::move(above), std::move(below)};
}
} // namespace

QSet<QString> UnsentEdits::placed(const QList<QString>& shown, const KeyOf& keyOf,
                                  const QSet<QString>& movedHere) {
    QList<Key> keys;
    keys.reserve(shown.size());
    for (const QString& id : shown)
        keys.append({keyOf(id), id});
    const auto [above, below] = bounds(keys, [](qsizetype) { return true; });
    QSet<QString> placed;
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (keys[i].first.isEmpty() ||
            (movedHere.contains(shown[i]) &&
             ((!above[size_t(i)].first.isEmpty() && !(above[size_t(i)] < keys[i])) ||
              (!below[size_t(i)].first.isEmpty() && !(keys[i] < below[size_t(i)])))))
            placed.insert(shown[i]);
    return placed;
}

QHash<QString, QString> UnsentEdits::placeMoved(const QList<QString>& shown, const KeyOf& keyOf,
                                                const QSet<QString>& moved) {
    QList<Key> keys;
    keys.reserve(shown.size());
    for (const QString& id : shown)
        keys.append({keyOf(id), id});
    const std::vector<Key> below =
        bounds(keys, [&](qsizetype i) { return !moved.contains(shown[i]); }).second;
    QHash<QString, QString> placed;
    QString before;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (moved.contains(shown[i])) {
            QString after = below[size_t(i)].first;
            // Keys of members shown out of their order may cross: the lower ones give way.
            if (!after.isEmpty() && !before.isEmpty() && after <= before)
                after.clear();
            keys[i].first = OrderKey::between(before, after);
            placed.insert(shown[i], keys[i].first);
        }
        if (!keys[i].first.isEmpty() && keys[i].first > before)
            before = keys[i].first;
    }
    return placed;
}

QString UnsentEdits::unchangedCondition(const QString& column, int recorded, const QString& owners) {
    if (!owners.isEmpty())
        return QStringLiteral("(%1 IS ?%2 OR %1 NOT IN (SELECT pk FROM %3))")
            .arg(column)
            .arg(recorded)
            .arg(owners);
    return QStringLiteral("%1 IS ?%2").arg(column).arg(recorded);
}
