#include "RoundOverlap.h"

#include "SyncSchema.h"
#include "SyncState.h"
#include "SyncWorker.h"
#include "UnsentEdits.h"

#include "store/ModelContext.h"

#include <QScopeGuard>

RoundOverlap::RoundOverlap(ModelContext* context, SyncWorker& worker, SyncState& state,
                           const QHash<ModelObject*, QString>& known,
                           const std::unordered_multiset<QString, IdHash>& knownIds,
                           const QSet<ModelObject*>& dirty,
                           const QHash<ModelObject*, QHash<QString, SyncStamp>>& madeAt, const Moves& moves)
    : m_context(context), m_worker(worker), m_state(state), m_known(known), m_knownIds(knownIds),
      m_dirty(dirty), m_madeAt(madeAt), m_moves(moves) {}

void RoundOverlap::noteRound(const SyncMerger::Round& round) {
    // What an earlier round wrote was not shown here either: how that one found it stands.
    const auto note = [this](const QHash<QString, SyncRecord>& found, QHash<QString, SyncRecord>& into) {
        for (auto it = found.cbegin(); it != found.cend(); ++it)
            if (!m_found.written.contains(it.key()) && !into.contains(it.key()))
                into.insert(it.key(), it.value());
    };
    note(round.before, m_found.before);
    note(round.yielded, m_found.before);
    note(round.absent, m_found.absent);
    // No living object changed: the live objects show nothing to settle.
    if (m_found.before.isEmpty()) {
        m_found = {};
        return;
    }
    m_found.written.unite(round.written);
}

std::optional<RoundOverlap::Revival> RoundOverlap::takeRevived(const QString& id) {
    const auto it = m_revived.find(id);
    if (it == m_revived.end())
        return std::nullopt;
    std::optional<Revival> record = std::move(*it);
    m_revived.erase(it);
    return record;
}

std::optional<SyncStamp> RoundOverlap::latestEdit(ModelObject* object, const QJsonObject* base,
                                                  const UnsentEdits::Recorded& held) {
    const QJsonObject fields = SyncSchema::fieldsOf(object);
    const QHash<QString, SyncStamp> madeAt = m_madeAt.value(object);
    std::optional<SyncStamp> latest;
    QStringList edited = base ? UnsentEdits::of(object->kind(), fields, *base) : fields.keys();
    if (const QString place = SyncSchema::orderAttribute(object->kind());
        base && !place.isEmpty() && !edited.contains(place) && movedHere(object, held))
        edited.append(place);
    for (const QString& key : std::as_const(edited)) {
        const auto at = madeAt.constFind(key);
        if (at != madeAt.constEnd() && (!latest || *at > *latest))
            latest = *at;
    }
    return latest;
}

bool RoundOverlap::movedHere(ModelObject* member, const UnsentEdits::Recorded& held) {
    const ModelObject* owner = SyncSchema::ownerOf(member);
    if (!owner)
        return false;
    const QString id = m_known.value(member, SyncSchema::idOf(member));
    return m_moves.reordered.contains(id) || listPlaced(owner, member->kind(), held).contains(id);
}

QSet<QString> RoundOverlap::listPlaced(const ModelObject* owner, ModelObject::Kind kind,
                                       const UnsentEdits::Recorded& held) const {
    QList<QString> shown;
    for (ModelObject* sibling : ModelContext::ownedChildren(owner))
        if (sibling->kind() == kind)
            shown.append(m_known.value(sibling, SyncSchema::idOf(sibling)));
    const QString ownerId = SyncSchema::idOf(owner);
    const QString place = SyncSchema::orderAttribute(kind);
    const QString ownerAttribute = SyncSchema::ownerAttribute(kind);
    return UnsentEdits::placed(
        shown,
        [&](const QString& id) {
            const QJsonObject* fields = held(id, kind);
            return fields && fields->value(ownerAttribute) == ownerId ? fields->value(place).toString()
                                                                      : QString();
        },
        m_moves.fewest);
}

