// Writes merged objects into the store's database through a connection of its own, as any other
// writer would; the main context notices the commit and reads the changes into the live objects.
// Rows are found by the objects' ids, owners by their ids.
#pragma once

#include "SyncRecord.h"

#include "store/Statement.h"
#include "store/StoreChanges.h"

#include <QHash>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class Database;

class SyncStoreWriter {
public:
    static std::unique_ptr<SyncStoreWriter> open(const QString& databasePath, QString* error);
    ~SyncStoreWriter();

    // Reads which ids the store holds. Nothing is written, nor locked, before write().
    bool begin(QString* error);
    bool isOpen() const { return m_open; }
    bool contains(ModelObject::Kind kind, const QString& id) const;
    // Inserts or updates the object's row. False with `ownerMissing` set when its owner is not stored.
    // The statement runs in write(), which alone takes the store's write lock, so that a save made here
    // meanwhile never waits for a merge: a failure shows there. A row that already holds these
    // values is not written, and not counted in lastChanges(). With `before` (the object as merged
    // before), a column of an existing row that holds an edit saved here against `before` (see
    // UnsentEdits) keeps it: an edit saved while the round ran, or before and not sent yet, which is
    // weighed against what the round merged once the round is done (or at the next start, should the
    // process stop first). Records here are rows: a place is the member's index in its list.
    bool put(const SyncRecord& record, bool* ownerMissing, QString* error,
             const SyncRecord* before = nullptr);
    // Deletes the row (and, through the store's rules, what it owns) when the transaction commits;
    // from now on the object counts as gone. With `before`, a row that holds such an edit stays, as
    // put() keeps it, and so does an owner while what it owns holds one (see noteMember).
    void remove(ModelObject::Kind kind, const QString& id, const SyncRecord* before = nullptr);
    // A member that the sync state holds under `owner` (shown here or waiting for it), which this round
    // takes out: `record` as its row holds it where nothing was saved here since, and whether it was held
    // here before the round (then a missing row was taken out here). The owner's deletion with `before` holds
    // only while the rows it owns are these members, or are deleted by the round, and hold no edit saved
    // here: a member edited, moved, put in or taken out here keeps the owner, whole, for the weighing of that
    // edit against the deletion.
    void noteMember(const QString& owner, const SyncRecord& record, bool held);
    // Takes the write lock and runs what was put and removed, in one transaction left open for
    // commit(); deletes after keeping a copy of the store when the deletions take many configurations
    // and saved applications, and fails (and changes nothing) when that copy cannot be made. Rows that a
    // save here changed since begin() are found again by their ids: a row deleted meanwhile stays
    // deleted, with what it owned. Runs on any one thread at a time.
    bool write(QString* error);
    // Commits what write() wrote, writing it first if it has not run.
    bool commit(QString* error);
    // The next commit writes `mark` into the store's metadata, in the same transaction as its rows: the
    // store itself then says whether it holds that commit, whatever happened after.
    void markCommit(const QString& mark) { m_mark = mark; }
    // The mark of the last commit that wrote one.
    std::optional<QString> committedMark();
    void rollback();

    struct Backup {
        QString path;
        int configurations = 0;
        int savedApps = 0;
    };
    // The rows the last commit wrote and deleted.
    const StoreChanges& lastChanges() const { return m_lastChanges; }
    // Changes when another connection commits; see StoreChanges::onlyThisCommit.
    std::optional<qint64> dataVersion();

    // The copy that the last commit kept, if it kept one.
    const std::optional<Backup>& lastBackup() const { return m_lastBackup; }

private:
    explicit SyncStoreWriter(std::unique_ptr<Database> database);
    struct Table {
        Statement insert;
        Statement update;
        Statement updateKeeping;
        Statement remove;
        QHash<QString, qint64> keys; // id -> pk
        // Given to a new row here rather than by SQLite, which gives the same (after the largest ever
        // used), so that the row's key is known before its statement runs.
        qint64 nextKey = 1;
        // Where the insert takes the key.
        int keyParameter = 0;
        QList<qint64> removed;
        // The ids of `removed`: an object deleted and brought back within one round keeps its row.
        QHash<QString, qint64> removedIds;
        // Those removed with what they were before and their owner's key.
        struct Before {
            SyncRecord record;
            qint64 ownerKey = 0;
        };
        QHash<qint64, Before> removedBefore;
        Statement removeUnchanged;
        // Whether a row holds no edit saved here, with the parameters of removeUnchanged; and the rows
        // that an owner's row owns (none for a class without an owner).
        Statement holdsNoEdit;
        Statement owned;
        // The rows that write() wrote, by key: where their writes lie in m_writes.
        QHash<qint64, qsizetype> written;
    };
    struct Member {
        SyncRecord record;
        bool held = false;
    };
    // A row to write, with the keys decided when it was put (0: not written, see rekey).
    // Rows that rounds took out of a list leave gaps in its indexes, which would make a row's index
    // seem moved against the recorded order: each list whose rows are weighed (written or removed
    // only where they hold no edit) is numbered without them first, in the order its rows show.
    bool closeGaps(QString* error);

    struct Write {
        SyncRecord record;
        qint64 key = 0;
        qint64 ownerKey = 0;
        bool update = false;
        std::optional<SyncRecord> before;
        qint64 beforeOwnerKey = 0;
    };
    Table& of(ModelObject::Kind kind) { return m_tables[static_cast<size_t>(kind)]; }
    const Table& of(ModelObject::Kind kind) const { return m_tables[static_cast<size_t>(kind)]; }
    bool prepare(QString* error);
    // Reads the keys of the store's rows and the next key of each table.
    bool readKeys(QString* error);
    // Under the write lock, after another writer committed since begin(): the keys are read again and
    // every write and deletion finds its row, and its owner's, by id. A row deleted meanwhile is not
    // written, nor is one whose owner was.
    bool rekey(QString* error);
    // Binds the attributes from parameter `first` on, and the id as parameter 1 when that is 2.
    void bind(Statement& statement, const SyncRecord& record, qint64 ownerKey, int first = 2);
    // Whether the row `key` of `kind` holds an edit saved here against `record`.
    std::optional<bool> holdsEdit(ModelObject::Kind kind, qint64 key, const SyncRecord& record,
                                  qint64 ownerKey, QString* error);
    // Whether what the owner's row `key` (object `id`) owns holds an edit saved here (see noteMember);
    // nothing when the store cannot be read.
    std::optional<bool> ownsEdit(ModelObject::Kind kind, qint64 key, const QString& id, QString* error);
    // The key of the owner that `record` names; nothing for a class without an owner, 0 when the owner
    // is not stored.
    std::optional<qint64> ownerKeyOf(const SyncRecord& record) const;

    std::unique_ptr<Database> m_database;
    std::array<Table, 6> m_tables;
    Statement m_setMark;
    QString m_mark;
    bool m_open = false;
    bool m_inTransaction = false;
    // The store as begin() read it; see dataVersion().
    std::optional<qint64> m_readVersion;
    std::vector<Write> m_writes;
    // By owner id, then member id; see noteMember.
    QHash<QString, QHash<QString, Member>> m_members;
    // What write() wrote, for lastChanges() once committed.
    StoreChanges m_pendingChanges;
    std::optional<Backup> m_lastBackup;
    StoreChanges m_lastChanges;
};
