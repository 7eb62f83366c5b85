#include "StoredCookies.h"

#include <QDateTime>
#include <QFileInfo>
#include <QUrl>
#include <memory>
#include <optional>
#include <sqlite3.h>

namespace {

struct DatabaseCloser
{
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementFinalizer
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The engine stores times as microseconds since 1601-01-01 UTC.
QDateTime fromEngineTime(qint64 microseconds)
{
    static const QDateTime epoch(QDate(1601, 1, 1), QTime(0, 0), Qt::UTC);
    return epoch.addMSecs(microseconds / 1000);
}

QByteArray columnBytes(sqlite3_stmt* statement, int column)
{
    const auto* data = static_cast<const char*>(sqlite3_column_blob(statement, column));
    return QByteArray(data, sqlite3_column_bytes(statement, column));
}

Database open(const QString& file, const char* mode)
{
    // A URI so the database can be opened without taking part in the engine's locking.
    const QByteArray uri = QUrl::fromLocalFile(file).toEncoded() + mode;
    sqlite3* db = nullptr;
    const int status =
        sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    Database database(db);
    if (status != SQLITE_OK)
        return {};
    sqlite3_busy_timeout(db, 250);
    return database;
}

constexpr auto query = "SELECT name, value, encrypted_value, host_key, path, expires_utc, "
                       "has_expires, is_secure, is_httponly FROM cookies ORDER BY rowid";

std::optional<QList<QNetworkCookie>> readFrom(sqlite3* db)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, query, -1, &raw, nullptr) != SQLITE_OK)
        return std::nullopt;
    const Statement statement(raw);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<QNetworkCookie> cookies;
    int status;
    while ((status = sqlite3_step(raw)) == SQLITE_ROW) {
        const QByteArray value = columnBytes(raw, 1);
        if (value.isEmpty() && !columnBytes(raw, 2).isEmpty())
            continue; // encrypted with a key we do not have
        const bool hasExpiry = sqlite3_column_int(raw, 6) != 0;
        const QDateTime expiry = fromEngineTime(sqlite3_column_int64(raw, 5));
        if (hasExpiry && expiry <= now)
            continue;
        QNetworkCookie cookie(columnBytes(raw, 0), value);
        cookie.setDomain(QString::fromUtf8(columnBytes(raw, 3)));
        cookie.setPath(QString::fromUtf8(columnBytes(raw, 4)));
        if (hasExpiry)
            cookie.setExpirationDate(expiry);
        cookie.setSecure(sqlite3_column_int(raw, 7) != 0);
        cookie.setHttpOnly(sqlite3_column_int(raw, 8) != 0);
        cookies.append(cookie);
    }
    if (status != SQLITE_DONE)
        return std::nullopt;
    return cookies;
}

} // namespace

namespace StoredCookies {

QList<QNetworkCookie> read(const QString& profileStoragePath)
{
    const QString file = profileStoragePath + QStringLiteral("/Cookies");
    if (!QFileInfo(file).isFile())
        return {};
    // Read-only first; if another engine holds the database locked, read the file as it lies.
    for (const char* mode : {"?mode=ro", "?immutable=1"}) {
        const Database db = open(file, mode);
        if (!db)
            continue;
        if (auto cookies = readFrom(db.get()))
            return *cookies;
    }
    return {};
}

} // namespace StoredCookies
