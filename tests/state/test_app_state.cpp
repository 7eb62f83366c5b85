#include "StateFixture.h"
#include "state/StartupOptions.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

void writeCredentials(const QString& folder, const QByteArray& json)
{
    QFile file(CredentialStore(folder).filePath()); // the store creates the folder
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(json) == json.size());
}

QByteArray fiveHour(double percent)
{
    return QStringLiteral(R"({"five_hour":{"utilization":%1,"resets_at":"x"}})")
        .arg(percent)
        .toUtf8();
}

} // namespace

struct RefreshCase
{
    QByteArray credentials = {}; // replaces credentials.json; empty: kept, "-": removed
    QByteArray body = fiveHour(50);
    int status = 200;
    qint64 percent = 30; // the report before this refresh stands at 30 %
    QString error = {};  // how it starts; empty: none
    bool configured = true;
    int requests = 1;
};
Q_DECLARE_METATYPE(RefreshCase)

class TestAppState : public QObject
{
    Q_OBJECT

private slots:
    void refresh_data();
    void refresh();
    void overlappingRefreshesApplyInCompletionOrder();
    void notifiesOnlyRealChanges();
    void startupSession_data();
    void startupSession();
    void startupValues_data();
    void startupValues();
    void paceForecast_data();
    void paceForecast();
};

void TestAppState::refresh_data()
{
    QTest::addColumn<RefreshCase>("row");
    const auto report = [](const char* window, double percent) {
        return QStringLiteral(R"({"%1":{"utilization":%2,"resets_at":"x"}})")
            .arg(window)
            .arg(percent)
            .toUtf8();
    };
    QTest::newRow("headline truncates") << RefreshCase{.body = fiveHour(79.9), .percent = 79};
    QTest::newRow("seven day") << RefreshCase{.body = report("seven_day", 97.2), .percent = 97};
    QTest::newRow("over 100") << RefreshCase{.body = fiveHour(130.7), .percent = 130};
    QTest::newRow("huge") << RefreshCase{.body = fiveHour(1e300), .percent = 0};
    QTest::newRow("per-model ignored")
        << RefreshCase{.body = report("seven_day_velmar", 100), .percent = 0};
    QTest::newRow("500") << RefreshCase{.status = 500, .error = "Errore di rete: HTTP 500"};
    QTest::newRow("bad body") << RefreshCase{.body = "nope",
                                             .error = "Errore parsing risposta: JSON non valido"};
    for (const int status : {401, 403})
        QTest::addRow("%d", status) << RefreshCase{
            .status = status, .error = "Sessione scaduta — accedi di nuovo.", .configured = false};
    QTest::newRow("no file") << RefreshCase{.credentials = "-", .configured = false, .requests = 0};
    QTest::newRow("no org") << RefreshCase{
        .credentials = R"({"sessionKey":"k"})", .configured = false, .requests = 0};
    QTest::newRow("empty key") << RefreshCase{
        .credentials = R"({"sessionKey":"","orgId":"o"})", .configured = false, .requests = 0};
    QTest::newRow("empty org still sent")
        << RefreshCase{.credentials = R"({"sessionKey":"k","orgId":""})", .percent = 50};
}

void TestAppState::refresh()
{
    QFETCH(RefreshCase, row);
    TemporaryHome home;
    UsageService service;
    service.setUsage(30);
    AppState state(sessionArguments(service.origin()), {home.dataFolder()});
    refreshNow(state);
    const QDateTime firstUpdate = *state.lastUpdated();
    // The file changed behind the state's back: each refresh reads it anew.
    if (row.credentials == "-")
        QFile::remove(state.credentialStore().filePath());
    else if (!row.credentials.isEmpty())
        writeCredentials(home.dataFolder(), row.credentials);

    service.setUsageBody(row.body, row.status);
    QSignalSpy loading(&state, &AppState::isLoadingChanged);
    refreshNow(state);
    QCOMPARE(service.requestCount(), 1 + row.requests);
    QCOMPARE(loading.count(), 2 * row.requests);
    QCOMPARE(state.menuBarPercent(), row.percent);
    const QString error = state.error().value_or("");
    QVERIFY2(row.error.isEmpty() ? error.isEmpty() : error.startsWith(row.error),
             qPrintable(error));
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

void TestAppState::overlappingRefreshesApplyInCompletionOrder()
{
    TemporaryHome home;
    std::atomic<int> calls = 0;
    TestHttpServer server;
    server.onGet(R"(/api/organizations/o/usage)", [&](const auto&, httplib::Response& res) {
        const bool first = calls++ == 0;
        if (first) // the first request is answered last
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
        res.set_content(fiveHour(first ? 90 : 10).toStdString(), "application/json");
    });
    server.start();
    AppState state(sessionArguments(server.origin(), "o"), {home.dataFolder()});
    QList<qint64> applied;
    QList<bool> loading;
    connect(&state, &AppState::usageChanged, this, [&] { applied << state.menuBarPercent(); });
    connect(&state, &AppState::isLoadingChanged, this, [&] { loading << state.isLoading(); });

    auto slow = state.refresh();
    QTRY_COMPARE(calls.load(), 1);
    QCoro::waitFor(state.refresh());
    QCOMPARE(applied, QList<qint64>{10});
    QVERIFY(!state.isLoading()); // the first to finish ends loading, though another is waiting
    QCoro::waitFor(std::move(slow));
    QCOMPARE(applied, (QList<qint64>{10, 90}));
    QCOMPARE(loading, (QList<bool>{true, false}));
}

void TestAppState::notifiesOnlyRealChanges()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(20);
    AppState state(sessionArguments(service.origin()), {home.dataFolder()});
    QSignalSpy settings(&state, &AppState::settingsChanged);
    QSignalSpy usage(&state, &AppState::usageChanged);
    QSignalSpy names(&state, &AppState::orgNameChanged);

    AppSettings lower;
    lower.alertThresholdPercent = 70;
    for (const AppSettings& settings : {AppSettings{}, lower, lower})
        state.setSettings(settings);
    refreshNow(state);
    refreshNow(state);
    // Canonically equivalent names are the same name; the shown one follows the store.
    state.credentialStore().setOrgName(QStringLiteral("Caff\u00e8"));
    refreshNow(state);
    state.credentialStore().setOrgName(QStringLiteral("Caffe\u0300"));
    refreshNow(state);
    QCOMPARE(settings.count(), 1);
    QCOMPARE(usage.count(), 4); // the same report notifies every time
    QCOMPARE(names.count(), 1);
}

