#include "StateFixture.h"
#include "state/StartupOptions.h"

#include <QCoroTask>
#include <QFile>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <thread>

namespace {

void writeCredentials(const QString& folder, const QByteArray& json)
{
    const CredentialStore store(folder); // creates the folder
    QFile file(store.filePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(json);
}

AppState::Services servicesIn(const TemporaryHome& home)
{
    return AppState::Services{home.dataFolder()};
}

} // namespace

class TestAppState : public QObject
{
    Q_OBJECT

private slots:
    void refreshNeedsStoredSession_data();
    void refreshNeedsStoredSession();
    void refreshAppliesReport();
    void refreshFailures_data();
    void refreshFailures();
    void invalidSessionClearsStoreKeepsReport();
    void overlappingRefreshesApplyInCompletionOrder();
    void notifiesOnlyRealChanges();
    void menuBarPercentTruncates_data();
    void menuBarPercentTruncates();
    void startupOptions_data();
    void startupOptions();
    void serviceOriginOption();
    void refreshIntervalOption();
};

void TestAppState::refreshNeedsStoredSession_data()
{
    QTest::addColumn<QByteArray>("credentials"); // empty: no file
    QTest::addColumn<QString>("requestedPath");  // empty: no request

    QTest::newRow("no file") << QByteArray() << "";
    QTest::newRow("no org") << QByteArray(R"({"sessionKey":"k"})") << "";
    QTest::newRow("empty key") << QByteArray(R"({"sessionKey":"","orgId":"o"})") << "";
    QTest::newRow("empty org still sent")
        << QByteArray(R"({"sessionKey":"k","orgId":""})") << "/api/organizations//usage";
}

void TestAppState::refreshNeedsStoredSession()
{
    QFETCH(QByteArray, credentials);
    QFETCH(QString, requestedPath);
    TemporaryHome home;
    UsageService service;
    service.setUsage(10);
    // Configured by the command line first, then the file replaced behind the state's back.
    AppState state(sessionArguments(service.origin()), servicesIn(home));
    QVERIFY(state.isConfigured());
    QFile::remove(state.credentialStore().filePath());
    if (!credentials.isEmpty())
        writeCredentials(home.dataFolder(), credentials);

    QSignalSpy loading(&state, &AppState::isLoadingChanged);
    QSignalSpy error(&state, &AppState::errorChanged);
    QCoro::waitFor(state.refresh());

    if (requestedPath.isEmpty()) {
        QVERIFY(!state.isConfigured());
        QCOMPARE(service.requestCount(), 0);
        QCOMPARE(loading.count(), 0);
        QCOMPARE(error.count(), 0);
    } else {
        QCOMPARE(service.requestCount(requestedPath), 1);
        QVERIFY(state.usage());
    }
}

void TestAppState::refreshAppliesReport()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(42.5, 12);
    QStringList arguments = sessionArguments(service.origin());
    arguments << QStringLiteral("--org-name=Studio");
    AppState state(arguments, servicesIn(home));
    QCOMPARE(state.orgName(), std::optional(QStringLiteral("Studio")));

    // The name shown follows the store at the moment the report arrives.
    state.credentialStore().setOrgName(std::nullopt);
    QSignalSpy loading(&state, &AppState::isLoadingChanged);
    const QDateTime before = QDateTime::currentDateTime();
    QCoro::waitFor(state.refresh());

    QVERIFY(state.usage());
    QCOMPARE(state.usage()->fiveHour->utilization, 42.5);
    QVERIFY(!state.orgName());
    QVERIFY(state.lastUpdated() && *state.lastUpdated() >= before);
    QVERIFY(!state.isLoading());
    QCOMPARE(loading.count(), 2);
    QVERIFY(!state.error());
}

