#include "FileSizeLimit.h"
#include "TemporaryHome.h"
#include "storage/AppDataFolder.h"
#include "storage/CredentialStore.h"
#include "storage/HistoryStore.h"
#include "storage/SettingsStore.h"

#include <QCoroTask>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <limits>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(AppSettings)

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

int modeOf(const QString& path)
{
    struct stat status = {};
    stat(qPrintable(path), &status);
    return int(status.st_mode & 0777);
}

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

class TestStorage : public QObject
{
    Q_OBJECT

private slots:
    void writesCredentialsPrivately()
    {
        TemporaryHome home;
        const QString folder = AppDataFolder::defaultPath(), path = folder + "/credentials.json";
        QCOMPARE(folder, home.dataFolder());
        const CredentialStore store(folder);
        QCOMPARE(modeOf(folder), 0700);
        QVERIFY(!store.sessionKey() && !store.orgId() && !store.orgName());

        store.setSessionKey(QStringLiteral("sk-1"));
        QCOMPARE(modeOf(path), 0600);
        store.setOrgId(QStringLiteral("org"));
        store.setOrgName(QStringLiteral("Studio Rossi"));
        QVERIFY(store.hasCredentials() && store.orgName() == QStringLiteral("Studio Rossi"));
        store.setOrgName(std::nullopt);
        QCOMPARE(contents(path), R"({"orgId":"org","sessionKey":"sk-1"})");
        QCOMPARE(modeOf(path), 0600);
        store.clear();
        QVERIFY(!QFile::exists(path) && QDir(folder).exists());
    }

    void readsCredentials_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("sessionKey"); // "-": absent
        QTest::addColumn<bool>("hasCredentials");

