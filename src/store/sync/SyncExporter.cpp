#include "SyncExporter.h"

#include "OrderKey.h"
#include "SyncSchema.h"
#include "SyncState.h"
#include "SyncWorker.h"
#include "UnsentEdits.h"

#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"
#include "store/ModelContext.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace {
using Kind = ModelObject::Kind;

template <class T> void appendAll(ModelContext* context, QList<ModelObject*>& objects) {
    for (T* object : context->fetch<T>())
        objects.append(object);
}

QList<ModelObject*> liveObjects(ModelContext* context) {
    QList<ModelObject*> objects;
    appendAll<SavedApp>(context, objects);
    appendAll<ConfigurationGroup>(context, objects);
    appendAll<AppConfiguration>(context, objects);
    appendAll<PositionGroup>(context, objects);
    appendAll<AppPositionMapping>(context, objects);
    return objects;
}

int rank(Kind kind) {
    return int(std::find(SyncSchema::kinds.begin(), SyncSchema::kinds.end(), kind) -
               SyncSchema::kinds.begin());
}
} // namespace

SyncExporter::SyncExporter(ModelContext* context, SyncWorker& worker, SyncFolder& folder, SyncState& state,
                           Hooks hooks)
    : m_context(context), m_worker(worker), m_state(state),
      m_writes(worker, folder, state, std::move(hooks)) {
    connect(context, &ModelContext::deletedHere, this, [this](ModelObject* object) {
        if (!m_dropping.contains(object))
            m_deletedHere.insert(object);
    });
}

void SyncExporter::track(ModelObject* object) {
    const QString id = SyncSchema::idOf(object);
    m_known.insert(object, id);
    m_knownIds.insert(id);
    // What it looks like is taken at its first change: a library's worth of objects taken on at once
    // would cost the main thread dearly, and a change with nothing to compare against only stamps
    // every attribute at the time of the change, which the export then uses for those that differ.
    connect(object, &ModelObject::changed, this, [this, object] { noticeChange(object); });
}

void SyncExporter::untrack(ModelObject* object) {
    m_overlap.forget(m_known.value(object));
    disconnect(object, &ModelObject::changed, this, nullptr);
    m_seen.remove(object);
    m_madeAt.remove(object);
    m_moves.fewest.remove(m_known.value(object));
    m_moves.reordered.remove(m_known.value(object));
    m_dropping.remove(object);
}

void SyncExporter::noticeChange(ModelObject* object) {
    // Read in from the store just as an import merged it: nothing to send. Left to the export, a large
    // import would have every object it touched compared again, a slice per turn. Only what the store
    // brings in counts: an edit made while a round is read in, such as a new order (which changes none
    // of the owner's attributes), is this machine's.
    if (m_context->isApplyingStore() && !m_dirty.contains(object) && !m_waiting.contains(object) &&
        !m_backlog.isPending(object)) {
        if (const QJsonObject* merged = mergedFields(object);
            merged && SyncSchema::hasFields(object, *merged)) {
            m_seen[object] = *merged;
            return;
        }
    }
    const QJsonObject fields = SyncSchema::fieldsOf(object);
    QJsonObject& seen = m_seen[object];
    m_dirty.insert(object);
    // The change is stamped now, when it is made, not when it is saved (a second later by the autosave,
    // or much later for the keyboard's moves): a later edit on another machine must win over it.
    std::optional<SyncStamp> stamp;
    // Not taken yet (see track()): every attribute counts as changed now.
    for (auto field = fields.constBegin(); field != fields.constEnd(); ++field)
        if (seen.value(field.key()) != field.value()) {
            if (!stamp)
                stamp = m_state.clock().tick();
            m_madeAt[object].insert(field.key(), *stamp);
        }
    seen = fields;
    // A new order of a list changes its members' places without a change of theirs. Only the user's
    // moves send a place (see SyncExporter::Moves); every member whose order the user changed is
    // stamped now, so that a deletion of it made elsewhere after the move wins over it.
    if (m_context->isApplyingStore())
        return;
    const Moves moves = movesIn(object);
    m_moves.fewest.unite(moves.fewest);
    m_moves.reordered.unite(moves.reordered);
    for (ModelObject* member : ModelContext::ownedChildren(object)) {
        const QString place = SyncSchema::orderAttribute(member->kind());
        if (const auto memberSeen = m_seen.find(member); memberSeen != m_seen.end())
            memberSeen->insert(place, SyncSchema::fieldsOf(member).value(place));
        if (!moves.reordered.contains(SyncSchema::idOf(member)))
            continue;
        if (!stamp)
            stamp = m_state.clock().tick();
        m_madeAt[member].insert(place, *stamp);
    }
}

