#include "SyncStoreWriter.h"

#include "DeletionBackup.h"
#include "SyncSchema.h"
#include "UnsentEdits.h"

#include "store/Database.h"
#include "store/StoreSchema.h"

#include <QSet>

#include <algorithm>
#include <iterator>
#include <utility>

SyncStoreWriter::SyncStoreWriter(std::unique_ptr<Database> database) : m_database(std::move(database)) {}

SyncStoreWriter::~SyncStoreWriter() {
    rollback();
}

std::unique_ptr<SyncStoreWriter> SyncStoreWriter::open(const QString& databasePath, QString* error) {
    std::unique_ptr<Database> database = Database::open(databasePath, false, error);
    if (!database)
        return nullptr;
    std::unique_ptr<SyncStoreWriter> writer(new SyncStoreWriter(std::move(database)));
    if (!writer->prepare(error))
        return nullptr;
    return writer;
}

bool SyncStoreWriter::prepare(QString* error) {
    // The store's delete rules are foreign keys: deleting an owner takes its children with it. A commit
    // reaches the disk before the sync state's note of it is cleared, whatever SQLite's default.
    if (!m_database->execute(
            QStringLiteral("PRAGMA foreign_keys = ON; PRAGMA busy_timeout = 2000; PRAGMA synchronous = FULL"),
            error))
        return false;
    for (ModelObject::Kind kind : SyncSchema::kinds) {
        const QString table = StoreSchema::tableName(kind);
        QStringList columns{QStringLiteral("id")}, parameters{QStringLiteral("?1")}, assignments, keeping,
            equal, unchanged;
        int index = 2;
        const int count = int(SyncSchema::attributes(kind).size());
        Table& t = of(kind);
        for (const SyncSchema::Attribute& attribute : SyncSchema::attributes(kind)) {
            columns.append(attribute.name);
            parameters.append(QStringLiteral("?%1").arg(index));
            assignments.append(QStringLiteral("%1 = ?%2").arg(attribute.name).arg(index));
            const QString held =
                UnsentEdits::unchangedCondition(attribute.name, index + count + 1,
                                                attribute.type == SyncSchema::Type::owner
                                                    ? StoreSchema::tableName(*SyncSchema::ownerKind(kind))
                                                    : QString());
            keeping.append(QStringLiteral("%1 = CASE WHEN %3 THEN ?%2 ELSE %1 END")
                               .arg(attribute.name)
                               .arg(index)
                               .arg(held));
            equal.append(QStringLiteral("%1 IS ?%2").arg(attribute.name).arg(index));
            unchanged.append(held);
            ++index;
        }
        // The link to a saved application is never set; a new row starts without one.
        if (kind == ModelObject::Kind::appConfiguration) {
            columns.append(QStringLiteral("savedAppOrder"));
            parameters.append(QStringLiteral("0"));
        }
        t.keyParameter = index;
        columns.append(QStringLiteral("pk"));
        parameters.append(QStringLiteral("?%1").arg(index));
        t.insert = m_database->prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                           .arg(table, columns.join(u','), parameters.join(u',')),
                                       error);
        // A row that already holds the merged values is left alone: a re-join merges the whole library,
        // nearly all of it as the store has it, and the main context would read every written row again.
        t.update =
            m_database->prepare(QStringLiteral("UPDATE %1 SET %2 WHERE pk = ?1 AND NOT (%3)")
                                    .arg(table, assignments.join(u','), equal.join(QStringLiteral(" AND "))),
                                error);
        // Per column, the merged value where the row holds what the sync state had before (the parameters
        // after the key's); another value was saved here since, and stays.
        t.updateKeeping =
            m_database->prepare(QStringLiteral("UPDATE %1 SET %2 WHERE pk = ?1 AND NOT (%3)")
                                    .arg(table, keeping.join(u','), equal.join(QStringLiteral(" AND "))),
                                error);
        t.remove = m_database->prepare(QStringLiteral("DELETE FROM %1 WHERE pk = ?1").arg(table), error);
        t.removeUnchanged = m_database->prepare(QStringLiteral("DELETE FROM %1 WHERE pk = ?1 AND %2")
                                                    .arg(table, unchanged.join(QStringLiteral(" AND "))),
                                                error);
        t.holdsNoEdit = m_database->prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE pk = ?1 AND %2")
                                                .arg(table, unchanged.join(QStringLiteral(" AND "))),
                                            error);
        if (SyncSchema::ownerKind(kind)) {
            t.owned = m_database->prepare(QStringLiteral("SELECT pk, id FROM %1 WHERE %2 = ?1")
                                              .arg(table, SyncSchema::ownerAttribute(kind)),
                                          error);
            if (!t.owned.isValid())
                return false;
        }
        if (!t.insert.isValid() || !t.update.isValid() || !t.updateKeeping.isValid() || !t.remove.isValid() ||
            !t.removeUnchanged.isValid() || !t.holdsNoEdit.isValid())
            return false;
    }
    m_setMark = m_database->prepare(
        QStringLiteral("INSERT OR REPLACE INTO Metadata (key, value) VALUES ('syncRound', ?1)"), error);
    return m_setMark.isValid();
}

