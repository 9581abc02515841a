#include "SyncMerger.h"

#include "SyncSchema.h"
#include "SyncStoreWriter.h"
#include "UnsentEdits.h"

SyncMerger::SyncMerger(SyncState& state, SyncFolderReader& reader, std::unique_ptr<SyncStoreWriter> writer)
    : m_state(state), m_reader(reader), m_writer(std::move(writer)) {}

SyncMerger::~SyncMerger() = default;

bool SyncMerger::commit(QString* error) {
    return m_writer->commit(error);
}

bool SyncMerger::store(const QList<SyncRecord>& records, QString* error) {
    if (!m_writer->begin(error))
        return false;
    for (const SyncRecord& record : records) {
        if (record.deleted) {
            m_writer->remove(record.kind, record.id);
            continue;
        }
        bool ownerMissing = false;
        if (!m_writer->put(record, &ownerMissing, error) && !ownerMissing) {
            m_writer->rollback();
            return false;
        }
    }
    return m_writer->commit(error);
}

const std::optional<SyncStoreWriter::Backup>& SyncMerger::lastBackup() const {
    return m_writer->lastBackup();
}

bool SyncMerger::hasWrites() const {
    return m_writer->isOpen();
}

void SyncMerger::rollback() {
    m_writer->rollback();
}

bool SyncMerger::reapply(const QString& id, const QJsonObject& kept, Round& round, QString* error) {
    SyncState::Entry& applied = m_state.entries()[id];
    round.noteChanged(id, applied.record.kind);
    if (!apply(id, applied, round, error))
        return false;
    const SyncState::Entry& entry = m_state.entries()[id];
    if (entry.record.deleted || !entry.present)
        return true;
    // Numbered as the state orders the list now (members waiting for an owner too), which the rows of
    // the others hold.
    SyncRecord row = rowOf(entry.record, [this](const QString& member, ModelObject::Kind kind) {
        return UnsentEdits::shown(std::as_const(m_state).entries(), member, kind, true);
    });
    for (auto it = kept.constBegin(); it != kept.constEnd(); ++it)
        row.fields.insert(it.key(), it.value());
    bool ownerMissing = false;
    return m_writer->put(row, &ownerMissing, error) || ownerMissing;
}

void SyncMerger::noteMembers(const QString& owner, const Round& round) {
    const UnsentEdits::Recorded held = heldBefore(round);
    const QList<QString> members = m_state.childrenOf(owner);
    for (const QString& child : members) {
        const auto it = std::as_const(m_state).entries().constFind(child);
        // The index of children is not updated during a round: one it moved elsewhere is no member.
        if (it == m_state.entries().constEnd() || it->record.deleted || it->record.owner() != owner)
            continue;
        m_writer->noteMember(owner, rowOf(it->record, held), held(child, it->record.kind) != nullptr);
        // One waiting for its owner can have rows too (shown here since the owner came back): markAbsent
        // does not walk it.
        if (!it->present)
            noteMembers(child, round);
    }
}

void SyncMerger::markAbsent(const QString& id, Round& round) {
    noteMembers(id, round);
    for (const QString& child : m_state.childrenOf(id)) {
        auto it = m_state.entries().find(child);
        if (it == m_state.entries().end() || !it->present)
            continue;
        if (!it->record.deleted && !round.before.contains(child))
            round.absent.insert(child, it->record);
        it->present = false;
        round.written.insert(child);
        round.noteChanged(child, it->record.kind);
        markAbsent(child, round);
    }
}

bool SyncMerger::reviveOwner(const SyncRecord& record, Round& round, QString* error, bool* revived) {
    *revived = false;
    // The walk up the owners costs every object merged; a round that deleted nothing living (a library
    // read in, a rename) has no owner to bring back.
    if (!round.deletedLiving)
        return true;
    SyncEntries& entries = m_state.entries();
    for (auto known = m_state.ownerOf(record); known != std::as_const(entries).constEnd();
         known = m_state.ownerOf(known->record)) {
        if (!known->record.deleted)
            continue;
        const QString owner = known.key();
        const auto before = round.before.constFind(owner);
        if (before == round.before.constEnd() || known->record.stamp >= record.stamp)
            return true;
        SyncState::Entry& entry = entries[owner];
        // With the newest value of each attribute, the tombstone's or what this machine held.
        SyncRecord back = *before;
        back.stamp = std::max(before->stamp, record.stamp);
        entry.record = SyncRecord::merged(entry.record, back);
        entry.json.clear();
        round.rewrite.insert(owner);
        *revived = true;
        // Its children merged in this round came after the index of children was built.
        m_state.forgetChildren();
        // The owner and its children were merged before this change: the round may have kept them.
        round.changedAgain = true;
        round.noteChanged(owner, entry.record.kind);
        const bool ok = apply(owner, entry, round, error);
        round.changedAgain = false;
        return ok;
    }
    return true;
}

