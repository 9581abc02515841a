#include "SyncFolderReader.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace {
// Below this many files a round reads them itself: starting threads would cost more.
constexpr qsizetype prefetchAtLeast = 64;
constexpr unsigned maxReaders = 4;
} // namespace

bool SyncFolderReader::list(ModelObject::Kind kind, QList<SyncFolder::Entry>* files,
                            QHash<QString, Group>* groups, QString* error) {
    QList<SyncFolder::Refused> refused;
    if (!m_folder.list(kind, files, &refused, error))
        return false;
    for (const SyncFolder::Refused& file : std::as_const(refused))
        skip(file.path, file.signature, file.why);
    for (const SyncFolder::Entry& file : std::as_const(*files)) {
        Group& group = (*groups)[file.id];
        if (file.conflictCopy)
            group.copies.append(&file);
        else
            group.main = &file;
    }
    return true;
}

void SyncFolderReader::skip(const QString& path, const SyncFolder::Signature& signature, const QString& why) {
    m_skipped.skip(path, signature, why);
}

bool SyncFolderReader::read(const SyncFolder::Entry& file, ModelObject::Kind kind, const QString& id,
                            std::optional<SyncRecord>* record, QByteArray* json) {
    if (m_skipped.contains(file.path, file.signature)) {
        m_skipped.seen(file.path);
        return false;
    }
    QByteArray data;
    QString why;
    if (const auto fetched = m_prefetched.constFind(file.path);
        fetched != m_prefetched.constEnd() && fetched->signature == file.signature) {
        Fetched taken = m_prefetched.take(file.path);
        data = std::move(taken.data);
        *record = std::move(taken.record);
        why = std::move(taken.why);
    } else {
        if (!m_folder.read(kind, file, &data, &why)) {
            skip(file.path, file.signature, why);
            return false;
        }
        *record = SyncRecord::fromJson(data, &why);
    }
    if (*record && ((*record)->kind != kind || (*record)->id != id)) {
        why = QStringLiteral("it describes another object than its name says");
        record->reset();
    }
    if (!*record) {
        skip(file.path, file.signature, why);
        return false;
    }
    m_skipped.forget(file.path);
    if (json)
        *json = data;
    return true;
}

void SyncFolderReader::prefetch(ModelObject::Kind kind, const QList<const SyncFolder::Entry*>& files) {
    QList<const SyncFolder::Entry*> wanted;
    for (const SyncFolder::Entry* file : files)
        if (!m_skipped.contains(file->path, file->signature))
            wanted.append(file);
    if (wanted.size() < prefetchAtLeast)
        return;
    // Each worker fills only its own slots; the results are gathered once all are joined.
    std::vector<Fetched> results(size_t(wanted.size()));
    // Not vector<bool>: its bits share words, which two workers must not write at once.
    std::vector<char> readOk(results.size(), 0);
    const unsigned readers = std::clamp(std::thread::hardware_concurrency(), 1u, maxReaders);
    const auto work = [&](unsigned first) {
        for (size_t i = first; i < results.size(); i += readers) {
            const SyncFolder::Entry& file = *wanted[qsizetype(i)];
            Fetched& fetched = results[i];
            fetched.signature = file.signature;
            if (m_folder.read(kind, file, &fetched.data, &fetched.why)) {
                readOk[i] = 1;
                fetched.record = SyncRecord::fromJson(fetched.data, &fetched.why);
            }
        }
    };
    {
        std::vector<std::jthread> workers;
        for (unsigned reader = 1; reader < readers; ++reader)
            workers.emplace_back(work, reader);
        work(0);
    }
    for (size_t i = 0; i < results.size(); ++i) {
        // A file that could not be opened is read again by read(), which reports why.
        if (readOk[i])
            m_prefetched.insert(wanted[qsizetype(i)]->path, std::move(results[i]));
    }
}
