#include "PackedTombstones.h"

#include "model/ModelObject.h"

#include <QHash>

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

struct PackedTombstones::Record {
    unsigned char id[16];
    qint64 wall;
    qint64 inode;
    qint64 fileSize;
    qint64 modified;
    // What the deletion had seen of the object; no machine (~0) for nothing.
    qint64 seenWall;
    quint32 counter;
    quint32 seenCounter;
    quint16 machine;
    quint16 seenMachine;
    quint8 kind;
    bool present;
    // The deleted values are in the state's file (see SyncStateStore::Entry::valuesOnDisk).
    bool valuesOnDisk;
};

namespace {
// The machine index of a record that saw nothing.
constexpr quint16 noMachine = std::numeric_limits<quint16>::max();

// The id's bytes, when the id is written as this program writes ids (so that it comes back the same).
bool idBytes(const QString& id, unsigned char* out) {
    if (id.size() != 36)
        return false;
    const QUuid uuid = QUuid::fromString(id);
    if (uuid.isNull() || uuidString(uuid) != id)
        return false;
    const QByteArray bytes = uuid.toRfc4122();
    std::memcpy(out, bytes.constData(), 16);
    return true;
}

// Upper-case hex sorts as its bytes do, so the array is in the order of the ids' text.
bool idLess(const unsigned char* a, const unsigned char* b) {
    return std::memcmp(a, b, 16) < 0;
}

bool packableStamp(const SyncStamp& stamp) {
    return stamp.wall >= 0 && stamp.counter >= 0 && stamp.counter <= std::numeric_limits<quint32>::max();
}
} // namespace

bool PackedTombstones::packable(const Entry& entry) {
    const SyncRecord& record = entry.record;
    unsigned char id[16];
    const auto seen = record.seen.constFind(SyncRecord::wholeObject);
    return record.deleted && packableStamp(record.stamp) &&
           (seen == record.seen.cend() || packableStamp(*seen)) && int(record.kind) >= 0 &&
           int(record.kind) <= 255 && idBytes(record.id, id);
}

std::shared_ptr<const PackedTombstones> PackedTombstones::pack(const PackedTombstones* base,
                                                               const std::vector<bool>& keep,
                                                               const QList<const Entry*>& added) {
    std::shared_ptr<PackedTombstones> packed(new PackedTombstones);
    const qsizetype kept = base ? qsizetype(std::count(keep.begin(), keep.end(), true)) : 0;
    packed->allocate(kept + added.size());
    QHash<QString, quint16> machines;
    const auto machineIndex = [&](const QString& machine) -> std::optional<quint16> {
        if (const auto it = machines.constFind(machine); it != machines.constEnd())
            return *it;
        if (packed->m_machines.size() >= noMachine)
            return std::nullopt;
        const auto index = quint16(packed->m_machines.size());
        packed->m_machines.append(machine);
        machines.insert(machine, index);
        return index;
    };
    Record* out = packed->m_records;
    for (qsizetype i = 0; base && i < base->m_size; ++i) {
        if (!keep[size_t(i)])
            continue;
        *out = base->m_records[i];
        out->machine = *machineIndex(base->m_machines.at(base->m_records[i].machine));
        if (out->seenMachine != noMachine)
            out->seenMachine = *machineIndex(base->m_machines.at(out->seenMachine));
        ++out;
    }
    const Record* addedFrom = out;
    for (const Entry* entry : added) {
        const SyncRecord& record = entry->record;
        const auto seen = record.seen.constFind(SyncRecord::wholeObject);
        const std::optional<quint16> machine = machineIndex(record.stamp.machine);
        const std::optional<quint16> seenMachine =
            seen != record.seen.cend() ? machineIndex(seen->machine) : std::optional(noMachine);
        if (!machine || !seenMachine || !idBytes(record.id, out->id))
            continue;
        out->wall = record.stamp.wall;
        out->counter = quint32(record.stamp.counter);
        out->machine = *machine;
        out->seenWall = seen != record.seen.cend() ? seen->wall : 0;
        out->seenCounter = seen != record.seen.cend() ? quint32(seen->counter) : 0;
        out->seenMachine = *seenMachine;
        out->kind = quint8(record.kind);
        out->present = entry->present;
        out->valuesOnDisk = entry->valuesOnDisk || !record.stamps.isEmpty();
        out->inode = entry->file.inode;
        out->fileSize = entry->file.size;
        out->modified = entry->file.modified;
        ++out;
    }
    const auto less = [](const Record& a, const Record& b) { return idLess(a.id, b.id); };
    Record* records = packed->m_records;
    std::sort(records + (addedFrom - records), out, less);
    std::inplace_merge(records, records + (addedFrom - records), out, less);
    packed->m_size = out - records;
    return packed;
}

void PackedTombstones::allocate(qsizetype capacity) {
    if (capacity == 0)
        return;
    // Pages of its own, never the heap's: nothing freed around it is kept from the system, and it goes
    // back whole when it is let go.
    m_mapped = size_t(capacity) * sizeof(Record);
    void* pages = ::mmap(nullptr, m_mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED)
        throw std::bad_alloc();
    m_records = static_cast<Record*>(pages);
}

PackedTombstones::~PackedTombstones() {
    if (m_records)
        ::munmap(m_records, m_mapped);
}

qsizetype PackedTombstones::indexOf(const QString& id) const {
    unsigned char key[16];
    if (m_size == 0 || !idBytes(id, key))
        return -1;
    const Record* end = m_records + m_size;
    const Record* begin = m_records;
    const unsigned char* wanted = key;
    const Record* it = std::lower_bound(
        begin, end, wanted, [](const Record& r, const unsigned char* k) { return idLess(r.id, k); });
    return it != end && std::memcmp(it->id, key, 16) == 0 ? it - m_records : -1;
}

QString PackedTombstones::idAt(qsizetype index) const {
    return uuidString(QUuid::fromRfc4122(QByteArrayView(m_records[index].id, 16)));
}

qint64 PackedTombstones::wallAt(qsizetype index) const {
    return m_records[index].wall;
}

PackedTombstones::Entry PackedTombstones::at(qsizetype index) const {
    const Record& r = m_records[index];
    Entry entry;
    entry.record.kind = ModelObject::Kind(r.kind);
    entry.record.id = idAt(index);
    entry.record.deleted = true;
    entry.record.stamp = {r.wall, qint64(r.counter), m_machines.at(r.machine)};
    if (r.seenMachine != noMachine)
        entry.record.seen.insert(SyncRecord::wholeObject,
                                 {r.seenWall, qint64(r.seenCounter), m_machines.at(r.seenMachine)});
    entry.present = r.present;
    entry.valuesOnDisk = r.valuesOnDisk;
    entry.file = {r.inode, r.fileSize, r.modified};
    return entry;
}
