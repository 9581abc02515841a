#include "SyncRound.h"

#include "SyncFolderReader.h"
#include "SyncSchema.h"
#include "SyncState.h"

#include <QScopeGuard>
#include <QUuid>

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

namespace {
// Files listed in one round above which its memory is handed back.
constexpr qsizetype largeRound = 2000;

// Which class keeps an id that files of several classes claim: the first of these, the classes that
// own most first, so that the fewest objects go with the other file. Fixed, so that the outcome
// depends only on the files and never on what a machine happened to read first.
constexpr std::array claimOrder = {
    ModelObject::Kind::configurationGroup, ModelObject::Kind::positionGroup,
    ModelObject::Kind::appConfiguration,   ModelObject::Kind::appPositionMapping,
    ModelObject::Kind::savedApp,
};

qsizetype claimRank(ModelObject::Kind kind) {
    return std::find(claimOrder.begin(), claimOrder.end(), kind) - claimOrder.begin();
}
} // namespace

SyncRound::Result SyncRound::run(const Request& request) {
    Result result;
    const auto checkpoint = [&](const char* point) {
        if (request.checkpoint)
            request.checkpoint(point);
    };
    checkpoint("roundStarted");
    m_state.forgetChildren();
    m_reader.beginRound(!request.kinds, request.retryRefused);
    SyncEntries& entries = m_state.entries();
    // A failed round takes back what it merged.
    entries.beginUndo();
    Keeping keeping;
    result.ok = readAndMerge(request, result, keeping);
    SyncMerger::Round& round = result.round;
    result.ok = result.ok && m_merger.numberLists(round, &result.error);
    const bool writes = m_merger.hasWrites();
    const bool clearApplying = !m_state.applying().isEmpty();
    if (result.ok)
        keep(keeping, request, round, nullptr);
    keeping.writer = {};
    result.ok = result.ok && keeping.ok;
    if (!result.ok && result.error.isEmpty())
        result.error = keeping.error;
    bool committed = false;
    if (result.ok && (keeping.started || writes || clearApplying)) {
        checkpoint("merged");
        // Kept before the store's commit, with a note of what the store is to receive: a crash between
        // the two is finished at the next start, never taken for edits made here. What is to be
        // rewritten counts as not in the folder until the exporter has written it.
        const QStringList written(round.written.cbegin(), round.written.cend());
        const QStringList none;
        const QStringList* applying = writes ? &written : clearApplying ? &none : nullptr;
        // Beside the keeping, which touches neither: the store's rows are written, under the store's
        // write lock from now until the commit (a save made here meanwhile waits for them, never for
        // the merge).
        std::jthread storeWriter;
        bool storeWritten = true;
        QString storeError;
        if (writes) {
            // With the note: a restart tells an edit saved here meanwhile from what the rows held, and
            // by the mark whether the store holds this commit.
            const QString mark = QUuid::createUuid().toString(QUuid::WithoutBraces);
            m_merger.markCommit(mark);
            storeWriter = std::jthread([&] { storeWritten = m_merger.write(&storeError); });
            QHash<QString, QJsonObject> replaced;
            for (auto it = round.before.cbegin(); it != round.before.cend(); ++it)
                replaced.insert(it.key(), it->fields);
            // And what went with a deleted owner: its rows are gone once the store has committed.
            for (auto it = round.absent.cbegin(); it != round.absent.cend(); ++it)
                replaced.insert(it.key(), it->fields);
            m_state.noteReplaced(std::move(replaced), mark);
        }
        result.ok = (keeping.started || m_state.beginKeeping(&result.error)) &&
                    m_state.finishKeeping(&result.error, applying);
        keeping.started = false;
        if (storeWriter.joinable())
            storeWriter.join();
        if (result.ok && !storeWritten) {
            result.ok = false;
            result.error = storeError;
        }
        if (writes) {
            checkpoint("stateKept");
            result.ok = result.ok && m_merger.commit(&result.error);
            committed = result.ok;
            // The note stays until the main thread has settled the round against the edits saved here
            // meanwhile: killed before, the restart still tells those edits from what the rows held.
            checkpoint("storeCommitted");
        }
    }
    if (!result.ok) {
        if (keeping.started)
            m_state.abandonKeeping();
        if (!committed) {
            m_merger.rollback();
            entries.undo();
        }
        entries.endUndo();
        m_state.forgetChildren();
        result.refused = m_reader.refusedCount();
        result.refusedNamed = m_reader.refusedNamed();
        return result;
    }
    entries.endUndo();
    if (committed) {
        result.backup = m_merger.lastBackup();
        result.changes = m_merger.lastChanges();
        // The rows the commit wrote, beside those it deleted (counted as they were merged).
        for (const QList<qint64>& keys : result.changes.written)
            round.applied += int(keys.size());
    }
    m_state.forgetChildren();
    result.refused = m_reader.refusedCount();
    result.refusedNamed = m_reader.refusedNamed();
    // Many tombstones merged lie scattered among the pages of what the round read; packed, they leave
    // those pages free for the system once the round's copies are gone. (The main thread needs
    // nothing of `changed`: it was only what to keep.)
    if (entries.hotTombstones() > largeRound) {
        round.changed = {};
        round.changedInOrder = {};
        m_state.compact();
        result.large = true;
    }
    checkpoint("roundEnded");
    return result;
}

