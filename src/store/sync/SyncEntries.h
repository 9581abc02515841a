// Every entry of the sync state by id: the objects, and the tombstones that came or changed lately, in a
// hash; the tombstones at rest packed (see PackedTombstones), which a read finds just the same. Reading
// never changes which entries are where: only a write takes a packed tombstone back into the hash.
// A round notes what it changes (beginUndo), so that a failed one takes it back without a copy of the
// whole state.
#pragma once

#include "IdHash.h"
#include "PackedTombstones.h"

#include <QHash>
#include <QSet>

#include <functional>

#include <memory>
#include <optional>
#include <unordered_map>

class SyncEntries {
public:
    using Entry = SyncStateStore::Entry;
    using Hash = QHash<QString, Entry>;
    using iterator = Hash::iterator;

    class const_iterator {
    public:
        const QString& key() const;
        const Entry& operator*() const { return value(); }
        const Entry* operator->() const { return &value(); }
        const_iterator& operator++();
        bool operator==(const const_iterator& other) const {
            return m_hot == other.m_hot && m_packed == other.m_packed;
        }

    private:
        friend class SyncEntries;
        const_iterator(const SyncEntries* owner, Hash::const_iterator hot, qsizetype packed);
        const Entry& value() const;
        // Passes over packed tombstones that the hash holds anew.
        void skipShadowed();

        const SyncEntries* m_owner;
        Hash::const_iterator m_hot;
        qsizetype m_packed;
        mutable std::optional<Entry> m_unpacked;
    };

    SyncEntries();
    // Gives a tombstone whose values were left on disk its values (see SyncStateStore::loadValues).
    using ValueLoader = std::function<void(Entry& entry)>;
    void setValueLoader(ValueLoader loader) { m_loadValues = std::move(loader); }

    const_iterator constFind(const QString& id) const;
    const_iterator find(const QString& id) const { return constFind(id); }
    const_iterator constEnd() const;
    const_iterator end() const { return constEnd(); }
    const_iterator cbegin() const;
    const_iterator cend() const { return constEnd(); }
    const_iterator begin() const { return cbegin(); }
    bool contains(const QString& id) const;
    Entry value(const QString& id) const;
    // Counts a packed tombstone held anew twice: for reserving.
    qsizetype size() const { return m_hot.size() + m_packed->size(); }

    // To change an entry: a packed one comes back into the hash first, with the values it kept.
    iterator find(const QString& id);
    iterator end() { return m_hot.end(); }
    Entry& operator[](const QString& id);
    iterator insert(const QString& id, const Entry& entry);
    void remove(const QList<QString>& ids);
    void reserve(qsizetype size) { m_hot.reserve(size); }
    void squeeze() { m_hot.squeeze(); }

    // An entry of the hash, to let go of its text (see SyncStateStore::Entry): nothing is noted, as
    // the text only spares writing the record out again.
    Entry* hotEntry(const QString& id) {
        const auto it = m_hot.find(id);
        return it != m_hot.end() ? &*it : nullptr;
    }

    // What the hash alone holds: every object, and the tombstones not packed.
    const Hash& hot() const { return m_hot; }
    const PackedTombstones& packed() const { return *m_packed; }
    qsizetype hotTombstones() const;
    // Packs every tombstone of the hash that can be.
    void pack();

    // From beginUndo() on, the first change to each entry notes what it was; undo() puts it all back,
    // endUndo() keeps the changes.
    void beginUndo();
    void undo();
    void endUndo() { m_undo.reset(); }

private:
    void note(const QString& id);
    // The same for an entry of the hash.
    void note(const QString& id, const Entry& entry);

    Hash m_hot;
    std::shared_ptr<const PackedTombstones> m_packed;
    ValueLoader m_loadValues;
    struct Undo {
        std::shared_ptr<const PackedTombstones> packed;
        // Each entry as it was before its first change; none for one the hash did not hold.
        std::unordered_map<QString, std::optional<Entry>, IdHash> before;
    };
    std::optional<Undo> m_undo;
};