bool SyncMerger::apply(const QString& id, SyncState::Entry& entry, Round& round, QString* error) {
    if (!m_writer->isOpen() && !m_writer->begin(error))
        return false;
    // An id belongs to one class: a row of another class under it lost the id (see SyncRound) and
    // goes, with what it owns, and nothing of it goes out.
    bool yielded = false;
    for (ModelObject::Kind other : SyncSchema::kinds)
        if (other != entry.record.kind && m_writer->contains(other, id)) {
            m_writer->remove(other, id);
            ++round.applied;
            yielded = true;
        }
    if (yielded) {
        // What it owned waits, as for an owner that is missing; this may move the entries.
        markAbsent(id, round);
        return apply(id, m_state.entries()[id], round, error);
    }
    round.written.insert(id);
    // An edit saved here while the round ran stays in its row.
    const auto found = round.before.constFind(id);
    const SyncRecord* before =
        found != round.before.constEnd() && found->kind == entry.record.kind ? &*found : nullptr;
    const UnsentEdits::Recorded held = heldBefore(round);
    const std::optional<SyncRecord> beforeRow = before ? std::optional(rowOf(*before, held)) : std::nullopt;
    const SyncRecord* was = beforeRow ? &*beforeRow : nullptr;
    // Its lists, the one it left and the one it is in, are numbered once the round has merged them all.
    if (before && SyncSchema::ownerKind(before->kind))
        round.lists.insert(before->owner());
    if (entry.record.deleted) {
        if (m_writer->contains(entry.record.kind, id)) {
            m_writer->remove(entry.record.kind, id, was);
            ++round.applied;
        }
        entry.present = false;
        markAbsent(id, round);
        return true;
    }
    // A row new in the store has no children there, whatever the state says: a deletion saved here
    // while a round wrote some took them with it, before the program had read them in.
    const bool newRow = !m_writer->contains(entry.record.kind, id);
    bool ownerMissing = false;
    // Its index as the row held it until the lists are numbered.
    SyncRecord row = entry.record;
    const QString place = SyncSchema::orderAttribute(row.kind);
    if (!place.isEmpty()) {
        row.fields.insert(place, was ? was->fields.value(place) : QJsonValue(0));
        round.lists.insert(row.owner());
    }
    round.rowsPut.insert(id, beforeRow);
    if (!m_writer->put(row, &ownerMissing, error, was)) {
        if (!ownerMissing)
            return false;
        // Waits until its owner comes (back).
        entry.present = false;
        markAbsent(id, round);
        return true;
    }
    entry.present = true;
    const ModelObject::Kind kind = entry.record.kind;
    // `entry` is not used past here: looking up the children may move the entries.
    for (const QString& child : m_state.childrenOf(id)) {
        const auto waiting = m_state.entries().find(child);
        if (waiting == m_state.entries().end() || (waiting->present && !newRow) || waiting->record.deleted ||
            waiting->record.owner() != id || SyncSchema::ownerKind(waiting->record.kind) != kind)
            continue;
        round.noteChanged(child, waiting->record.kind);
        if (!apply(child, *waiting, round, error))
            return false;
    }
    return true;
}

UnsentEdits::Recorded SyncMerger::heldBefore(const Round& round) const {
    return [this, &round](const QString& id, ModelObject::Kind kind) {
        return UnsentEdits::heldBefore(std::as_const(m_state).entries(), id, kind, round.found(id));
    };
}

SyncRecord SyncMerger::rowOf(const SyncRecord& record, const UnsentEdits::Recorded& held) {
    SyncRecord row = record;
    const QString place = SyncSchema::orderAttribute(record.kind);
    if (!place.isEmpty() && !record.deleted)
        row.fields.insert(
            place, UnsentEdits::indexOf(record.kind, record.id, m_state.childrenOf(record.owner()), held)
                       .value_or(-1));
    return row;
}

