#include "SyncStateStore.h"

#include "WalCheckpointer.h"

#include "store/Database.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QUuid>

#include <cstring>

namespace {
constexpr qsizetype largeBatch = 1000;

// Leads the note's objects when the note names the mark of its import's commit.
constexpr QLatin1StringView markPrefix("syncRound=");

// A file's text (indented, as files are written) without the space between tokens: a library's worth
// is a fifth smaller, and so is the commit that must reach the disk. The text was read as JSON, so
// strings are closed and their escapes whole. Strings are copied a whole one at a time: a library's
// worth passes through here while the round merges.
QByteArray compact(const QByteArray& json) {
    QByteArray out(json.size(), Qt::Uninitialized);
    char* to = out.data();
    const char* from = json.constData();
    const char* const end = from + json.size();
    while (from < end) {
        const char c = *from++;
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        *to++ = c;
        if (c != '"')
            continue;
        // The closing quote is the first one after an even number of backslashes.
        const char* close = from;
        for (;;) {
            close = static_cast<const char*>(std::memchr(close, '"', size_t(end - close)));
            if (!close) {
                close = end;
                break;
            }
            const char* escapes = close;
            while (escapes > from && escapes[-1] == '\\')
                --escapes;
            if ((close - escapes) % 2 == 0)
                break;
            ++close;
        }
        if (close < end)
            ++close;
        std::memcpy(to, from, size_t(close - from));
        to += close - from;
        from = close;
    }
    out.truncate(to - out.data());
    return out;
}

const char* const createSql = R"(
CREATE TABLE IF NOT EXISTS SyncMeta (
    key TEXT PRIMARY KEY NOT NULL,
    value TEXT NOT NULL
) STRICT;
CREATE TABLE IF NOT EXISTS SyncObject (
    id TEXT PRIMARY KEY NOT NULL,
    record TEXT NOT NULL,
    present INTEGER NOT NULL,
    fileInode INTEGER NOT NULL,
    fileSize INTEGER NOT NULL,
    fileModified INTEGER NOT NULL
) STRICT;
)";
} // namespace

QString SyncStateStore::pathFor(const QString& databasePath) {
    return QFileInfo(databasePath).absolutePath() + QStringLiteral("/sync-state.sqlite");
}

SyncStateStore::SyncStateStore(std::unique_ptr<Database> database) : m_database(std::move(database)) {}

SyncStateStore::~SyncStateStore() = default;

std::unique_ptr<SyncStateStore> SyncStateStore::open(const QString& path, QString* error) {
    std::unique_ptr<Database> database = Database::open(path, true, error);
    if (!database)
        return nullptr;
    std::unique_ptr<SyncStateStore> state(new SyncStateStore(std::move(database)));
    if (!state->prepare(error))
        return nullptr;
    state->m_checkpointer = std::make_unique<WalCheckpointer>(path);
    state->m_path = path;
    return state;
}

