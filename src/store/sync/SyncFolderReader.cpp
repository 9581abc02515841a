#include "SyncFolderReader.h"

#include "SyncSchema.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {
// Below this many files a round reads them itself: starting threads would cost more.
constexpr qsizetype prefetchAtLeast = 64;
constexpr unsigned maxReaders = 4;
// Files the merge lets the readers get ahead by before it wakes: waking for each file would cost a
// switch between threads per file, and much more on a busy machine.
constexpr size_t wakeAfter = 256;
} // namespace

bool SyncFolderReader::listAll(const QList<ModelObject::Kind>& kinds, std::vector<Listing>* listings,
                               QString* error) {
    struct Raw {
        QList<SyncFolder::Refused> refused;
        QString error;
        bool ok = false;
    };
    listings->clear();
    listings->reserve(size_t(kinds.size()));
    std::vector<Raw> raw(size_t(kinds.size()));
    for (ModelObject::Kind kind : kinds)
        listings->push_back(Listing{kind, {}, {}});
    {
        // A library's folders hold thousands of names each; listing them one after the other would
        // hold back the reading that starts once they are listed.
        std::vector<std::jthread> listers;
        for (size_t i = 0; i < raw.size(); ++i)
            listers.emplace_back([this, i, &raw, listings] {
                Listing& listing = (*listings)[i];
                raw[i].ok = m_folder.list(listing.kind, &listing.files, &raw[i].refused, &raw[i].error);
            });
    }
    for (size_t i = 0; i < raw.size(); ++i) {
        if (!raw[i].ok) {
            if (error)
                *error = raw[i].error;
            listings->resize(i);
            return false;
        }
        Listing& listing = (*listings)[i];
        const QString folder = m_folder.path() + u'/' + SyncSchema::className(listing.kind);
        bool folderRefused = false;
        for (const SyncFolder::Refused& file : std::as_const(raw[i].refused)) {
            skip(file.path, file.signature, file.why, file.mode);
            listing.unlisted = listing.unlisted || file.unlisted;
            folderRefused = folderRefused || file.path == folder;
        }
        // Opened at last: no longer refused.
        if (!folderRefused)
            m_skipped.forget(folder);
        for (const SyncFolder::Entry& file : std::as_const(listing.files)) {
            Group& group = listing.groups[file.id];
            if (file.conflictCopy)
                group.copies.append(&file);
            else
                group.main = &file;
        }
    }
    return true;
}

void SyncFolderReader::skip(const QString& path, const SyncFolder::Signature& signature, const QString& why,
                            quint32 mode) {
    m_skipped.skip(path, {signature, mode}, why);
}

bool SyncFolderReader::read(const SyncFolder::Entry& file, ModelObject::Kind kind, const QString& id,
                            std::optional<SyncRecord>* record, QByteArray* json) {
    if (!m_retry && m_skipped.contains(file.path, {file.signature, file.mode})) {
        m_skipped.seen(file.path);
        return false;
    }
    QByteArray data;
    QString why;
    if (std::optional<Fetched> taken = takePrefetched(file)) {
        data = std::move(taken->data);
        *record = std::move(taken->record);
        why = std::move(taken->why);
    } else {
        if (!m_folder.read(kind, file, &data, &why)) {
            skip(file.path, file.signature, why, file.mode);
            return false;
        }
        *record = SyncRecord::fromJson(data, &why);
    }
    if (*record && ((*record)->kind != kind || (*record)->id != id)) {
        why = QStringLiteral("it describes another object than its name says");
        record->reset();
    }
    if (!*record) {
        skip(file.path, file.signature, why, file.mode);
        return false;
    }
    m_skipped.forget(file.path);
    if (json)
        *json = data;
    return true;
}

