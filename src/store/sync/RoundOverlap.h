// A round merged other machines' changes into the store while edits were saved here, each save
// writing its objects' whole rows: the store holds whichever was written last, the live objects what
// they show. This keeps what the round's objects were before it merged them until the edits of that
// time are settled, and works out, per attribute, which of the two stands. It reads the exporter's
// bookkeeping of this machine's edits: what it tracks, what is unexported and when each attribute
// changed.
#pragma once

#include "IdHash.h"
#include "SyncMerger.h"
#include "SyncRecord.h"
#include "SyncStamp.h"
#include "UnsentEdits.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSet>

#include <optional>
#include <unordered_set>

class ModelContext;
class ModelObject;
class SyncState;
class SyncWorker;

class RoundOverlap {
public:
    // The members of lists that the user moved or put in here: the fewest whose order changed against
    // the order shown before, which get new keys, and every one whose order against another changed,
    // which holds an edit of its place against a deletion.
    struct Moves {
        QSet<QString> fewest;
        QSet<QString> reordered;
    };

    RoundOverlap(ModelContext* context, SyncWorker& worker, SyncState& state,
                 const QHash<ModelObject*, QString>& known,
                 const std::unordered_multiset<QString, IdHash>& knownIds, const QSet<ModelObject*>& dirty,
                 const QHash<ModelObject*, QHash<QString, SyncStamp>>& madeAt, const Moves& moves);

    // How the round found the objects it wrote (see SyncMerger::Round::found).
    void noteRound(const SyncMerger::Round& round);
    bool hasOverlap() const { return !m_found.before.isEmpty(); }
    struct Settlement {
        // Rows to write into the store so that, per attribute, it holds the later-stamped of this
        // machine's unexported edits and what the rounds merged; tombstones of objects deleted here
        // meanwhile, whose rows go.
        QList<SyncRecord> rows;
        // Deleted by a round while edited here: with the edit the later, they come back whole; else
        // the deletion stands here too.
        QList<ModelObject*> revive;
        // What the sync state holds under those that never reached the store here (merged with the
        // deletion): rows to write once the revived ones are back, owners first.
        QList<SyncRecord> reviveMembers;
        QList<ModelObject*> drop;
        bool isEmpty() const { return rows.isEmpty() && revive.isEmpty() && drop.isEmpty(); }
    };
    // With `saved` (the store was written meanwhile), every object of the rounds is looked at, else
    // only those edited since the last export. With `done`, the round's objects are taken as shown by
    // the live objects from now on.
    Settlement settleOverlap(bool saved, bool done);
    // The settlement is in the store: the round's objects are taken as shown by the live objects.
    void settled() { m_found = {}; }
    // What a revived object held before the deletion, once: its export keeps the stamps of what is
    // unchanged, so that a later edit of another machine's still wins over them. It goes out stamped
    // when the edit that brought it back was made, so that a deletion made elsewhere after that edit
    // still wins too; a change of its list brings it back stamped when it goes out (`editedAt` empty).
    struct Revival {
        SyncRecord before;
        std::optional<SyncStamp> editedAt;
    };
    std::optional<Revival> takeRevived(const QString& id);
    const SyncRecord* revivedBefore(const QString& id) const {
        const auto it = m_revived.constFind(id);
        return it != m_revived.constEnd() ? &it->before : nullptr;
    }
    void forget(const QString& id) { m_revived.remove(id); }

private:
    // The stamp of this machine's latest change of an attribute in which the object holds an edit
    // against `base` (all of them without one; see UnsentEdits), its place where it was moved here;
    // nothing when it holds none.
    std::optional<SyncStamp> latestEdit(ModelObject* object, const QJsonObject* base,
                                        const UnsentEdits::Recorded& held);
    // Whether the member was moved or put in here, against the records that `held` gives.
    bool movedHere(ModelObject* member, const UnsentEdits::Recorded& held);
    // The members of the owner's list of `kind` that need a new key (see UnsentEdits::placed).
    QSet<QString> listPlaced(const ModelObject* owner, ModelObject::Kind kind,
                             const UnsentEdits::Recorded& held) const;
    // The rows of the list of `kind` under `owner` numbered as it stands: the order merged, and the
    // members moved here at a time later than the merged place where they are shown. Members that
    // `rows` holds already get their index there.
    void numberList(ModelObject* owner, ModelObject::Kind kind, const UnsentEdits::Recorded& held,
                    QHash<QString, SyncRecord>& rows);
    // The objects deleted here whose deletions have not gone out yet, found once per settlement.
    const QSet<QString>& takenOutHere();

    // The exporter's, read only.
    ModelContext* m_context;
    SyncWorker& m_worker;
    SyncState& m_state;
    const QHash<ModelObject*, QString>& m_known;
    const std::unordered_multiset<QString, IdHash>& m_knownIds;
    const QSet<ModelObject*>& m_dirty;
    const QHash<ModelObject*, QHash<QString, SyncStamp>>& m_madeAt;
    const Moves& m_moves;
    // How the rounds not yet settled found what they wrote: what the live objects show, edits aside.
    SyncMerger::Round m_found;
    QHash<QString, Revival> m_revived;
    std::optional<QSet<QString>> m_takenOut;
};
