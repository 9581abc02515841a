#include "StoreTables.h"

#include "Database.h"
#include "IsoDate.h"
#include "StoreSchema.h"

#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/Item.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"

namespace {
using Kind = ModelObject::Kind;

QDateTime dateFrom(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODateWithMs).toUTC();
}

std::optional<QString> optionalDateText(const std::optional<QDateTime>& date) {
    if (!date)
        return std::nullopt;
    return isoDateText(*date);
}

template <class List, class Child> qint64 indexIn(const List& list, const Child* child) {
    return list ? list->indexOf(child) : 0;
}
} // namespace

bool StoreTables::prepare(QString* error) {
    for (Kind kind : StoreSchema::kinds) {
        const QString table = StoreSchema::tableName(kind);
        const QStringList& columns = StoreSchema::columns(kind);
        QStringList parameters, assignments;
        for (int i = 0; i < columns.size(); ++i) {
            // Another writer may have deleted the saved application since this context read it: its
            // delete rule (the link is cleared) holds for what is written now too.
            const QString parameter =
                columns[i] == QLatin1String("savedApp")
                    ? QStringLiteral("(SELECT pk FROM SavedApp WHERE pk = ?%1)").arg(i + 2)
                    : QStringLiteral("?%1").arg(i + 2);
            parameters.append(parameter);
            assignments.append(QStringLiteral("%1 = %2").arg(columns[i], parameter));
        }
        Statements& statements = of(kind);
        statements.insert = m_database.prepare(
            QStringLiteral("INSERT INTO %1 (pk, %2) VALUES (?1, %3)")
                .arg(table, columns.join(QStringLiteral(", ")), parameters.join(QStringLiteral(", "))),
            error);
        statements.update = m_database.prepare(
            QStringLiteral("UPDATE %1 SET %2 WHERE pk = ?1").arg(table, assignments.join(", ")), error);
        statements.remove =
            m_database.prepare(QStringLiteral("DELETE FROM %1 WHERE pk = ?1").arg(table), error);
        statements.select = m_database.prepare(QStringLiteral("SELECT pk, %1 FROM %2 ORDER BY pk")
                                                   .arg(columns.join(QStringLiteral(", ")), table),
                                               error);
        statements.selectRange =
            m_database.prepare(QStringLiteral("SELECT pk, %1 FROM %2 WHERE pk BETWEEN ?1 AND ?2 ORDER BY pk")
                                   .arg(columns.join(QStringLiteral(", ")), table),
                               error);
        if (!statements.insert.isValid() || !statements.update.isValid() || !statements.remove.isValid() ||
            !statements.select.isValid() || !statements.selectRange.isValid())
            return false;
    }
    // Ties in the order column (concurrent edits on several machines can leave them) go by id, as when
    // the whole table is read: the row keys differ from machine to machine, the ids do not.
    const std::array<const char*, 4> members{
        "SELECT configurationGroup, pk FROM AppConfiguration WHERE configurationGroup BETWEEN ?1 AND ?2 "
        "ORDER BY configurationGroup, configurationGroupOrder, id",
        "SELECT configurationGroup, pk FROM PositionGroup WHERE configurationGroup BETWEEN ?1 AND ?2 "
        "ORDER BY configurationGroup, configurationGroupOrder, id",
        "SELECT positionGroup, pk FROM AppPositionMapping WHERE positionGroup BETWEEN ?1 AND ?2 "
        "ORDER BY positionGroup, positionGroupOrder, id",
        "SELECT savedApp, pk FROM AppConfiguration WHERE savedApp BETWEEN ?1 AND ?2 "
        "ORDER BY savedApp, savedAppOrder, id"};
    for (size_t i = 0; i < members.size(); ++i) {
        m_members[i] = m_database.prepare(QString::fromLatin1(members[i]), error);
        if (!m_members[i].isValid())
            return false;
    }
    return true;
}

