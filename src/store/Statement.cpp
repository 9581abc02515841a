#include "Statement.h"

#include <sqlite3.h>

#include <utility>

Statement::Statement(Statement&& other) noexcept : m_statement(std::exchange(other.m_statement, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_statement = std::exchange(other.m_statement, nullptr);
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(m_statement);
}

void Statement::reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

void Statement::bind(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void Statement::bindUtf8(int index, const QByteArray& text) {
    sqlite3_bind_text(m_statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

void Statement::bind(int index, const std::optional<QString>& text) {
    if (text)
        bind(index, *text);
    else
        bindNull(index);
}

void Statement::bind(int index, double value) {
    sqlite3_bind_double(m_statement, index, value);
}

void Statement::bind(int index, qint64 value) {
    sqlite3_bind_int64(m_statement, index, value);
}

void Statement::bindNull(int index) {
    sqlite3_bind_null(m_statement, index);
}

Statement::Step Statement::step() {
    switch (sqlite3_step(m_statement)) {
    case SQLITE_ROW:
        return Step::row;
    case SQLITE_DONE:
        return Step::done;
    default:
        return Step::error;
    }
}

bool Statement::run() {
    Step result;
    while ((result = step()) == Step::row) {
    }
    return result == Step::done;
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QString Statement::text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_statement, column));
}

std::optional<QString> Statement::optionalText(int column) const {
    if (isNull(column))
        return std::nullopt;
    return text(column);
}

double Statement::real(int column) const {
    return sqlite3_column_double(m_statement, column);
}

qint64 Statement::integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}