bool SyncStoreWriter::begin(QString* error) {
    if (m_open)
        return true;
    // One snapshot, without the write lock: a save made here until the commit is found then by
    // dataVersion().
    if (!m_database->execute(QStringLiteral("BEGIN"), error))
        return false;
    m_readVersion = dataVersion();
    const bool read = m_readVersion && readKeys(error);
    m_database->execute(QStringLiteral("COMMIT"));
    if (!read)
        return false;
    for (ModelObject::Kind kind : SyncSchema::kinds) {
        Table& t = of(kind);
        t.removed.clear();
        t.removedIds.clear();
        t.removedBefore.clear();
    }
    m_writes.clear();
    m_members.clear();
    m_open = true;
    return true;
}

bool SyncStoreWriter::readKeys(QString* error) {
    // Keys of deleted rows are never handed out again: the next key follows the largest ever used.
    QHash<QString, qint64> largestEver;
    Statement sequence = m_database->prepare(QStringLiteral("SELECT name, seq FROM sqlite_sequence"), error);
    if (!sequence.isValid())
        return false;
    while (sequence.step() == Statement::Step::row)
        largestEver.insert(sequence.text(0), sequence.integer(1));
    for (ModelObject::Kind kind : SyncSchema::kinds) {
        Table& t = of(kind);
        t.keys.clear();
        t.nextKey = largestEver.value(StoreSchema::tableName(kind)) + 1;
        Statement select = m_database->prepare(
            QStringLiteral("SELECT pk, id FROM %1").arg(StoreSchema::tableName(kind)), error);
        if (!select.isValid())
            return false;
        while (select.step() == Statement::Step::row) {
            const qint64 key = select.integer(0);
            t.keys.insert(select.text(1), key);
            t.nextKey = std::max(t.nextKey, key + 1);
        }
    }
    return true;
}

bool SyncStoreWriter::rekey(QString* error) {
    if (!readKeys(error))
        return false;
    // In the order put: owners before what they own.
    for (Write& write : m_writes) {
        Table& t = of(write.record.kind);
        const std::optional<qint64> owner = ownerKeyOf(write.record);
        const qint64 found = t.keys.value(write.record.id);
        if ((owner && *owner == 0) || (write.update && !found)) {
            write.key = 0;
            continue;
        }
        write.ownerKey = owner.value_or(0);
        write.update = found != 0;
        write.key = found ? found : t.nextKey++;
        t.keys.insert(write.record.id, write.key);
        if (write.before)
            write.beforeOwnerKey = ownerKeyOf(*write.before).value_or(0);
    }
    for (ModelObject::Kind kind : SyncSchema::kinds) {
        Table& t = of(kind);
        QHash<qint64, QString> idOf;
        for (auto it = t.removedIds.cbegin(); it != t.removedIds.cend(); ++it)
            idOf.insert(it.value(), it.key());
        const QList<qint64> removed = std::exchange(t.removed, {});
        const QHash<qint64, Table::Before> before = std::exchange(t.removedBefore, {});
        t.removedIds.clear();
        for (const qint64 was : removed) {
            const QString id = idOf.value(was);
            const qint64 key = t.keys.value(id);
            if (!key)
                continue;
            t.removed.append(key);
            t.removedIds.insert(id, key);
            if (const auto it = before.constFind(was); it != before.constEnd())
                t.removedBefore.insert(key, {it->record, ownerKeyOf(it->record).value_or(0)});
        }
    }
    return true;
}

std::optional<qint64> SyncStoreWriter::ownerKeyOf(const SyncRecord& record) const {
    for (const SyncSchema::Attribute& attribute : SyncSchema::attributes(record.kind))
        if (attribute.type == SyncSchema::Type::owner)
            return of(*SyncSchema::ownerKind(record.kind))
                .keys.value(record.fields.value(attribute.name).toString());
    return std::nullopt;
}