void TestAppState::refreshFailures_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("unreachable");
    QTest::addColumn<QString>("errorStart");

    QTest::newRow("500") << 500 << QByteArray("{}") << false << "Errore di rete: HTTP 500";
    QTest::newRow("429") << 429 << QByteArray("{}") << false << "Errore di rete: HTTP 429";
    QTest::newRow("bad body") << 200 << QByteArray("nope") << false
                              << "Errore parsing risposta: JSON non valido";
    QTest::newRow("transport") << 200 << QByteArray("{}") << true << "Connessione rifiutata";
}

void TestAppState::refreshFailures()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, unreachable);
    QFETCH(QString, errorStart);
    TemporaryHome home;
    UsageService service;
    service.setUsage(30);
    AppState state(sessionArguments(service.origin()), servicesIn(home));
    QCoro::waitFor(state.refresh());
    const QDateTime firstUpdate = *state.lastUpdated();

    service.setUsageBody(body);
    service.setStatus(status);
    if (unreachable) { // the same session, pointed at a closed port
        AppState offline(sessionArguments(TestHttpServer::unusedOrigin()), servicesIn(home));
        QCoro::waitFor(offline.refresh());
        QVERIFY2(offline.error()->contains(errorStart, Qt::CaseInsensitive),
                 qPrintable(*offline.error()));
        QVERIFY(offline.isConfigured());
        return;
    }
    QCoro::waitFor(state.refresh());
    QVERIFY2(state.error()->startsWith(errorStart), qPrintable(*state.error()));
    QCOMPARE(state.usage()->fiveHour->utilization, 30.0);
    QCOMPARE(*state.lastUpdated(), firstUpdate);
    QVERIFY(state.isConfigured() && state.credentialStore().hasCredentials());
    QVERIFY(!state.isLoading());

    // The next refresh that gets past its session test clears the error as it starts.
    QSignalSpy errors(&state, &AppState::errorChanged);
    QCoro::waitFor(state.refresh());
    QCOMPARE(errors.count(), 2); // cleared, then set again by the same failure
}

void TestAppState::invalidSessionClearsStoreKeepsReport()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(55);
    AppState state(sessionArguments(service.origin()), servicesIn(home));
    QCoro::waitFor(state.refresh());

    service.setStatus(401);
    QSignalSpy configured(&state, &AppState::isConfiguredChanged);
    QCoro::waitFor(state.refresh());
    QVERIFY(!state.isConfigured());
    QCOMPARE(configured.count(), 1);
    QVERIFY(!QFile::exists(state.credentialStore().filePath()));
    QCOMPARE(state.error(), std::optional(QStringLiteral("Sessione scaduta — accedi di nuovo.")));
    QCOMPARE(state.usage()->fiveHour->utilization, 55.0);
    QVERIFY(!state.isLoading());
}

void TestAppState::overlappingRefreshesApplyInCompletionOrder()
{
    TemporaryHome home;
    std::atomic<int> calls = 0;
    TestHttpServer server;
    server.onGet(R"(/api/organizations/o/usage)",
                 [&](const httplib::Request&, httplib::Response& res) {
                     const bool first = calls++ == 0;
                     if (first) // the first request is answered last
                         std::this_thread::sleep_for(std::chrono::milliseconds(600));
                     res.set_content(first ? R"({"five_hour":{"utilization":90,"resets_at":"x"}})"
                                           : R"({"five_hour":{"utilization":10,"resets_at":"x"}})",
                                     "application/json");
                 });
    server.start();
    AppState state(sessionArguments(server.origin(), "o"), servicesIn(home));

    QList<double> applied;
    QList<bool> loadingWhenApplied;
    connect(&state, &AppState::usageChanged, this,
            [&] { applied.append(state.usage()->fiveHour->utilization); });
    connect(&state, &AppState::isLoadingChanged, this,
            [&] { loadingWhenApplied.append(state.isLoading()); });

    auto slow = state.refresh();
    QTRY_COMPARE(calls.load(), 1);
    auto fast = state.refresh();
    QCoro::waitFor(std::move(fast));
    QCOMPARE(applied, QList<double>({10}));
    QVERIFY(!state.isLoading()); // the first to finish ends loading, though another is waiting
    QCoro::waitFor(std::move(slow));
    QCOMPARE(applied, QList<double>({10, 90}));
    QCOMPARE(state.menuBarPercent(), 90);
    QCOMPARE(loadingWhenApplied, QList<bool>({true, false}));
}

