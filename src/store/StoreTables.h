// Turns stored objects into table rows and back, with one prepared statement per table and action.
#pragma once

#include "Statement.h"

#include "model/ModelObject.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <array>
#include <functional>

class Database;

class StoreTables {
public:
    // The four relationships, by the list that holds their children.
    enum Relation {
        configurationApps,
        configurationPositionGroups,
        positionGroupMappings,
        savedAppConfigurations
    };

    // A child row's link to its owner, as read.
    struct Link {
        ModelObject* child;
        qint64 owner;
        qint64 order;
        // Breaks ties in `order` alike on every machine.
        QString id;
    };
    struct ReadLinks {
        std::array<QList<Link>, 4> links;
        // Owners whose list is present (possibly empty) rather than absent.
        std::array<QSet<const ModelObject*>, 4> presentLists;
    };

    // The stored key of a related object; 0 for none.
    using KeyOf = std::function<qint64(const ModelObject*)>;
    // The live object for a row key of one class, created when there is none.
    using ObjectFor = std::function<ModelObject*(qint64 key)>;

    explicit StoreTables(Database& database) : m_database(database) {}
    bool prepare(QString* error);

    bool insert(ModelObject* object, const KeyOf& keyOf, qint64* key, QString* error);
    // False when the statement failed; *found is false when the row no longer exists.
    bool update(ModelObject* object, qint64 key, const KeyOf& keyOf, bool* found, QString* error);
    bool remove(ModelObject::Kind kind, qint64 key, QString* error);
    // Applies every row of one table to its live object; a changed value sends its attribute's signal.
    bool read(ModelObject::Kind kind, const ObjectFor& objectFor, ReadLinks& links, QString* error);
    // The same for the rows whose keys lie from `first` to `last`.
    bool readRange(ModelObject::Kind kind, qint64 first, qint64 last, const ObjectFor& objectFor,
                   ReadLinks& links, QString* error);
    // The children in one relationship of the owners whose keys lie from `first` to `last`, each
    // owner's in their stored order.
    using Member = std::function<void(qint64 owner, qint64 child)>;
    bool members(Relation relation, qint64 first, qint64 last, const Member& member, QString* error);

private:
    struct Statements {
        Statement insert;
        Statement update;
        Statement remove;
        Statement select;
        Statement selectRange;
    };

    Statements& of(ModelObject::Kind kind) { return m_statements[static_cast<size_t>(kind)]; }
    // Binds the object's columns from parameter 2 on (parameter 1 is the row key).
    void bindColumns(Statement& statement, ModelObject* object, const KeyOf& keyOf);
    // Sets the object's attributes from the current row of `s` and notes its links.
    static void applyRow(ModelObject::Kind kind, Statement& s, ModelObject* object, ReadLinks& links);

    Database& m_database;
    std::array<Statements, 6> m_statements;
    std::array<Statement, 4> m_members;
};
