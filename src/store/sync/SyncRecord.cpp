#include "SyncRecord.h"

#include "SyncSchema.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

const QString SyncRecord::wholeObject = QStringLiteral("stamp");

namespace {
const QString formatKey = QStringLiteral("format");
const QString classKey = QStringLiteral("class");
const QString idKey = QStringLiteral("id");
const QString stampKey = QStringLiteral("stamp");
const QString deletedKey = QStringLiteral("deleted");
const QString attributesKey = QStringLiteral("attributes");
const QString stampsKey = QStringLiteral("stamps");
const QString seenKey = QStringLiteral("seen");

QJsonObject stampTexts(const QHash<QString, SyncStamp>& stamps) {
    QJsonObject texts;
    for (auto it = stamps.cbegin(); it != stamps.cend(); ++it)
        texts.insert(it.key(), it.value().toString());
    return texts;
}

// Equal stamps on different values (a file edited by hand, a backup put back): the value whose text
// sorts last wins, the same on every machine.
QByteArray tieText(const QJsonValue& value) {
    return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
}

std::optional<SyncRecord> fail(QString* why, const QString& reason) {
    if (why)
        *why = reason;
    return std::nullopt;
}
} // namespace

QByteArray SyncRecord::toJson(bool indented) const {
    QJsonObject object{{formatKey, format},
                       {classKey, SyncSchema::className(kind)},
                       {idKey, id},
                       {stampKey, stamp.toString()},
                       {deletedKey, deleted}};
    // A tombstone keeps the values it deleted, when it knows them, so that a revival can merge with them.
    if (!deleted || !stamps.isEmpty()) {
        object.insert(attributesKey, fields);
        object.insert(stampsKey, stampTexts(stamps));
    }
    // Only what came before its change: after the last stamp of all (see SyncStamp::after) a change
    // is stamped no later than what it had seen, and a reader would refuse the file.
    QJsonObject seenTexts;
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        if (it.value() < (it.key() == wholeObject ? stamp : stamps.value(it.key())))
            seenTexts.insert(it.key(), it.value().toString());
    if (!seenTexts.isEmpty())
        object.insert(seenKey, seenTexts);
    return QJsonDocument(object).toJson(indented ? QJsonDocument::Indented : QJsonDocument::Compact);
}

std::optional<SyncRecord> SyncRecord::fromJson(const QByteArray& data, QString* why) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        return fail(why, QStringLiteral("not JSON (%1)").arg(error.errorString()));
    if (!document.isObject())
        return fail(why, QStringLiteral("not a JSON object"));
    const QJsonObject object = document.object();
    const QJsonValue formatValue = object.value(formatKey);
    if (!formatValue.isDouble())
        return fail(why, QStringLiteral("no format version"));
    const int version = formatValue.toInt();
    if (version != format && version != 1)
        return fail(why, QStringLiteral("format version %1, this Quarlin reads %2")
                             .arg(formatValue.toDouble())
                             .arg(format));
    SyncRecord record;
    const std::optional<ModelObject::Kind> kind = SyncSchema::kindNamed(object.value(classKey).toString());
    if (!kind)
        return fail(why, QStringLiteral("unknown class"));
    record.kind = *kind;
    record.id = object.value(idKey).toString();
    if (QUuid::fromString(record.id).isNull() || record.id != record.id.toUpper())
        return fail(why, QStringLiteral("no valid id"));
    const std::optional<SyncStamp> stamp = SyncStamp::fromString(object.value(stampKey).toString());
    if (!stamp)
        return fail(why, QStringLiteral("no valid stamp, or one out of bounds"));
    record.stamp = *stamp;
    const QJsonValue deleted = object.value(deletedKey);
    if (!deleted.isBool())
        return fail(why, QStringLiteral("no deleted flag"));
    record.deleted = deleted.toBool();
    // Read after the stamps it must precede; a key this version does not know is not kept.
    const QJsonObject seenTexts = object.value(seenKey).toObject();
    const auto readSeen = [&](const QString& key, const SyncStamp& changedAt) {
        const QJsonValue text = seenTexts.value(key);
        if (text.isUndefined())
            return true;
        const std::optional<SyncStamp> seenStamp = SyncStamp::fromString(text.toString());
        if (!seenStamp || *seenStamp >= changedAt)
            return false;
        record.seen.insert(key, *seenStamp);
        return true;
    };
    if (record.deleted) {
        if (!readSeen(wholeObject, record.stamp))
            return fail(why, QStringLiteral("no valid seen stamp, or one not before the deletion"));
        // Without the deleted values, as earlier versions wrote tombstones.
        if (!object.contains(attributesKey))
            return record;
    }

    record.fields = object.value(attributesKey).toObject();
    if (version == 1)
        SyncSchema::placesToKeys(record.kind, record.fields);
    QString reason;
    if (!SyncSchema::validate(record.kind, record.fields, &reason))
        return fail(why, reason);
    const QJsonObject stampTexts = object.value(stampsKey).toObject();
    const QList<SyncSchema::Attribute>& attributes = SyncSchema::attributes(record.kind);
    record.stamps.reserve(attributes.size());
    for (const SyncSchema::Attribute& attribute : attributes) {
        const std::optional<SyncStamp> attributeStamp =
            SyncStamp::fromString(stampTexts.value(attribute.name).toString());
        if (!attributeStamp || *attributeStamp > record.stamp)
            return fail(
                why, QStringLiteral("no valid stamp for \"%1\", or one out of bounds").arg(attribute.name));
        record.stamps.insert(attribute.name, *attributeStamp);
        if (!readSeen(attribute.name, *attributeStamp))
            return fail(why, QStringLiteral("no valid seen stamp for \"%1\", or one not before its change")
                                 .arg(attribute.name));
    }
    // Attributes of a later version that this one does not know are not kept.
    for (const QString& key : record.fields.keys())
        if (!record.stamps.contains(key))
            record.fields.remove(key);
    return record;
}