bool SyncStoreWriter::contains(ModelObject::Kind kind, const QString& id) const {
    return of(kind).keys.contains(id);
}

void SyncStoreWriter::bind(Statement& statement, const SyncRecord& record, qint64 ownerKey, int first) {
    using T = SyncSchema::Type;
    if (first == 2)
        statement.bind(1, record.id);
    int index = first;
    for (const SyncSchema::Attribute& attribute : SyncSchema::attributes(record.kind)) {
        const QJsonValue value = record.fields.value(attribute.name);
        switch (attribute.type) {
        case T::text:
        case T::date:
            statement.bind(index, value.toString());
            break;
        case T::optionalText:
        case T::optionalDate:
            if (value.isNull())
                statement.bindNull(index);
            else
                statement.bind(index, value.toString());
            break;
        case T::real:
            statement.bind(index, value.toDouble());
            break;
        case T::integer:
        case T::orderKey: // a row's index, see SyncMerger
            statement.bind(index, qint64(value.toDouble()));
            break;
        case T::boolean:
            statement.bind(index, value.toBool());
            break;
        case T::owner:
            statement.bind(index, ownerKey);
            break;
        }
        ++index;
    }
}

bool SyncStoreWriter::put(const SyncRecord& record, bool* ownerMissing, QString*, const SyncRecord* before) {
    *ownerMissing = false;
    const qint64 ownerKey = ownerKeyOf(record).value_or(0);
    if (ownerKey == 0 && SyncSchema::ownerKind(record.kind)) {
        *ownerMissing = true;
        return false;
    }
    Table& t = of(record.kind);
    qint64& key = t.keys[record.id];
    bool update = key != 0;
    // Under a new key the program's lists would take it for another object, and the deleted row
    // would take the children that still name the old one with it.
    if (const qint64 was = update ? 0 : t.removedIds.take(record.id)) {
        key = was;
        t.removed.removeOne(was);
        t.removedBefore.remove(was);
        update = true;
    }
    if (!update)
        key = t.nextKey++;
    m_writes.push_back(Write{record, key, ownerKey, update, std::nullopt, 0});
    if (update && before) {
        m_writes.back().before = *before;
        m_writes.back().beforeOwnerKey = ownerKeyOf(*before).value_or(0);
    }
    return true;
}

void SyncStoreWriter::remove(ModelObject::Kind kind, const QString& id, const SyncRecord* before) {
    Table& t = of(kind);
    if (const qint64 key = t.keys.take(id)) {
        t.removed.append(key);
        t.removedIds.insert(id, key);
        if (before) {
            qint64 ownerKey = 0;
            if (const std::optional<ModelObject::Kind> ownerKind = SyncSchema::ownerKind(kind)) {
                const QString owner = before->owner();
                const Table& owners = of(*ownerKind);
                ownerKey = owners.keys.value(owner, owners.removedIds.value(owner));
            }
            t.removedBefore.insert(key, {*before, ownerKey});
        }
    }
}

void SyncStoreWriter::noteMember(const QString& owner, const SyncRecord& record, bool held) {
    m_members[owner].insert(record.id, Member{record, held});
}

std::optional<bool> SyncStoreWriter::holdsEdit(ModelObject::Kind kind, qint64 key, const SyncRecord& record,
                                               qint64 ownerKey, QString* error) {
    Table& t = of(kind);
    t.holdsNoEdit.reset();
    bind(t.holdsNoEdit, record, ownerKey, t.keyParameter + 1);
    t.holdsNoEdit.bind(1, key);
    const bool read = t.holdsNoEdit.step() == Statement::Step::row;
    if (!read && error)
        *error = m_database->errorMessage();
    const bool edited = read && t.holdsNoEdit.integer(0) == 0;
    // A statement left stepping would keep this connection's snapshot open after the commit.
    t.holdsNoEdit.reset();
    return read ? std::optional(edited) : std::nullopt;
}