void RoundOverlap::numberList(ModelObject* owner, ModelObject::Kind kind, const UnsentEdits::Recorded& held,
                              QHash<QString, SyncRecord>& rows) {
    const auto& entries = std::as_const(m_state).entries();
    const QString ownerId = SyncSchema::idOf(owner);
    const QString place = SyncSchema::orderAttribute(kind);
    // An owner that the rounds took away comes back as shown, whole (see Settlement::revive).
    if (const auto own = entries.constFind(ownerId);
        own == entries.constEnd() || !own->present || own->record.deleted)
        return;
    QList<QString> shown;
    QHash<QString, ModelObject*> live;
    for (ModelObject* member : ModelContext::ownedChildren(owner))
        if (member->kind() == kind) {
            shown.append(SyncSchema::idOf(member));
            live.insert(shown.back(), member);
        }
    const auto merged = [&](const QString& id) -> const SyncRecord* {
        const auto entry = entries.constFind(id);
        return entry != entries.constEnd() && entry->present && !entry->record.deleted &&
                       entry->record.kind == kind && entry->record.owner() == ownerId
                   ? &entry->record
                   : nullptr;
    };
    // Moved here later than the place merged: shown where it was put.
    QSet<QString> kept;
    const QSet<QString> moved = listPlaced(owner, kind, held);
    const HybridClock& clock = m_state.clock();
    for (const QString& id : moved) {
        const SyncRecord* record = merged(id);
        // Put in here: not merged yet.
        if (!record) {
            if (!entries.contains(id))
                kept.insert(id);
            continue;
        }
        const auto at = m_madeAt.value(live.value(id)).constFind(place);
        const SyncStamp mergedAt = record->stamps.value(place);
        if (at == m_madeAt.value(live.value(id)).constEnd() || *at > mergedAt || clock.isAhead(mergedAt))
            kept.insert(id);
    }
    QList<std::pair<QString, QString>> byKey;
    // One known here and no longer shown was taken out here.
    for (const QString& id : m_state.childrenOf(ownerId))
        if (const SyncRecord* record = merged(id);
            record && !kept.contains(id) && (live.contains(id) || !m_knownIds.contains(id)))
            byKey.append({record->fields.value(place).toString(), id});
    std::sort(byKey.begin(), byKey.end());
    QList<QString> order;
    for (const auto& [key, id] : std::as_const(byKey))
        order.append(id);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (!kept.contains(shown[i]))
            continue;
        // After every member shown before it, as the keys it gets will place it.
        qsizetype at = 0;
        for (qsizetype j = i - 1; j >= 0; --j)
            at = std::max(at, order.indexOf(shown[j]) + 1);
        order.insert(at, shown[i]);
    }
    for (qsizetype i = 0; i < order.size(); ++i) {
        auto row = rows.find(order[i]);
        if (row == rows.end()) {
            // Not weighed: as the live object shows it where it is shown, else as merged.
            SyncRecord record;
            if (const SyncRecord* known = merged(order[i]))
                record = *known;
            record.kind = kind;
            record.id = order[i];
            if (ModelObject* object = live.value(order[i]))
                record.fields = SyncSchema::fieldsOf(object);
            row = rows.insert(order[i], record);
        }
        row->fields.insert(place, int(i));
    }
}

const QSet<QString>& RoundOverlap::takenOutHere() {
    if (!m_takenOut) {
        m_takenOut.emplace();
        const auto& entries = std::as_const(m_state).entries();
        for (auto it = m_known.cbegin(); it != m_known.cend(); ++it) {
            const auto entry = entries.constFind(it.value());
            if (!m_context->contains(it.key()) && entry != entries.constEnd() && !entry->record.deleted)
                m_takenOut->insert(it.value());
        }
    }
    return *m_takenOut;
}

