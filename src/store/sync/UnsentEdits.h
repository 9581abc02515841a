// What a row of the store (or a live object, which a save writes whole) holds that was saved on this
// machine and not sent, against what the sync state recorded for its object. Every attribute that
// differs is such an edit, except a list member's place: a save writes each member's index in the list
// as shown here, which is not the recorded place where the list is incomplete here (members whose files
// have not arrived) or where recorded places tie. A place is an edit only when it is neither the
// recorded place nor the member's rank among the members held here, ordered by their recorded places
// (ties by id): only a move made here, or a member put in or taken out here, gives another.
// A place that differs only by the members before it that were taken out here (it is the member's rank
// among those still shown) keeps the recorded order: it is saved here and goes out, but restates the
// place it replaced, so that it never outweighs a change made elsewhere, such as a deletion of the
// member itself.
// The members held here are those whose files the state holds as present; before a round merged them
// (which is what the live objects show until they read the round in), the state's entries except
// where the round wrote them: as it found them then, or none for those it brought. A member that went
// with a deleted owner is held here while the windows show it: the owner comes back for an edit made
// here, and its members' rows with it, numbered as the store holds them.
// An owner holds such an edit too while what it owns does, or it owns a member put in, or lacks one
// taken out, here: the round's deletion of it keeps its rows (see SyncStoreWriter::noteMember).
// The round's writes, the settlement of edits saved while it ran, the restart after a stop during a
// round and the export all ask this.
#pragma once

#include "SyncEntries.h"
#include "SyncRecord.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

class UnsentEdits {
public:
    // A list member's place as recorded, its rank among the members held here by recorded place, and
    // its rank among those of them still shown here (not taken out here).
    struct Place {
        double recorded = 0;
        int rank = 0;
        int rankShown = 0;
    };
    // The recorded fields of object `id` where it is held here as an object of `kind`; nothing else.
    using Recorded = std::function<const QJsonObject*(const QString& id, ModelObject::Kind kind)>;
    // Whether a member held here is still shown here: false where it was taken out here.
    using StillShown = std::function<bool(const QString& id)>;

    // What a round found of an object it wrote: held here then (its record), or brought by it (none).
    using Found = std::optional<const SyncRecord*>;

    // The recorded fields of `id` where the state holds it as a present object of `kind`.
    static const QJsonObject* held(const SyncEntries& entries, const QString& id, ModelObject::Kind kind);
    // The same where the windows show the object (`shown`): also one that went with a deleted owner,
    // whose row stays while the owner comes back for an edit made here.
    static const QJsonObject* shown(const SyncEntries& entries, const QString& id, ModelObject::Kind kind,
                                    bool shown);
    // The same before a round merged it, where `found` says how the round found it.
    static const QJsonObject* heldBefore(const SyncEntries& entries, const QString& id,
                                         ModelObject::Kind kind, const Found& found);

    // Whether the place `shown` holds a move made here.
    static bool isMove(double shown, const Place& place) {
        return shown != place.recorded && shown != place.rank;
    }
    // Whether the attribute holds a place that only restates the recorded order, without the members
    // taken out here before it: an edit saved here, which outweighs no change made elsewhere.
    static bool restates(ModelObject::Kind kind, const QString& attribute, const QJsonObject& fields,
                         const QJsonObject& recorded, const std::optional<Place>& place);
    // The attributes of `fields` that hold an edit saved here against `recorded`. Without `place`, or in
    // another list than the recorded one, a place that differs counts as an edit.
    static QStringList of(ModelObject::Kind kind, const QJsonObject& fields, const QJsonObject& recorded,
                          const std::optional<Place>& place);
    // Those of them that weigh against changes made elsewhere: all but a place that restates the order.
    static QStringList outweighing(ModelObject::Kind kind, const QJsonObject& fields,
                                   const QJsonObject& recorded, const std::optional<Place>& place);
    // Whether the one attribute holds such an edit.
    static bool holds(ModelObject::Kind kind, const QString& attribute, const QJsonObject& fields,
                      const QJsonObject& recorded, const std::optional<Place>& place);
    // The place of member `id` of a list of `kind` whose members held here are among `members` (others
    // may be too); nothing when it is not held here or its kind has no list. Without `stillShown`, every
    // member held here is.
    static std::optional<Place> placeOf(ModelObject::Kind kind, const QString& id,
                                        const QList<QString>& members, const Recorded& recorded,
                                        const StillShown& stillShown = {});
    // Whether two members held here share a recorded place: the places shown only restate the order
    // of their ids.
    static bool isTied(ModelObject::Kind kind, const QList<QString>& members, const Recorded& recorded);
    // An SQL condition that holds where `column` holds no edit saved here: its value is the recorded
    // one (parameter `recorded`) or, for a place, the rank (parameter `rank`, NULL when unknown). A link
    // to an owner (in table `owners`) that has no row is none either: a save here links rows it holds.
    static QString unchangedCondition(const QString& column, int recorded, std::optional<int> rank,
                                      const QString& owners = {});
};
