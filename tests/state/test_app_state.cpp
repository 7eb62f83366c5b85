#include "StateFixture.h"
#include "state/StartupOptions.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {

void writeCredentials(const QString& folder, const QByteArray& json)
{
    QFile file(CredentialStore(folder).filePath()); // the store creates the folder
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(json) == json.size());
}

} // namespace

struct RefreshCase
{
    QByteArray credentials = {}; // replaces credentials.json; empty: kept, "-": removed
    QByteArray body = usageReport(50);
    int status = 200;
    qint64 percent = 30; // the report before this refresh stands at 30 %
    QString error = {};
    bool configured = true;
    int requests = 1;
    int nameChanges = 0;
};
Q_DECLARE_METATYPE(RefreshCase)

struct StartupCase
{
    QStringList arguments = {};
    QByteArray stored = {}; // credentials.json before the start; empty: none
    QByteArray file = {};   // and after it
    bool configured = false;
    QString origin = "https://zelvik.ai";
    int interval = 300;   // seconds
    QString warning = {}; // how the one warning ends; empty: none
};
Q_DECLARE_METATYPE(StartupCase)

class TestAppState : public QObject
{
    Q_OBJECT

private slots:
    void refresh_data();
    void refresh();
    void startup_data();
    void startup();
    void paceForecast_data();
    void paceForecast();
};

void TestAppState::refresh_data()
{
    using R = RefreshCase;
    QTest::addColumn<R>("row");
    const QString expired = "Sessione scaduta — accedi di nuovo.";
    QTest::newRow("headline truncates") << R{.body = usageReport(79.9), .percent = 79};
    QTest::newRow("seven day larger") << R{.body = usageReport(12, 97.2), .percent = 97};
    QTest::newRow("huge") << R{.body = usageReport(1e300), .percent = 0};
    QTest::newRow("per-model ignored")
        << R{.body = R"({"seven_day_velmar":{"utilization":100,"resets_at":"x"}})", .percent = 0};
    QTest::newRow("equal report notifies") << R{.body = usageReport(30)};
    QTest::newRow("500") << R{.status = 500, .error = "Errore di rete: HTTP 500"};
    QTest::newRow("401") << R{.status = 401, .error = expired, .configured = false};
    QTest::newRow("403") << R{.status = 403, .error = expired, .configured = false};
    QTest::newRow("no file") << R{.credentials = "-", .configured = false, .requests = 0};
    QTest::newRow("no org") << R{
        .credentials = R"({"sessionKey":"k"})", .configured = false, .requests = 0};
    QTest::newRow("empty key") << R{
        .credentials = R"({"sessionKey":"","orgId":"o"})", .configured = false, .requests = 0};
    QTest::newRow("empty org still sent, the name follows the store")
        << R{.credentials = R"({"sessionKey":"k","orgId":""})", .percent = 50, .nameChanges = 1};
    QTest::newRow("canonically equal name") << R{
        .credentials = R"({"sessionKey":"k","orgId":"o","orgName":"Caffe\u0300"})", .percent = 50};
}

void TestAppState::refresh()
{
    QFETCH(RefreshCase, row);
    TemporaryHome home;
    UsageService service;
    service.setUsage(30);
    AppState state(sessionArguments(service.origin()) << "--org-name=Caff\u00e8",
                   {home.dataFolder()});
    refreshNow(state);
    const QDateTime firstUpdate = *state.lastUpdated();
    // The file changed behind the state's back: each refresh reads it anew.
    if (row.credentials == "-")
        QFile::remove(state.credentialStore().filePath());
    else if (!row.credentials.isEmpty())
        writeCredentials(home.dataFolder(), row.credentials);

    service.setUsageBody(row.body, row.status);
    QSignalSpy loading(&state, &AppState::isLoadingChanged);
    QSignalSpy usage(&state, &AppState::usageChanged);
    QSignalSpy names(&state, &AppState::orgNameChanged);
    refreshNow(state);
    QCOMPARE(service.requestCount(), 1 + row.requests);
    QCOMPARE(loading.count(), 2 * row.requests);
    QCOMPARE(usage.count(), row.requests && row.error.isEmpty() ? 1 : 0);
    QCOMPARE(names.count(), row.nameChanges);
    QCOMPARE(state.menuBarPercent(), row.percent);
    QCOMPARE(state.error().value_or(""), row.error);
    QCOMPARE(state.isConfigured(), row.configured);
    if (!row.configured) // a refused session is gone from the disk too
        QVERIFY(!state.credentialStore().hasCredentials());
    if (!row.error.isEmpty())
        QCOMPARE(*state.lastUpdated(), firstUpdate);

    // The next refresh that gets past its session test clears the error as it starts.
    service.setUsage(60);
    refreshNow(state);
    QCOMPARE(state.error().has_value(), !row.configured && !row.error.isEmpty());
}

