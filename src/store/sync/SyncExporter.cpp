#include "SyncExporter.h"

#include "SyncSchema.h"
#include "SyncState.h"
#include "SyncWorker.h"

#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"
#include "store/ModelContext.h"

#include <algorithm>
#include <memory>

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
    : m_context(context), m_worker(worker), m_folder(folder), m_state(state), m_hooks(std::move(hooks)) {}

void SyncExporter::track(ModelObject* object) {
    m_known.insert(object, SyncSchema::idOf(object));
    // What it looks like is taken at its first change: a library's worth of objects taken on at once
    // would cost the main thread dearly, and a change with nothing to compare against only stamps
    // every attribute at the time of the change, which the export then uses for those that differ.
    connect(object, &ModelObject::changed, this, [this, object] { noticeChange(object); });
}

void SyncExporter::untrack(ModelObject* object) {
    disconnect(object, &ModelObject::changed, this, nullptr);
    m_seen.remove(object);
    m_madeAt.remove(object);
}

void SyncExporter::noticeChange(ModelObject* object) {
    const QJsonObject fields = SyncSchema::fieldsOf(object);
    QJsonObject& seen = m_seen[object];
    // Read in from the store just as an import merged it: nothing to send. Left to the export, a large
    // import would have every object it touched compared again, a slice per turn.
    if (m_context->isRefreshing() && !m_dirty.contains(object) && !m_waiting.contains(object) &&
        !m_backlog.isPending(object) && isMerged(object, fields)) {
        seen = fields;
        return;
    }
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
}

bool SyncExporter::isMerged(ModelObject* object, const QJsonObject& fields) const {
    if (m_worker.isBusy())
        return false;
    const SyncEntries& entries = std::as_const(m_state).entries();
    const auto entry = entries.constFind(m_known.value(object));
    return entry != entries.constEnd() && entry->present && !entry->record.deleted &&
           entry->record.kind == object->kind() && entry->record.fields == fields;
}

bool SyncExporter::isStored(const ModelObject* object) const {
    for (const ModelObject* o = object; o; o = SyncSchema::ownerOf(o))
        if (!m_context->contains(o) || (SyncSchema::ownerKind(o->kind()) && !SyncSchema::ownerOf(o)))
            return false;
    return true;
}