bool SyncStateStore::prepare(QString* error) {
    // Losing the last moments of this file costs only a rewrite of some sync files, never data.
    if (!m_database->execute(QStringLiteral("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
                                            "PRAGMA busy_timeout = 2000"),
                             error) ||
        !m_database->execute(QString::fromUtf8(createSql), error))
        return false;
    m_put = m_database->prepare(
        QStringLiteral("INSERT OR REPLACE INTO SyncObject (id, record, present, "
                       "fileInode, fileSize, fileModified) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
        error);
    m_setMeta = m_database->prepare(
        QStringLiteral("INSERT OR REPLACE INTO SyncMeta (key, value) VALUES (?1, ?2)"), error);
    if (!m_put.isValid() || !m_setMeta.isValid())
        return false;

    m_machine = m_database->queryText(QStringLiteral("SELECT value FROM SyncMeta WHERE key = 'machine'"))
                    .value_or(QString());
    if (m_machine.isEmpty()) {
        m_fresh = true;
        m_machine = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        m_setMeta.reset();
        m_setMeta.bind(1, QStringLiteral("machine"));
        m_setMeta.bind(2, m_machine);
        if (!m_setMeta.run()) {
            if (error)
                *error = m_database->errorMessage();
            return false;
        }
    }
    const QString clock =
        m_database->queryText(QStringLiteral("SELECT value FROM SyncMeta WHERE key = 'clock'"))
            .value_or(QString());
    m_clock = SyncStamp::fromString(clock).value_or(SyncStamp{0, 0, m_machine});
    const QString applying =
        m_database->queryText(QStringLiteral("SELECT value FROM SyncMeta WHERE key = 'applying'"))
            .value_or(QString());
    m_applying = applying.split(u',', Qt::SkipEmptyParts);
    const QJsonObject replaced =
        QJsonDocument::fromJson(
            m_database->queryText(QStringLiteral("SELECT value FROM SyncMeta WHERE key = 'replaced'"))
                .value_or(QString())
                .toUtf8())
            .object();
    for (auto it = replaced.constBegin(); it != replaced.constEnd(); ++it)
        m_replaced.insert(it.key(), it.value().toObject());
    // The mark is kept in the same value as the note's objects, which every version writes anew with
    // each note, so that a note kept by an older version (which knows no marks, and takes this one for
    // an object it does not hold) never passes for one with the mark of an earlier note. Notes without
    // a mark are finished as before.
    if (!m_applying.isEmpty() && m_applying.first().startsWith(markPrefix))
        m_applyingMark = m_applying.takeFirst().mid(markPrefix.size());
    return true;
}

bool SyncStateStore::load(QHash<QString, Entry>* entries, QString* error) {
    Statement select = m_database->prepare(
        QStringLiteral("SELECT record, present, fileInode, fileSize, fileModified FROM SyncObject"), error);
    if (!select.isValid())
        return false;
    for (;;) {
        const Statement::Step step = select.step();
        if (step == Statement::Step::done)
            return true;
        if (step == Statement::Step::error) {
            if (error)
                *error = m_database->errorMessage();
            return false;
        }
        std::optional<SyncRecord> record = SyncRecord::fromJson(select.text(0).toUtf8(), nullptr);
        // A row this version cannot read is forgotten; the folder's file brings the object back.
        if (!record)
            continue;
        // The text is not kept: with many objects (or a flood of tombstones) it would weigh megabytes.
        // Nor are the values of tombstones, for the same reason: they stay here until wanted.
        Entry entry{*record, select.integer(1) != 0,
                    SyncFolder::Signature{select.integer(2), select.integer(3), select.integer(4)},
                    QByteArray()};
        if (record->deleted && !record->stamps.isEmpty()) {
            entry.record.fields = {};
            entry.record.stamps = {};
            const auto seen = record->seen.constFind(SyncRecord::wholeObject);
            entry.record.seen.clear();
            if (seen != record->seen.cend())
                entry.record.seen.insert(SyncRecord::wholeObject, *seen);
            entry.valuesOnDisk = true;
        }
        entries->insert(record->id, entry);
    }
}

bool SyncStateStore::store(const QList<const Entry*>& entries, const SyncStamp& clock, QString* error,
                           const QStringList* applying) {
    // The note of what the store is about to receive must outlast a power cut that the store's own
    // commit outlasts.
    if (!begin(entries.size() > largeBatch, applying && !applying->isEmpty(), error))
        return false;
    if (put(entries, error) && finish(clock, applying, error))
        return true;
    abandon();
    return false;
}

bool SyncStateStore::begin(bool large, bool durable, QString* error) {
    // A whole library at once (a first import or export) would overflow the page cache, which
    // then spills the same pages to the log again and again: hold them until the commit.
    m_large = large;
    m_durable = durable;
    // The log of the last large commit is copied by then: commits copy it themselves again, a little
    // at a time.
    if (m_checkpointPending && m_checkpointer->isIdle()) {
        m_database->execute(QStringLiteral("PRAGMA wal_autocheckpoint = 1000"));
        m_checkpointPending = false;
    }
    // Its own log is copied on another thread, after the commit.
    if (large) {
        m_database->execute(QStringLiteral("PRAGMA cache_size = -65536"));
        m_database->execute(QStringLiteral("PRAGMA wal_autocheckpoint = 0"));
    }
    if (durable)
        m_database->execute(QStringLiteral("PRAGMA synchronous = FULL"));
    if (m_database->execute(QStringLiteral("BEGIN IMMEDIATE"), error))
        return true;
    restorePragmas();
    return false;
}

void SyncStateStore::restorePragmas() {
    if (m_large) {
        m_database->execute(QStringLiteral("PRAGMA cache_size = -2000"));
        // Until the other thread has copied the log (a commit would copy all of it now).
        if (!m_checkpointPending)
            m_database->execute(QStringLiteral("PRAGMA wal_autocheckpoint = 1000"));
    }
    if (m_durable)
        m_database->execute(QStringLiteral("PRAGMA synchronous = NORMAL"));
    m_large = m_durable = false;
}

bool SyncStateStore::put(const QList<const Entry*>& entries, QString* error) {
    for (const Entry* entry : entries) {
        m_put.reset();
        m_put.bind(1, entry->record.id);
        m_put.bindUtf8(2, entry->json.isEmpty() ? entry->record.toJson(false) : compact(entry->json));
        m_put.bind(3, entry->present);
        m_put.bind(4, entry->file.inode);
        m_put.bind(5, entry->file.size);
        m_put.bind(6, entry->file.modified);
        if (!m_put.run()) {
            if (error)
                *error = m_database->errorMessage();
            return false;
        }
    }
    return true;
}

bool SyncStateStore::finish(const SyncStamp& clock, const QStringList* applying, QString* error) {
    m_setMeta.reset();
    m_setMeta.bind(1, QStringLiteral("clock"));
    m_setMeta.bind(2, clock.toString());
    bool ok = m_setMeta.run();
    QJsonObject replaced;
    const QString mark = applying && !applying->isEmpty() ? m_pendingMark : QString();
    if (applying && !applying->isEmpty())
        for (auto it = m_pendingReplaced.constBegin(); it != m_pendingReplaced.constEnd(); ++it)
            replaced.insert(it.key(), it.value());
    if (ok && applying) {
        m_setMeta.reset();
        m_setMeta.bind(1, QStringLiteral("applying"));
        m_setMeta.bind(2, (mark.isEmpty() ? QString() : QString(markPrefix) + mark + u',') +
                              applying->join(u','));
        ok = m_setMeta.run();
    }
    if (ok && applying) {
        m_setMeta.reset();
        m_setMeta.bind(1, QStringLiteral("replaced"));
        m_setMeta.bind(2, replaced.isEmpty()
                              ? QString()
                              : QString::fromUtf8(QJsonDocument(replaced).toJson(QJsonDocument::Compact)));
        ok = m_setMeta.run();
    }
    if (!ok && error)
        *error = m_database->errorMessage();
    if (!ok || !m_database->execute(QStringLiteral("COMMIT"), error))
        return false;
    if (m_large) {
        m_checkpointPending = true;
        m_checkpointer->request();
    }
    restorePragmas();
    m_clock = clock;
    if (applying) {
        m_applying = *applying;
        m_replaced.clear();
        for (auto it = replaced.constBegin(); it != replaced.constEnd(); ++it)
            m_replaced.insert(it.key(), it.value().toObject());
        m_applyingMark = mark;
        m_pendingReplaced.clear();
        m_pendingMark.clear();
    }
    return true;
}

void SyncStateStore::abandon() {
    m_database->execute(QStringLiteral("ROLLBACK"));
    restorePragmas();
}

bool SyncStateStore::remove(const QList<QString>& ids, QString* error) {
    if (ids.isEmpty())
        return true;
    Statement remove = m_database->prepare(QStringLiteral("DELETE FROM SyncObject WHERE id = ?1"), error);
    if (!remove.isValid() || !m_database->execute(QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    for (const QString& id : ids) {
        remove.reset();
        remove.bind(1, id);
        if (!remove.run()) {
            if (error)
                *error = m_database->errorMessage();
            m_database->execute(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    return m_database->execute(QStringLiteral("COMMIT"), error);
}

void SyncStateStore::loadValues(Entry& entry) {
    if (!entry.valuesOnDisk)
        return;
    entry.valuesOnDisk = false;
    if (!m_valueReader) {
        m_valueReader = Database::open(m_path, false, nullptr);
        if (!m_valueReader)
            return;
        m_valueReader->execute(QStringLiteral("PRAGMA busy_timeout = 2000"));
        m_readValues = m_valueReader->prepare(QStringLiteral("SELECT record FROM SyncObject WHERE id = ?1"));
    }
    if (!m_readValues.isValid())
        return;
    m_readValues.reset();
    m_readValues.bind(1, entry.record.id);
    const bool found = m_readValues.step() == Statement::Step::row;
    const QByteArray text = found ? m_readValues.text(0).toUtf8() : QByteArray();
    // Holds no snapshot of the file between reads: the log can be copied in meanwhile.
    m_readValues.reset();
    const std::optional<SyncRecord> kept = found ? SyncRecord::fromJson(text, nullptr) : std::nullopt;
    // Only the values of this very tombstone: a later version is the entry's to keep.
    if (!kept || !kept->deleted || kept->stamp != entry.record.stamp || kept->kind != entry.record.kind)
        return;
    entry.record.fields = kept->fields;
    entry.record.stamps = kept->stamps;
    for (auto it = kept->seen.cbegin(); it != kept->seen.cend(); ++it)
        if (it.key() != SyncRecord::wholeObject)
            entry.record.seen.insert(it.key(), it.value());
    entry.json.clear();
}
