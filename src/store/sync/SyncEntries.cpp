#include "SyncEntries.h"

#include <vector>

SyncEntries::SyncEntries() : m_packed(PackedTombstones::pack(nullptr, {}, {})) {}

SyncEntries::const_iterator::const_iterator(const SyncEntries* owner, Hash::const_iterator hot,
                                            qsizetype packed)
    : m_owner(owner), m_hot(hot), m_packed(packed) {}

const SyncEntries::Entry& SyncEntries::const_iterator::value() const {
    if (m_hot != m_owner->m_hot.cend())
        return *m_hot;
    if (!m_unpacked)
        m_unpacked = m_owner->m_packed->at(m_packed);
    return *m_unpacked;
}

const QString& SyncEntries::const_iterator::key() const {
    return m_hot != m_owner->m_hot.cend() ? m_hot.key() : value().record.id;
}

SyncEntries::const_iterator& SyncEntries::const_iterator::operator++() {
    m_unpacked.reset();
    if (m_hot != m_owner->m_hot.cend()) {
        ++m_hot;
        if (m_hot != m_owner->m_hot.cend())
            return *this;
        m_packed = 0;
    } else {
        ++m_packed;
    }
    skipShadowed();
    return *this;
}

void SyncEntries::const_iterator::skipShadowed() {
    const PackedTombstones& packed = *m_owner->m_packed;
    if (m_owner->m_hot.isEmpty())
        return;
    while (m_packed < packed.size() && m_owner->m_hot.contains(packed.idAt(m_packed)))
        ++m_packed;
}

SyncEntries::const_iterator SyncEntries::constFind(const QString& id) const {
    if (const auto it = m_hot.constFind(id); it != m_hot.cend())
        return {this, it, 0};
    const qsizetype index = m_packed->indexOf(id);
    return index < 0 ? constEnd() : const_iterator(this, m_hot.cend(), index);
}

SyncEntries::const_iterator SyncEntries::constEnd() const {
    return {this, m_hot.cend(), m_packed->size()};
}

SyncEntries::const_iterator SyncEntries::cbegin() const {
    if (!m_hot.isEmpty())
        return {this, m_hot.cbegin(), 0};
    const_iterator it(this, m_hot.cend(), 0);
    it.skipShadowed();
    return it;
}

bool SyncEntries::contains(const QString& id) const {
    return m_hot.contains(id) || m_packed->indexOf(id) >= 0;
}

SyncEntries::Entry SyncEntries::value(const QString& id) const {
    const const_iterator it = constFind(id);
    return it == constEnd() ? Entry{} : *it;
}

SyncEntries::iterator SyncEntries::find(const QString& id) {
    if (const auto it = m_hot.find(id); it != m_hot.end()) {
        note(id, *it);
        if (it->valuesOnDisk && m_loadValues)
            m_loadValues(*it);
        return it;
    }
    note(id);
    const qsizetype index = m_packed->indexOf(id);
    if (index < 0)
        return m_hot.end();
    Entry entry = m_packed->at(index);
    if (entry.valuesOnDisk && m_loadValues)
        m_loadValues(entry);
    return m_hot.insert(id, entry);
}

SyncEntries::Entry& SyncEntries::operator[](const QString& id) {
    const iterator it = find(id);
    return it != m_hot.end() ? *it : m_hot[id];
}

SyncEntries::iterator SyncEntries::insert(const QString& id, const Entry& entry) {
    note(id);
    return m_hot.insert(id, entry);
}

void SyncEntries::remove(const QList<QString>& ids) {
    std::vector<bool> keep(size_t(m_packed->size()), true);
    bool repack = false;
    for (const QString& id : ids) {
        note(id);
        m_hot.remove(id);
        if (const qsizetype index = m_packed->indexOf(id); index >= 0) {
            keep[size_t(index)] = false;
            repack = true;
        }
    }
    if (repack)
        m_packed = PackedTombstones::pack(m_packed.get(), keep, {});
}

qsizetype SyncEntries::hotTombstones() const {
    qsizetype count = 0;
    for (const Entry& entry : m_hot)
        count += entry.record.deleted;
    return count;
}

void SyncEntries::pack() {
    QList<const Entry*> added;
    std::vector<bool> keep(size_t(m_packed->size()), true);
    bool shadowed = false;
    for (auto it = m_hot.cbegin(); it != m_hot.cend(); ++it) {
        // Held anew (brought back, or deleted again): the packed copy is stale.
        if (const qsizetype index = m_packed->indexOf(it.key()); index >= 0) {
            keep[size_t(index)] = false;
            shadowed = true;
        }
        if (PackedTombstones::packable(*it))
            added.append(&*it);
    }
    if (added.isEmpty() && !shadowed)
        return;
    std::shared_ptr<const PackedTombstones> packed = PackedTombstones::pack(m_packed.get(), keep, added);
    QList<QString> moved;
    for (const Entry* entry : std::as_const(added))
        if (packed->indexOf(entry->record.id) >= 0)
            moved.append(entry->record.id);
    m_packed = std::move(packed);
    for (const QString& id : std::as_const(moved)) {
        note(id);
        m_hot.remove(id);
    }
    // Let go of the hash's spread-out nodes as a whole: what is left is allocated afresh.
    Hash rest;
    rest.reserve(m_hot.size());
    for (auto it = m_hot.cbegin(); it != m_hot.cend(); ++it)
        rest.insert(it.key(), *it);
    m_hot = std::move(rest);
}

void SyncEntries::beginUndo() {
    m_undo.emplace();
    m_undo->packed = m_packed;
}

void SyncEntries::undo() {
    if (!m_undo)
        return;
    Undo undo = std::move(*m_undo);
    m_undo.reset();
    m_packed = undo.packed;
    for (const auto& [id, before] : undo.before) {
        if (before)
            m_hot.insert(id, *before);
        else
            m_hot.remove(id);
    }
}

void SyncEntries::note(const QString& id) {
    if (!m_undo)
        return;
    if (const auto [noted, first] = m_undo->before.try_emplace(id); first)
        if (const auto it = m_hot.constFind(id); it != m_hot.cend())
            noted->second = *it;
}

void SyncEntries::note(const QString& id, const Entry& entry) {
    if (!m_undo)
        return;
    if (const auto [noted, first] = m_undo->before.try_emplace(id); first)
        noted->second = entry;
}
