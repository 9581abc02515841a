#include "Database.h"

#include <sqlite3.h>

#include <cerrno>

std::unique_ptr<Database> Database::open(const QString& path, bool create, QString* error) {
    sqlite3* connection = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int result = sqlite3_open_v2(path.toUtf8().constData(), &connection, flags, nullptr);
    if (result != SQLITE_OK) {
        if (error)
            *error = connection ? QString::fromUtf8(sqlite3_errmsg(connection))
                                : QString::fromUtf8(sqlite3_errstr(result));
        sqlite3_close_v2(connection);
        return nullptr;
    }
    sqlite3_extended_result_codes(connection, 1);
    return std::unique_ptr<Database>(new Database(connection, path));
}

Database::~Database() {
    sqlite3_close_v2(m_connection);
}

bool Database::execute(const QString& sql, QString* error) {
    char* message = nullptr;
    if (sqlite3_exec(m_connection, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    noteFailure();
    if (error)
        *error = message ? QString::fromUtf8(message) : errorMessage();
    sqlite3_free(message);
    return false;
}

Statement Database::prepare(const QString& sql, QString* error) {
    sqlite3_stmt* statement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v3(m_connection, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement, nullptr) != SQLITE_OK) {
        noteFailure();
        if (error)
            *error = errorMessage();
        sqlite3_finalize(statement);
        return Statement();
    }
    return Statement(statement);
}

Statement Database::firstRow(const QString& sql, QString* error) {
    Statement statement = prepare(sql, error);
    if (!statement.isValid())
        return Statement();
    switch (statement.step()) {
    case Statement::Step::row:
        return statement;
    case Statement::Step::done:
        return Statement();
    case Statement::Step::error:
        break;
    }
    noteFailure();
    if (error)
        *error = errorMessage();
    return Statement();
}

std::optional<qint64> Database::queryInteger(const QString& sql, QString* error) {
    const Statement statement = firstRow(sql, error);
    return statement.isValid() ? std::optional(statement.integer(0)) : std::nullopt;
}

std::optional<QString> Database::queryText(const QString& sql, QString* error) {
    const Statement statement = firstRow(sql, error);
    return statement.isValid() ? statement.optionalText(0) : std::nullopt;
}

QString Database::errorMessage() const {
    return QString::fromUtf8(sqlite3_errmsg(m_connection));
}

qint64 Database::lastInsertRowId() const {
    return sqlite3_last_insert_rowid(m_connection);
}

int Database::changes() const {
    return sqlite3_changes(m_connection);
}

void Database::noteFailure() {
    const int code = sqlite3_extended_errcode(m_connection) & 0xff;
    // A write the disk had no room for is SQLITE_FULL; a file it had no room to grow or make, an
    // I/O error of ENOSPC.
    m_foundTheDiskFull =
        m_foundTheDiskFull || code == SQLITE_FULL ||
        ((code == SQLITE_IOERR || code == SQLITE_CANTOPEN) && sqlite3_system_errno(m_connection) == ENOSPC);
}

bool Database::isReadOnly() const {
    return sqlite3_db_readonly(m_connection, "main") == 1;
}
