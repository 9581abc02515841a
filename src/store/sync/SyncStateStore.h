// What this machine knows of every synced object, kept beside the database (never in the shared
// folder): the object as last merged, with its stamps, whether it is in the local store, and which
// version of its file in the sync folder was last read or written. Also this machine's id and clock.
#pragma once

#include "SyncFolder.h"
#include "SyncRecord.h"

#include "store/Statement.h"

#include <QHash>
#include <QJsonObject>
#include <QStringList>

#include <memory>

class Database;
class WalCheckpointer;

class SyncStateStore {
public:
    struct Entry {
        SyncRecord record;
        // In the local store; a child whose owner is gone waits here until the owner comes back.
        bool present = false;
        SyncFolder::Signature file;
        // The record as JSON when known (as read or written); cleared whenever the record changes.
        QByteArray json;
        // A tombstone whose deleted values were left here, in the file, to keep memory small:
        // loadValues() takes them back.
        bool valuesOnDisk = false;
    };

    // The state file beside the database at `databasePath`.
    static QString pathFor(const QString& databasePath);
    static std::unique_ptr<SyncStateStore> open(const QString& path, QString* error);
    ~SyncStateStore();

    // Tombstones come without their values (see Entry::valuesOnDisk).
    bool load(QHash<QString, Entry>* entries, QString* error);
    // Gives `entry`, a tombstone whose values were left here, its values as kept; nothing when the
    // file holds another version of it. On a connection of its own, as a round may be keeping entries
    // on another thread meanwhile: it reads what was committed.
    void loadValues(Entry& entry);
    QString machine() const { return m_machine; }
    SyncStamp clock() const { return m_clock; }

    // Made afresh by this start (never there, or deleted): this machine knows nothing of the folder.
    bool isFresh() const { return m_fresh; }
    // The objects an import was writing into the store when the program last stopped; empty when
    // every import finished.
    const QStringList& applying() const { return m_applying; }
    // What the rows of those objects held before that import, by id: a value there that differs from
    // this was saved here meanwhile, and stays.
    const QHash<QString, QJsonObject>& replaced() const { return m_replaced; }
    // The mark that import's commit writes into the store (see SyncStoreWriter::markCommit); empty
    // when the note was kept without one.
    const QString& applyingMark() const { return m_applyingMark; }
    // Kept with the next note of a non-empty `applying`.
    void noteReplaced(QHash<QString, QJsonObject> replaced, QString mark) {
        m_pendingReplaced = std::move(replaced);
        m_pendingMark = std::move(mark);
    }

    // Writes the given entries and the clock in one transaction, and `applying` when given.
    bool store(const QList<const Entry*>& entries, const SyncStamp& clock, QString* error,
               const QStringList* applying = nullptr);
    // The same in steps, for a round that keeps its entries class by class while it merges: one
    // transaction from begin() to finish() or abandon(). The steps may run on different threads,
    // never two at once.
    bool begin(bool large, bool durable, QString* error);
    bool put(const QList<const Entry*>& entries, QString* error);
    bool finish(const SyncStamp& clock, const QStringList* applying, QString* error);
    void abandon();
    // Forgets the entries of `ids` in one transaction.
    bool remove(const QList<QString>& ids, QString* error);

private:
    explicit SyncStateStore(std::unique_ptr<Database> database);
    bool prepare(QString* error);
    void restorePragmas();

    std::unique_ptr<Database> m_database;
    QString m_path;
    // For loadValues, opened on first use.
    std::unique_ptr<Database> m_valueReader;
    Statement m_readValues;
    // Copies the log of a large commit into the file, off the thread that committed.
    std::unique_ptr<WalCheckpointer> m_checkpointer;
    bool m_checkpointPending = false;
    Statement m_put;
    Statement m_setMeta;
    QString m_machine;
    SyncStamp m_clock;
    QStringList m_applying;
    QHash<QString, QJsonObject> m_replaced;
    QHash<QString, QJsonObject> m_pendingReplaced;
    QString m_applyingMark;
    QString m_pendingMark;
    bool m_fresh = false;
    // Of the transaction in progress.
    bool m_large = false;
    bool m_durable = false;
};
