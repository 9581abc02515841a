#include "StoreSchema.h"

#include "Database.h"

namespace {
using Kind = ModelObject::Kind;

const char* const metadataSql = R"(
CREATE TABLE Metadata (
    key TEXT PRIMARY KEY NOT NULL,
    value TEXT NOT NULL
) STRICT;
)";

// A row's key is never handed out again, not even after its row is deleted (AUTOINCREMENT): the
// program and sync write the same tables, and a key that came back would name another object to
// whoever still held the deleted one.
const char* const tablesSql = R"(
CREATE TABLE Item (
    pk INTEGER PRIMARY KEY AUTOINCREMENT,
    timestamp TEXT NOT NULL
) STRICT;
CREATE TABLE SavedApp (
    pk INTEGER PRIMARY KEY AUTOINCREMENT,
    id TEXT NOT NULL,
    bundleID TEXT NOT NULL,
    name TEXT NOT NULL,
    dateAdded TEXT NOT NULL,
    savedWidth REAL NOT NULL,
    savedHeight REAL NOT NULL,
    savedCorner TEXT NOT NULL,
    savedWidthFraction REAL NOT NULL,
    savedMarginX REAL NOT NULL,
    savedMarginY REAL NOT NULL,
    hasConfigurations INTEGER NOT NULL
) STRICT;
CREATE TABLE ConfigurationGroup (
    pk INTEGER PRIMARY KEY AUTOINCREMENT,
    id TEXT NOT NULL,
    name TEXT NOT NULL,
    dateCreated TEXT NOT NULL,
    lastActivatedAt TEXT,
    screenWidth REAL NOT NULL,
    screenHeight REAL NOT NULL,
    desc TEXT,
    defaultPositionGroupID TEXT,
    hasConfigurations INTEGER NOT NULL,
    hasPositionGroups INTEGER NOT NULL
) STRICT;
CREATE TABLE AppConfiguration (
    pk INTEGER PRIMARY KEY AUTOINCREMENT,
    id TEXT NOT NULL,
    configurationGroup INTEGER REFERENCES ConfigurationGroup(pk) ON DELETE CASCADE,
    configurationGroupOrder INTEGER NOT NULL,
    savedApp INTEGER REFERENCES SavedApp(pk) ON DELETE SET NULL,
    savedAppOrder INTEGER NOT NULL,
    bundleID TEXT NOT NULL,
    appName TEXT NOT NULL,
    relativePosition TEXT NOT NULL,
    priority INTEGER NOT NULL,
    isRequired INTEGER NOT NULL,
    savedCorner TEXT NOT NULL,
    savedWidthFraction REAL NOT NULL,
    savedHeight REAL NOT NULL,
    savedMarginX REAL NOT NULL,
    savedMarginY REAL NOT NULL
) STRICT;
CREATE TABLE PositionGroup (
    pk INTEGER PRIMARY KEY AUTOINCREMENT,
    id TEXT NOT NULL,
    name TEXT NOT NULL,
    desc TEXT NOT NULL,
    isDefault INTEGER NOT NULL,
    dateCreated TEXT NOT NULL,
    configurationGroup INTEGER REFERENCES ConfigurationGroup(pk) ON DELETE CASCADE,
    configurationGroupOrder INTEGER NOT NULL,
    hasAppPositions INTEGER NOT NULL
) STRICT;
CREATE TABLE AppPositionMapping (
    pk INTEGER PRIMARY KEY AUTOINCREMENT,
    id TEXT NOT NULL,
    bundleID TEXT NOT NULL,
    appName TEXT NOT NULL,
    savedCorner TEXT NOT NULL,
    positionGroup INTEGER REFERENCES PositionGroup(pk) ON DELETE CASCADE,
    positionGroupOrder INTEGER NOT NULL
) STRICT;
CREATE INDEX AppConfigurationByConfigurationGroup ON AppConfiguration(configurationGroup);
CREATE INDEX AppConfigurationBySavedApp ON AppConfiguration(savedApp);
CREATE INDEX PositionGroupByConfigurationGroup ON PositionGroup(configurationGroup);
CREATE INDEX AppPositionMappingByPositionGroup ON AppPositionMapping(positionGroup);
)";
} // namespace

QString StoreSchema::tableName(Kind kind) {
    switch (kind) {
    case Kind::item:
        return QStringLiteral("Item");
    case Kind::savedApp:
        return QStringLiteral("SavedApp");
    case Kind::configurationGroup:
        return QStringLiteral("ConfigurationGroup");
    case Kind::appConfiguration:
        return QStringLiteral("AppConfiguration");
    case Kind::positionGroup:
        return QStringLiteral("PositionGroup");
    case Kind::appPositionMapping:
        return QStringLiteral("AppPositionMapping");
    }
    return {};
}

