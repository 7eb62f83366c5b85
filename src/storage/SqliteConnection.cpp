#include "SqliteConnection.h"

#include <QFile>
#include <sqlite3.h>

namespace {

// A reader of the chart or the export may hold the file for a moment; a writer waits that
// long and no longer, so a refresh is never held up by a stuck program.
constexpr int kBusyTimeoutMilliseconds = 200;

} // namespace

void SqliteConnection::Finalizer::operator()(sqlite3_stmt* statement) const
{
    sqlite3_finalize(statement);
}

SqliteConnection::SqliteConnection(const QString& path, Access access)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    m_status = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (m_status != SQLITE_OK)
        return;
    sqlite3_busy_timeout(m_db, kBusyTimeoutMilliseconds);
    if (access == Access::Query)
        exec("PRAGMA query_only = ON");
}

SqliteConnection::~SqliteConnection()
{
    sqlite3_close_v2(m_db);
}

bool SqliteConnection::failed() const
{
    return m_status != SQLITE_OK;
}

void SqliteConnection::fail(int status)
{
    if (!failed())
        m_status = status;
}

void SqliteConnection::exec(const char* sql)
{
    if (!failed())
        fail(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
}

std::optional<qint64> SqliteConnection::integer(const char* sql)
{
    const Statement statement = prepare(sql);
    if (!nextRow(statement.get()))
        return std::nullopt;
    return sqlite3_column_int64(statement.get(), 0);
}

std::optional<QString> SqliteConnection::text(const char* sql)
{
    const Statement statement = prepare(sql);
    if (!nextRow(statement.get()))
        return std::nullopt;
    return QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0)));
}

SqliteConnection::Statement SqliteConnection::prepare(const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (!failed())
        fail(sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr));
    return Statement(statement);
}

bool SqliteConnection::nextRow(sqlite3_stmt* statement)
{
    if (failed() || !statement)
        return false;
    const int result = sqlite3_step(statement);
    if (result != SQLITE_ROW && result != SQLITE_DONE)
        fail(result);
    return result == SQLITE_ROW;
}

void SqliteConnection::run(sqlite3_stmt* statement)
{
    if (!statement)
        return;
    while (nextRow(statement)) {
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
}
