// What a row of the store (or a live object, which a save writes whole) holds that was saved on this
// machine and not sent, against what the sync state recorded for its object: every attribute that
// differs, but a list member's place only as the list's order shows it. A save writes each member's
// index in the list as shown here, the state keeps order keys: a place is an edit only for the fewest
// members whose order changed against the recorded one (see moves), or for one put in here. A row's
// index holds none where it is the member's index in the recorded order (see indexOf).
// The members held here are those whose files the state holds as present; before a round merged them
// (which is what the live objects show until they read the round in), the state's entries except
// where the round wrote them: as it found them then, or none for those it brought. A member that went
// with a deleted owner is held here while the windows show it.
// The round's writes, the settlement of edits saved while it ran, the restart after a stop during a
// round and the export all ask this.
#pragma once

#include "SyncEntries.h"
#include "SyncRecord.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>

class UnsentEdits {
public:
    // The recorded fields of object `id` where it is held here as an object of `kind`; nothing else.
    using Recorded = std::function<const QJsonObject*(const QString& id, ModelObject::Kind kind)>;
    // The recorded key of a list member; empty where it has none in that list.
    using KeyOf = std::function<QString(const QString& id)>;

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

    // The attributes of `fields` that hold an edit saved here against `recorded`. A place counts where
    // the member is in another list than the recorded one, or where `index` (its index in the recorded
    // order) is given and the place shown differs from it.
    static QStringList of(ModelObject::Kind kind, const QJsonObject& fields, const QJsonObject& recorded,
                          std::optional<int> index = std::nullopt);
    // The index of member `id` in the recorded order of its list: the members held here among `members`
    // (others may be too) in the same list, by key, then id. Nothing where it is not held here.
    static std::optional<int> indexOf(ModelObject::Kind kind, const QString& id,
                                      const QList<QString>& members, const Recorded& recorded);
    // The members of a list shown in `shown` order whose order changed against their recorded keys: the
    // fewest, those outside a longest run of members whose keys rise in that order, and every member
    // without a key (put in here).
    static QSet<QString> moves(const QList<QString>& shown, const KeyOf& keyOf);
    // The members of a list shown in `shown` order that need a new key: those without one (put in
    // here), and those the user moved (`movedHere`) whose key does not already stand above the keys of
    // every member shown before them and below those shown after them. Others shown out of the order
    // of their keys (a list that is read in later than it was saved here) keep theirs.
    static QSet<QString> placed(const QList<QString>& shown, const KeyOf& keyOf,
                                const QSet<QString>& movedHere);
    // New keys for the `moved` members of `shown`, the others keeping theirs: each above the keys of
    // every member shown before it and below those of the others shown after it, as far as those
    // allow.
    static QHash<QString, QString> placeMoved(const QList<QString>& shown, const KeyOf& keyOf,
                                              const QSet<QString>& moved);
    // An SQL condition that holds where `column` holds no edit saved here: its value is the recorded
    // one (parameter `recorded`). A link to an owner (in table `owners`) that has no row is none either:
    // a save here links rows it holds.
    static QString unchangedCondition(const QString& column, int recorded, const QString& owners = {});
};