void TestAppState::startupSession_data()
{
    QTest::addColumn<QByteArray>("stored"); // credentials.json before start; empty: none
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expectedFile"); // after start; empty: none
    QTest::addColumn<bool>("configured");

    const QByteArray earlier = R"({"sessionKey":"old","orgId":"o1","orgName":"Vecchio"})";
    const QByteArray none;
    QTest::newRow("empty org id") << none << QStringList{"--sk=k", "--org-id="}
                                  << R"({"orgId":"","sessionKey":"k"})"_ba << false;
    QTest::newRow("key alone") << earlier << QStringList{"--sk=k"} << earlier << true;
    QTest::newRow("name alone") << none << QStringList{"--org-name=n"} << none << false;
    QTest::newRow("last key wins") << none << QStringList{"--sk=a", "--org-id=o", "--sk=b"}
                                   << R"({"orgId":"o","sessionKey":"b"})"_ba << true;
    QTest::newRow("removes stored name") << earlier << QStringList{"--org-id=o", "--sk=k"}
                                         << R"({"orgId":"o","sessionKey":"k"})"_ba << true;
    QTest::newRow("capitals ignored")
        << none << QStringList{"--SK=k", "--org-id=o"} << none << false;
    QTest::newRow("values verbatim")
        << none << QStringList{"--sk= k=1 ", "--org-id=o", "--org-name=Studio Rossi"}
        << R"({"orgId":"o","orgName":"Studio Rossi","sessionKey":" k=1 "})"_ba << true;
}

void TestAppState::startupSession()
{
    QFETCH(QByteArray, stored);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expectedFile);
    QFETCH(bool, configured);
    TemporaryHome home;
    if (!stored.isEmpty())
        writeCredentials(home.dataFolder(), stored);

    AppState state(QStringList{"/usr/bin/pallowe"} + arguments, {home.dataFolder()});
    QFile file(state.credentialStore().filePath());
    QCOMPARE(file.open(QIODevice::ReadOnly), !expectedFile.isEmpty());
    QCOMPARE(QJsonDocument::fromJson(file.readAll()), QJsonDocument::fromJson(expectedFile));
    QCOMPARE(state.isConfigured(), configured);
    QCOMPARE(state.orgName(), state.credentialStore().orgName());
    QVERIFY(!state.usage() && !state.isLoading() && !state.error() && !state.lastUpdated());
}

void TestAppState::startupValues_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("origin");  // the service origin that results
    QTest::addColumn<int>("interval");    // seconds of the refresh loop that results
    QTest::addColumn<QString>("warning"); // how the warning ends; empty: none

    const QString fallback = "https://zelvik.ai";
    QTest::newRow("origin") << "--service-origin=http://127.0.0.1:8080/"
                            << "http://127.0.0.1:8080" << 300 << "";
    for (const char* invalid : {"ftp://x", "http://", "https://x/api", "http://x?a=1",
                                "http://u:p@x", "x", "file:///etc"})
        QTest::addRow("origin %s", invalid)
            << QStringLiteral("--service-origin=") + invalid << fallback << 300 << invalid;
    // A terminal must never receive the value's escape sequences or direction overrides.
    QTest::newRow("origin escaped")
        << "--service-origin=\x1b]0;x\x07\u202e\\" << fallback << 300 << R"(\x1b]0;x\x07\u202e\\)";
    QTest::newRow("interval") << "--refresh-interval=5" << fallback << 5 << "";
    QTest::newRow("longest timer wait")
        << "--refresh-interval=2147483" << fallback << 2147483 << "";
    for (const char* ignored : {"0", "-5", "+5", "1.5", "5s", " 5", "2147484"})
        QTest::addRow("interval %s", ignored)
            << QStringLiteral("--refresh-interval=") + ignored << fallback << 300 << ignored;
}

void TestAppState::startupValues()
{
    QFETCH(QString, argument);
    QFETCH(QString, origin);
    QFETCH(int, interval);
    QFETCH(QString, warning);
    TemporaryHome home;
    const AppState state({"pallowe", argument}, {home.dataFolder()});
    QCOMPARE(state.serviceOrigin(), origin);
    QCOMPARE(state.refreshLoop()->interval(), std::chrono::seconds(interval));
    const QStringList warnings = StartupOptions::parse({argument}).warnings;
    QCOMPARE(warnings.size(), warning.isEmpty() ? 0 : 1);
    QVERIFY2(warnings.isEmpty() || warnings[0].endsWith(": " + warning),
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
