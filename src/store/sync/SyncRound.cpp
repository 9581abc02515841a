#include "SyncRound.h"

#include "SyncFolderReader.h"
#include "SyncSchema.h"
#include "SyncState.h"

#include <QScopeGuard>

#include <malloc.h>

#include <vector>

namespace {
// Files listed in one round above which its memory is handed back.
constexpr qsizetype largeRound = 2000;
} // namespace

SyncRound::Result SyncRound::run(const Request& request) {
    Result result;
    const auto checkpoint = [&](const char* point) {
        if (request.checkpoint)
            request.checkpoint(point);
    };
    m_state.forgetChildren();
    m_reader.beginRound(!request.kinds);
    QHash<QString, SyncState::Entry>& entries = m_state.entries();
    // A failed round takes back what it merged.
    const QHash<QString, SyncState::Entry> before = entries;
    result.ok = readAndMerge(request, result);
    SyncMerger::Round& round = result.round;
    // Entries already kept as they are now: the save after the writes below skips them.
    QSet<QString> keptAsIs;
    bool committed = false;
    if (result.ok && m_merger.hasWrites()) {
        // Kept before the store's commit, with a note of what the store is to receive: a crash between
        // the two is finished at the next start, never taken for edits made here.
        QSet<QString> unwritten = round.rewrite;
        unwritten.unite(request.queued);
        const QStringList applying(round.changed.cbegin(), round.changed.cend());
        result.ok = m_state.persist(round.changed, unwritten, &result.error, &applying);
        if (result.ok)
            for (const QString& id : std::as_const(round.changed))
                if (!unwritten.contains(id))
                    keptAsIs.insert(id);
        checkpoint("stateKept");
        result.ok = result.ok && m_merger.commit(&result.error);
        committed = result.ok;
        checkpoint("storeCommitted");
    }
    if (!result.ok) {
        m_merger.rollback();
        entries = before;
        m_state.forgetChildren();
        result.refused = m_reader.refusedCount();
        return result;
    }
    if (committed)
        result.backup = m_merger.lastBackup();
    // What changed and is not kept yet; what is to be rewritten counts as not in the folder until the
    // exporter has written it.
    QSet<QString> toKeep = round.changed;
    toKeep.subtract(keptAsIs);
    QSet<QString> waiting = request.queued;
    waiting.unite(round.rewrite);
    const bool clearApplying = !m_state.applying().isEmpty();
    const QStringList none;
    if ((!toKeep.isEmpty() || clearApplying) &&
        !m_state.persist(toKeep, waiting, &result.error, clearApplying ? &none : nullptr))
        result.ok = false;
    m_state.forgetChildren();
    result.refused = m_reader.refusedCount();
    return result;
}

bool SyncRound::readAndMerge(const Request& request, Result& result) {
    QHash<QString, SyncState::Entry>& entries = m_state.entries();
    SyncMerger::Round& round = result.round;
    // A large round (a flood, a whole library) leaves megabytes free inside the process; they go
    // back to the system once the round's copies are gone.
    qsizetype filesRead = 0;
    const auto giveBack = qScopeGuard([&filesRead] {
        if (filesRead > largeRound)
            ::malloc_trim(0);
    });
    // Every class is listed first, so that its files are read while the classes before it merge.
    QList<ModelObject::Kind> kinds;
    for (ModelObject::Kind kind : SyncSchema::kinds)
        if (!request.kinds || request.kinds->contains(int(kind))) {
            kinds.append(kind);
            // Taken before the listing: a change made meanwhile shows at the next rescan.
            const QString folder = m_folder.path() + u'/' + SyncSchema::className(kind);
            result.listed.insert(int(kind),
                                 SyncFolder::signatureOf(folder).value_or(SyncFolder::Signature{}));
        }
    std::vector<SyncFolderReader::Listing> classes;
    bool ok = m_reader.listAll(kinds, &classes, &result.error);
    QList<SyncFolderReader::ClassFiles> toRead;
    for (const SyncFolderReader::Listing& listed : classes) {
        filesRead += listed.files.size();
        toRead.append({listed.kind, filesToRead(listed.kind, listed.groups)});
    }
    if (ok)
        m_reader.prefetch(toRead);
    QSet<QString> seen;
    for (auto listed = classes.cbegin(); ok && listed != classes.cend(); ++listed) {
        // In the order of the ids, which the store's index on them is kept in.
        QStringList ids = listed->groups.keys();
        ids.sort();
        m_reader.awaitPrefetched(listed->kind);
        for (auto id = ids.cbegin(); ok && id != ids.cend(); ++id) {
            seen.insert(*id);
            ok = m_merger.merge(listed->kind, *id, listed->groups.value(*id), round, &result.error);
        }
    }
    m_reader.dropPrefetched();
    // Only a round that read everything knows which refused files are gone.
    m_reader.endRound(ok);
    // The folder ends up holding every object as merged here, including those it did not hold yet.
    if (ok && !request.kinds)
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            if (!seen.contains(it.key()))
                round.rewrite.insert(it.key());
    return ok;
}

QList<const SyncFolder::Entry*>
SyncRound::filesToRead(ModelObject::Kind kind, const QHash<QString, SyncFolderReader::Group>& groups) const {
    QList<const SyncFolder::Entry*> files;
    const QHash<QString, SyncState::Entry>& entries = std::as_const(m_state).entries();
    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        const auto known = entries.constFind(group.key());
        if (known != entries.constEnd() && known->record.kind != kind)
            continue;
        if (group->main && (known == entries.constEnd() || group->main->signature != known->file))
            files.append(group->main);
        files.append(group->copies);
    }
    return files;
}
