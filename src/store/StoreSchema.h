// The tables of the object store, one per stored class, and the checks that a file is ours.
#pragma once

#include "model/ModelObject.h"

#include <QString>
#include <QStringList>

class Database;

namespace StoreSchema {
// "QRLN": marks the file as ours for tools that read the header (file(1) shows it).
inline constexpr qint64 applicationId = 0x51524C4E;
inline constexpr const char* version = "1.1.0";

// Schema order; parents come before the children that refer to them.
inline constexpr std::array<ModelObject::Kind, 6> kinds = {
    ModelObject::Kind::item,
    ModelObject::Kind::savedApp,
    ModelObject::Kind::configurationGroup,
    ModelObject::Kind::appConfiguration,
    ModelObject::Kind::positionGroup,
    ModelObject::Kind::appPositionMapping,
};

QString tableName(ModelObject::Kind kind);
// The columns after the row key `pk`, in table order.
const QStringList& columns(ModelObject::Kind kind);

// Reads (never writes) whether the database is empty, or ours at a version we can read. A damaged
// file, another program's database or a newer schema is an error.
bool inspect(Database& database, bool* isEmpty, QString* error);
// Creates every table in one transaction and records the version.
bool create(Database& database, QString* error);
// Brings a file of an older minor version up to this one, in one transaction.
bool upgrade(Database& database, QString* error);
} // namespace StoreSchema
