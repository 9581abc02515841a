// Merges what the folder holds of one object (its file and any conflict copies) with what this
// machine knows of it, and writes the result into the store's database through SyncStoreWriter, in
// one transaction per import. Owners come before their children; a child whose owner is missing
// waits in the sync state until the owner comes (back).
#pragma once

#include "SyncFolderReader.h"
#include "SyncState.h"
#include "SyncStoreWriter.h"
#include "UnsentEdits.h"

#include <memory>

class SyncMerger {
public:
    // What one import did beyond the store.
    struct Round {
        // Objects whose file in the folder does not hold the merged record.
        QSet<QString> rewrite;
        // Conflict copies merged: removed once the object's file holds them.
        struct Copy {
            QString id;
            ModelObject::Kind kind;
            SyncFolder::Entry file;
        };
        QList<Copy> mergedCopies;
        // Entries changed, to be kept in the state file; `changedInOrder` lists them as they came.
        QSet<QString> changed;
        QList<std::pair<QString, ModelObject::Kind>> changedInOrder;
        void noteChanged(const QString& id, ModelObject::Kind kind) {
            const qsizetype had = changed.size();
            changed.insert(id);
            if (changed.size() > had || changedAgain)
                changedInOrder.append({id, kind});
        }
        // Set while entries that the round may have kept already change again: they are listed anew.
        bool changedAgain = false;
        // Objects whose rows the round writes into the store or takes out of it: the note of what the
        // store is to receive. An entry that changed only in which version of its file was read (a
        // file delivered again as it was) is not among them.
        QSet<QString> written;
        // What the living objects among them held before this round merged them: an edit saved here
        // while the round ran is told apart from what the round brought by it.
        QHash<QString, SyncRecord> before;
        // Whether it deleted any of them: only such an owner can a later change bring back.
        bool deletedLiving = false;
        // The living objects that went with an owner this round deleted, as they were.
        QHash<QString, SyncRecord> absent;
        // The living objects held here whose ids this round gave to another class, as they were.
        QHash<QString, SyncRecord> yielded;
        // How the round found an object it wrote (see UnsentEdits).
        UnsentEdits::Found found(const QString& id) const {
            if (const auto it = before.constFind(id); it != before.constEnd())
                return &*it;
            if (const auto it = absent.constFind(id); it != absent.constEnd())
                return &*it;
            if (const auto it = yielded.constFind(id); it != yielded.constEnd())
                return &*it;
            if (written.contains(id))
                return nullptr;
            return std::nullopt;
        }
        // Objects whose rows in the store changed (rows that already held the merged values are not
        // written); known once the round's commit has run.
        int applied = 0;
        // Owners whose lists' rows are to be numbered again (see numberLists), and the rows put so far
        // with what each was weighed against (nothing: written as merged).
        QSet<QString> lists;
        QHash<QString, std::optional<SyncRecord>> rowsPut;
    };

    SyncMerger(SyncState& state, SyncFolderReader& reader, std::unique_ptr<SyncStoreWriter> writer);
    ~SyncMerger();

    bool merge(ModelObject::Kind kind, const QString& id, const SyncFolderReader::Group& group, Round& round,
               QString* error);
    // Writes the object as this machine knows it into the store again, as an import left unfinished
    // by a crash would have.
    // `kept`: attributes whose row holds an edit saved here meanwhile, which stay as saved.
    bool reapply(const QString& id, const QJsonObject& kept, Round& round, QString* error);
    // Gives the rows of every list that this import changed their indexes in the order of the members'
    // keys, then ids: the same on every machine. A row whose index holds an edit saved here keeps it.
    // With `rowsHeld`, every row is weighed against the records it gives (what the rows held before an
    // import finished at start) rather than as the round found or put it.
    bool numberLists(Round& round, QString* error, const UnsentEdits::Recorded& rowsHeld = {});
    // Whether this import wrote into the store.
    bool hasWrites() const;
    // See SyncStoreWriter::markCommit and committedMark.
    void markCommit(const QString& mark) { m_writer->markCommit(mark); }
    std::optional<QString> committedMark() { return m_writer->committedMark(); }
    // Writes what the merges of this import put into the store, under its write lock, on whichever
    // thread calls it; commit() then commits it.
    bool write(QString* error) { return m_writer->write(error); }
    // Commits what the merges of this import wrote into the store.
    bool commit(QString* error);
    // Writes these records into the store (owners first), and deletes the rows of tombstones, in a
    // transaction of their own.
    bool store(const QList<SyncRecord>& records, QString* error);
    void rollback();
    // The rows of the store that the last commit wrote and deleted.
    const StoreChanges& lastChanges() const { return m_writer->lastChanges(); }
    // See SyncStoreWriter::dataVersion; only while no import runs.
    std::optional<qint64> storeVersion() { return m_writer->dataVersion(); }
    // The copy of the store that the last commit kept before deleting many configurations.
    const std::optional<SyncStoreWriter::Backup>& lastBackup() const;

private:
    // A change stamped more than the allowed drift ahead of this machine's clock comes from a clock that
    // is wrong by at least as much, so its stamp cannot tell whether it came before or after an edit
    // made here in that time. Such an edit made here in the last few minutes is kept.
    void keepRecentEdits(const SyncRecord& local, SyncRecord& merged) const;
    // Whether the owners that `record` names, followed through what this machine knows whatever their
    // class, come back to it: no owner could ever hold such an object, so its file is damaged.
    bool closesLoop(const QString& id, const SyncRecord& record) const;
    // SyncFolderReader::read(), which also refuses a record that closes a loop of owners; the clock
    // takes note of what it reads.
    bool readRecord(const SyncFolder::Entry& file, ModelObject::Kind kind, const QString& id,
                    std::optional<SyncRecord>* record, QByteArray* json);
    // Writes the entry of `id` (noted as changed) into the store, with the children that waited for it.
    bool apply(const QString& id, SyncState::Entry& entry, Round& round, QString* error);
    // The recorded fields of the members held here before this round merged them (see UnsentEdits).
    UnsentEdits::Recorded heldBefore(const Round& round) const;
    // The row of `record` as the store holds it where nothing was saved here: its index in the list by
    // the records that `held` gives.
    SyncRecord rowOf(const SyncRecord& record, const UnsentEdits::Recorded& held);
    void markAbsent(const QString& id, Round& round);
    // Tells the writer every member the state holds under `owner`, shown here or waiting for it: the
    // owner's deletion weighs their rows (see SyncStoreWriter::noteMember).
    void noteMembers(const QString& owner, const Round& round);
    // A change of something an owner holds, stamped after the owner's deletion that this round read,
    // brings the owner back as it was before the round, with that change's stamp: as on the machine
    // that made the change, merged with the values its tombstone kept. Whether it brought one back.
    bool reviveOwner(const SyncRecord& record, Round& round, QString* error, bool* revived);

    SyncState& m_state;
    SyncFolderReader& m_reader;
    std::unique_ptr<SyncStoreWriter> m_writer;
};
