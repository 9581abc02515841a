#include "SkippedFiles.h"

#include "base/Log.h"

quint64 SkippedFiles::keyOf(const QString& path) {
    // Two paths alike in 64 bits would also need the same inode, size and time to be mistaken.
    return quint64(qHash(path, size_t(0x51524C4E)));
}

bool SkippedFiles::contains(const QString& path, const Version& version) const {
    // Asked for every file a round reads: a path's hash is not free.
    if (m_files.isEmpty())
        return false;
    const auto it = m_files.constFind(keyOf(path));
    return it != m_files.constEnd() && *it == version;
}

bool SkippedFiles::contains(const QString& path, const SyncFolder::Signature& signature) const {
    // A version of no known mode matches any.
    return contains(path, Version{signature, 0});
}

void SkippedFiles::skip(const QString& path, const Version& version, const QString& why) {
    const quint64 key = keyOf(path);
    if (m_full)
        m_seen.insert(key);
    const auto it = m_files.find(key);
    if (it != m_files.end() && *it == version)
        return;
    m_files.insert(key, version);
    if (m_names.contains(key) || m_names.size() < linesPerRound)
        m_names.insert(key, QStringLiteral("%1: %2").arg(path, why));
    if (m_named < linesPerRound) {
        ++m_named;
        logWarning(lcSync, QStringLiteral("⚠️ Sync: skipped %1: %2").arg(path, why));
    } else {
        ++m_unnamed;
    }
}

void SkippedFiles::forget(const QString& path) {
    if (!m_files.isEmpty())
        drop(keyOf(path));
}

void SkippedFiles::drop(quint64 key) {
    m_files.remove(key);
    m_names.remove(key);
}

QStringList SkippedFiles::named() const {
    QStringList names(m_names.cbegin(), m_names.cend());
    names.sort();
    return names;
}

void SkippedFiles::beginRound(bool full) {
    m_full = full;
    m_seen.clear();
    m_named = 0;
    m_unnamed = 0;
}

void SkippedFiles::seen(const QString& path) {
    if (m_full)
        m_seen.insert(keyOf(path));
}

void SkippedFiles::endRound(const QString& folder, bool complete) {
    if (m_full && complete) {
        for (auto it = m_files.begin(); it != m_files.end();) {
            if (!m_seen.contains(it.key()))
                m_names.remove(it.key());
            it = m_seen.contains(it.key()) ? std::next(it) : m_files.erase(it);
        }
        m_seen = {};
    }
    if (m_unnamed > 0)
        logWarning(lcSync, QStringLiteral("⚠️ Sync: skipped %1 more files in %2 that could not be read")
                               .arg(m_unnamed)
                               .arg(folder));
    m_full = false;
    m_named = m_unnamed = 0;
}