std::optional<bool> SyncStoreWriter::ownsEdit(ModelObject::Kind kind, qint64 key, const QString& id,
                                              QString* error) {
    const QHash<QString, Member> members = m_members.value(id);
    QSet<QString> found;
    for (ModelObject::Kind memberKind : SyncSchema::kinds) {
        if (SyncSchema::ownerKind(memberKind) != kind)
            continue;
        Table& t = of(memberKind);
        // Read whole first: the checks run statements of their own.
        QList<std::pair<qint64, QString>> rows;
        t.owned.reset();
        t.owned.bind(1, key);
        Statement::Step step;
        while ((step = t.owned.step()) == Statement::Step::row)
            rows.append({t.owned.integer(0), t.owned.text(1)});
        if (step == Statement::Step::error && error)
            *error = m_database->errorMessage();
        t.owned.reset();
        if (step == Statement::Step::error)
            return std::nullopt;
        for (const auto& [row, memberId] : std::as_const(rows)) {
            found.insert(memberId);
            std::optional<bool> edited = false;
            const auto removed = t.removedBefore.constFind(row);
            const auto written = t.written.constFind(row);
            const auto member = members.constFind(memberId);
            if (removed != t.removedBefore.constEnd())
                edited = holdsEdit(memberKind, row, removed->record, removed->ownerKey, error);
            else if (t.removedIds.contains(memberId))
                edited = false;
            else if (written != t.written.constEnd()) {
                // Against what the round wrote, which keeps in its columns only edits saved here.
                const Write& write = m_writes[size_t(*written)];
                edited = holdsEdit(memberKind, row, write.record, write.ownerKey, error);
            } else if (member != members.constEnd())
                edited = holdsEdit(memberKind, row, member->record, key, error);
            else
                edited = true; // put in here
            if (edited && !*edited)
                edited = ownsEdit(memberKind, row, memberId, error);
            if (!edited || *edited)
                return edited;
        }
    }
    // Taken out here.
    for (const Member& member : members)
        if (member.held && !found.contains(member.record.id) &&
            !of(member.record.kind).removedIds.contains(member.record.id))
            return true;
    return false;
}

bool SyncStoreWriter::closeGaps(QString* error) {
    QSet<std::pair<int, qint64>> lists;
    const auto weighed = [&](ModelObject::Kind kind, qint64 ownerKey) {
        if (ownerKey != 0 && !SyncSchema::orderAttribute(kind).isEmpty())
            lists.insert({int(kind), ownerKey});
    };
    for (const Write& write : m_writes)
        if (write.key != 0 && write.before)
            weighed(write.record.kind, write.beforeOwnerKey);
    // A row removed unless it holds an edit, and the lists of an owner removed so.
    for (ModelObject::Kind kind : SyncSchema::kinds)
        for (auto it = of(kind).removedBefore.cbegin(); it != of(kind).removedBefore.cend(); ++it) {
            weighed(kind, it->ownerKey);
            for (ModelObject::Kind member : SyncSchema::kinds)
                if (SyncSchema::ownerKind(member) == kind)
                    weighed(member, it.key());
        }
    for (const auto& [kind, ownerKey] : std::as_const(lists)) {
        const QString table = StoreSchema::tableName(ModelObject::Kind(kind));
        const QString place = SyncSchema::orderAttribute(ModelObject::Kind(kind));
        Statement statement = m_database->prepare(
            QStringLiteral("UPDATE %1 SET %2 = numbered.rank FROM (SELECT pk, row_number() OVER (ORDER BY "
                           "%2, pk) - 1 AS rank FROM %1 WHERE %3 = ?1) AS numbered WHERE %1.pk = "
                           "numbered.pk AND %1.%2 != numbered.rank")
                .arg(table, place, SyncSchema::ownerAttribute(ModelObject::Kind(kind))),
            error);
        if (!statement.isValid())
            return false;
        statement.bind(1, ownerKey);
        if (!statement.run()) {
            if (error)
                *error = m_database->errorMessage();
            return false;
        }
    }
    return true;
}