void StoreTables::bindColumns(Statement& s, ModelObject* object, const KeyOf& keyOf) {
    const auto bindKey = [&](int index, const ModelObject* related) {
        const qint64 key = related ? keyOf(related) : 0;
        if (key)
            s.bind(index, key);
        else
            s.bindNull(index);
    };
    switch (object->kind()) {
    case Kind::item: {
        auto* item = static_cast<Item*>(object);
        s.bind(2, isoDateText(item->timestamp()));
        break;
    }
    case Kind::savedApp: {
        auto* app = static_cast<SavedApp*>(object);
        s.bind(2, uuidString(app->id()));
        s.bind(3, app->bundleID());
        s.bind(4, app->name());
        s.bind(5, isoDateText(app->dateAdded()));
        s.bind(6, app->savedWidth());
        s.bind(7, app->savedHeight());
        s.bind(8, app->savedCorner());
        s.bind(9, app->savedWidthFraction());
        s.bind(10, app->savedMarginX());
        s.bind(11, app->savedMarginY());
        s.bind(12, app->configurations().has_value());
        break;
    }
    case Kind::configurationGroup: {
        auto* configuration = static_cast<ConfigurationGroup*>(object);
        s.bind(2, uuidString(configuration->id()));
        s.bind(3, configuration->name());
        s.bind(4, isoDateText(configuration->dateCreated()));
        s.bind(5, optionalDateText(configuration->lastActivatedAt()));
        s.bind(6, configuration->screenWidth());
        s.bind(7, configuration->screenHeight());
        s.bind(8, configuration->desc());
        s.bind(9, configuration->defaultPositionGroupID());
        s.bind(10, configuration->configurations().has_value());
        s.bind(11, configuration->positionGroups().has_value());
        break;
    }
    case Kind::appConfiguration: {
        auto* app = static_cast<AppConfiguration*>(object);
        s.bind(2, uuidString(app->id()));
        bindKey(3, app->configurationGroup());
        s.bind(4, app->configurationGroup() ? indexIn(app->configurationGroup()->configurations(), app) : 0);
        bindKey(5, app->savedApp());
        s.bind(6, app->savedApp() ? indexIn(app->savedApp()->configurations(), app) : 0);
        s.bind(7, app->bundleID());
        s.bind(8, app->appName());
        s.bind(9, app->relativePosition());
        s.bind(10, app->priority());
        s.bind(11, app->isRequired());
        s.bind(12, app->savedCorner());
        s.bind(13, app->savedWidthFraction());
        s.bind(14, app->savedHeight());
        s.bind(15, app->savedMarginX());
        s.bind(16, app->savedMarginY());
        break;
    }
    case Kind::positionGroup: {
        auto* group = static_cast<PositionGroup*>(object);
        s.bind(2, uuidString(group->id()));
        s.bind(3, group->name());
        s.bind(4, group->desc());
        s.bind(5, group->isDefault());
        s.bind(6, isoDateText(group->dateCreated()));
        bindKey(7, group->configurationGroup());
        s.bind(8, group->configurationGroup() ? indexIn(group->configurationGroup()->positionGroups(), group)
                                              : 0);
        s.bind(9, group->appPositions().has_value());
        break;
    }
    case Kind::appPositionMapping: {
        auto* mapping = static_cast<AppPositionMapping*>(object);
        s.bind(2, uuidString(mapping->id()));
        s.bind(3, mapping->bundleID());
        s.bind(4, mapping->appName());
        s.bind(5, mapping->savedCorner());
        bindKey(6, mapping->positionGroup());
        s.bind(7, mapping->positionGroup() ? indexIn(mapping->positionGroup()->appPositions(), mapping) : 0);
        break;
    }
    }
}

bool StoreTables::insert(ModelObject* object, const KeyOf& keyOf, qint64* key, QString* error) {
    Statement& statement = of(object->kind()).insert;
    statement.reset();
    statement.bindNull(1);
    bindColumns(statement, object, keyOf);
    if (!statement.run()) {
        *error = m_database.errorMessage();
        statement.reset();
        return false;
    }
    statement.reset();
    *key = m_database.lastInsertRowId();
    return true;
}

bool StoreTables::update(ModelObject* object, qint64 key, const KeyOf& keyOf, bool* found, QString* error) {
    Statement& statement = of(object->kind()).update;
    statement.reset();
    statement.bind(1, key);
    bindColumns(statement, object, keyOf);
    if (!statement.run()) {
        *error = m_database.errorMessage();
        statement.reset();
        return false;
    }
    statement.reset();
    *found = m_database.changes() > 0;
    return true;
}

bool StoreTables::remove(ModelObject::Kind kind, qint64 key, QString* error) {
    Statement& statement = of(kind).remove;
    statement.reset();
    statement.bind(1, key);
    const bool ok = statement.run();
    if (!ok)
        *error = m_database.errorMessage();
    statement.reset();
    return ok;
}

bool StoreTables::read(ModelObject::Kind kind, const ObjectFor& objectFor, ReadLinks& links, QString* error) {
    Statement& s = of(kind).select;
    s.reset();
    Statement::Step step;
    while ((step = s.step()) == Statement::Step::row)
        applyRow(kind, s, objectFor(s.integer(0)), links);
    const bool ok = step == Statement::Step::done;
    if (!ok)
        *error = m_database.errorMessage();
    s.reset();
    return ok;
}

