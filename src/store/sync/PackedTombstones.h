// Tombstones at rest: each a fixed record of a few dozen bytes (the id as its 16 bytes, the stamp with
// its machine as an index into a table held once, the stamp of what the deletion had seen likewise,
// the class, the file's signature), all in one sorted array of its own pages, found by binary search.
// The values a tombstone keeps stay in the state's file, which every tombstone packed was kept in. A
// library's worth of deletions weighs a few megabytes, and none of it pins the pages of the heap that a large
// round leaves free. Never changed once made: a new set is packed from an old one.
#pragma once

#include "SyncStateStore.h"

#include <QStringList>

#include <memory>

class PackedTombstones {
public:
    using Entry = SyncStateStore::Entry;

    // Only a tombstone of an id as this program makes them: it comes back unpacked as it went in, but
    // for its values (see SyncStateStore::Entry::valuesOnDisk).
    static bool packable(const Entry& entry);
    // The records of `base` at the indexes that `keep` marks, with `added` (packable, none of whose ids
    // is kept from `base`).
    static std::shared_ptr<const PackedTombstones>
    pack(const PackedTombstones* base, const std::vector<bool>& keep, const QList<const Entry*>& added);
    ~PackedTombstones();
    PackedTombstones(const PackedTombstones&) = delete;
    PackedTombstones& operator=(const PackedTombstones&) = delete;

    qsizetype size() const { return m_size; }
    // The index of `id`, or -1.
    qsizetype indexOf(const QString& id) const;
    QString idAt(qsizetype index) const;
    qint64 wallAt(qsizetype index) const;
    Entry at(qsizetype index) const;

private:
    struct Record;
    PackedTombstones() = default;
    void allocate(qsizetype capacity);

    Record* m_records = nullptr;
    qsizetype m_size = 0;
    size_t m_mapped = 0;
    QStringList m_machines;
};
