#include "StoredCookies.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

// Microseconds since 1601-01-01 UTC, as the engine keeps times.
QByteArray engineTime(int daysFromNow)
{
    const QDateTime epoch(QDate(1601, 1, 1), QTime(0, 0), Qt::UTC);
    return QByteArray::number(epoch.msecsTo(QDateTime::currentDateTimeUtc().addDays(daysFromNow)) *
                              1000);
}

QStringList described(const QList<QNetworkCookie>& cookies)
{
    QStringList result;
    for (const QNetworkCookie& cookie : cookies)
        result << QString::fromUtf8(cookie.name() + '=' + cookie.value()) + ' ' + cookie.domain() +
                      ' ' + cookie.path() + (cookie.isSecure() ? " secure" : "") +
                      (cookie.isHttpOnly() ? " httponly" : "");
    return result;
}

} // namespace

class StoredCookiesTest : public QObject
{
    Q_OBJECT

private slots:
    void readsUsableCookiesInTableOrder();
};

void StoredCookiesTest::readsUsableCookiesInTableOrder()
{
    QTemporaryDir folder;
    QVERIFY(StoredCookies::read(folder.path()).isEmpty()); // no database yet
    sqlite3* engine = nullptr;
    QCOMPARE(sqlite3_open(folder.filePath("Cookies").toUtf8().constData(), &engine), SQLITE_OK);
    // The columns of the engine's own table that matter, under the engine's names.
    const QByteArray sql =
        "CREATE TABLE cookies(host_key TEXT, name TEXT, value TEXT, encrypted_value BLOB, path "
        "TEXT, expires_utc INTEGER, has_expires INTEGER, is_secure INTEGER, is_httponly INTEGER);"
        "INSERT INTO cookies VALUES('.zelvik.ai', 'theme', 'dark', X'', '/', " +
        engineTime(1) + ", 1, 1, 0), ('zelvik.ai', 'sessionKey', 'expired', X'', '/', " +
        engineTime(-1) + ", 1, 0, 0), ('zelvik.ai', 'sessionKey', '', X'7631300102', '/', " +
        engineTime(1) +
        ", 1, 0, 0), ('127.0.0.1', 'sessionKey', 'kept', X'', '/', 0, 0, 0, 1), "
        "('127.0.0.1', 'empty', '', X'', '/', 0, 0, 0, 0)";
    QCOMPARE(sqlite3_exec(engine, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);

    // Expired cookies and values we cannot decrypt are left out; an empty value is a value.
    const QStringList expected{"theme=dark .zelvik.ai / secure",
                               "sessionKey=kept 127.0.0.1 / httponly", "empty= 127.0.0.1 /"};
    QCOMPARE(described(StoredCookies::read(folder.path())), expected);
    // Another engine (a second instance of the program) may hold the database locked.
    QCOMPARE(sqlite3_exec(engine, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                          nullptr, nullptr),
             SQLITE_OK);
    QCOMPARE(described(StoredCookies::read(folder.path())), expected);
    sqlite3_close(engine);
}

QTEST_GUILESS_MAIN(StoredCookiesTest)
#include "test_stored_cookies.moc"
