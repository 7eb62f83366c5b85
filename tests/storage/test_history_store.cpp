#include "FileSizeLimit.h"
#include "Files.h"
#include "TemporaryHome.h"
#include "storage/HistoryStore.h"

#include <QDir>
#include <QTest>
#include <memory>
#include <sqlite3.h>

namespace {

QDateTime utc(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
}

UsageResponse report(const QByteArray& json)
{
    return UsageResponse::decode(json).value();
}

const QByteArray kFullReport = R"x({
    "five_hour": {"utilization": 40, "resets_at": "2026-12-06T14:00:00.123456+00:00"},
    "seven_day": {"utilization": 35.4, "resets_at": "2026-12-10T00:00:00.5+01:00"},
    "seven_day_velmar": {"utilization": 20, "resets_at": "presto"},
    "seven_day_drevan": {"utilization": 4.4, "resets_at": "2026-12-10T00:00:00Z"},
    "extra_usage": {"is_enabled": false, "monthly_limit": 50, "utilization": 12}})x";
const QByteArray kSessionOnly =
    R"x({"five_hour": {"utilization": 65.9, "resets_at": "2026-12-06T14:00:00Z"}})x";

// A reading as one line: its moment and what the history keeps of each window.
QString described(const HistoryReading& reading)
{
    QStringList parts{reading.fetchedAt.toString(Qt::ISODateWithMs)};
    const UsageResponse& usage = reading.usage;
    for (const auto& window :
         {usage.fiveHour, usage.sevenDay, usage.sevenDayVelmar, usage.sevenDayDrevan})
        parts << (window ? QString::number(window->utilization) + '@' + window->resetsAt : "-");
    const auto& extra = usage.extraUsage;
    parts << (!extra ? QStringLiteral("-")
                     : QString(extra->isEnabled ? "on " : "off ") +
                           QString::number(extra->utilization.value_or(-1)));
    return parts.join(' ');
}

// The descriptions of the readings, or the read's failure.
QStringList described(const Expected<QList<HistoryReading>, QString>& readings)
{
    if (!readings)
        return {readings.error()};
    QStringList lines;
    for (const HistoryReading& reading : *readings)
        lines << described(reading);
    return lines;
}

QStringList described(const QList<HistoryReading>& readings)
{
    return described(Expected<QList<HistoryReading>, QString>(readings));
}

// A connection of our own, as another program would hold one.
struct OtherConnection
{
    explicit OtherConnection(const QString& path) { sqlite3_open(qPrintable(path), &db); }
    ~OtherConnection() { sqlite3_close(db); }
    QString value(const char* sql) const
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        const bool row = sqlite3_step(statement) == SQLITE_ROW;
        const QString text =
            row ? reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)) : "no row";
        sqlite3_finalize(statement);
        return text;
    }
    sqlite3* db = nullptr;
};

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT

