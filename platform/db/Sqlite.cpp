#include "platform/db/Sqlite.h"
#include "platform/rtl/Exceptions.h"

namespace TouchDialogs::db {

void raiseSqlite(sqlite3 *db, const QString &context)
{
    throw EDatabaseError(QStringLiteral("%1: %2").arg(context, QString::fromUtf8(sqlite3_errmsg(db))));
}

Statement::Statement(sqlite3 *db, std::string_view sql)
{
    if (sqlite3_prepare_v2(db, sql.data(), int(sql.size()), &m_stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        raiseSqlite(db, QStringLiteral("Internal statement failed"));
    }
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3 *db = sqlite3_db_handle(m_stmt);
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_reset(m_stmt);
    throw EDatabaseError(QStringLiteral("Database error: %1").arg(message));
}

void exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(db));
        sqlite3_free(error);
        throw EDatabaseError(QStringLiteral("Database error: %1").arg(message));
    }
}

Transaction::Transaction(sqlite3 *db) : m_db(db)
{
    exec(db, "BEGIN");
}

Transaction::~Transaction()
{
    if (!m_done)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    exec(m_db, "COMMIT");
    m_done = true;
}

QByteArray quoteIdentifier(const QString &name)
{
    QByteArray out = name.toUtf8();
    out.replace('"', "\"\"");
    return '"' + out + '"';
}

QByteArray quoteLiteral(const QString &text)
{
    QByteArray out = text.toUtf8();
    out.replace('\'', "''");
    return '\'' + out + '\'';
}

} // namespace TouchDialogs::db
