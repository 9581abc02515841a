#include "SyncStoreWriter.h"

#include "DeletionBackup.h"
#include "SyncSchema.h"
#include "UnsentEdits.h"

#include "store/Database.h"
#include "store/StoreSchema.h"

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
        // After the key's and those of what the row held before: the place's rank (see UnsentEdits).
        const QString place = SyncSchema::orderAttribute(kind);
        t.rankParameter = place.isEmpty() ? 0 : 2 * count + 3;
        for (const SyncSchema::Attribute& attribute : SyncSchema::attributes(kind)) {
            columns.append(attribute.name);
            parameters.append(QStringLiteral("?%1").arg(index));
            assignments.append(QStringLiteral("%1 = ?%2").arg(attribute.name).arg(index));
            const QString held = UnsentEdits::unchangedCondition(
                attribute.name, index + count + 1,
                attribute.name == place ? std::optional(t.rankParameter) : std::nullopt);
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
        if (!t.insert.isValid() || !t.update.isValid() || !t.updateKeeping.isValid() || !t.remove.isValid() ||
            !t.removeUnchanged.isValid())
            return false;
    }
    m_setMark = m_database->prepare(
        QStringLiteral("INSERT OR REPLACE INTO Metadata (key, value) VALUES ('syncRound', ?1)"), error);
    return m_setMark.isValid();
}

