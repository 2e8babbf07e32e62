// Thin RAII wrappers over the SQLite C API, private to the database layer.
// sqlite3.h stays out of the public headers.
#pragma once

#include <QByteArray>
#include <QString>
#include <sqlite3.h>
#include <string_view>
#include <utility>

namespace TouchDialogs::db {

// Raises EDatabaseError with "context: SQLite's message".
[[noreturn]] void raiseSqlite(sqlite3 *db, const QString &context);

class Statement {
public:
    Statement() = default;
    Statement(sqlite3 *db, std::string_view sql);
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(Statement &&other) noexcept : m_stmt(std::exchange(other.m_stmt, nullptr)) {}
    Statement &operator=(Statement &&other) noexcept
    {
        std::swap(m_stmt, other.m_stmt);
        return *this;
    }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Takes over a statement prepared elsewhere.
    static Statement adopt(sqlite3_stmt *stmt)
    {
        Statement s;
        s.m_stmt = stmt;
        return s;
    }
    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt *get() const { return m_stmt; }
    // Steps once: true while there is a row. Raises EDatabaseError on error.
    bool step();
    void reset()
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_stmt, i, v); }
    void bind(int i, double v) { sqlite3_bind_double(m_stmt, i, v); }
    void bindText(int i, std::string_view v)
    {
        sqlite3_bind_text(m_stmt, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
    }
    void bindNull(int i) { sqlite3_bind_null(m_stmt, i); }
    qint64 int64(int col) const { return sqlite3_column_int64(m_stmt, col); }
    double real(int col) const { return sqlite3_column_double(m_stmt, col); }
    int type(int col) const { return sqlite3_column_type(m_stmt, col); }
    std::string_view text(int col) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, col));
        return p ? std::string_view(p, size_t(sqlite3_column_bytes(m_stmt, col))) : std::string_view();
    }
    QString qtext(int col) const
    {
        const std::string_view t = text(col);
        return QString::fromUtf8(t.data(), qsizetype(t.size()));
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

// Runs statements that return no rows; raises EDatabaseError.
void exec(sqlite3 *db, const char *sql);

// A transaction that rolls back unless committed; never throws from its destructor.
class Transaction {
public:
    explicit Transaction(sqlite3 *db);
    ~Transaction();
    void commit();

private:
    sqlite3 *m_db;
    bool m_done = false;
};

// SQL text of an identifier, always double-quoted.
QByteArray quoteIdentifier(const QString &name);
// SQL text of a string literal.
QByteArray quoteLiteral(const QString &text);

} // namespace TouchDialogs::db