bool StoreTables::readRange(ModelObject::Kind kind, qint64 first, qint64 last, const ObjectFor& objectFor,
                            ReadLinks& links, QString* error) {
    Statement& s = of(kind).selectRange;
    s.reset();
    s.bind(1, first);
    s.bind(2, last);
    Statement::Step step;
    while ((step = s.step()) == Statement::Step::row)
        applyRow(kind, s, objectFor(s.integer(0)), links);
    const bool ok = step == Statement::Step::done;
    if (!ok)
        *error = m_database.errorMessage();
    s.reset();
    return ok;
}

bool StoreTables::members(Relation relation, qint64 first, qint64 last, const Member& member,
                          QString* error) {
    Statement& s = m_members[relation];
    s.reset();
    s.bind(1, first);
    s.bind(2, last);
    Statement::Step step;
    while ((step = s.step()) == Statement::Step::row)
        member(s.integer(0), s.integer(1));
    const bool ok = step == Statement::Step::done;
    if (!ok)
        *error = m_database.errorMessage();
    s.reset();
    return ok;
}

void StoreTables::applyRow(ModelObject::Kind kind, Statement& s, ModelObject* object, ReadLinks& links) {
    const auto link = [&](Relation relation, ModelObject* child, int ownerColumn, int orderColumn) {
        if (!s.isNull(ownerColumn))
            links.links[relation].append({child, s.integer(ownerColumn), s.integer(orderColumn), s.text(1)});
    };
    const auto uuid = [&](int column) { return QUuid::fromString(s.text(column)); };
    switch (kind) {
    case Kind::item:
        static_cast<Item*>(object)->setTimestamp(dateFrom(s.text(1)));
        break;
    case Kind::savedApp: {
        auto* app = static_cast<SavedApp*>(object);
        app->setId(uuid(1));
        app->setBundleID(s.text(2));
        app->setName(s.text(3));
        app->setDateAdded(dateFrom(s.text(4)));
        app->setSavedWidth(s.real(5));
        app->setSavedHeight(s.real(6));
        app->setSavedCorner(s.text(7));
        app->setSavedWidthFraction(s.real(8));
        app->setSavedMarginX(s.real(9));
        app->setSavedMarginY(s.real(10));
        if (s.integer(11))
            links.presentLists[savedAppConfigurations].insert(app);
        break;
    }
    case Kind::configurationGroup: {
        auto* configuration = static_cast<ConfigurationGroup*>(object);
        configuration->setId(uuid(1));
        configuration->setName(s.text(2));
        configuration->setDateCreated(dateFrom(s.text(3)));
        configuration->setLastActivatedAt(s.isNull(4) ? std::nullopt : std::optional(dateFrom(s.text(4))));
        configuration->setScreenWidth(s.real(5));
        configuration->setScreenHeight(s.real(6));
        configuration->setDesc(s.optionalText(7));
        configuration->setDefaultPositionGroupID(s.optionalText(8));
        if (s.integer(9))
            links.presentLists[configurationApps].insert(configuration);
        if (s.integer(10))
            links.presentLists[configurationPositionGroups].insert(configuration);
        break;
    }
    case Kind::appConfiguration: {
        auto* app = static_cast<AppConfiguration*>(object);
        app->setId(uuid(1));
        link(configurationApps, app, 2, 3);
        link(savedAppConfigurations, app, 4, 5);
        app->setBundleID(s.text(6));
        app->setAppName(s.text(7));
        app->setRelativePosition(s.text(8));
        app->setPriority(int(s.integer(9)));
        app->setIsRequired(s.integer(10) != 0);
        app->setSavedCorner(s.text(11));
        app->setSavedWidthFraction(s.real(12));
        app->setSavedHeight(s.real(13));
        app->setSavedMarginX(s.real(14));
        app->setSavedMarginY(s.real(15));
        break;
    }
    case Kind::positionGroup: {
        auto* group = static_cast<PositionGroup*>(object);
        group->setId(uuid(1));
        group->setName(s.text(2));
        group->setDesc(s.text(3));
        group->setIsDefault(s.integer(4) != 0);
        group->setDateCreated(dateFrom(s.text(5)));
        link(configurationPositionGroups, group, 6, 7);
        if (s.integer(8))
            links.presentLists[positionGroupMappings].insert(group);
        break;
    }
    case Kind::appPositionMapping: {
        auto* mapping = static_cast<AppPositionMapping*>(object);
        mapping->setId(uuid(1));
        mapping->setBundleID(s.text(2));
        mapping->setAppName(s.text(3));
        mapping->setSavedCorner(s.text(4));
        link(positionGroupMappings, mapping, 5, 6);
        break;
    }
    }
}
