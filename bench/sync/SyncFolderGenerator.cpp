#include "SyncFolderGenerator.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QUuid>

namespace {
// The machines that made the files: one made everything, the other renames.
const QString maker = QStringLiteral("5D1C7A2E-0B64-4F38-9E21-7A3C5B8D9F10");
const QString renamer = QStringLiteral("A8E4F6B2-3C19-4D7A-8B05-C2D1E3F4A5B6");
constexpr qint64 day = 24 * 60 * 60 * 1000;

QString stamp(qint64 wall, int counter, const QString& machine) {
    return QStringLiteral("%1-%2-%3")
        .arg(wall, 13, 10, QLatin1Char('0'))
        .arg(counter, 6, 10, QLatin1Char('0'))
        .arg(machine);
}

struct Template {
    const char* name;
    const char* desc;
    const char* corners[2];
};
constexpr Template templates[SyncFolderGenerator::groupsPerConfiguration] = {
    {"Left & Right", "Split screen left and right", {"leftHalf", "rightHalf"}},
    {"Top & Bottom", "Split screen top and bottom", {"topHalf", "bottomHalf"}},
    {"Top Corners", "Top left and top right corners", {"topLeft", "topRight"}},
};
} // namespace

SyncFolderGenerator::SyncFolderGenerator(const QString& folder, quint32 seed)
    : m_folder(folder), m_random(seed) {}

QString SyncFolderGenerator::newId() {
    QByteArray bytes(16, Qt::Uninitialized);
    m_random.fillRange(reinterpret_cast<quint32*>(bytes.data()), 4);
    bytes[6] = char((bytes[6] & 0x0F) | 0x40);
    bytes[8] = char((bytes[8] & 0x3F) | 0x80);
    return QUuid::fromRfc4122(bytes).toString(QUuid::WithoutBraces).toUpper();
}

QList<SyncFolderGenerator::File> SyncFolderGenerator::configuration(int number) {
    // In UTC with a "Z", as dates are written: a reader takes another spelling for another value.
    const QString created = QDateTime::fromMSecsSinceEpoch(1'760'000'000'000 + qint64(number) * 1000)
                                .toUTC()
                                .toString(Qt::ISODateWithMs);
    const QString configurationId = newId();
    QList<File> files;
    files.append({QStringLiteral("ConfigurationGroup"), configurationId, {}});
    QList<QString> groupIds;
    for (int a = 0; a < appsPerConfiguration; ++a)
        files.append({QStringLiteral("AppConfiguration"),
                      newId(),
                      {{QStringLiteral("configurationGroup"), configurationId},
                       {QStringLiteral("configurationGroupOrder"), a},
                       {QStringLiteral("bundleID"), QStringLiteral("org.example.App%1").arg(a)},
                       {QStringLiteral("appName"), QStringLiteral("App %1").arg(a)},
                       {QStringLiteral("relativePosition"), QString()},
                       {QStringLiteral("priority"), 0},
                       {QStringLiteral("isRequired"), false},
                       {QStringLiteral("savedCorner"), QStringLiteral("topRight")},
                       {QStringLiteral("savedWidthFraction"), 0.5},
                       {QStringLiteral("savedHeight"), 400},
                       {QStringLiteral("savedMarginX"), 10},
                       {QStringLiteral("savedMarginY"), 10}}});
    for (int g = 0; g < groupsPerConfiguration; ++g) {
        const QString groupId = newId();
        groupIds.append(groupId);
        files.append({QStringLiteral("PositionGroup"),
                      groupId,
                      {{QStringLiteral("name"), QLatin1String(templates[g].name)},
                       {QStringLiteral("desc"), QLatin1String(templates[g].desc)},
                       {QStringLiteral("isDefault"), false},
                       {QStringLiteral("dateCreated"), created},
                       {QStringLiteral("configurationGroup"), configurationId},
                       {QStringLiteral("configurationGroupOrder"), g},
                       {QStringLiteral("hasAppPositions"), true}}});
        for (int m = 0; m < mappingsPerGroup; ++m)
            files.append({QStringLiteral("AppPositionMapping"),
                          newId(),
                          {{QStringLiteral("bundleID"), QStringLiteral("org.example.App%1").arg(m)},
                           {QStringLiteral("appName"), QStringLiteral("App %1").arg(m)},
                           {QStringLiteral("savedCorner"), QLatin1String(templates[g].corners[m])},
                           {QStringLiteral("positionGroup"), groupId},
                           {QStringLiteral("positionGroupOrder"), m}}});
    }
    files.first().attributes = {{QStringLiteral("name"), QStringLiteral("Configuration %1").arg(number)},
                                {QStringLiteral("dateCreated"), created},
                                {QStringLiteral("lastActivatedAt"), QJsonValue::Null},
                                {QStringLiteral("screenWidth"), 1920},
                                {QStringLiteral("screenHeight"), 1080},
                                {QStringLiteral("desc"), QJsonValue::Null},
                                {QStringLiteral("defaultPositionGroupID"), groupIds.first()},
                                {QStringLiteral("hasConfigurations"), true},
                                {QStringLiteral("hasPositionGroups"), true}};
    return files;
}