SyncExporter::Moves SyncExporter::movesIn(const ModelObject* owner) const {
    // A new owner's members are all put in here.
    const std::optional<QList<ModelObject*>> before = m_context->ownedChildrenBefore(owner);
    if (!before)
        return {};
    const QList<ModelObject*> now = ModelContext::ownedChildren(owner);
    Moves moves;
    for (const ModelObject::Kind kind :
         {Kind::appConfiguration, Kind::positionGroup, Kind::appPositionMapping}) {
        // The order before, as keys.
        QHash<QString, QString> was;
        for (ModelObject* member : *before)
            if (member->kind() == kind)
                was.insert(SyncSchema::idOf(member), QString::number(was.size()).rightJustified(10, u'0'));
        QList<QString> shown;
        for (ModelObject* member : now)
            if (member->kind() == kind)
                shown.append(SyncSchema::idOf(member));
        const UnsentEdits::KeyOf keyOf = [&](const QString& id) { return was.value(id); };
        moves.fewest.unite(UnsentEdits::moves(shown, keyOf));
        moves.reordered.unite(UnsentEdits::placed(shown, keyOf, QSet<QString>(shown.cbegin(), shown.cend())));
    }
    return moves;
}

const QJsonObject* SyncExporter::mergedFields(ModelObject* object) const {
    if (m_worker.isBusy())
        return nullptr;
    const SyncEntries& entries = std::as_const(m_state).entries();
    const auto entry = entries.constFind(m_known.value(object));
    if (entry == entries.constEnd() || !entry->present || entry->record.deleted ||
        entry->record.kind != object->kind())
        return nullptr;
    return &entry->record.fields;
}

bool SyncExporter::isStored(const ModelObject* object) const {
    for (const ModelObject* o = object; o; o = SyncSchema::ownerOf(o))
        if (!m_context->contains(o) || (SyncSchema::ownerKind(o->kind()) && !SyncSchema::ownerOf(o)))
            return false;
    return true;
}

