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

    // Starts a transaction and reads which ids the store holds.
    bool begin(QString* error);
    bool isOpen() const { return m_inTransaction; }
    bool contains(ModelObject::Kind kind, const QString& id) const;
    // Inserts or updates the object's row; `written` tells whether the store's row changed (a row that
    // already holds these values is not written). False with `ownerMissing` set when its owner is not
    // stored.
    bool put(const SyncRecord& record, bool* ownerMissing, bool* written, QString* error);
    // Deletes the row (and, through the store's rules, what it owns) when the transaction commits;
    // from now on the object counts as gone.
    void remove(ModelObject::Kind kind, const QString& id);
    // Deletes after keeping a copy of the store when the deletions take many configurations and saved
    // applications; fails
    // (and changes nothing) when that copy cannot be made.
    bool commit(QString* error);
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
        Statement remove;
        QHash<QString, qint64> keys; // id -> pk
        QList<qint64> removed;
        QList<qint64> written;
    };
    Table& of(ModelObject::Kind kind) { return m_tables[static_cast<size_t>(kind)]; }
    const Table& of(ModelObject::Kind kind) const { return m_tables[static_cast<size_t>(kind)]; }
    bool prepare(QString* error);
    // Binds the attributes from parameter 2 on; false when the owner is not stored.
    bool bind(Statement& statement, const SyncRecord& record);

    std::unique_ptr<Database> m_database;
    std::array<Table, 6> m_tables;
    bool m_inTransaction = false;
    std::optional<Backup> m_lastBackup;
    StoreChanges m_lastChanges;
};
