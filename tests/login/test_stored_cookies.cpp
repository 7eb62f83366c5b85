#include "StoredCookies.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

// The engine's own table (Qt WebEngine 6.4), with only the columns that matter filled in.
constexpr auto schema =
    "CREATE TABLE cookies(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, "
    "top_frame_site_key TEXT NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL, "
    "encrypted_value BLOB NOT NULL, path TEXT NOT NULL, expires_utc INTEGER NOT NULL, "
    "is_secure INTEGER NOT NULL, is_httponly INTEGER NOT NULL, last_access_utc INTEGER NOT "
    "NULL, has_expires INTEGER NOT NULL, is_persistent INTEGER NOT NULL, priority INTEGER NOT "
    "NULL, samesite INTEGER NOT NULL, source_scheme INTEGER NOT NULL, source_port INTEGER NOT "
    "NULL, is_same_party INTEGER NOT NULL)";

// Microseconds since 1601-01-01 UTC, as the engine keeps times.
qint64 engineTime(const QDateTime& time)
{
    const QDateTime epoch(QDate(1601, 1, 1), QTime(0, 0), Qt::UTC);
    return epoch.msecsTo(time) * 1000;
}

void insert(sqlite3* db, const QByteArray& host, const QByteArray& name, const QByteArray& value,
            const QByteArray& encrypted, qint64 expires)
{
    const QByteArray sql = "INSERT INTO cookies VALUES(0, '" + host + "', '', '" + name + "', '" +
                           value + "', X'" + encrypted.toHex() + "', '/', " +
                           QByteArray::number(expires) + ", 0, 1, 0, " + (expires ? "1" : "0") +
                           ", 1, 1, 0, 1, 80, 0)";
    QCOMPARE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
}

} // namespace

class StoredCookiesTest : public QObject
{
    Q_OBJECT

private slots:
    void readsUsableCookiesInTableOrder();
    void readsDatabaseLockedByTheEngine();
    void missingDatabaseGivesNothing();

private:
    sqlite3* createDatabase();

    QTemporaryDir m_folder;
};

sqlite3* StoredCookiesTest::createDatabase()
{
    QFile::remove(m_folder.filePath("Cookies"));
    sqlite3* db = nullptr;
    sqlite3_open(m_folder.filePath("Cookies").toUtf8().constData(), &db);
    sqlite3_exec(db, schema, nullptr, nullptr, nullptr);
    const qint64 tomorrow = engineTime(QDateTime::currentDateTimeUtc().addDays(1));
    const qint64 yesterday = engineTime(QDateTime::currentDateTimeUtc().addDays(-1));
    insert(db, ".zelvik.ai", "theme", "dark", {}, tomorrow);
    insert(db, "zelvik.ai", "sessionKey", "expired", {}, yesterday);
    insert(db, "zelvik.ai", "sessionKey", "", "v10\x01\x02", tomorrow);
    insert(db, "127.0.0.1", "sessionKey", "kept", {}, 0);
    insert(db, "127.0.0.1", "empty", "", {}, 0);
    return db;
}

void StoredCookiesTest::readsUsableCookiesInTableOrder()
{
    sqlite3_close(createDatabase());

    const QList<QNetworkCookie> cookies = StoredCookies::read(m_folder.path());

    // Expired cookies and values we cannot decrypt are left out; an empty value is a value.
    QCOMPARE(cookies.size(), 3);
    QCOMPARE(cookies[0].name(), QByteArray("theme"));
    QCOMPARE(cookies[0].domain(), QStringLiteral(".zelvik.ai"));
    QCOMPARE(cookies[1].name(), QByteArray("sessionKey"));
    QCOMPARE(cookies[1].value(), QByteArray("kept"));
    QCOMPARE(cookies[1].domain(), QStringLiteral("127.0.0.1"));
    QCOMPARE(cookies[1].path(), QStringLiteral("/"));
    QVERIFY(cookies[1].isHttpOnly());
    QCOMPARE(cookies[2].name(), QByteArray("empty"));
    QVERIFY(cookies[2].value().isEmpty());
}

void StoredCookiesTest::readsDatabaseLockedByTheEngine()
{
    // Another engine (a second instance of the program) may hold the database locked.
    sqlite3* engine = createDatabase();
    QCOMPARE(sqlite3_exec(engine, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                          nullptr, nullptr),
             SQLITE_OK);

    const QList<QNetworkCookie> cookies = StoredCookies::read(m_folder.path());
    sqlite3_close(engine);

    QCOMPARE(cookies.size(), 3);
    QCOMPARE(cookies[1].value(), QByteArray("kept"));
}

void StoredCookiesTest::missingDatabaseGivesNothing()
{
    QTemporaryDir empty;
    QVERIFY(StoredCookies::read(empty.path()).isEmpty());
}

QTEST_GUILESS_MAIN(StoredCookiesTest)
#include "test_stored_cookies.moc"