private slots:
    void keepsEachOrganizationsReadings()
    {
        TemporaryHome home;
        const QString folder = home.dataFolder();
        const HistoryStore store(folder, [] { return utc("2026-12-06T12:00:00Z"); });
        const QDateTime dayStart = utc("2026-12-06T00:00:00Z");
        QCOMPARE(described(store.readings("org-a", dayStart)), QStringList());
        QVERIFY(!QFileInfo::exists(folder)); // a reader makes nothing, not even the folder

        const HistoryReading full{utc("2026-12-06T10:00:00.250Z"), report(kFullReport)},
            sessionOnly{utc("2026-12-06T11:00:00Z"), report(kSessionOnly)},
            empty{utc("2026-12-06T09:00:00Z"), report("{}")};
        QVERIFY(store.append("org-a", {full, sessionOnly}).succeeded());
        QVERIFY(store.append("org-b", sessionOnly).succeeded());
        QVERIFY(store.append("org-a", empty).succeeded()); // fetched first, so read first
        QCOMPARE(modeOf(folder), 0700);
        QCOMPARE(modeOf(store.filePath()), 0600);
        const OtherConnection other(store.filePath());
        QCOMPARE(other.value("PRAGMA user_version"), QString::number(HistoryStore::kSchemaVersion));
        QCOMPARE(other.value("PRAGMA journal_mode"), "wal");

        const QByteArray before = contents(store.filePath());
        QCOMPARE(described(store.readings("org-a", dayStart)),
                 described(QList{empty, full, sessionOnly}));
        QCOMPARE(described(store.readings("org-a", full.fetchedAt)),
                 described(QList{full, sessionOnly}));
        QCOMPARE(described(store.readings("org-b", dayStart)), described(QList{sessionOnly}));
        QCOMPARE(described(store.readings("org-c", dayStart)), QStringList());
        QCOMPARE(contents(store.filePath()), before); // reads change nothing

        QVERIFY(store.deleteAll());
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
        QCOMPARE(described(store.readings("org-a", dayStart)), QStringList());
    }

    void prunesAfterNinetyDays()
    {
        TemporaryHome home;
        const QDateTime start = utc("2026-12-06T12:00:00Z");
        QDateTime now = start;
        const HistoryStore store(home.dataFolder(), [&now] { return now; });
        const auto at = [&start](int daysBefore) {
            return HistoryReading{start.addDays(-daysBefore), report(kSessionOnly)};
        };
        const auto kept = [&](const char* orgId) {
            return described(store.readings(orgId, start.addYears(-1)));
        };
        QVERIFY(store.append("a", {at(100), at(89), at(1)}).succeeded()); // pruned at once
        QCOMPARE(kept("a"), described(QList{at(89), at(1)}));

        now = start.addSecs(12 * 3600); // within the day: nothing pruned
        QVERIFY(store.append("a", at(95)).succeeded());
        QVERIFY(store.append("b", at(91)).succeeded());
        QCOMPARE(kept("a"), described(QList{at(95), at(89), at(1)}));

        now = start.addDays(2); // every organization's readings older than 90 days go
        QVERIFY(store.append("a", at(0)).succeeded());
        QCOMPARE(kept("a"), described(QList{at(1), at(0)}));
        QCOMPARE(kept("b"), QStringList());
    }

    // Another program holding the file, a damaged or newer file, a folder in its place, a full
    // disk: the write says so at once, and the file keeps every byte it had.
    void survivesABadFile_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("readable"); // readings left to read; -1: the read fails

        QTest::newRow("held by another writer")
            << "held"
            << "history.sqlite è in uso da un altro programma." << 1;
        QTest::newRow("garbage bytes") << "garbage"
                                       << "history.sqlite è danneggiato." << -1;
        QTest::newRow("written by a newer version")
            << "newer"
            << "history.sqlite viene da una versione più recente di Pallowe." << 1;
        QTest::newRow("a folder in its place") << "folder"
                                               << "history.sqlite non si può scrivere." << -1;
        QTest::newRow("no room for the journal") << "full"
                                                 << "history.sqlite non si può scrivere." << 1;
    }

    void survivesABadFile()
    {
        QFETCH(QString, damage);
        QFETCH(QString, failure);
        QFETCH(int, readable);
        TemporaryHome home;
        const HistoryStore store(home.dataFolder());
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QVERIFY(store.append("o", {now.addSecs(-60), report(kSessionOnly)}).succeeded());
        std::unique_ptr<OtherConnection> other;
        std::unique_ptr<FileSizeLimit> limit;
        if (damage == u"held") {
            other = std::make_unique<OtherConnection>(store.filePath());
            QCOMPARE(sqlite3_exec(other->db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr),
                     SQLITE_OK);
        } else if (damage == u"garbage") {
            writeFile(store.filePath(), QByteArray("not a database ").repeated(1000));
        } else if (damage == u"newer") {
            OtherConnection(store.filePath()).value("PRAGMA user_version = 2");
        } else if (damage == u"folder") {
            QVERIFY(QFile::remove(store.filePath()) && QDir().mkdir(store.filePath()));
        } else {
            limit = std::make_unique<FileSizeLimit>(1024);
        }
        const QByteArray before = contents(store.filePath());

        const auto written = store.append("o", {now, report(kSessionOnly)});
        QCOMPARE(written.errorText, "Cronologia non salvata: " + failure);
        other.reset();
        limit.reset();
        const auto left = store.readings("o", now.addDays(-1));
        QCOMPARE(left ? int(left->size()) : -1, readable);
        QVERIFY(left || left.error().startsWith("Cronologia illeggibile: "));
        QCOMPARE(contents(store.filePath()), before);
        QCOMPARE(QDir(home.dataFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList("history.sqlite"));
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "test_history_store.moc"
