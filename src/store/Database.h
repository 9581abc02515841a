// One connection to an SQLite database file. Opening never writes: callers decide what to create.
#pragma once

#include "Statement.h"

#include <QString>

#include <memory>
#include <optional>

struct sqlite3;

class Database {
public:
    // Opens the file read-write, creating an empty one when absent (and `create` is set). Nothing is
    // read or written yet, so a damaged file is only detected by the first query.
    static std::unique_ptr<Database> open(const QString& path, bool create, QString* error);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QString path() const { return m_path; }

    // Runs one or more statements; false with the error on a failure.
    bool execute(const QString& sql, QString* error = nullptr);
    // An invalid statement and the error on a failure.
    Statement prepare(const QString& sql, QString* error = nullptr);
    // The first column of the first row.
    std::optional<qint64> queryInteger(const QString& sql, QString* error = nullptr);
    std::optional<QString> queryText(const QString& sql, QString* error = nullptr);

    // The error of the last failed call on this connection.
    QString errorMessage() const;
    qint64 lastInsertRowId() const;
    // Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;
    // Whether the file could only be opened for reading (write-protected).
    bool isReadOnly() const;
    // Whether a call of this connection has failed for want of room on the disk; what followed (a
    // ROLLBACK, which fails once SQLite rolled back by itself) does not hide it.
    bool hasFoundTheDiskFull() const { return m_foundTheDiskFull; }

private:
    Database(sqlite3* connection, const QString& path) : m_connection(connection), m_path(path) {}
    // The statement on its first row; invalid when there is none or on a failure.
    Statement firstRow(const QString& sql, QString* error);
    // The failure of the call just made, for hasFoundTheDiskFull().
    void noteFailure();

    sqlite3* m_connection;
    QString m_path;
    bool m_foundTheDiskFull = false;
};
