#include "HistoryStore.h"

#include "AppDataFolder.h"
#include "SqliteConnection.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sqlite3.h> // result codes only: SqliteLibrary loads the library
#include <unistd.h>

namespace {

constexpr qint64 kDayMilliseconds = 24 * 60 * 60 * 1000;
// Not an SQLite result code: the file was written by a later version of the program.
constexpr int kNewerSchema = -1;

// Step N takes the schema from version N to N + 1; a later version of the program adds its
// steps at the end and the files it finds are brought up to date by the next write.
const char* const kMigrations[] = {
    R"(CREATE TABLE readings (
           org_id TEXT NOT NULL,
           fetched_at INTEGER NOT NULL, -- milliseconds since 1970-01-01T00:00:00Z
           five_hour_utilization REAL,
           five_hour_resets_at TEXT,
           seven_day_utilization REAL,
           seven_day_resets_at TEXT,
           seven_day_velmar_utilization REAL,
           seven_day_velmar_resets_at TEXT,
           seven_day_drevan_utilization REAL,
           seven_day_drevan_resets_at TEXT,
           extra_usage_enabled INTEGER,
           extra_usage_utilization REAL);
       CREATE INDEX readings_by_org_and_time ON readings (org_id, fetched_at);
       CREATE TABLE maintenance (name TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;)",
};
static_assert(std::size(kMigrations) == HistoryStore::kSchemaVersion);

// The columns after org_id, in the order both statements use.
#define PALLOWE_READING_COLUMNS                                                                    \
    "fetched_at, five_hour_utilization, five_hour_resets_at, seven_day_utilization, "              \
    "seven_day_resets_at, seven_day_velmar_utilization, seven_day_velmar_resets_at, "              \
    "seven_day_drevan_utilization, seven_day_drevan_resets_at, extra_usage_enabled, "              \
    "extra_usage_utilization"

const char* const kInsert = "INSERT INTO readings (org_id, " PALLOWE_READING_COLUMNS
                            ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)";
const char* const kSelect = "SELECT " PALLOWE_READING_COLUMNS " FROM readings "
                            "WHERE org_id = ?1 AND fetched_at >= ?2 ORDER BY fetched_at, rowid";
#undef PALLOWE_READING_COLUMNS
const char* const kCount = "SELECT count(*) FROM readings WHERE org_id = ?1 AND fetched_at >= ?2";

QString problemText(int status, bool writing)
{
    if (status == kNewerSchema)
        return QStringLiteral("history.sqlite viene da una versione più recente di Pallowe");
    switch (status & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("history.sqlite è in uso da un altro programma");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("history.sqlite è danneggiato");
    case SQLITE_FULL:
        return QStringLiteral("il disco è pieno");
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_IOERR:
    case SQLITE_AUTH:
        return writing ? QStringLiteral("history.sqlite non si può scrivere")
                       : QStringLiteral("history.sqlite non si può leggere");
    default:
        return QStringLiteral("errore %1 del database").arg(status);
    }
}

QString writeFailure(int status)
{
    return QStringLiteral("Cronologia non salvata: %1.").arg(problemText(status, true));
}

// Owner-only from the start: SQLite would create it readable by everyone, and its journal
// files take the mode of the database.
bool createPrivately(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return errno == EEXIST;
    ::close(fd);
    return true;
}

void migrate(SqliteConnection& db)
{
    const qint64 version = db.integer("PRAGMA user_version").value_or(0);
    if (version > HistoryStore::kSchemaVersion)
        db.fail(kNewerSchema);
    for (qint64 step = version; step < HistoryStore::kSchemaVersion && !db.failed(); ++step)
        db.exec(kMigrations[step]);
    if (version < HistoryStore::kSchemaVersion)
        db.exec(
            QByteArray("PRAGMA user_version = " + QByteArray::number(HistoryStore::kSchemaVersion))
                .constData());
}

// An absent window leaves its two columns NULL.
void bindWindow(SqliteConnection& db, sqlite3_stmt* statement, int index,
                const std::optional<UsageWindow>& window)
{
    if (!window)
        return;
    db.bind(statement, index, window->utilization);
    db.bind(statement, index + 1, window->resetsAt);
}

void insert(SqliteConnection& db, sqlite3_stmt* statement, const QString& orgId,
            const HistoryReading& reading)
{
    const UsageResponse& usage = reading.usage;
    db.bind(statement, 1, orgId);
    db.bind(statement, 2, reading.fetchedAt.toMSecsSinceEpoch());
    bindWindow(db, statement, 3, usage.fiveHour);
    bindWindow(db, statement, 5, usage.sevenDay);
    bindWindow(db, statement, 7, usage.sevenDayVelmar);
    bindWindow(db, statement, 9, usage.sevenDayDrevan);
    if (const auto& extra = usage.extraUsage) {
        db.bind(statement, 11, qint64(extra->isEnabled ? 1 : 0));
        if (extra->utilization)
            db.bind(statement, 12, *extra->utilization);
    }
    db.run(statement);
}

// At most once a day, so that a refresh every few minutes does not scan the whole table. A
// last pruning in the future (a clock set back) counts as long ago.
void pruneIfDue(SqliteConnection& db, qint64 now)
{
    const auto last = db.integer("SELECT value FROM maintenance WHERE name = 'last_pruned_at'");
    if (db.failed() || (last && *last <= now && now - *last < kDayMilliseconds))
        return;
    const auto prune = db.prepare("DELETE FROM readings WHERE fetched_at < ?1");
    db.bind(prune.get(), 1, now - HistoryStore::kKeptDays * kDayMilliseconds);
    db.run(prune.get());
    const auto mark = db.prepare("INSERT OR REPLACE INTO maintenance (name, value) "
                                 "VALUES ('last_pruned_at', ?1)");
    db.bind(mark.get(), 1, now);
    db.run(mark.get());
}