RoundOverlap::Settlement RoundOverlap::settleOverlap(bool saved, bool done) {
    Q_ASSERT(!m_worker.isBusy());
    Settlement settlement;
    const auto& entries = std::as_const(m_state).entries();
    // What the members held here were before the rounds merged them, as the live objects show them
    // (see UnsentEdits).
    const UnsentEdits::Recorded heldBefore = [&](const QString& id, ModelObject::Kind kind) {
        return UnsentEdits::heldBefore(entries, id, kind, m_found.found(id));
    };
    // The index of children is built for this settlement only: exports change the entries.
    m_state.forgetChildren();
    m_takenOut.reset();
    const auto forgetChildren = qScopeGuard([this] {
        m_state.forgetChildren();
        m_takenOut.reset();
    });
    const HybridClock& clock = m_state.clock();
    // A save writes the members of a changed list too, whole. An edit of an application counts as
    // one of its configuration when a round deleted that.
    QList<ModelObject*> objects;
    QSet<ModelObject*> listed;
    const auto consider = [&](ModelObject* object) {
        if (object && !listed.contains(object)) {
            listed.insert(object);
            objects.append(object);
        }
    };
    // What the live objects show of an object that a round changed or took away with a deleted owner
    // (then absent, and it may come back with the owner in the same round).
    const auto shown = [this](const QString& id) -> const SyncRecord* {
        if (const auto it = m_found.before.constFind(id); it != m_found.before.cend())
            return &*it;
        const auto it = m_found.absent.constFind(id);
        return it != m_found.absent.cend() ? &*it : nullptr;
    };
    if (saved)
        for (auto it = m_known.cbegin(); it != m_known.cend(); ++it) {
            if (!shown(it.value()))
                continue;
            if (m_context->contains(it.key())) {
                consider(it.key());
                continue;
            }
            // Deleted here while the round merged a change of it: the round may have written its row
            // again. The deletion goes out as the later change, so the row goes.
            const auto entry = entries.constFind(it.value());
            if (entry != entries.constEnd() && !entry->record.deleted) {
                SyncRecord gone;
                gone.kind = it.key()->kind();
                gone.id = it.value();
                gone.deleted = true;
                settlement.rows.append(gone);
            }
        }
    for (ModelObject* object : std::as_const(m_dirty)) {
        consider(object);
        for (ModelObject* child : ModelContext::ownedChildren(object))
            consider(child);
        ModelObject* root = object;
        while (ModelObject* owner = SyncSchema::ownerOf(root)) {
            for (ModelObject* sibling : ModelContext::ownedChildren(owner))
                consider(sibling);
            root = owner;
            consider(root);
        }
    }
    // Owners of what was deleted here since the last export. Such a deletion, like every change of a
    // list (an addition, a new order), is stamped when it goes out, after every deletion this machine
    // has merged: an edit of the list's owner, the later.
    std::optional<QSet<QString>> removedFrom;
    const auto removedHere = [&](ModelObject* owner) {
        if (!removedFrom) {
            removedFrom.emplace();
            for (const QString& id : takenOutHere())
                removedFrom->insert(entries.value(id).record.owner());
        }
        return removedFrom->contains(m_known.value(owner));
    };
    QHash<QString, SyncRecord> weighed;
    QSet<std::pair<ModelObject*, int>> lists;
    for (ModelObject* object : std::as_const(objects)) {
        const QString id = m_known.value(object);
        const SyncRecord* before = shown(id);
        const auto entry = entries.constFind(id);
        // Its list is numbered again beside what the rounds put in it, also where only it was saved.
        if (!SyncSchema::orderAttribute(object->kind()).isEmpty() && m_context->contains(object))
            lists.insert({SyncSchema::ownerOf(object), int(object->kind())});
        if (!before || entry == entries.constEnd() || !m_context->contains(object))
            continue;
        // Its id went to an object of another class: a save meanwhile may have written its row again.
        if (entry->record.kind != object->kind()) {
            settlement.drop.append(object);
            continue;
        }
        if (entry->record.deleted) {
            // Deleted by another machine while edited here: the later of the two wins, and an edit of
            // anything the object owns counts as one of the object.
            std::optional<SyncStamp> latest = latestEdit(object, &before->fields, heldBefore);
            bool listEdited = false;
            QList<ModelObject*> tree{object};
            for (qsizetype i = 0; i < tree.size(); ++i) {
                ModelObject* member = tree[i];
                listEdited = listEdited || removedHere(member);
                if (i > 0) {
                    // Against what it was before the rounds, as the live objects show it: the state no
                    // longer holds what went with the deleted owner.
                    const QJsonObject* recorded = heldBefore(m_known.value(member), member->kind());
                    // Put in here, or moved here within its list.
                    listEdited = listEdited || !m_known.contains(member) ||
                                 (recorded && movedHere(member, heldBefore));
                    if (const std::optional<SyncStamp> at = latestEdit(member, recorded, heldBefore);
                        at && (!latest || *at > *latest))
                        latest = at;
                }
                tree.append(ModelContext::ownedChildren(member));
            }
            if (!listEdited &&
                (!latest || (*latest < entry->record.stamp && !clock.isAhead(entry->record.stamp))))
                settlement.drop.append(object);
            else {
                settlement.revive.append(object);
                const bool byEdit = !listEdited && latest && *latest > entry->record.stamp;
                m_revived.insert(id, {*before, byEdit ? latest : std::nullopt});
                for (QList<QString> queue = m_state.childrenOf(id); !queue.isEmpty();) {
                    const QString child = queue.takeFirst();
                    const auto member = entries.constFind(child);
                    // One shown here once and missing now was deleted here.
                    if (member == entries.constEnd() || member->present || member->record.deleted ||
                        m_knownIds.contains(child))
                        continue;
                    // A row: its index among what the state holds of its list, by key.
                    SyncRecord row = member->record;
                    if (const QString place = SyncSchema::orderAttribute(row.kind); !place.isEmpty())
                        row.fields.insert(place, UnsentEdits::indexOf(
                                                     row.kind, child, m_state.childrenOf(row.owner()),
                                                     [&](const QString& other, ModelObject::Kind k) {
                                                         return UnsentEdits::shown(entries, other, k, true);
                                                     })
                                                     .value_or(0));
                    settlement.reviveMembers.append(row);
                    queue.append(m_state.childrenOf(child));
                }
                // What another machine deleted on its own, later than any edit of it here, stays deleted.
                for (qsizetype i = 1; i < tree.size(); ++i) {
                    ModelObject* member = tree[i];
                    const QString memberId = m_known.value(member);
                    const auto own = entries.constFind(memberId);
                    if (memberId.isEmpty() || own == entries.constEnd() || !own->record.deleted)
                        continue;
                    const std::optional<SyncStamp> at =
                        latestEdit(member, heldBefore(memberId, member->kind()), heldBefore);
                    if (!at || (*at < own->record.stamp && !clock.isAhead(own->record.stamp)))
                        settlement.drop.append(member);
                }
            }
            continue;
        }
        // Per attribute: this machine's edit where it is the later, else what the round merged. The
        // row is written whole either way: the round may have written over the edit's save. Places
        // go with their lists, below.
        const QJsonObject fields = SyncSchema::fieldsOf(object);
        const QHash<QString, SyncStamp> madeAt = m_madeAt.value(object);
        const QString place = SyncSchema::orderAttribute(object->kind());
        const QStringList edited = UnsentEdits::of(object->kind(), fields, before->fields);
        SyncRecord row = entry->record;
        bool differs = false;
        for (auto field = fields.constBegin(); field != fields.constEnd(); ++field) {
            if (field.key() == place || row.fields.value(field.key()) == field.value())
                continue;
            differs = true;
            const auto at = madeAt.constFind(field.key());
            const SyncStamp merged = row.stamps.value(field.key());
            if (at != madeAt.constEnd() && (*at > merged || clock.isAhead(merged)) &&
                edited.contains(field.key()))
                row.fields.insert(field.key(), field.value());
        }
        if (!place.isEmpty())
            lists.insert({SyncSchema::ownerOf(object), int(object->kind())});
        if (differs || !place.isEmpty())
            weighed.insert(id, row);
    }
    for (const auto& [owner, kind] : std::as_const(lists))
        if (owner && m_context->contains(owner))
            numberList(owner, ModelObject::Kind(kind), heldBefore, weighed);
    // Owners before what they own.
    for (ModelObject::Kind kind : SyncSchema::kinds)
        for (const SyncRecord& row : std::as_const(weighed)) {
            // A member whose list is gone here goes with it.
            const QString place = SyncSchema::orderAttribute(row.kind);
            if (row.kind == kind && (place.isEmpty() || row.fields.value(place).isDouble()))
                settlement.rows.append(row);
        }
    if (done)
        m_found = {};
    return settlement;
}