        const auto row = [](const char* name, const QByteArray& file, const char* key,
                            bool usable) { QTest::newRow(name) << file << QString(key) << usable; };
        const QByteArray complete = R"({"sessionKey":"k","orgId":"o"})";
        row("complete", R"({"sessionKey":"k","orgId":"o","orgName":"n"})", "k", true);
        row("empty key", R"({"sessionKey":"","orgId":"o"})", "", false);
        row("empty org", R"({"sessionKey":"k","orgId":""})", "k", false);
        row("null org", R"({"sessionKey":"k","orgId":null})", "k", false);
        row("org is a number", R"({"sessionKey":"k","orgId":5})", "-", false);
        row("invalid JSON", R"({"sessionKey":"k",)", "-", false);
        row("1 MiB", complete.leftJustified(1 << 20, ' '), "k", true);
        row("over 1 MiB", complete.leftJustified((1 << 20) + 1, ' '), "-", false);
    }

    void readsCredentials()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, sessionKey);
        QFETCH(bool, hasCredentials);
        TemporaryHome home;
        const CredentialStore store(home.dataFolder());
        writeRaw(store.filePath(), file);
        QCOMPARE(store.sessionKey().value_or(QStringLiteral("-")), sessionKey);
        QCOMPARE(store.hasCredentials(), hasCredentials);
    }

    void failedWriteKeepsOldFile()
    {
        TemporaryHome home;
        const CredentialStore credentials(home.dataFolder());
        const SettingsStore settings(home.dataFolder());
        const QByteArray old = R"({"sessionKey": "old", "orgId": "o0", "alertEnabled": true})";
        writeRaw(credentials.filePath(), old);
        writeRaw(settings.filePath(), old);
        {
            const FileSizeLimit limit(1024); // room for the lock file, not for the new session
            QVERIFY(!QCoro::waitFor(credentials.storeSession({QString(4096, u'k'), "o1", "n"})));
        }
        {
            const FileSizeLimit limit(16);
            QVERIFY(!settings.save({false, 55, true, 1e6}));
        }
        QCOMPARE(contents(credentials.filePath()), old);
        QCOMPARE(contents(settings.filePath()), old);
        // Neither the lock nor a temporary file is left behind.
        QCOMPARE(QDir(home.dataFolder()).entryList(QDir::Files),
                 QStringList({"credentials.json", "settings.json"}));
    }

    // Opening a FIFO for reading waits for a writer: at start-up, and in pallowe-status, for
    // ever. Under either file's name it must read as nothing, at once.
    void neverWaitsOnAFifo()
    {
        TemporaryHome home;
        const CredentialStore credentials(home.dataFolder());
        const SettingsStore settings(home.dataFolder());
        const QStringList paths{credentials.filePath(), settings.filePath()};
        for (const QString& path : paths)
            QCOMPARE(mkfifo(qPrintable(path), 0600), 0);
        auto reads = std::async(std::launch::async, [&] {
            return !credentials.sessionKey() && settings.load() == AppSettings{};
        });
        const bool atOnce = reads.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        while (reads.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
            for (const QString& path : paths) // a writer that comes and goes frees a stuck read
                close(open(qPrintable(path), O_WRONLY | O_NONBLOCK));
        QVERIFY2(atOnce, "a read waited for a writer");
        QVERIFY(reads.get());
    }

    void loadsSettings_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no file
        QTest::addColumn<AppSettings>("expected");

        const auto row = [](const char* name, const QByteArray& file, const AppSettings& expected) {
            QTest::newRow(name) << file << expected;
        };
        // The three required keys, then what the row adds.
        const auto three = [](const QByteArray& more, const char* threshold = "70") {
            return R"({"alertEnabled":false,"alertThresholdPercent":)" + QByteArray(threshold) +
                   R"(,"showExtraCredits":true)" + more + "}";
        };
        const AppSettings defaults{true, 80, true, std::nullopt, false},
            loaded{false, 70, true, {}};
        row("no file", "", defaults);
        row("three keys", three(""), loaded);
        row("null limit", three(R"(,"extraCreditsMonthlyLimit":null)"), loaded);
        row("limit, unknown key", three(R"(,"extraCreditsMonthlyLimit":12.5,"x":1)"),
            {false, 70, true, 12.5});
        row("background on", three(R"(,"backgroundRefresh":true)"), {false, 70, true, {}, true});
        row("background not a Boolean", three(R"(,"backgroundRefresh":1)"), loaded);
        row("history and reset alert on", three(R"(,"keepHistory":true,"resetAlert":true)"),
            {false, 70, true, {}, false, true, true});
        row("history not a Boolean", three(R"(,"keepHistory":"true","resetAlert":1)"), loaded);
        row("flags beside a broken key",
            R"({"alertEnabled":1,"backgroundRefresh":true,"resetAlert":true})",
            {true, 80, true, {}, true, false, true});
        row("over 1 MiB", three("").leftJustified((1 << 20) + 1, ' '), defaults);
        // Thresholds are integers, taken exactly over the whole 64-bit range.
        const auto threshold = [&](const char* number, std::optional<qint64> taken) {
            row(number, three("", number), taken ? AppSettings{false, *taken, true, {}} : defaults);
        };
        threshold("80.5", std::nullopt);
        threshold("9223372036854775807", std::numeric_limits<qint64>::max());
        threshold("-9223372036854775808", std::numeric_limits<qint64>::min());
        threshold("9007199254740993", 9007199254740993); // 2^53 + 1: no double holds it
        threshold("9223372036854775808", std::nullopt);
    }

    void loadsSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(AppSettings, expected);
        TemporaryHome home;
        const SettingsStore store(home.dataFolder());
        if (!file.isEmpty())
            writeRaw(store.filePath(), file);
        QCOMPARE(store.load(), expected);
        QCOMPARE(contents(store.filePath()), file); // a load never rewrites the file
    }

    void savesSettings_data()
    {
        QTest::addColumn<AppSettings>("saved");
        QTest::addColumn<int>("keyCount"); // 0: not saved, the previous file stays

        QTest::newRow("no limit, background off") << AppSettings{false, 55, true, {}} << 3;
        QTest::newRow("limit 50") << AppSettings{true, 90, false, 50.0} << 4;
        QTest::newRow("threshold 2^53 + 1") << AppSettings{true, 9007199254740993, true, {}} << 3;
        QTest::newRow("background on") << AppSettings{true, 80, true, {}, true} << 4;
        QTest::newRow("history on") << AppSettings{true, 80, true, {}, false, true} << 4;
        QTest::newRow("reset alert on") << AppSettings{true, 80, true, {}, false, false, true} << 4;
        QTest::newRow("infinite limit")
            << AppSettings{true, 80, true, std::numeric_limits<double>::infinity()} << 0;
    }

    void savesSettings()
    {
        QFETCH(AppSettings, saved);
        QFETCH(int, keyCount);
        TemporaryHome home;
        const SettingsStore store(home.dataFolder());
        const AppSettings previous{false, 70, true, 10.0, true};
        QVERIFY(store.save(previous));
        QCOMPARE(store.save(saved), keyCount > 0);
        QCOMPARE(store.load(), keyCount > 0 ? saved : previous);
        QCOMPARE(QJsonDocument::fromJson(contents(store.filePath())).object().size(),
                 keyCount > 0 ? keyCount : 5);
    }

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
            writeRaw(store.filePath(), QByteArray("not a database ").repeated(1000));
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

QTEST_GUILESS_MAIN(TestStorage)
#include "test_storage.moc"