bool SyncStoreWriter::write(QString* error) {
    if (m_inTransaction)
        return true;
    m_lastBackup.reset();
    m_lastChanges = StoreChanges();
    m_pendingChanges = StoreChanges();
    if (!m_open) {
        m_mark.clear();
        return true;
    }
    // Only the last commit is in the copy, taken before the write lock. Saved applications count too:
    // a peer that deletes every one of them loses as much.
    const int configurations = int(of(ModelObject::Kind::configurationGroup).removed.size());
    const int savedApps = int(of(ModelObject::Kind::savedApp).removed.size());
    if (configurations + savedApps > DeletionBackup::threshold) {
        const std::optional<QString> copy = DeletionBackup::take(m_database->path(), error);
        if (!copy) {
            rollback();
            return false;
        }
        m_lastBackup = Backup{*copy, configurations, savedApps};
    }
    if (!m_database->execute(QStringLiteral("BEGIN IMMEDIATE"), error)) {
        rollback();
        return false;
    }
    m_inTransaction = true;
    if ((dataVersion() != m_readVersion && !rekey(error)) || !closeGaps(error)) {
        rollback();
        return false;
    }
    StoreChanges changes;
    for (qsizetype i = 0; i < qsizetype(m_writes.size()); ++i) {
        const Write& write = m_writes[size_t(i)];
        if (write.key == 0)
            continue;
        Table& t = of(write.record.kind);
        t.written.insert(write.key, i);
        Statement& statement = write.before ? t.updateKeeping : write.update ? t.update : t.insert;
        statement.reset();
        bind(statement, write.record, write.ownerKey);
        if (write.before) {
            bind(statement, *write.before, write.beforeOwnerKey, t.keyParameter + 1);
        }
        statement.bind(write.update ? 1 : t.keyParameter, write.key);
        if (!statement.run()) {
            if (error)
                *error = m_database->errorMessage();
            rollback();
            return false;
        }
        if (!write.update || m_database->changes() > 0)
            changes.written[size_t(write.record.kind)].append(write.key);
    }
    // Deleted last, so that a row moved above to another owner is no longer among what a deleted
    // owner takes with it.
    bool keptRow = false;
    for (ModelObject::Kind kind : SyncSchema::kinds) {
        Table& t = of(kind);
        for (qint64 key : std::as_const(t.removed)) {
            const auto before = t.removedBefore.constFind(key);
            const bool guarded = before != t.removedBefore.constEnd();
            // An owner stays while what it owns holds an edit saved here, as it stays for its own.
            const std::optional<bool> owns = guarded ? ownsEdit(kind, key, before->record.id, error) : false;
            if (!owns) {
                rollback();
                return false;
            }
            if (*owns) {
                keptRow = true;
                continue;
            }
            Statement& statement = guarded ? t.removeUnchanged : t.remove;
            statement.reset();
            if (guarded) {
                bind(statement, before->record, before->ownerKey, t.keyParameter + 1);
            }
            statement.bind(1, key);
            if (!statement.run()) {
                if (error)
                    *error = m_database->errorMessage();
                rollback();
                return false;
            }
            // Gone, unless kept for an edit saved here; a row that its owner took with it is gone too.
            const auto stillThere = [&] {
                return m_database
                           ->queryInteger(QStringLiteral("SELECT count(*) FROM %1 WHERE pk = %2")
                                              .arg(StoreSchema::tableName(kind))
                                              .arg(key))
                           .value_or(0) > 0;
            };
            const bool kept = guarded && m_database->changes() == 0 && stillThere();
            if (!kept)
                changes.removed[size_t(kind)].append(key);
            keptRow = keptRow || kept;
        }
    }
    // Only now: an owner's deletion looks at those of what it owns.
    for (Table& t : m_tables) {
        t.removed.clear();
        t.removedIds.clear();
        t.removedBefore.clear();
        t.written.clear();
    }
    m_writes.clear();
    m_members.clear();
    // A commit that changes no row leaves the database as it was: the mark alone would make the main
    // context take it for another program's change and read the whole store again.
    if (!m_mark.isEmpty() && (keptRow || !changes.isEmpty())) {
        m_setMark.reset();
        m_setMark.bind(1, m_mark);
        if (!m_setMark.run()) {
            if (error)
                *error = m_database->errorMessage();
            rollback();
            return false;
        }
    }
    m_pendingChanges = std::move(changes);
    return true;
}

bool SyncStoreWriter::commit(QString* error) {
    if (!m_inTransaction && !write(error))
        return false;
    if (!m_open)
        return true;
    if (!m_database->execute(QStringLiteral("COMMIT"), error)) {
        rollback();
        return false;
    }
    m_inTransaction = false;
    m_open = false;
    m_mark.clear();
    m_lastChanges = std::exchange(m_pendingChanges, {});
    return true;
}

std::optional<QString> SyncStoreWriter::committedMark() {
    return m_database->queryText(QStringLiteral("SELECT value FROM Metadata WHERE key = 'syncRound'"));
}

std::optional<qint64> SyncStoreWriter::dataVersion() {
    return m_database->queryInteger(QStringLiteral("PRAGMA data_version"));
}

void SyncStoreWriter::rollback() {
    m_writes.clear();
    m_members.clear();
    for (Table& t : m_tables)
        t.written.clear();
    m_pendingChanges = StoreChanges();
    m_mark.clear();
    m_open = false;
    if (!m_inTransaction)
        return;
    m_database->execute(QStringLiteral("ROLLBACK"));
    m_inTransaction = false;
}