void TestAppState::startup_data()
{
    using S = StartupCase;
    QTest::addColumn<S>("row");
    const QByteArray earlier = R"({"sessionKey":"old","orgId":"o1","orgName":"Vecchio"})";
    QTest::newRow("empty org id") << S{.arguments = {"--sk=k", "--org-id="},
                                       .file = R"({"orgId":"","sessionKey":"k"})"};
    QTest::newRow("key alone") << S{
        .arguments = {"--sk=k"}, .stored = earlier, .file = earlier, .configured = true};
    QTest::newRow("last key wins") << S{.arguments = {"--sk=a", "--org-id=o", "--sk=b"},
                                        .file = R"({"orgId":"o","sessionKey":"b"})",
                                        .configured = true};
    QTest::newRow("removes stored name") << S{.arguments = {"--org-id=o", "--sk=k"},
                                              .stored = earlier,
                                              .file = R"({"orgId":"o","sessionKey":"k"})",
                                              .configured = true};
    QTest::newRow("capitals ignored") << S{.arguments = {"--SK=k", "--org-id=o"}};
    QTest::newRow("values verbatim")
        << S{.arguments = {"--sk= k=1 ", "--org-id=o", "--org-name=Studio Rossi"},
             .file = R"({"orgId":"o","orgName":"Studio Rossi","sessionKey":" k=1 "})",
             .configured = true};
    QTest::newRow("origin") << S{.arguments = {"--service-origin=http://127.0.0.1:8080/"},
                                 .origin = "http://127.0.0.1:8080"};
    for (const char* invalid :
         {"ftp://x", "http://", "https://x/api", "http://x?a=1", "http://u:p@x", "file:///etc"})
        QTest::addRow("origin %s", invalid)
            << S{.arguments = {QString("--service-origin=") + invalid}, .warning = invalid};
    // A terminal must never receive the value's escape sequences or direction overrides.
    QTest::newRow("origin escaped") << S{.arguments = {"--service-origin=\x1b]0;x\x07\u202e\\"},
                                         .warning = R"(\x1b]0;x\x07\u202e\\)"};
    QTest::newRow("interval") << S{.arguments = {"--refresh-interval=5"}, .interval = 5};
    QTest::newRow("longest timer wait")
        << S{.arguments = {"--refresh-interval=2147483"}, .interval = 2147483};
    for (const char* ignored : {"0", "-5", "+5", "1.5", "5s", " 5", "2147484"})
        QTest::addRow("interval %s", ignored)
            << S{.arguments = {QString("--refresh-interval=") + ignored}, .warning = ignored};
}

void TestAppState::startup()
{
    QFETCH(StartupCase, row);
    TemporaryHome home;
    if (!row.stored.isEmpty())
        writeCredentials(home.dataFolder(), row.stored);
    const AppState state(QStringList{"/usr/bin/pallowe"} + row.arguments, {home.dataFolder()});
    QFile file(state.credentialStore().filePath());
    QCOMPARE(file.open(QIODevice::ReadOnly), !row.file.isEmpty());
    QCOMPARE(QJsonDocument::fromJson(file.readAll()), QJsonDocument::fromJson(row.file));
    QCOMPARE(state.isConfigured(), row.configured);
    QCOMPARE(state.orgName(), state.credentialStore().orgName());
    QCOMPARE(state.serviceOrigin(), row.origin);
    QCOMPARE(state.refreshLoop()->interval(), std::chrono::seconds(row.interval));
    const QStringList warnings = StartupOptions::parse(row.arguments).warnings;
    QCOMPARE(warnings.size(), row.warning.isEmpty() ? 0 : 1);
    QVERIFY2(warnings.isEmpty() || warnings[0].endsWith(": " + row.warning),
             qPrintable(warnings.value(0)));
}

void TestAppState::paceForecast_data()
{
    QTest::addColumn<QString>("readings"); // "minute:percent" or "minute:percent@resetMinute"
    QTest::addColumn<int>("resetMinute");  // of readings without their own; -1: unreadable
    QTest::addColumn<double>("timeScale");
    QTest::addColumn<int>("fullMinute"); // -1: no forecast

    QTest::newRow("rising fast") << "0:10 15:20" << 300 << 1.0 << 135;
    QTest::newRow("single reading") << "0:10" << 300 << 1.0 << -1;
    QTest::newRow("under 10 minutes apart") << "0:10 9:40" << 300 << 1.0 << -1;
    QTest::newRow("flat") << "0:30 20:30" << 300 << 1.0 << -1;
    QTest::newRow("falling") << "0:30 20:25" << 300 << 1.0 << -1;
    QTest::newRow("too slow for the reset") << "0:10 20:11" << 300 << 1.0 << -1;
    QTest::newRow("full exactly at the reset") << "0:0 60:20" << 300 << 1.0 << -1;
    QTest::newRow("already full") << "0:90 15:100" << 300 << 1.0 << -1;
    QTest::newRow("unreadable reset") << "0:10 15:20" << -1 << 1.0 << -1;
    QTest::newRow("pace of the last hour") << "0:10 60:11 100:21 120:31" << 400 << 1.0 << 327;
    QTest::newRow("last hour too short: whole window") << "0:10 100:50 105:55" << 300 << 1.0 << 210;
    QTest::newRow("earlier reset dropped") << "0:50@20 15:60@20 30:5 45:20" << 300 << 1.0 << 125;
    QTest::newRow("shorter interval, shorter spans") << "0:10 2:20" << 300 << 0.1 << 18;
}

void TestAppState::paceForecast()
{
    QFETCH(QString, readings);
    QFETCH(int, resetMinute);
    QFETCH(double, timeScale);
    QFETCH(int, fullMinute);
    const auto start = QDateTime::fromString("2026-03-04T10:00:00Z", Qt::ISODate);
    const auto at = [&](int minute) { return start.addSecs(minute * 60); };

    PaceForecast forecast(timeScale);
    for (const QString& reading : readings.split(u' ')) {
        const QStringList parts = reading.split(QRegularExpression("[:@]"));
        const int reset = parts.size() > 2 ? parts[2].toInt() : resetMinute;
        const QString resetText = reset < 0 ? "presto" : at(reset).toString(Qt::ISODate);
        forecast.record(PaceForecast::Window::SevenDayDrevan,
                        UsageWindow{parts[1].toDouble(), resetText}, at(parts[0].toInt()));
    }
    const auto fullAt = forecast.fullAt(PaceForecast::Window::SevenDayDrevan);
    QCOMPARE(fullAt, fullMinute < 0 ? std::nullopt : std::optional(at(fullMinute)));
}

QTEST_GUILESS_MAIN(TestAppState)
#include "test_app_state.moc"