void TestAppState::notifiesOnlyRealChanges()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(20);
    AppState state(sessionArguments(service.origin()), servicesIn(home));

    QSignalSpy settings(&state, &AppState::settingsChanged);
    state.setSettings(AppSettings{});
    QCOMPARE(settings.count(), 0);
    state.setSettings(AppSettings{true, 80, true, 0.0});
    state.setSettings(AppSettings{true, 80, true, 0.0});
    QCOMPARE(settings.count(), 1);

    QSignalSpy usage(&state, &AppState::usageChanged);
    QSignalSpy updated(&state, &AppState::lastUpdatedChanged);
    QSignalSpy names(&state, &AppState::orgNameChanged);
    QCoro::waitFor(state.refresh());
    QCoro::waitFor(state.refresh());
    QCOMPARE(usage.count(), 2); // the same report notifies every time
    QVERIFY(updated.count() >= 1);
    QCOMPARE(names.count(), 0);

    // Canonically equivalent names are the same name.
    state.credentialStore().setOrgName(QStringLiteral("Caff\u00e8"));
    QCoro::waitFor(state.refresh());
    state.credentialStore().setOrgName(QStringLiteral("Caffe\u0300"));
    QCoro::waitFor(state.refresh());
    QCOMPARE(names.count(), 1);
}

void TestAppState::menuBarPercentTruncates_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint64>("percent");

    QTest::newRow("empty report") << QByteArray("{}") << qint64(0);
    QTest::newRow("seven day only")
        << QByteArray(R"({"seven_day":{"utilization":42.5,"resets_at":"x"}})") << qint64(42);
    QTest::newRow("five hour larger")
        << QByteArray(
               R"({"five_hour":{"utilization":97.2,"resets_at":"x"},"seven_day":{"utilization":12,"resets_at":"x"}})")
        << qint64(97);
    QTest::newRow("79.9") << QByteArray(R"({"five_hour":{"utilization":79.9,"resets_at":"x"}})")
                          << qint64(79);
    QTest::newRow("over 100") << QByteArray(
                                     R"({"five_hour":{"utilization":130.7,"resets_at":"x"}})")
                              << qint64(130);
    QTest::newRow("per-model ignored")
        << QByteArray(R"({"seven_day_velmar":{"utilization":100,"resets_at":"x"}})") << qint64(0);
    QTest::newRow("huge") << QByteArray(R"({"five_hour":{"utilization":1e300,"resets_at":"x"}})")
                          << qint64(0);
}

void TestAppState::menuBarPercentTruncates()
{
    QFETCH(QByteArray, body);
    QFETCH(qint64, percent);
    TemporaryHome home;
    UsageService service;
    service.setUsageBody(body);
    AppState state(sessionArguments(service.origin()), servicesIn(home));
    QCOMPARE(state.menuBarPercent(), 0);
    QCoro::waitFor(state.refresh());
    QCOMPARE(state.menuBarPercent(), percent);
}

