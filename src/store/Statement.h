// One prepared SQL statement: bind by position (1-based), step, read columns (0-based).
#pragma once

#include <QString>

#include <optional>

struct sqlite3_stmt;

class Statement {
public:
    enum class Step { row, done, error };

    Statement() = default;
    explicit Statement(sqlite3_stmt* statement) : m_statement(statement) {}
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    bool isValid() const { return m_statement != nullptr; }

    // Back to the start, with every parameter unbound.
    void reset();
    void bind(int index, const QString& text);
    // Text that is UTF-8 already.
    void bindUtf8(int index, const QByteArray& text);
    void bind(int index, const std::optional<QString>& text);
    void bind(int index, double value);
    void bind(int index, qint64 value);
    void bind(int index, int value) { bind(index, qint64(value)); }
    void bind(int index, bool value) { bind(index, qint64(value ? 1 : 0)); }
    void bindNull(int index);

    Step step();
    // Steps to the end; false on an error.
    bool run();

    bool isNull(int column) const;
    QString text(int column) const;
    std::optional<QString> optionalText(int column) const;
    double real(int column) const;
    qint64 integer(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
};