SyncExporter::Result SyncExporter::exportChanges(QString* error) {
    Q_ASSERT(!m_worker.isBusy());
    SyncEntries& entries = m_state.entries();
    // A slice at a time: a whole library (when sync is set up, or once a large import is loaded)
    // would hold the main thread for long. What is left waits in the backlog for the next call.
    const bool scanned = m_backlog.isEmpty();
    if (scanned) {
        QList<ModelObject*> starts;
        QList<ModelObject*> untracked;
        for (ModelObject* object : liveObjects(m_context)) {
            if (m_known.contains(object))
                continue;
            untracked.append(object);
            const ModelObject* owner = SyncSchema::ownerOf(object);
            // Taken on with its owner's tree.
            if (!owner || m_known.contains(const_cast<ModelObject*>(owner)) || !m_context->contains(owner))
                starts.append(object);
        }
        m_backlog.addTrees(starts);
        // Grown once now: grown a slice at a time, the state would be rehashed whole in some slices.
        // Only by what it lacks: objects that an import just read in are in it already, and growing for
        // them would rehash the whole state in this turn for nothing. Counted, not looked up (that
        // costs as much): what it holds beyond the objects taken on is taken for theirs.
        if (untracked.size() > slice) {
            qsizetype held = 0;
            for (const SyncState::Entry& entry : entries.hot())
                held += entry.record.deleted ? 0 : 1;
            entries.reserve(entries.hot().size() + untracked.size() -
                            std::clamp(held - m_known.size(), qsizetype(0), untracked.size()));
        }
    }
    // With everything it owns: a child stamped in a later slice would raise its owner's stamp and write
    // the owner's file once more.
    const QList<ModelObject*> taken = m_backlog.take(slice, *m_context, [this](ModelObject* member) {
        if (m_known.contains(member))
            return false;
        track(member);
        return true;
    });
    QSet<QString> takenIds;
    for (ModelObject* object : taken) {
        m_dirty.insert(object);
        takenIds.insert(m_known.value(object));
    }
    // Only a scan made now knows that nothing new waits.
    const bool allTracked = scanned && m_backlog.isEmpty();
    // What left the store: (rank of its class, id).
    QList<std::pair<int, QString>> gone;
    QSet<QString> deletedHere;
    for (auto it = m_known.begin(); it != m_known.end();) {
        if (m_context->contains(it.key())) {
            ++it;
            continue;
        }
        untrack(it.key());
        gone.append({rank(it.key()->kind()), it.value()});
        if (m_deletedHere.contains(it.key()))
            deletedHere.insert(it.value());
        m_knownIds.erase(m_knownIds.find(it.value()));
        it = m_known.erase(it);
    }
    // The rest were taken back.
    m_deletedHere.clear();
    if (!m_startedExport && allTracked) {
        // Deleted while the program was not running (another program, a restored backup), or before it
        // stopped and not written out yet (absent, of an owner that an edit here brought back; see
        // below).
        m_startedExport = true;
        // Packed entries are tombstones.
        for (auto it = entries.hot().cbegin(); it != entries.hot().cend(); ++it)
            if (!it->record.deleted && !m_knownIds.contains(it.key()))
                gone.append({rank(it->record.kind), it.key()});
    }

    // An edit of an application brings back its configuration where that is a tombstone here (the
    // edit was the later; see settleOverlap), and with it everything it owns.
    QList<ModelObject*> revived;
    for (ModelObject* object : std::as_const(m_dirty))
        for (ModelObject* owner = SyncSchema::ownerOf(object); owner; owner = SyncSchema::ownerOf(owner)) {
            const auto known = entries.constFind(m_known.value(owner));
            if (known != entries.constEnd() && known->record.deleted && m_context->contains(owner))
                revived.append(owner);
        }
    for (ModelObject* owner : std::as_const(revived))
        m_dirty.insert(owner);

    // A changed list moves its members' places.
    QList<ModelObject*> dirty;
    for (ModelObject* object : std::as_const(m_dirty)) {
        if (!m_context->contains(object))
            continue;
        if (m_rejoining.contains(m_known.value(object))) {
            m_waiting.insert(object);
            continue;
        }
        if (!isStored(object)) {
            // Taken out of its owner's list: the store keeps it no longer, and neither does the folder.
            // It stays known, should it be put back.
            QList<ModelObject*> detached{object};
            while (!detached.isEmpty()) {
                ModelObject* member = detached.takeFirst();
                gone.append({rank(member->kind()), m_known.value(member)});
                detached.append(ModelContext::ownedChildren(member));
            }
            continue;
        }
        dirty.append(object);
        for (ModelObject* child : ModelContext::ownedChildren(object))
            if (m_known.contains(child) && !m_dirty.contains(child) &&
                !m_rejoining.contains(m_known.value(child)))
                dirty.append(child);
    }
    m_dirty.clear();
    const auto byKind = [](ModelObject* a, ModelObject* b) { return rank(a->kind()) < rank(b->kind()); };
    std::stable_sort(dirty.begin(), dirty.end(), byKind);
    std::stable_sort(gone.begin(), gone.end());
    if (dirty.size() > slice) {
        // Whole trees per slice (see above), owners before what they own.
        QHash<const ModelObject*, QList<ModelObject*>> byRoot;
        QList<const ModelObject*> roots;
        for (ModelObject* object : std::as_const(dirty)) {
            const ModelObject* root = object;
            while (const ModelObject* owner = SyncSchema::ownerOf(root))
                root = owner;
            QList<ModelObject*>& members = byRoot[root];
            if (members.isEmpty())
                roots.append(root);
            members.append(object);
        }
        dirty.clear();
        QList<ModelObject*> later;
        for (const ModelObject* root : std::as_const(roots)) {
            const QList<ModelObject*>& members = byRoot.value(root);
            if (!later.isEmpty() || (!dirty.isEmpty() && dirty.size() + members.size() > slice)) {
                // Into the backlog: later slices take them without sorting all of them again.
                m_backlog.addPending(QSet<ModelObject*>(members.begin(), members.end()));
                later.append(const_cast<ModelObject*>(root));
                continue;
            }
            dirty.append(members);
        }
        m_backlog.addTrees(later);
        std::stable_sort(dirty.begin(), dirty.end(), byKind);
    }
    m_more = !allTracked || !m_backlog.isEmpty();

    std::optional<SyncStamp> stamp;
    const auto now = [&] {
        if (!stamp)
            stamp = m_state.clock().tick();
        return *stamp;
    };
    const QString& machine = m_state.clock().machine();
    // The new keys of the members moved or put in here (see UnsentEdits::placed), weighed against the
    // entries as they were before this export.
    QHash<QString, QString> newKeys;
    QSet<std::pair<const ModelObject*, int>> lists;
    for (ModelObject* object : std::as_const(dirty))
        if (const ModelObject* owner = SyncSchema::ownerOf(object))
            lists.insert({owner, int(object->kind())});
    for (const auto& [owner, kind] : std::as_const(lists)) {
        QList<QString> shown;
        QList<ModelObject*> members;
        for (ModelObject* member : ModelContext::ownedChildren(owner))
            if (int(member->kind()) == kind) {
                shown.append(m_known.value(member, SyncSchema::idOf(member)));
                members.append(member);
            }
        const QString ownerId = SyncSchema::idOf(owner);
        const QString place = SyncSchema::orderAttribute(ModelObject::Kind(kind));
        const QString ownerAttribute = SyncSchema::ownerAttribute(ModelObject::Kind(kind));
        // One brought back after a deletion stays where it stood, where it still stands there.
        const auto recorded = [&](const QString& id) -> std::pair<const QJsonObject*, bool> {
            if (const QJsonObject* fields =
                    UnsentEdits::shown(entries, id, Kind(kind), m_knownIds.contains(id)))
                return {fields, false};
            const SyncRecord* before = m_overlap.revivedBefore(id);
            return before && before->kind == Kind(kind) ? std::pair(&before->fields, true)
                                                        : std::pair(nullptr, false);
        };
        const UnsentEdits::KeyOf keyOf = [&](const QString& id) {
            const QJsonObject* fields = recorded(id).first;
            return fields && fields->value(ownerAttribute) == ownerId ? fields->value(place).toString()
                                                                      : QString();
        };
        QSet<QString> movedHere = m_moves.fewest;
        for (const QString& id : std::as_const(shown))
            if (recorded(id).second)
                movedHere.insert(id);
        // Members taken on only now were saved before this run or moved before they were taken on (the
        // live objects show every round by then): their moves are told from the order shown against the
        // recorded one.
        if (std::any_of(shown.cbegin(), shown.cend(),
                        [&](const QString& id) { return takenIds.contains(id); }))
            movedHere.unite(UnsentEdits::moves(shown, keyOf));
        const QHash<QString, QString> placed =
            UnsentEdits::placeMoved(shown, keyOf, UnsentEdits::placed(shown, keyOf, movedHere));
        newKeys.insert(placed);
        // Shown otherwise than the keys give it (saved here before a round was read in): the rows are
        // numbered by key, as every other machine shows the list.
        QList<std::pair<std::pair<QString, QString>, ModelObject*>> byKey;
        for (qsizetype i = 0; i < shown.size(); ++i)
            byKey.append({{placed.value(shown[i], keyOf(shown[i])), shown[i]}, members[i]});
        std::stable_sort(byKey.begin(), byKey.end(),
                         [](const auto& x, const auto& y) { return x.first < y.first; });
        for (qsizetype i = 0; i < byKey.size(); ++i)
            if (byKey[i].second != members[i]) {
                for (qsizetype at = 0; at < byKey.size(); ++at) {
                    SyncRecord row;
                    row.kind = ModelObject::Kind(kind);
                    row.id = byKey[at].first.second;
                    row.fields = SyncSchema::fieldsOf(byKey[at].second);
                    row.fields.insert(place, int(at));
                    m_misordered.append(row);
                }
                break;
            }
    }
    // The exports below change the entries.
    m_state.forgetChildren();
    // The objects whose files change, and those only kept in the sync state (whether the store holds
    // them), whose files are written only where the folder lacks them.
    QSet<QString> changed;
    QSet<QString> kept;
    QSet<QString> madeNow;
    for (qsizetype d = 0; d < dirty.size(); ++d) {
        ModelObject* object = dirty[d];
        const QString id = m_known.value(object);
        if (id.isEmpty())
            continue;
        QJsonObject fields = SyncSchema::fieldsOf(object);
        const QString place = SyncSchema::orderAttribute(object->kind());
        const auto newKey = newKeys.constFind(id);
        m_moves.fewest.remove(id);
        m_moves.reordered.remove(id);
        const QHash<QString, SyncStamp> madeAt = m_madeAt.take(object);
        // When it was made, and after the change it replaces even when that one's clock was ahead.
        const auto stampOf = [&](const QString& key, const std::optional<SyncStamp>& replaced) {
            const SyncStamp made = madeAt.value(key, now());
            return replaced ? std::max(made, replaced->after(machine)) : made;
        };
        auto it = entries.find(id);
        // Its id went to an object of another class (see SyncRound): its row is on its way out.
        if (it != entries.end() && it->record.kind != object->kind())
            continue;
        if (it != entries.end() && !it->record.deleted) {
            // Only a member moved or put in here sends a place: its new key.
            if (!place.isEmpty())
                fields.insert(place, newKey != newKeys.cend() ? *newKey : it->record.fields.value(place));
            QStringList differing = UnsentEdits::of(object->kind(), fields, it->record.fields);
            if (!place.isEmpty() && !differing.contains(place) &&
                fields.value(place) != it->record.fields.value(place))
                differing.append(place);
            if (differing.isEmpty()) {
                if (!it->present) {
                    it->present = true;
                    kept.insert(id);
                }
                continue;
            }
            for (const QString& key : std::as_const(differing)) {
                const auto replaced = it->record.stamps.constFind(key);
                const SyncStamp changedAt = stampOf(key, it->record.stamps.value(key));
                // What the edit replaced: a machine that made that value knows this was made after it.
                if (replaced != it->record.stamps.cend())
                    it->record.seen.insert(key, *replaced);
                else
                    it->record.seen.remove(key);
                it->record.fields.insert(key, fields.value(key));
                it->record.stamps.insert(key, changedAt);
                it->record.stamp = std::max(it->record.stamp, changedAt);
            }
            it->json.clear();
            it->present = true;
        } else {
            // New here, or back after a deletion: every attribute is this machine's now, but those that
            // an edit here brought back as they were keep their stamps, so that a later edit of another
            // machine's that never saw the deletion still wins over them.
            SyncRecord record;
            record.kind = object->kind();
            record.id = id;
            const std::optional<RoundOverlap::Revival> revival = m_overlap.takeRevived(id);
            if (!place.isEmpty())
                fields.insert(place, newKey != newKeys.cend() ? *newKey
                                     : revival && revival->before.fields.contains(place)
                                         ? revival->before.fields.value(place)
                                         : QJsonValue(OrderKey::between({}, {})));
            record.fields = fields;
            const std::optional<SyncStamp> tombstone =
                it != entries.end() ? std::optional(it->record.stamp) : std::nullopt;
            record.stamp = revival && revival->editedAt && tombstone
                               ? std::max(*revival->editedAt, tombstone->after(machine))
                               : stampOf(QString(), tombstone);
            const SyncRecord* was = revival ? &revival->before : nullptr;
            for (auto field = fields.constBegin(); field != fields.constEnd(); ++field) {
                SyncStamp at = record.stamp;
                if (was && was->stamps.contains(field.key())) {
                    const SyncStamp wasAt = was->stamps.value(field.key());
                    if (was->fields.value(field.key()) == field.value()) {
                        at = wasAt;
                        if (const auto seen = was->seen.constFind(field.key()); seen != was->seen.cend())
                            record.seen.insert(field.key(), *seen);
                    } else if (wasAt < at) {
                        // What the edit replaced.
                        record.seen.insert(field.key(), wasAt);
                    }
                }
                record.stamps.insert(field.key(), at);
                record.stamp = std::max(record.stamp, at);
            }
            const SyncFolder::Signature file = it != entries.end() ? it->file : SyncFolder::Signature{};
            if (it == entries.end())
                madeNow.insert(id);
            entries.insert(id, SyncState::Entry{record, true, file, QByteArray()});
        }
        changed.insert(id);
        m_state.touchOwners(id, entries.value(id).record.stamp, changed);
    }
    for (const auto& [kindRank, id] : std::as_const(gone)) {
        auto it = entries.find(id);
        // Gone because its id went to an object of another class: nothing of it goes out.
        if (it == entries.end() || rank(it->record.kind) != kindRank)
            continue;
        // A round took in another machine's deletion while the windows still showed the object, and it
        // was deleted here then: that is the later change, which an edit made elsewhere meanwhile,
        // unaware of either, must not outweigh. Otherwise the deletion is that round's, and stands.
        if (it->record.deleted && !deletedHere.contains(id))
            continue;
        const QString owner = it->record.owner();
        const auto ownerEntry = entries.constFind(owner);
        const bool ownerHeld = ownerEntry != entries.constEnd() && !ownerEntry->record.deleted &&
                               ownerEntry->present &&
                               SyncSchema::ownerKind(it->record.kind) == ownerEntry->record.kind;
        // Absent since a round deleted its owner (or gave the owner's id to another class), deleted
        // here, and the owner brought back by an edit made here: the folder still holds it.
        if (!it->record.deleted && !it->present && !ownerHeld)
            continue;
        if (!owner.isEmpty() && !ownerHeld) {
            // Went with its owner: the owner's tombstone says so, and should the owner come back,
            // this comes back with it. Its file stays as it is.
            it->present = false;
            kept.insert(id);
            continue;
        }
        // With the values it deleted: should a later edit elsewhere bring it back, it comes back with
        // the newest of them.
        SyncRecord tombstone = it->record;
        tombstone.deleted = true;
        tombstone.stamp = std::max(now(), it->record.stamp.after(machine));
        tombstone.seen.insert(SyncRecord::wholeObject, it->record.stamp);
        m_state.touchOwners(id, tombstone.stamp, changed);
        it->record = tombstone;
        it->json.clear();
        it->present = false;
        changed.insert(id);
    }
    for (const QString& id : std::as_const(kept))
        if (!changed.contains(id) && entries.value(id).file == SyncFolder::Signature{})
            changed.insert(id);
    if (changed.isEmpty() && kept.isEmpty())
        return Result::unchanged;
    kept.unite(changed);
    QString message;
    if (!m_writes.writeFiles(changed, &message, kept)) {
        if (error)
            *error = message;
        return Result::failed;
    }
    return Result::written;
}

void SyncExporter::rejoined() {
    m_rejoining.clear();
    if (m_waiting.isEmpty())
        return;
    // Compared with what the folder holds now, a slice at a time from the next export on.
    m_backlog.addPending(m_waiting);
    m_waiting.clear();
    QList<ModelObject*> roots;
    appendAll<SavedApp>(m_context, roots);
    appendAll<ConfigurationGroup>(m_context, roots);
    m_backlog.addTrees(roots);
}