bool SyncMerger::numberLists(Round& round, QString* error, const UnsentEdits::Recorded& rowsHeld) {
    if (round.lists.isEmpty())
        return true;
    const UnsentEdits::Recorded held = rowsHeld ? rowsHeld : heldBefore(round);
    // Rows held before the round are weighed by the index that the order before it gave them.
    QHash<QString, SyncRecord> rowsBefore;
    const auto noteBefore = [&](const QString& member) {
        if (rowsBefore.contains(member) || (!rowsHeld && round.rowsPut.contains(member)))
            return;
        if (rowsHeld) {
            const auto entry = std::as_const(m_state).entries().constFind(member);
            if (entry == m_state.entries().constEnd() || entry->record.deleted)
                return;
            if (const QJsonObject* fields = rowsHeld(member, entry->record.kind)) {
                SyncRecord was = entry->record;
                was.fields = *fields;
                rowsBefore.insert(member, rowOf(was, held));
            }
            return;
        }
        if (const auto found = round.found(member); found && *found && !(*found)->deleted)
            rowsBefore.insert(member, rowOf(**found, held));
        else if (!found)
            if (const auto entry = std::as_const(m_state).entries().constFind(member);
                entry != m_state.entries().constEnd() && entry->present && !entry->record.deleted)
                rowsBefore.insert(member, rowOf(entry->record, held));
    };
    for (const QString& owner : std::as_const(round.lists))
        for (const QString& member : m_state.childrenOf(owner))
            noteBefore(member);
    // Those that came from another list too.
    for (auto it = round.before.cbegin(); it != round.before.cend(); ++it)
        if (SyncSchema::ownerKind(it->kind))
            noteBefore(it.key());
    // The members as merged.
    m_state.forgetChildren();
    const SyncEntries& entries = std::as_const(m_state).entries();
    for (const QString& owner : std::as_const(round.lists)) {
        QHash<int, QList<std::pair<QString, QString>>> lists;
        for (const QString& member : m_state.childrenOf(owner)) {
            const auto entry = entries.constFind(member);
            if (entry == entries.constEnd() || !entry->present || entry->record.deleted ||
                !m_writer->contains(entry->record.kind, member))
                continue;
            const QString place = SyncSchema::orderAttribute(entry->record.kind);
            lists[int(entry->record.kind)].append({entry->record.fields.value(place).toString(), member});
        }
        for (auto list = lists.begin(); list != lists.end(); ++list) {
            std::sort(list->begin(), list->end());
            for (qsizetype i = 0; i < list->size(); ++i) {
                const QString& member = list->at(i).second;
                SyncRecord row = entries.value(member).record;
                row.fields.insert(SyncSchema::orderAttribute(row.kind), int(i));
                // Weighed as the round put its row, else as it was before.
                const auto put = rowsHeld ? round.rowsPut.cend() : round.rowsPut.constFind(member);
                const auto before = rowsBefore.constFind(member);
                const SyncRecord* was = put != round.rowsPut.cend()   ? (*put ? &**put : nullptr)
                                        : before != rowsBefore.cend() ? &*before
                                                                      : nullptr;
                bool ownerMissing = false;
                if (!m_writer->put(row, &ownerMissing, error, was) && !ownerMissing)
                    return false;
            }
        }
    }
    m_state.forgetChildren();
    return true;
}

bool SyncMerger::closesLoop(const QString& id, const SyncRecord& record) const {
    const SyncEntries& entries = std::as_const(m_state).entries();
    // A link to an object of the owner's class goes a class up: only the others can come round again.
    QSet<QString> passed;
    ModelObject::Kind kind = record.kind;
    for (QString owner = record.owner(); !owner.isEmpty();) {
        if (owner == id)
            return true;
        const auto known = entries.constFind(owner);
        if (known == entries.constEnd())
            return false;
        if (known->record.kind != SyncSchema::ownerKind(kind)) {
            if (passed.contains(owner))
                return false;
            passed.insert(owner);
        }
        kind = known->record.kind;
        owner = known->record.owner();
    }
    return false;
}

bool SyncMerger::readRecord(const SyncFolder::Entry& file, ModelObject::Kind kind, const QString& id,
                            std::optional<SyncRecord>* record, QByteArray* json) {
    if (!m_reader.read(file, kind, id, record, json))
        return false;
    if (closesLoop(id, **record)) {
        m_reader.skip(file.path, file.signature, QStringLiteral("it is among its own owners"), file.mode);
        record->reset();
        return false;
    }
    m_state.clock().observe((*record)->stamp);
    return true;
}

