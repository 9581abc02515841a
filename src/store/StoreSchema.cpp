#include "StoreSchema.h"

#include "Database.h"

#include <QScopeGuard>

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
// whoever still held the deleted one. Each table's definition after its name, in schema order.
constexpr std::array<const char*, 6> tableDefinitions = {
    R"((
    pk INTEGER PRIMARY KEY AUTOINCREMENT,
    timestamp TEXT NOT NULL
) STRICT)",
    R"((
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
) STRICT)",
    R"((
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
) STRICT)",
    R"((
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
) STRICT)",
    R"((
    pk INTEGER PRIMARY KEY AUTOINCREMENT,
    id TEXT NOT NULL,
    name TEXT NOT NULL,
    desc TEXT NOT NULL,
    isDefault INTEGER NOT NULL,
    dateCreated TEXT NOT NULL,
    configurationGroup INTEGER REFERENCES ConfigurationGroup(pk) ON DELETE CASCADE,
    configurationGroupOrder INTEGER NOT NULL,
    hasAppPositions INTEGER NOT NULL
) STRICT)",
    R"((
    pk INTEGER PRIMARY KEY AUTOINCREMENT,
    id TEXT NOT NULL,
    bundleID TEXT NOT NULL,
    appName TEXT NOT NULL,
    savedCorner TEXT NOT NULL,
    positionGroup INTEGER REFERENCES PositionGroup(pk) ON DELETE CASCADE,
    positionGroupOrder INTEGER NOT NULL
) STRICT)",
};

const char* const indexesSql = R"(
CREATE INDEX AppConfigurationByConfigurationGroup ON AppConfiguration(configurationGroup);
CREATE INDEX AppConfigurationBySavedApp ON AppConfiguration(savedApp);
CREATE INDEX PositionGroupByConfigurationGroup ON PositionGroup(configurationGroup);
CREATE INDEX AppPositionMappingByPositionGroup ON AppPositionMapping(positionGroup);
)";

QString createTable(size_t index, const QString& name) {
    return QStringLiteral("CREATE TABLE %1 %2;\n").arg(name, QLatin1String(tableDefinitions[index]));
}
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
    QString tables;
    for (size_t i = 0; i < kinds.size(); ++i)
        tables += createTable(i, tableName(kinds[i]));
    const QString sql = QStringLiteral("BEGIN IMMEDIATE;\n%1%2%3\nINSERT INTO Metadata (key, value) VALUES "
                                       "('schemaVersion', '%4');\nPRAGMA application_id = %5;\nCOMMIT;")
                            .arg(QString::fromLatin1(metadataSql), tables, QString::fromLatin1(indexesSql),
                                 QString::fromLatin1(version))
                            .arg(applicationId);
    if (database.execute(sql, error))
        return true;
    database.execute(QStringLiteral("ROLLBACK"));
    return false;
}

bool StoreSchema::upgrade(Database& database, QString* error) {
    const auto upToDate = [&]() -> std::optional<bool> {
        const std::optional<QString> stored = database.queryText(
            QStringLiteral("SELECT value FROM Metadata WHERE key = 'schemaVersion'"), error);
        return stored ? std::optional(stored->section(u'.', 1, 1).toInt() >= 1) : std::nullopt;
    };
    // A version never goes back: a file read as upgraded stays so, and is opened without the lock.
    if (const std::optional<bool> done = upToDate(); !done || *done)
        return done.has_value();
    // A table is rebuilt the way SQLite documents for changes that ALTER TABLE cannot make: with the
    // links not followed, which is set outside a transaction and only for this connection. Followed,
    // dropping an old table would reach into the others, and a rename would rewrite their links.
    const std::optional<qint64> linksFollowed =
        database.queryInteger(QStringLiteral("PRAGMA foreign_keys"), error);
    if (!linksFollowed ||
        (*linksFollowed && !database.execute(QStringLiteral("PRAGMA foreign_keys = OFF"), error)))
        return false;
    const auto restore = qScopeGuard([&] {
        if (*linksFollowed)
            database.execute(QStringLiteral("PRAGMA foreign_keys = ON"));
    });
    if (!database.execute(QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    // Read again under the write lock: another program that opened the file at the same time may have
    // upgraded it meanwhile, and a second rebuild would hand out keys of rows deleted since.
    if (const std::optional<bool> done = upToDate(); !done || *done) {
        database.execute(QStringLiteral("ROLLBACK"));
        return done.has_value();
    }
    // 1.0 handed out the keys of deleted rows again. Each table is built anew beside the old one,
    // filled with the same rows and keys, and takes its name once the old one is gone; the links name
    // tables by name, so they lead to the new ones.
    QString sql;
    for (size_t i = 0; i < kinds.size(); ++i) {
        const QString table = tableName(kinds[i]);
        const QString columnList = QStringLiteral("pk, ") + columns(kinds[i]).join(QStringLiteral(", "));
        sql += createTable(i, table + QStringLiteral("_1_1"));
        sql += QStringLiteral("INSERT INTO %1_1_1 (%2) SELECT %2 FROM %1;\nDROP TABLE %1;\n"
                              "ALTER TABLE %1_1_1 RENAME TO %1;\n")
                   .arg(table, columnList);
    }
    sql += QString::fromLatin1(indexesSql);
    sql += QStringLiteral("UPDATE Metadata SET value = '%1' WHERE key = 'schemaVersion';\nCOMMIT;")
               .arg(QString::fromLatin1(version));
    if (database.execute(sql, error))
        return true;
    database.execute(QStringLiteral("ROLLBACK"));
    return false;
}
