#pragma once

#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;
struct SqliteLibrary;

// One connection to an existing SQLite file, closed (and any open transaction rolled back)
// when it goes out of scope. Nothing throws: the first failure sticks, every later call does
// nothing, and status() tells what it was, so a sequence of calls is checked once at its end.
class SqliteConnection
{
public:
    enum class Access
    {
        Write,
        Query // opened read-write only so that closing it tidies the WAL files; writes refused
    };

    struct Finalizer
    {
        void operator()(sqlite3_stmt* statement) const;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

    // Never creates the file: an absent one fails with SQLITE_CANTOPEN, as does a system
    // without libsqlite3.
    SqliteConnection(const QString& path, Access access);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    bool failed() const;
    int status() const { return m_status; } // SQLITE_OK or the first failure's result code
    void fail(int status);

    void exec(const char* sql);
    // The first column of the first row, when there is one.
    std::optional<qint64> integer(const char* sql);
    std::optional<QString> text(const char* sql);
    // Nothing once a call has failed.
    Statement prepare(const char* sql);

    // Parameters count from 1; a parameter left unbound is NULL.
    void bind(sqlite3_stmt* statement, int index, qint64 value);
    void bind(sqlite3_stmt* statement, int index, double value);
    void bind(sqlite3_stmt* statement, int index, const QString& value);
    // Whether a row came; a failure sticks and ends the rows.
    bool nextRow(sqlite3_stmt* statement);
    // Runs a statement that returns no row, then makes it ready for new parameters.
    void run(sqlite3_stmt* statement);

    // Columns of the current row count from 0.
    bool isNull(sqlite3_stmt* statement, int column) const;
    qint64 integerAt(sqlite3_stmt* statement, int column) const;
    double realAt(sqlite3_stmt* statement, int column) const;
    QByteArrayView textAt(sqlite3_stmt* statement, int column) const; // valid until the next row

private:
    const SqliteLibrary* m_api;
    sqlite3* m_db = nullptr;
    int m_status = 0;
};