void SyncMerger::keepRecentEdits(const SyncRecord& local, SyncRecord& merged) const {
    const HybridClock& clock = m_state.clock();
    // Read from this machine's clock in the last few minutes; a stamp set after another machine's
    // (ahead of this clock) is no such reading.
    const qint64 now = clock.wallNow();
    const auto recentHere = [&](const SyncStamp& stamp) {
        return stamp.machine == clock.machine() && stamp.wall >= now - HybridClock::maxDrift &&
               stamp.wall <= now;
    };
    if (local.deleted)
        return;
    // Only a change made without seeing this machine's is weighed so: one made after seeing it is the
    // later, however far its clock is ahead of this one.
    if (merged.deleted) {
        if (clock.isAhead(merged.stamp) && recentHere(local.stamp) &&
            !merged.hadSeen(SyncRecord::wholeObject, local.stamp)) {
            const SyncStamp deletedAt = merged.stamp;
            merged = local;
            merged.stamp = std::max(local.stamp, deletedAt.after(clock.machine()));
        }
        return;
    }
    for (auto it = merged.stamps.begin(); it != merged.stamps.end(); ++it) {
        const auto mine = local.stamps.constFind(it.key());
        if (mine == local.stamps.constEnd() || *mine == it.value() || !clock.isAhead(it.value()) ||
            !recentHere(*mine) || local.fields.value(it.key()) == merged.fields.value(it.key()) ||
            merged.hadSeen(it.key(), *mine))
            continue;
        // Stamped after the other, which it has now seen, so that every machine keeps this edit.
        merged.seen.insert(it.key(), it.value());
        it.value() = it.value().after(clock.machine());
        merged.fields.insert(it.key(), local.fields.value(it.key()));
        merged.stamp = std::max(merged.stamp, it.value());
    }
}

bool SyncMerger::merge(ModelObject::Kind kind, const QString& id, const SyncFolderReader::Group& group,
                       Round& round, QString* error) {
    SyncEntries& entries = m_state.entries();
    bool known = false;
    {
        // Looked at without a write first: a rescan that finds nothing new must not copy the whole
        // state, which the import keeps a copy of to take back a failed round.
        // What is held under another class goes: the round gave the id to this one (see SyncRound).
        const auto entry = std::as_const(entries).constFind(id);
        known = entry != entries.constEnd() && entry->record.kind == kind;
        if (group.copies.isEmpty() && (!group.main || (known && group.main->signature == entry->file)))
            return true;
        if (!known && entry != entries.constEnd() && entry->present && !entry->record.deleted)
            round.yielded.insert(id, entry->record);
    }
    auto it = known ? entries.find(id) : entries.end();
    const bool mainChanged = group.main && (it == entries.end() || group.main->signature != it->file);

    std::optional<SyncRecord> mainRecord;
    QByteArray mainJson;
    if (mainChanged)
        readRecord(*group.main, kind, id, &mainRecord, &mainJson);
    QList<SyncRecord> remotes;
    if (mainRecord)
        remotes.append(*mainRecord);
    for (const SyncFolder::Entry* copy : group.copies) {
        std::optional<SyncRecord> record;
        if (readRecord(*copy, kind, id, &record, nullptr)) {
            remotes.append(*record);
            round.mergedCopies.append({id, kind, *copy});
        }
    }
    if (remotes.isEmpty())
        return true;

    // What the folder's own file holds now, as far as is known.
    std::optional<SyncRecord> inFolder = mainRecord;
    if (group.main && !mainChanged)
        inFolder = it->record;
    // An object new here that only its own file holds is merged as the file has it: nothing to
    // merge or compare (a library's worth comes this way when a machine joins).
    const bool asInFile = !known && mainRecord && remotes.size() == 1;
    SyncRecord merged = known ? it->record : remotes.first();
    for (qsizetype i = known ? 0 : 1; i < remotes.size(); ++i)
        merged = SyncRecord::merged(merged, remotes.at(i));
    if (known)
        keepRecentEdits(it->record, merged);
    if (!known)
        it = entries.insert(id, SyncState::Entry{merged, false, SyncFolder::Signature{}, QByteArray()});
    const bool recordChanged = !known || merged != it->record;
    if (known && recordChanged && it->present && !it->record.deleted && !round.before.contains(id))
        round.before.insert(id, it->record);
    if (merged.deleted && round.before.contains(id))
        round.deletedLiving = true;
    if (recordChanged || mainRecord) {
        it->record = merged;
        it->json = mainRecord && (asInFile || *mainRecord == merged) ? mainJson : QByteArray();
    }
    if (mainRecord)
        it->file = group.main->signature;
    round.noteChanged(id, kind);
    if (!inFolder || (!asInFile && *inFolder != merged))
        round.rewrite.insert(id);
    if (!merged.deleted) {
        bool revived = false;
        if (!reviveOwner(merged, round, error, &revived))
            return false;
        if (revived)
            it = entries.find(id);
    }
    if (recordChanged || (!it->present && !merged.deleted))
        return apply(id, *it, round, error);
    return true;
}
