// One stored object as the sync folder carries it: its class, id, every attribute with the stamp of
// its last change, and the stamp of the newest change to the object or anything it owns. A deleted
// object is a tombstone: its stamp, and the values it had with their stamps (none in files of versions
// that did not keep them).
#pragma once

#include "SyncStamp.h"

#include "model/ModelObject.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>

#include <optional>

struct SyncRecord {
    // The version of the file layout; files of a newer one are left alone. Files of version 1 number
    // places as integers, which are read as keys.
    static constexpr int format = 2;

    ModelObject::Kind kind = ModelObject::Kind::configurationGroup;
    QString id;
    bool deleted = false;
    SyncStamp stamp;
    QJsonObject fields;
    QHash<QString, SyncStamp> stamps;
    // What each change had seen when it was made: per attribute, the stamp of the value that its last
    // change replaced; for a tombstone, under `wholeObject`, the object's stamp as the deletion found
    // it. A change that had seen a value is never taken for one made without it, whatever the clocks
    // say. Nothing for what replaced nothing, and in files of versions that did not keep it.
    QHash<QString, SyncStamp> seen;
    static const QString wholeObject;

    // Whether the change of `attribute` (`wholeObject` for a deletion) was made after seeing the change
    // stamped `change`, or a later one.
    bool hadSeen(const QString& attribute, const SyncStamp& change) const;

    QByteArray toJson(bool indented = true) const;
    // Nothing, with the reason, for text that is not a whole record of a class we know.
    static std::optional<SyncRecord> fromJson(const QByteArray& data, QString* why);

    // Per attribute, the newer change wins, a tombstone's values too; a tombstone wins over an object
    // whose newest change is older, and loses to one that is newer. Both sides end up with the same
    // result in any order.
    static SyncRecord merged(const SyncRecord& local, const SyncRecord& remote);

    // The owner's id for a child, empty for a root or a tombstone.
    QString owner() const;

    bool operator==(const SyncRecord& other) const = default;
};
