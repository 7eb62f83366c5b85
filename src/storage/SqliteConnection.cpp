#include "SqliteConnection.h"

#include "SqliteLibrary.h"

#include <QFile>

namespace {

// A reader of the chart or the export may hold the file for a moment; a writer waits that
// long and no longer, so a refresh is never held up by a stuck program.
constexpr int kBusyTimeoutMilliseconds = 200;

} // namespace

void SqliteConnection::Finalizer::operator()(sqlite3_stmt* statement) const
{
    SqliteLibrary::get()->finalize(statement); // a statement exists only with the library
}

SqliteConnection::SqliteConnection(const QString& path, Access access) : m_api(SqliteLibrary::get())
{
    if (!m_api) {
        m_status = SQLITE_CANTOPEN;
        return;
    }
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    m_status = m_api->open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (m_status != SQLITE_OK)
        return;
    m_api->busy_timeout(m_db, kBusyTimeoutMilliseconds);
    if (access == Access::Query)
        exec("PRAGMA query_only = ON");
}

SqliteConnection::~SqliteConnection()
{
    if (m_api)
        m_api->close_v2(m_db);
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
        fail(m_api->exec(m_db, sql, nullptr, nullptr, nullptr));
}

std::optional<qint64> SqliteConnection::integer(const char* sql)
{
    const Statement statement = prepare(sql);
    if (!nextRow(statement.get()))
        return std::nullopt;
    return integerAt(statement.get(), 0);
}

std::optional<QString> SqliteConnection::text(const char* sql)
{
    const Statement statement = prepare(sql);
    if (!nextRow(statement.get()))
        return std::nullopt;
    return QString::fromUtf8(textAt(statement.get(), 0));
}

SqliteConnection::Statement SqliteConnection::prepare(const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (!failed())
        fail(m_api->prepare_v2(m_db, sql, -1, &statement, nullptr));
    return Statement(statement);
}

void SqliteConnection::bind(sqlite3_stmt* statement, int index, qint64 value)
{
    if (!failed() && statement)
        fail(m_api->bind_int64(statement, index, value));
}

void SqliteConnection::bind(sqlite3_stmt* statement, int index, double value)
{
    if (!failed() && statement)
        fail(m_api->bind_double(statement, index, value));
}

void SqliteConnection::bind(sqlite3_stmt* statement, int index, const QString& value)
{
    const QByteArray bytes = value.toUtf8();
    if (!failed() && statement)
        fail(m_api->bind_text(statement, index, bytes.constData(), int(bytes.size()),
                              SQLITE_TRANSIENT));
}

bool SqliteConnection::nextRow(sqlite3_stmt* statement)
{
    if (failed() || !statement)
        return false;
    const int result = m_api->step(statement);
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
    m_api->reset(statement);
    m_api->clear_bindings(statement);
}

bool SqliteConnection::isNull(sqlite3_stmt* statement, int column) const
{
    return m_api->column_type(statement, column) == SQLITE_NULL;
}

qint64 SqliteConnection::integerAt(sqlite3_stmt* statement, int column) const
{
    return m_api->column_int64(statement, column);
}

double SqliteConnection::realAt(sqlite3_stmt* statement, int column) const
{
    return m_api->column_double(statement, column);
}

QByteArrayView SqliteConnection::textAt(sqlite3_stmt* statement, int column) const
{
    const unsigned char* text = m_api->column_text(statement, column); // before its size
    return QByteArrayView(text, m_api->column_bytes(statement, column));
}