bool SyncExporter::keepsRecordedPlaces(const ModelObject* object) const {
    const ModelObject* owner = SyncSchema::ownerOf(object);
    if (!owner)
        return false;
    const QString place = SyncSchema::orderAttribute(object->kind());
    const QString ownerId = m_known.value(const_cast<ModelObject*>(owner));
    const SyncEntries& entries = m_state.entries();
    QSet<QString> members;
    std::optional<double> previous;
    for (ModelObject* sibling : ModelContext::ownedChildren(owner)) {
        if (sibling->kind() != object->kind())
            continue;
        const QString id = m_known.value(sibling);
        const auto entry = entries.constFind(id);
        // Put in here (new, or moved from another list): the list was edited.
        if (entry == entries.constEnd() || entry->record.deleted || entry->record.owner() != ownerId)
            return false;
        const double recorded = entry->record.fields.value(place).toDouble();
        if (previous && recorded <= *previous)
            return false;
        previous = recorded;
        members.insert(id);
    }
    // Taken out here: the list was edited too.
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        if (it->present && it->record.kind == object->kind() && !members.contains(it.key()) &&
            it->record.owner() == ownerId)
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
        qsizetype untracked = 0;
        for (ModelObject* object : liveObjects(m_context)) {
            if (m_known.contains(object))
                continue;
            ++untracked;
            const ModelObject* owner = SyncSchema::ownerOf(object);
            // Taken on with its owner's tree.
            if (!owner || m_known.contains(const_cast<ModelObject*>(owner)) || !m_context->contains(owner))
                starts.append(object);
        }
        m_backlog.addTrees(starts);
        // Grown once now: grown a slice at a time, the state would be rehashed whole in some slices.
        if (untracked > slice)
            entries.reserve(entries.size() + untracked);
    }
    // With everything it owns: a child stamped in a later slice would raise its owner's stamp and write
    // the owner's file once more.
    const QList<ModelObject*> taken = m_backlog.take(slice, *m_context, [this](ModelObject* member) {
        if (m_known.contains(member))
            return false;
        track(member);
        return true;
    });
    for (ModelObject* object : taken)
        m_dirty.insert(object);
    // Only a scan made now knows that nothing new waits.
    const bool allTracked = scanned && m_backlog.isEmpty();
    // What left the store: (rank of its class, id).
    QList<std::pair<int, QString>> gone;
    for (auto it = m_known.begin(); it != m_known.end();) {
        if (m_context->contains(it.key())) {
            ++it;
            continue;
        }
        untrack(it.key());
        gone.append({rank(it.key()->kind()), it.value()});
        it = m_known.erase(it);
    }
    if (!m_startedExport && allTracked) {
        // Deleted while the program was not running (another program, a restored backup).
        m_startedExport = true;
        QSet<QString> live;
        for (auto it = m_known.cbegin(); it != m_known.cend(); ++it)
            live.insert(it.value());
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            if (it->present && !live.contains(it.key()))
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
    QSet<QString> changed;
    for (ModelObject* object : std::as_const(dirty)) {
        const QString id = m_known.value(object);
        if (id.isEmpty())
            continue;
        const QJsonObject fields = SyncSchema::fieldsOf(object);
        const QHash<QString, SyncStamp> madeAt = m_madeAt.take(object);
        // When it was made, and after the change it replaces even when that one's clock was ahead.
        const auto stampOf = [&](const QString& key, const std::optional<SyncStamp>& replaced) {
            const SyncStamp made = madeAt.value(key, now());
            return replaced ? std::max(made, replaced->after(machine)) : made;
        };
        auto it = entries.find(id);
        if (it != entries.end() && !it->record.deleted && it->record.kind == object->kind()) {
            QStringList differing;
            for (auto field = fields.constBegin(); field != fields.constEnd(); ++field)
                if (it->record.fields.value(field.key()) != field.value())
                    differing.append(field.key());
            const QString place = SyncSchema::orderAttribute(object->kind());
            if (differing.contains(place) &&
                !differing.contains(SyncSchema::ownerAttribute(object->kind())) &&
                keepsRecordedPlaces(object))
                differing.removeAll(place);
            if (differing.isEmpty()) {
                if (!it->present) {
                    it->present = true;
                    changed.insert(id);
                }
                continue;
            }
            for (const QString& key : std::as_const(differing)) {
                const SyncStamp changedAt = stampOf(key, it->record.stamps.value(key));
                it->record.fields.insert(key, fields.value(key));
                it->record.stamps.insert(key, changedAt);
                it->record.stamp = std::max(it->record.stamp, changedAt);
            }
            it->json.clear();
            it->present = true;
        } else {
            // New here, or back after a deletion: every attribute is this machine's now.
            SyncRecord record;
            record.kind = object->kind();
            record.id = id;
            record.fields = fields;
            const std::optional<SyncStamp> tombstone =
                it != entries.end() ? std::optional(it->record.stamp) : std::nullopt;
            record.stamp = stampOf(QString(), tombstone);
            for (auto field = fields.constBegin(); field != fields.constEnd(); ++field)
                record.stamps.insert(field.key(), record.stamp);
            const SyncFolder::Signature file = it != entries.end() ? it->file : SyncFolder::Signature{};
            entries.insert(id, SyncState::Entry{record, true, file, QByteArray()});
        }
        changed.insert(id);
        m_state.touchOwners(id, entries.value(id).record.stamp, changed);
    }
    for (const auto& [kindRank, id] : std::as_const(gone)) {
        auto it = entries.find(id);
        if (it == entries.end() || it->record.deleted || !it->present)
            continue;
        const QString owner = it->record.owner();
        const auto ownerEntry = entries.constFind(owner);
        if (!owner.isEmpty() &&
            (ownerEntry == entries.constEnd() || ownerEntry->record.deleted || !ownerEntry->present)) {
            // Went with its owner: the owner's tombstone says so, and should the owner come back,
            // this comes back with it.
            it->present = false;
            changed.insert(id);
            continue;
        }
        SyncRecord tombstone;
        tombstone.kind = it->record.kind;
        tombstone.id = id;
        tombstone.deleted = true;
        tombstone.stamp = std::max(now(), it->record.stamp.after(machine));
        m_state.touchOwners(id, tombstone.stamp, changed);
        it->record = tombstone;
        it->json.clear();
        it->present = false;
        changed.insert(id);
    }
    if (changed.isEmpty())
        return Result::unchanged;
    QString message;
    if (!writeFiles(changed, &message, changed)) {
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

void SyncExporter::noteRound(const QHash<QString, SyncRecord>& before) {
    // What an earlier round merged was not shown here either: its base stays.
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (!m_roundBefore.contains(it.key()))
            m_roundBefore.insert(it.key(), it.value());
}

std::optional<SyncStamp> SyncExporter::latestEdit(ModelObject* object, const QJsonObject* base) const {
    const QJsonObject fields = SyncSchema::fieldsOf(object);
    const QHash<QString, SyncStamp> madeAt = m_madeAt.value(object);
    std::optional<SyncStamp> latest;
    for (auto field = fields.constBegin(); field != fields.constEnd(); ++field) {
        if (base && base->value(field.key()) == field.value())
            continue;
        const auto at = madeAt.constFind(field.key());
        if (at != madeAt.constEnd() && (!latest || *at > *latest))
            latest = *at;
    }
    return latest;
}

SyncExporter::Settlement SyncExporter::settleOverlap(bool saved, bool done) {
    Q_ASSERT(!m_worker.isBusy());
    Settlement settlement;
    const auto& entries = std::as_const(m_state).entries();
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
    if (saved)
        for (auto it = m_known.cbegin(); it != m_known.cend(); ++it) {
            if (!m_roundBefore.contains(it.value()))
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
    for (ModelObject* object : std::as_const(objects)) {
        const QString id = m_known.value(object);
        const auto before = m_roundBefore.constFind(id);
        const auto entry = entries.constFind(id);
        if (before == m_roundBefore.constEnd() || entry == entries.constEnd() || !m_context->contains(object))
            continue;
        if (entry->record.deleted) {
            // Deleted by another machine while edited here: the later of the two wins, and an edit of
            // anything the object owns counts as one of the object.
            std::optional<SyncStamp> latest = latestEdit(object, &before->fields);
            QList<ModelObject*> tree{object};
            for (qsizetype i = 0; i < tree.size(); ++i) {
                ModelObject* member = tree[i];
                if (i > 0) {
                    const auto known = entries.constFind(m_known.value(member));
                    const bool recorded = known != entries.constEnd() && !known->record.deleted;
                    if (const std::optional<SyncStamp> at =
                            latestEdit(member, recorded ? &known->record.fields : nullptr);
                        at && (!latest || *at > *latest))
                        latest = at;
                }
                tree.append(ModelContext::ownedChildren(member));
            }
            if (!latest || (*latest < entry->record.stamp && !clock.isAhead(entry->record.stamp)))
                settlement.drop.append(object);
            else
                settlement.revive.append(object);
            continue;
        }
        // Per attribute: this machine's edit where it is the later, else what the round merged. The
        // row is written whole either way: the round may have written over the edit's save.
        const QJsonObject fields = SyncSchema::fieldsOf(object);
        const QHash<QString, SyncStamp> madeAt = m_madeAt.value(object);
        SyncRecord row = entry->record;
        bool differs = false;
        for (auto field = fields.constBegin(); field != fields.constEnd(); ++field) {
            if (row.fields.value(field.key()) == field.value())
                continue;
            differs = true;
            const auto at = madeAt.constFind(field.key());
            const SyncStamp merged = row.stamps.value(field.key());
            if (before->fields.value(field.key()) != field.value() && at != madeAt.constEnd() &&
                (*at > merged || clock.isAhead(merged)))
                row.fields.insert(field.key(), field.value());
        }
        if (differs)
            settlement.rows.append(row);
    }
    if (done)
        m_roundBefore.clear();
    return settlement;
}

bool SyncExporter::persist(const QSet<QString>& ids, QString* error) {
    return m_state.persist(ids, m_queued, error);
}

bool SyncExporter::writeFiles(const QSet<QString>& ids, QString* error, const QSet<QString>& keep) {
    Q_ASSERT(!m_worker.isBusy());
    for (const QString& id : ids)
        if (!m_queued.contains(id)) {
            m_queued.insert(id);
            m_writeQueue.append(id);
        }
    if (m_writeQueue.size() > writeChunk) {
        // A large batch (a whole library when the folder appears) is written on the worker.
        startBatch(keep);
        return true;
    }
    QSet<QString> done;
    QString writeError;
    const bool written = drainWrites(done, &writeError);
    done.unite(keep);
    QString keepError;
    const bool kept = done.isEmpty() || persist(done, &keepError);
    if (written && kept)
        return true;
    if (error)
        *error = written ? keepError : writeError;
    return false;
}

bool SyncExporter::flushWrites(QString* error) {
    Q_ASSERT(!m_worker.isBusy());
    QSet<QString> done;
    QString message;
    const bool written = drainWrites(done, &message);
    if ((done.isEmpty() || persist(done, written ? &message : nullptr)) && written)
        return true;
    if (error)
        *error = message;
    return false;
}

void SyncExporter::writeOne(const QString& id, bool writable, QSet<QString>& done, bool& changedThere,
                            QString* error, bool& ok) {
    const auto it = m_state.entries().find(id);
    if (it == m_state.entries().end())
        return;
    SyncState::Entry& entry = *it;
    done.insert(id);
    const QString path = m_folder.fileFor(entry.record.kind, id);
    const std::optional<SyncFolder::Signature> there =
        writable ? SyncFolder::signatureOf(path) : std::nullopt;
    // Another machine wrote it since this one last read it: merged by the next import, not lost.
    const bool overwrites = there && *there != entry.file && !m_hooks.isRefused(path, *there);
    changedThere = changedThere || overwrites;
    if (!writable || overwrites) {
        // The file there is not this version: the next scan merges and rewrites it.
        entry.file = SyncFolder::Signature{};
        return;
    }
    if (entry.json.isEmpty())
        entry.json = entry.record.toJson();
    QString message;
    if (!m_folder.write(entry.record.kind, id, entry.json, &entry.file, &message)) {
        entry.file = SyncFolder::Signature{};
        if (ok && error)
            *error = message;
        ok = false;
    }
}

bool SyncExporter::drainWrites(QSet<QString>& done, QString* error) {
    const bool writable = m_folder.state() == SyncFolder::State::available;
    bool ok = true;
    bool changedThere = false;
    for (const QString& id : std::as_const(m_writeQueue))
        writeOne(id, writable, done, changedThere, error, ok);
    m_writeQueue.clear();
    m_queued.clear();
    if (changedThere)
        m_hooks.folderChanged();
    return ok;
}

void SyncExporter::startBatch(const QSet<QString>& keep) {
    if (m_worker.isBusy() || m_closing || (m_writeQueue.isEmpty() && keep.isEmpty()))
        return;
    struct Outcome {
        bool ok = true;
        bool changedThere = false;
        QString error;
    };
    auto outcome = std::make_shared<Outcome>();
    const QList<QString> batch = m_writeQueue.mid(0, workerBatch);
    m_worker.start(
        [this, keep, batch, waiting = m_queued, outcome]() mutable {
            const bool writable = m_folder.state() == SyncFolder::State::available;
            QSet<QString> done;
            for (const QString& id : batch) {
                writeOne(id, writable, done, outcome->changedThere, &outcome->error, outcome->ok);
                waiting.remove(id);
            }
            // Kept once the files are written, as a small export keeps them; those still queued as not
            // written yet, so that a restart writes them.
            done.unite(keep);
            QString message;
            if (!m_state.persist(done, waiting, &message) && outcome->ok) {
                outcome->ok = false;
                outcome->error = message;
            }
        },
        [this, batch, outcome] {
            m_writeQueue.remove(0, batch.size());
            for (const QString& id : batch)
                m_queued.remove(id);
            if (outcome->changedThere)
                m_hooks.folderChanged();
            if (!outcome->ok)
                m_hooks.writeFailed(outcome->error);
            m_hooks.workerDone();
        });
}