const QStringList& StoreSchema::columns(Kind kind) {
    static const QStringList item = {QStringLiteral("timestamp")};
    static const QStringList savedApp =
        QStringLiteral("id bundleID name dateAdded savedWidth savedHeight savedCorner "
                       "savedWidthFraction savedMarginX savedMarginY hasConfigurations")
            .split(u' ');
    static const QStringList configurationGroup =
        QStringLiteral(
            "id name dateCreated lastActivatedAt screenWidth screenHeight desc defaultPositionGroupID "
            "hasConfigurations hasPositionGroups")
            .split(u' ');
    static const QStringList appConfiguration =
        QStringLiteral(
            "id configurationGroup configurationGroupOrder savedApp savedAppOrder bundleID appName "
            "relativePosition priority isRequired savedCorner savedWidthFraction savedHeight savedMarginX "
            "savedMarginY")
            .split(u' ');
    static const QStringList positionGroup =
        QStringLiteral(
            "id name desc isDefault dateCreated configurationGroup configurationGroupOrder hasAppPositions")
            .split(u' ');
    static const QStringList appPositionMapping =
        QStringLiteral("id bundleID appName savedCorner positionGroup positionGroupOrder").split(u' ');
    switch (kind) {
    case Kind::item:
        return item;
    case Kind::savedApp:
        return savedApp;
    case Kind::configurationGroup:
        return configurationGroup;
    case Kind::appConfiguration:
        return appConfiguration;
    case Kind::positionGroup:
        return positionGroup;
    case Kind::appPositionMapping:
        break;
    }
    return appPositionMapping;
}

bool StoreSchema::inspect(Database& database, bool* isEmpty, QString* error) {
    const std::optional<qint64> objects =
        database.queryInteger(QStringLiteral("SELECT count(*) FROM sqlite_schema"), error);
    if (!objects)
        return false;
    *isEmpty = *objects == 0;
    if (*isEmpty)
        return true;
    const std::optional<qint64> application =
        database.queryInteger(QStringLiteral("PRAGMA application_id"), error);
    if (!application)
        return false;
    const auto notOurs = [&] {
        *error = QStringLiteral("%1 is not a Quarlin database").arg(database.path());
        return false;
    };
    if (*application != applicationId)
        return notOurs();
    QString ignored;
    const std::optional<QString> stored = database.queryText(
        QStringLiteral("SELECT value FROM Metadata WHERE key = 'schemaVersion'"), &ignored);
    if (!stored)
        return notOurs();
    if (stored->section(u'.', 0, 0) != QString::fromLatin1(version).section(u'.', 0, 0)) {
        *error = QStringLiteral("%1 holds schema version %2, which this version of Quarlin cannot read")
                     .arg(database.path(), *stored);
        return false;
    }
    return true;
}

bool StoreSchema::create(Database& database, QString* error) {
    const QString sql = QStringLiteral("BEGIN IMMEDIATE;\n%1%2\nINSERT INTO Metadata (key, value) VALUES "
                                       "('schemaVersion', '%3');\nPRAGMA application_id = %4;\nCOMMIT;")
                            .arg(QString::fromLatin1(metadataSql), QString::fromLatin1(tablesSql),
                                 QString::fromLatin1(version))
                            .arg(applicationId);
    if (database.execute(sql, error))
        return true;
    database.execute(QStringLiteral("ROLLBACK"));
    return false;
}

bool StoreSchema::upgrade(Database& database, QString* error) {
    const std::optional<QString> stored =
        database.queryText(QStringLiteral("SELECT value FROM Metadata WHERE key = 'schemaVersion'"), error);
    if (!stored)
        return false;
    if (stored->section(u'.', 1, 1).toInt() >= 1)
        return true;
    // 1.0 handed out the keys of deleted rows again. The tables are built anew around the same rows:
    // the old ones are renamed aside without touching the references to them (legacy_alter_table),
    // so that the new tables' references name the new tables.
    QString sql = QStringLiteral("PRAGMA legacy_alter_table = ON;\nBEGIN IMMEDIATE;\n");
    for (Kind kind : kinds)
        sql += QStringLiteral("ALTER TABLE %1 RENAME TO %1_1_0;\n").arg(tableName(kind));
    for (const char* index : {"AppConfigurationByConfigurationGroup", "AppConfigurationBySavedApp",
                              "PositionGroupByConfigurationGroup", "AppPositionMappingByPositionGroup"})
        sql += QStringLiteral("DROP INDEX %1;\n").arg(QLatin1String(index));
    sql += QString::fromLatin1(tablesSql);
    for (Kind kind : kinds) {
        const QString columnList = QStringLiteral("pk, ") + columns(kind).join(QStringLiteral(", "));
        sql += QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %1_1_0;\nDROP TABLE %1_1_0;\n")
                   .arg(tableName(kind), columnList);
    }
    sql += QStringLiteral("UPDATE Metadata SET value = '%1' WHERE key = 'schemaVersion';\nCOMMIT;\n"
                          "PRAGMA legacy_alter_table = OFF;")
               .arg(QString::fromLatin1(version));
    if (database.execute(sql, error))
        return true;
    database.execute(QStringLiteral("ROLLBACK; PRAGMA legacy_alter_table = OFF"));
    return false;
}