bool SyncStoreWriter::begin(QString* error) {
    if (m_inTransaction)
        return true;
    if (!m_database->execute(QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    m_inTransaction = true;
    // Keys of deleted rows are never handed out again: the next key follows the largest ever used.
    QHash<QString, qint64> largestEver;
    Statement sequence = m_database->prepare(QStringLiteral("SELECT name, seq FROM sqlite_sequence"), error);
    if (!sequence.isValid()) {
        rollback();
        return false;
    }
    while (sequence.step() == Statement::Step::row)
        largestEver.insert(sequence.text(0), sequence.integer(1));
    for (ModelObject::Kind kind : SyncSchema::kinds) {
        Table& t = of(kind);
        t.keys.clear();
        t.nextKey = largestEver.value(StoreSchema::tableName(kind)) + 1;
        t.removed.clear();
        t.removedIds.clear();
        t.removedBefore.clear();
        t.written.clear();
        Statement select = m_database->prepare(
            QStringLiteral("SELECT pk, id FROM %1").arg(StoreSchema::tableName(kind)), error);
        if (!select.isValid()) {
            rollback();
            return false;
        }
        while (select.step() == Statement::Step::row) {
            const qint64 key = select.integer(0);
            t.keys.insert(select.text(1), key);
            t.nextKey = std::max(t.nextKey, key + 1);
        }
    }
    return true;
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

bool SyncStoreWriter::put(const SyncRecord& record, bool* ownerMissing, QString* error,
                          const SyncRecord* before, std::optional<int> rank) {
    *ownerMissing = false;
    // Nothing for a class without an owner; 0 when the owner is not stored.
    const auto ownerKeyOf = [this](const SyncRecord& object) -> std::optional<qint64> {
        for (const SyncSchema::Attribute& attribute : SyncSchema::attributes(object.kind))
            if (attribute.type == SyncSchema::Type::owner)
                return of(*SyncSchema::ownerKind(object.kind))
                    .keys.value(object.fields.value(attribute.name).toString());
        return std::nullopt;
    };
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
    m_batch.push_back(Write{record, key, ownerKey, update, std::nullopt, 0, std::nullopt});
    if (update && before) {
        m_batch.back().before = *before;
        m_batch.back().beforeOwnerKey = ownerKeyOf(*before).value_or(0);
        m_batch.back().beforeRank = rank;
    }
    return m_batch.size() < batchSize || handOver(error);
}

void SyncStoreWriter::runHanded() {
    for (;;) {
        std::vector<Write> rows;
        {
            std::unique_lock lock(m_handed.mutex);
            m_handed.running = false;
            m_handed.wake.notify_all();
            m_handed.wake.wait(lock, [this] { return m_handed.stopping || !m_handed.rows.empty(); });
            if (m_handed.rows.empty())
                return;
            rows = std::exchange(m_handed.rows, {});
            m_handed.running = true;
        }
        std::array<QList<qint64>, 6> written;
        std::optional<QString> failure;
        for (const Write& write : rows) {
            Table& t = of(write.record.kind);
            Statement& statement = write.before ? t.updateKeeping : write.update ? t.update : t.insert;
            statement.reset();
            bind(statement, write.record, write.ownerKey);
            if (write.before) {
                bind(statement, *write.before, write.beforeOwnerKey, t.keyParameter + 1);
                bindRank(statement, t, write.beforeRank);
            }
            statement.bind(write.update ? 1 : t.keyParameter, write.key);
            if (!statement.run()) {
                failure = m_database->errorMessage();
                break;
            }
            if (!write.update || m_database->changes() > 0)
                written[size_t(write.record.kind)].append(write.key);
        }
        const std::lock_guard lock(m_handed.mutex);
        for (size_t i = 0; i < written.size(); ++i)
            m_handed.written[i].append(written[i]);
        if (failure) {
            // The round fails: nothing more of it runs.
            m_handed.ok = false;
            m_handed.error = *failure;
            m_handed.stopping = true;
            m_handed.rows.clear();
        }
    }
}

bool SyncStoreWriter::handOver(QString* error) {
    {
        const std::lock_guard lock(m_handed.mutex);
        if (!m_handed.ok) {
            if (error)
                *error = m_handed.error;
            return false;
        }
        if (m_batch.empty())
            return true;
        m_handed.rows.insert(m_handed.rows.end(), std::make_move_iterator(m_batch.begin()),
                             std::make_move_iterator(m_batch.end()));
        m_batch.clear();
    }
    m_handed.wake.notify_all();
    if (!m_runner.joinable()) {
        m_handed.running = true;
        m_runner = std::jthread([this] { runHanded(); });
    }
    return true;
}

bool SyncStoreWriter::finishHanded(QString* error) {
    const bool handed = handOver(error);
    if (m_runner.joinable()) {
        {
            std::unique_lock lock(m_handed.mutex);
            m_handed.wake.wait(lock, [this] { return m_handed.rows.empty() && !m_handed.running; });
            m_handed.stopping = true;
        }
        m_handed.wake.notify_all();
        m_runner.join();
    }
    for (ModelObject::Kind kind : SyncSchema::kinds)
        of(kind).written.append(m_handed.written[size_t(kind)]);
    const bool ok = handed && m_handed.ok;
    if (!ok && error)
        *error = m_handed.error;
    m_handed.written = {};
    m_handed.ok = true;
    m_handed.error.clear();
    m_handed.stopping = false;
    m_handed.running = false;
    return ok;
}

void SyncStoreWriter::bindRank(Statement& statement, const Table& t, std::optional<int> rank) {
    if (t.rankParameter == 0)
        return;
    if (rank)
        statement.bind(t.rankParameter, qint64(*rank));
    else
        statement.bindNull(t.rankParameter);
}

void SyncStoreWriter::remove(ModelObject::Kind kind, const QString& id, const SyncRecord* before,
                             std::optional<int> rank) {
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
            t.removedBefore.insert(key, {*before, ownerKey, rank});
        }
    }
}

bool SyncStoreWriter::commit(QString* error) {
    m_lastBackup.reset();
    m_lastChanges = StoreChanges();
    if (!m_inTransaction) {
        m_mark.clear();
        return true;
    }
    if (!finishHanded(error)) {
        rollback();
        return false;
    }
    // Only the last commit is in the copy: what this transaction holds is not committed yet. Saved
    // applications count too: a peer that deletes every one of them loses as much.
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
    // Deleted last, so that a row moved above to another owner is no longer among what a deleted
    // owner takes with it.
    StoreChanges changes;
    bool keptRow = false;
    for (ModelObject::Kind kind : SyncSchema::kinds) {
        Table& t = of(kind);
        changes.written[size_t(kind)] = t.written;
        t.written.clear();
        for (qint64 key : std::as_const(t.removed)) {
            const auto before = t.removedBefore.constFind(key);
            Statement& statement = before != t.removedBefore.constEnd() ? t.removeUnchanged : t.remove;
            statement.reset();
            if (before != t.removedBefore.constEnd()) {
                bind(statement, before->record, before->ownerKey, t.keyParameter + 1);
                bindRank(statement, t, before->rank);
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
            const bool kept =
                before != t.removedBefore.constEnd() && m_database->changes() == 0 && stillThere();
            if (!kept)
                changes.removed[size_t(kind)].append(key);
            keptRow = keptRow || kept;
        }
        t.removed.clear();
        t.removedIds.clear();
        t.removedBefore.clear();
    }
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
    if (!m_database->execute(QStringLiteral("COMMIT"), error)) {
        rollback();
        return false;
    }
    m_inTransaction = false;
    m_mark.clear();
    m_lastChanges = std::move(changes);
    return true;
}

std::optional<QString> SyncStoreWriter::committedMark() {
    return m_database->queryText(QStringLiteral("SELECT value FROM Metadata WHERE key = 'syncRound'"));
}

std::optional<qint64> SyncStoreWriter::dataVersion() {
    return m_database->queryInteger(QStringLiteral("PRAGMA data_version"));
}

void SyncStoreWriter::rollback() {
    if (m_runner.joinable()) {
        {
            const std::lock_guard lock(m_handed.mutex);
            m_handed.rows.clear();
            m_handed.stopping = true;
        }
        m_handed.wake.notify_all();
    }
    m_batch.clear();
    m_mark.clear();
    finishHanded(nullptr);
    if (!m_inTransaction)
        return;
    m_database->execute(QStringLiteral("ROLLBACK"));
    m_inTransaction = false;
}