struct SyncFolderReader::Prefetch {
    struct Job {
        ModelObject::Kind kind;
        const SyncFolder::Entry* file;
    };
    std::vector<Job> jobs;
    // By the listed file (see prefetch()), each file's job; touched by the calling thread only.
    QHash<const SyncFolder::Entry*, size_t> jobOf;
    // Each reader fills only the slots it took; a slot is taken by the calling thread once it is done.
    std::vector<Fetched> results;
    // Not vector<bool>: its bits share words, which two readers must not write at once.
    std::vector<char> readOk;
    // Under the mutex: which jobs are done, how many from the first on, and how many the calling
    // thread waits for.
    std::vector<char> done;
    size_t doneInOrder = 0;
    size_t wanted = std::numeric_limits<size_t>::max();
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::jthread> readers;
};

SyncFolderReader::SyncFolderReader(const SyncFolder& folder) : m_folder(folder) {}

SyncFolderReader::~SyncFolderReader() {
    dropPrefetched();
}

void SyncFolderReader::prefetch(const QList<ClassFiles>& files) {
    dropPrefetched();
    auto batch = std::make_unique<Prefetch>();
    for (const auto& [kind, list] : files)
        for (const SyncFolder::Entry* file : list)
            if (m_retry || !m_skipped.contains(file->path, {file->signature, file->mode})) {
                batch->jobOf.insert(file, batch->jobs.size());
                batch->jobs.push_back({kind, file});
            }
    if (batch->jobs.size() < size_t(prefetchAtLeast))
        return;
    batch->results.resize(batch->jobs.size());
    batch->readOk.assign(batch->jobs.size(), 0);
    batch->done.assign(batch->jobs.size(), 0);
    const unsigned readers = std::clamp(std::thread::hardware_concurrency(), 1u, maxReaders);
    m_batch = std::move(batch);
    for (unsigned reader = 0; reader < readers; ++reader)
        m_batch->readers.emplace_back([this, batch = m_batch.get()] { readPrefetched(*batch); });
}

void SyncFolderReader::readPrefetched(Prefetch& batch) {
    // Each class folder opened once per reader, not once per file.
    QHash<int, int> folders;
    for (size_t i; !batch.stop && (i = batch.next++) < batch.jobs.size();) {
        const Prefetch::Job& job = batch.jobs[i];
        auto folder = folders.find(int(job.kind));
        if (folder == folders.end())
            folder = folders.insert(int(job.kind), m_folder.openClassFolder(job.kind));
        Fetched& fetched = batch.results[i];
        fetched.signature = job.file->signature;
        // A file that could not be opened is read again by read(), which reports why.
        if (*folder >= 0 && m_folder.readIn(*folder, *job.file, &fetched.data, &fetched.why)) {
            batch.readOk[i] = 1;
            fetched.record = SyncRecord::fromJson(fetched.data, &fetched.why);
        }
        bool wake = false;
        {
            const std::lock_guard lock(batch.mutex);
            batch.done[i] = 1;
            while (batch.doneInOrder < batch.done.size() && batch.done[batch.doneInOrder])
                ++batch.doneInOrder;
            wake = batch.doneInOrder >= batch.wanted;
        }
        if (wake)
            batch.finished.notify_all();
    }
    for (const int descriptor : std::as_const(folders))
        if (descriptor >= 0)
            ::close(descriptor);
}

std::optional<SyncFolderReader::Fetched> SyncFolderReader::takePrefetched(const SyncFolder::Entry& file) {
    if (!m_batch)
        return std::nullopt;
    Prefetch& batch = *m_batch;
    const auto job = batch.jobOf.constFind(&file);
    if (job == batch.jobOf.constEnd())
        return std::nullopt;
    const size_t slot = *job;
    batch.jobOf.erase(job);
    {
        std::unique_lock lock(batch.mutex);
        if (!batch.done[slot]) {
            batch.wanted = std::min(slot + wakeAfter, batch.jobs.size());
            batch.finished.wait(lock, [&] { return batch.doneInOrder >= batch.wanted; });
            batch.wanted = std::numeric_limits<size_t>::max();
        }
    }
    if (!batch.readOk[slot] || batch.results[slot].signature != file.signature)
        return std::nullopt;
    return std::move(batch.results[slot]);
}

void SyncFolderReader::dropPrefetched() {
    if (m_batch) {
        m_batch->stop = true;
        m_batch.reset();
    }
}