SyncRecord SyncRecord::merged(const SyncRecord& local, const SyncRecord& remote) {
    // The values are merged whichever side is a tombstone: a revival brings back the newest value of
    // every attribute that any machine held, and a tombstone keeps them for the next one.
    SyncRecord result = local;
    for (auto it = remote.stamps.cbegin(); it != remote.stamps.cend(); ++it) {
        const auto mine = result.stamps.constFind(it.key());
        const auto remoteSeen = remote.seen.constFind(it.key());
        const bool sameValue = mine != result.stamps.constEnd() && it.value() == *mine &&
                               remote.fields.value(it.key()) == result.fields.value(it.key());
        if (sameValue) {
            // The same change, told by a side that did not keep what it had seen (an earlier version):
            // the later of the two, alike in any order.
            if (remoteSeen != remote.seen.constEnd() && *remoteSeen > result.seen.value(it.key()))
                result.seen.insert(it.key(), *remoteSeen);
        } else if (mine == result.stamps.constEnd() || it.value() > *mine ||
                   (it.value() == *mine &&
                    tieText(remote.fields.value(it.key())) > tieText(result.fields.value(it.key())))) {
            result.stamps.insert(it.key(), it.value());
            result.fields.insert(it.key(), remote.fields.value(it.key()));
            if (remoteSeen != remote.seen.constEnd())
                result.seen.insert(it.key(), *remoteSeen);
            else
                result.seen.remove(it.key());
        }
    }
    result.stamp = std::max(local.stamp, remote.stamp);
    if (local.deleted || remote.deleted) {
        // At equal stamps the living object stays, whichever side holds it.
        const SyncRecord& winner = remote.stamp == local.stamp  ? (local.deleted ? remote : local)
                                   : remote.stamp > local.stamp ? remote
                                                                : local;
        result.deleted = winner.deleted;
        result.seen.remove(wholeObject);
        if (const auto seen = winner.seen.constFind(wholeObject);
            winner.deleted && seen != winner.seen.cend())
            result.seen.insert(wholeObject, *seen);
    }
    return result;
}

bool SyncRecord::hadSeen(const QString& attribute, const SyncStamp& change) const {
    const auto it = seen.constFind(attribute);
    return it != seen.constEnd() && *it >= change;
}

QString SyncRecord::owner() const {
    if (deleted)
        return {};
    const QString attribute = SyncSchema::ownerAttribute(kind);
    return attribute.isEmpty() ? QString() : fields.value(attribute).toString();
}