// Every attribute of a file bears the stamp of when its object was made; a tombstone adds the
// deletion, having seen that.
bool SyncFolderGenerator::write(const File& file, qint64 madeAt, std::optional<qint64> deletedAt,
                                QString* error) {
    const QString made = stamp(madeAt, 0, maker);
    QJsonObject stamps;
    for (auto it = file.attributes.begin(); it != file.attributes.end(); ++it)
        stamps.insert(it.key(), made);
    QJsonObject record{{QStringLiteral("format"), 1},
                       {QStringLiteral("class"), file.className},
                       {QStringLiteral("id"), file.id},
                       {QStringLiteral("deleted"), deletedAt.has_value()},
                       {QStringLiteral("stamp"), deletedAt ? stamp(*deletedAt, 0, maker) : made},
                       {QStringLiteral("attributes"), file.attributes},
                       {QStringLiteral("stamps"), stamps}};
    if (deletedAt)
        record.insert(QStringLiteral("seen"), QJsonObject{{QStringLiteral("stamp"), made}});
    const QString folder = m_folder + u'/' + file.className;
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    QFile out(folder + u'/' + file.id + QStringLiteral(".json"));
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(record).toJson()) < 0) {
        *error = QStringLiteral("%1: %2").arg(out.fileName(), out.errorString());
        return false;
    }
    return true;
}

bool SyncFolderGenerator::writeConfigurations(int count, QString* error) {
    // Made over the last two days, a millisecond apart, so no two configurations tie.
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - 2 * day;
    for (int c = 0; c < count; ++c)
        for (const File& file : configuration(c))
            if (!write(file, start + c, std::nullopt, error))
                return false;
    return true;
}

bool SyncFolderGenerator::writeTombstones(int count, QString* error) {
    // Young enough that every machine keeps them.
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - 3 * day;
    int left = count;
    for (int c = 0; left > 0; ++c)
        for (const File& file : configuration(c)) {
            if (left-- == 0)
                break;
            if (!write(file, start + c, start + day + c, error))
                return false;
        }
    return true;
}

bool SyncFolderGenerator::renameConfigurations(const QString& folder, QString* error) {
    const QDir dir(folder + QStringLiteral("/ConfigurationGroup"));
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    int counter = 0;
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        QFile in(dir.filePath(name));
        if (!in.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("%1: %2").arg(in.fileName(), in.errorString());
            return false;
        }
        QJsonObject record = QJsonDocument::fromJson(in.readAll()).object();
        if (record.value(QStringLiteral("deleted")).toBool())
            continue;
        QJsonObject attributes = record.value(QStringLiteral("attributes")).toObject();
        QJsonObject stamps = record.value(QStringLiteral("stamps")).toObject();
        QJsonObject seen = record.value(QStringLiteral("seen")).toObject();
        const QString renamed = stamp(now, counter++, renamer);
        attributes.insert(QStringLiteral("name"),
                          attributes.value(QStringLiteral("name")).toString() + QStringLiteral(" changed"));
        seen.insert(QStringLiteral("name"), stamps.value(QStringLiteral("name")));
        stamps.insert(QStringLiteral("name"), renamed);
        record.insert(QStringLiteral("attributes"), attributes);
        record.insert(QStringLiteral("stamps"), stamps);
        record.insert(QStringLiteral("seen"), seen);
        record.insert(QStringLiteral("stamp"), renamed);
        QSaveFile out(in.fileName());
        if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(record).toJson()) < 0 ||
            !out.commit()) {
            *error = QStringLiteral("%1: %2").arg(out.fileName(), out.errorString());
            return false;
        }
    }
    return true;
}