void SyncRound::keep(Keeping& keeping, const Request& request, const SyncMerger::Round& round,
                     const Passed* passed) {
    if (!keeping.ok)
        return;
    // What changed since the last call, and what the merge had not passed then.
    QList<QString> ids;
    QList<std::pair<QString, ModelObject::Kind>> later;
    const auto consider = [&](const QString& id, ModelObject::Kind kind) {
        if (!passed || passed->has(kind, id))
            ids.append(id);
        else
            later.append({id, kind});
    };
    for (const auto& [id, kind] : std::as_const(keeping.later))
        consider(id, kind);
    for (; keeping.next < round.changedInOrder.size(); ++keeping.next) {
        const auto& [id, kind] = round.changedInOrder.at(keeping.next);
        consider(id, kind);
    }
    keeping.later = std::move(later);
    if (ids.isEmpty())
        return;
    keeping.unwritten = round.rewrite;
    keeping.unwritten.unite(request.queued);
    SyncState::Rows rows = m_state.takeRows(ids, keeping.unwritten);
    if (!keeping.started) {
        if (!m_state.beginKeeping(&keeping.error)) {
            keeping.ok = false;
            return;
        }
        keeping.started = true;
    }
    // Each batch waits for the one before it (one write at a time on the state's connection); the
    // merge goes on meanwhile.
    keeping.writer =
        std::jthread([this, &keeping, rows = std::move(rows), before = std::move(keeping.writer)]() mutable {
            if (before.joinable())
                before.join();
            if (keeping.ok && !m_state.keepRows(rows, &keeping.error))
                keeping.ok = false;
        });
}