SqliteConnection::Statement query(SqliteConnection& db, const char* sql, const QString& orgId,
                                  const QDateTime& since)
{
    auto statement = db.prepare(sql);
    db.bind(statement.get(), 1, orgId);
    db.bind(statement.get(), 2, since.toMSecsSinceEpoch());
    return statement;
}

// A window's reset text stays the same for hours of readings: the readings share one copy.
class SharedText
{
public:
    QString from(QByteArrayView bytes)
    {
        if (bytes != m_bytes) {
            m_bytes = bytes.toByteArray();
            m_text = QString::fromUtf8(m_bytes);
        }
        return m_text;
    }

private:
    QByteArray m_bytes;
    QString m_text;
};

// Turns the rows of kSelect into readings.
class RowReader
{
public:
    explicit RowReader(const SqliteConnection& db) : m_db(db) {}

    HistoryReading readingAt(sqlite3_stmt* row)
    {
        HistoryReading reading;
        reading.fetchedAt = QDateTime::fromMSecsSinceEpoch(m_db.integerAt(row, 0), Qt::UTC);
        UsageResponse& usage = reading.usage;
        usage.fiveHour = windowAt(row, 0);
        usage.sevenDay = windowAt(row, 1);
        usage.sevenDayVelmar = windowAt(row, 2);
        usage.sevenDayDrevan = windowAt(row, 3);
        usage.extraUsage = extraUsageAt(row);
        return reading;
    }

private:
    std::optional<UsageWindow> windowAt(sqlite3_stmt* row, int window)
    {
        const int column = 1 + 2 * window;
        if (m_db.isNull(row, column + 1))
            return std::nullopt;
        return UsageWindow{realAt(row, column),
                           m_resetTexts[window].from(m_db.textAt(row, column + 1))};
    }

    std::optional<ExtraUsage> extraUsageAt(sqlite3_stmt* row) const
    {
        if (m_db.isNull(row, 9))
            return std::nullopt;
        ExtraUsage extra;
        extra.isEnabled = m_db.integerAt(row, 9) != 0;
        if (!m_db.isNull(row, 10))
            extra.utilization = m_db.realAt(row, 10);
        return extra;
    }

    // SQLite keeps no NaN: a utilization that was one comes back NULL.
    double realAt(sqlite3_stmt* row, int column) const
    {
        return m_db.isNull(row, column) ? std::numeric_limits<double>::quiet_NaN()
                                        : m_db.realAt(row, column);
    }

    const SqliteConnection& m_db;
    SharedText m_resetTexts[4];
};

} // namespace

HistoryStore::HistoryStore(const QString& folderPath, Clock clock)
    : m_folderPath(folderPath), m_filePath(folderPath + QStringLiteral("/history.sqlite")),
      m_clock(std::move(clock))
{}

HistoryStore::WriteResult HistoryStore::append(const QString& orgId,
                                               const HistoryReading& reading) const
{
    return append(orgId, QList<HistoryReading>{reading});
}

HistoryStore::WriteResult HistoryStore::append(const QString& orgId,
                                               const QList<HistoryReading>& readings) const
{
    AppDataFolder::ensureExists(m_folderPath);
    if (!createPrivately(m_filePath))
        return {writeFailure(SQLITE_CANTOPEN)};
    SqliteConnection db(m_filePath, SqliteConnection::Access::Write);
    // The chart and the export read while a refresh writes, and neither waits for the other.
    // Where the file system cannot hold a WAL, SQLite keeps its rollback journal: still sound.
    db.text("PRAGMA journal_mode = WAL");
    db.exec("PRAGMA synchronous = NORMAL");
    db.exec("BEGIN IMMEDIATE");
    migrate(db);
    const auto statement = db.prepare(kInsert);
    for (const HistoryReading& reading : readings)
        insert(db, statement.get(), orgId, reading);
    pruneIfDue(db, m_clock().toMSecsSinceEpoch());
    db.exec("COMMIT");
    return {db.failed() ? writeFailure(db.status()) : QString()};
}

Expected<QList<HistoryReading>, QString> HistoryStore::readings(const QString& orgId,
                                                                const QDateTime& since) const
{
    QList<HistoryReading> list;
    if (!exists())
        return list;
    SqliteConnection db(m_filePath, SqliteConnection::Access::Query);
    db.exec("BEGIN"); // one snapshot, whatever a writer commits meanwhile
    if (db.integer("PRAGMA user_version").value_or(0) == 0 && !db.failed())
        return list; // created, but the first write never finished
    const auto count = query(db, kCount, orgId, since);
    if (db.nextRow(count.get())) // 90 days are tens of thousands: no growing on the way
        list.reserve(db.integerAt(count.get(), 0));
    const auto statement = query(db, kSelect, orgId, since);
    RowReader rows(db);
    while (db.nextRow(statement.get()))
        list.append(rows.readingAt(statement.get()));
    if (db.failed())
        return QStringLiteral("Cronologia illeggibile: %1.").arg(problemText(db.status(), false));
    return list;
}

bool HistoryStore::exists() const
{
    return QFileInfo::exists(m_filePath);
}

bool HistoryStore::deleteAll() const
{
    // The database last, and only once its journals are gone: a journal left without its
    // database would be taken for the journal of the next one.
    for (const char* suffix : {"-wal", "-shm", "-journal", ""}) {
        const QString path = m_filePath + QLatin1String(suffix);
        const QFileInfo info(path);
        if ((info.exists() || info.isSymLink()) && !QFile::remove(path))
            return false;
    }
    return true;
}