void TestAppState::startupOptions_data()
{
    QTest::addColumn<QByteArray>("stored"); // credentials.json before start; empty: none
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expectedFile"); // credentials.json after start; empty: none
    QTest::addColumn<bool>("configured");

    const QByteArray earlier = R"({"sessionKey":"old","orgId":"o1","orgName":"Vecchio"})";
    QTest::newRow("empty org id") << QByteArray() << QStringList{"--sk=k", "--org-id="}
                                  << R"({"orgId":"","sessionKey":"k"})" << false;
    QTest::newRow("key alone") << earlier << QStringList{"--sk=k"} << QString(earlier) << true;
    QTest::newRow("name alone") << QByteArray() << QStringList{"--org-name=n"} << "" << false;
    QTest::newRow("last key wins") << QByteArray() << QStringList{"--sk=a", "--sk=b", "--org-id=o"}
                                   << R"({"orgId":"o","sessionKey":"b"})" << true;
    QTest::newRow("org first") << QByteArray() << QStringList{"--org-id=o", "--sk=k"}
                               << R"({"orgId":"o","sessionKey":"k"})" << true;
    QTest::newRow("removes stored name") << earlier << QStringList{"--sk=k", "--org-id=o"}
                                         << R"({"orgId":"o","sessionKey":"k"})" << true;
    QTest::newRow("capitals ignored")
        << QByteArray() << QStringList{"--SK=k", "--org-id=o"} << "" << false;
    QTest::newRow("name with space")
        << QByteArray() << QStringList{"--sk=k", "--org-id=o", "--org-name=Studio Rossi"}
        << R"({"orgId":"o","orgName":"Studio Rossi","sessionKey":"k"})" << true;
    QTest::newRow("value kept verbatim") << QByteArray() << QStringList{"--sk= k=1 ", "--org-id=o"}
                                         << R"({"orgId":"o","sessionKey":" k=1 "})" << true;
}

void TestAppState::startupOptions()
{
    QFETCH(QByteArray, stored);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expectedFile);
    QFETCH(bool, configured);
    TemporaryHome home;
    if (!stored.isEmpty())
        writeCredentials(home.dataFolder(), stored);

    AppState state(QStringList{"/usr/bin/pallowe"} + arguments, servicesIn(home));
    QFile file(state.credentialStore().filePath());
    if (expectedFile.isEmpty()) {
        QVERIFY(!file.exists());
    } else {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(file.readAll()),
                 QJsonDocument::fromJson(expectedFile.toUtf8()));
    }
    QCOMPARE(state.isConfigured(), configured);
    QCOMPARE(state.orgName(), state.credentialStore().orgName());
    QVERIFY(!state.usage() && !state.isLoading() && !state.error() && !state.lastUpdated());
}

void TestAppState::serviceOriginOption()
{
    TemporaryHome home;
    QCOMPARE(StartupOptions::normalizedOrigin("http://127.0.0.1:8080/"),
             std::optional<QString>("http://127.0.0.1:8080"));
    for (const char* invalid :
         {"ftp://x", "http://", "https://x/api", "http://x?a=1", "http://u:p@x", "x"})
        QVERIFY2(!StartupOptions::normalizedOrigin(invalid), invalid);

    const AppState defaulted({"pallowe", "--service-origin=file:///etc"}, servicesIn(home));
    QCOMPARE(defaulted.serviceOrigin(), QStringLiteral("https://zelvik.ai"));
    const AppState local({"pallowe", "--service-origin=http://127.0.0.1:9/"}, servicesIn(home));
    QCOMPARE(local.serviceOrigin(), QStringLiteral("http://127.0.0.1:9"));

    // A terminal must never receive the value's escape sequences or direction overrides.
    const auto options = StartupOptions::parse({"--service-origin=\x1b]0;x\x07\u202e\\"});
    QCOMPARE(options.warnings.size(), 1);
    QVERIFY2(options.warnings[0].endsWith(u"\\x1b]0;x\\x07\\u202e\\\\"),
             qPrintable(options.warnings[0]));
}

void TestAppState::refreshIntervalOption()
{
    TemporaryHome home;
    const AppState state({"pallowe", "--refresh-interval=5"}, servicesIn(home));
    QCOMPARE(state.refreshLoop()->interval(), std::chrono::seconds(5));
    QCOMPARE(StartupOptions::parse({"--refresh-interval=2147483"}).refreshInterval,
             std::chrono::seconds(2147483)); // the longest a timer waits
    for (const char* ignored : {"0", "-5", "+5", "1.5", "5s", " 5", "", "2147484"}) {
        const auto options =
            StartupOptions::parse({QStringLiteral("--refresh-interval=") + ignored});
        QVERIFY2(!options.refreshInterval && options.warnings.size() == 1, ignored);
    }
}

QTEST_GUILESS_MAIN(TestAppState)
#include "test_app_state.moc"