bool SyncRound::readAndMerge(const Request& request, Result& result, Keeping& keeping) {
    SyncEntries& entries = m_state.entries();
    SyncMerger::Round& round = result.round;
    // A large round (a flood, a whole library) leaves megabytes free inside the process; they go
    // back to the system once the round's copies are gone.
    qsizetype filesRead = 0;
    const auto noteSize = qScopeGuard([&filesRead, &result] {
        if (filesRead > largeRound)
            result.large = true;
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
    // A class folder that could not be listed is read again at the next rescan (no folder has an empty
    // signature), and a round without it has not read everything.
    for (const SyncFolderReader::Listing& listed : classes)
        if (listed.unlisted) {
            result.listed.insert(int(listed.kind), SyncFolder::Signature{});
            result.complete = false;
        }
    // Merged in the order of the ids, which the store's index on them is kept in; read in the same
    // order, so that the merge follows right behind the readers.
    std::vector<Members> members;
    QList<SyncFolderReader::ClassFiles> toRead;
    // Per class, the ids whose files lose to another class's claim.
    std::vector<QSet<QString>> yielded(classes.size());
    for (size_t i = 0; i < classes.size(); ++i) {
        const SyncFolderReader::Listing& listed = classes[i];
        filesRead += listed.files.size();
        Members& listedMembers = members.emplace_back();
        listedMembers.reserve(size_t(listed.groups.size()));
        for (auto it = listed.groups.cbegin(); it != listed.groups.cend(); ++it)
            listedMembers.emplace_back(it.key(), &it.value());
        std::sort(listedMembers.begin(), listedMembers.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        toRead.append({listed.kind, filesToRead(listed.kind, listedMembers, classes, yielded[i])});
    }
    if (ok) {
        m_reader.prefetch(toRead);
        // Room for every object read, taken once rather than grown step by step.
        qsizetype reading = 0;
        for (const SyncFolderReader::ClassFiles& files : std::as_const(toRead))
            reading += files.second.size();
        entries.reserve(entries.hot().size() + reading);
        round.changed.reserve(reading);
        round.changedInOrder.reserve(reading);
    }
    // What is merged goes to the state's writer every so many objects, so that little is left to
    // write once the merge ends.
    constexpr size_t keptEvery = 1000;
    QList<ModelObject::Kind> merged;
    for (size_t i = 0; ok && i < classes.size(); ++i) {
        const SyncFolderReader::Listing& listed = classes[i];
        const Members& list = members[i];
        for (size_t m = 0; ok && m < list.size(); ++m) {
            if (m % keptEvery == 0 && (m > 0 || !merged.isEmpty())) {
                const Passed passed{merged, listed.kind, list[m].first};
                keep(keeping, request, round, &passed);
            }
            const auto& [id, group] = list[m];
            if (!yielded[i].contains(id))
                ok = m_merger.merge(listed.kind, id, *group, round, &result.error);
            else if (group->main)
                m_reader.skip(group->main->path, group->main->signature,
                              QStringLiteral("the id belongs to an object of another class"));
        }
        merged.append(listed.kind);
    }
    m_reader.dropPrefetched();
    // Only a round that read everything knows which refused files are gone.
    m_reader.endRound(ok && result.complete);
    // The folder ends up holding every object as merged here, including those it did not hold yet.
    // What an unlisted folder holds is unknown: nothing of its class is taken for missing.
    const auto listed = [&classes](const QString& id, ModelObject::Kind kind) {
        const auto own = std::find_if(classes.cbegin(), classes.cend(),
                                      [kind](const SyncFolderReader::Listing& l) { return l.kind == kind; });
        return own != classes.cend() && (own->unlisted || own->groups.contains(id));
    };
    if (ok && !request.kinds)
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            if (!listed(it.key(), it->record.kind))
                round.rewrite.insert(it.key());
    return ok;
}

QList<const SyncFolder::Entry*> SyncRound::filesToRead(ModelObject::Kind kind, const Members& members,
                                                       const std::vector<SyncFolderReader::Listing>& classes,
                                                       QSet<QString>& yielded) const {
    QList<const SyncFolder::Entry*> files;
    const SyncEntries& entries = std::as_const(m_state).entries();
    // Only the classes that come first can take an id from this one.
    QList<const SyncFolderReader::Listing*> before;
    for (const SyncFolderReader::Listing& other : classes)
        if (claimRank(other.kind) < claimRank(kind))
            before.append(&other);
    for (const auto& [id, group] : members) {
        const auto known = entries.constFind(id);
        // A class that comes first claims the id: in its folder, or here (where its file may wait to
        // be written, or its folder not be listed in this round).
        if ((known != entries.constEnd() && claimRank(known->record.kind) < claimRank(kind)) ||
            std::any_of(before.cbegin(), before.cend(), [&id](const SyncFolderReader::Listing* other) {
                return other->groups.contains(id);
            })) {
            yielded.insert(id);
            continue;
        }
        if (group->main && (known == entries.constEnd() || known->record.kind != kind ||
                            group->main->signature != known->file))
            files.append(group->main);
        files.append(group->copies);
    }
    return files;
}
