#include "DBusMock.h"
#include "StateFixture.h"
#include "StateFor.h"
#include "platform/FreedesktopNotifier.h"
#include "platform/LogindSleepWatcher.h"
#include "platform/ReachabilityWatcher.h"
#include "state/StartupOptions.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

using Alerts = QList<std::pair<QString, uint>>; // body, id of the notification it replaces

// What refreshes start and what they set off, on a private bus that stands for the system
// bus too: logind, NetworkManager and a notification server are python-dbusmock's.
class TestRefreshLoop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void followsPanelSettingsAndSession();
    void wakeRefreshesWhenDue_data();
    void wakeRefreshesWhenDue();
    void alerts_data();
    void alerts();

private:
    std::unique_ptr<DBusMock> m_logind;
    std::unique_ptr<DBusMock> m_networkManager;
};

void TestRefreshLoop::initTestCase()
{
    // Before the first bus connection, when Qt settles both addresses.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", qgetenv("DBUS_SESSION_BUS_ADDRESS"));
    m_logind = std::make_unique<DBusMock>(DBusMock::kLogind);
    m_networkManager = std::make_unique<DBusMock>(DBusMock::kNetworkManager);
    QVERIFY2(m_logind->start() && m_networkManager->start(), "python-dbusmock did not start");
}

void TestRefreshLoop::followsPanelSettingsAndSession()
{
    TemporaryHome home;
    UsageService service;
    service.setUsageBody(usageReport(5));
    AppSettings background;
    background.backgroundRefresh = true;
    SettingsStore(home.dataFolder()).save(background);
    const auto state = stateFor(sessionArguments(service.origin()), home.dataFolder(),
                                [](AppState::Parts& parts) { parts.refreshInterval = 300ms; });
    RefreshLoop* loop = state->refreshLoop();

    QTRY_COMPARE(service.requestCount(), 1); // in the background from the start
    QTRY_COMPARE(service.requestCount(), 2); // and again after an interval
    // Opening the panel half-way through a wait refreshes at once and re-arms the one timer.
    QTest::qWait(150);
    loop->setPanelShown(true);
    QTRY_COMPARE(service.requestCount(), 3);
    QTest::qWait(150);
    QCOMPARE(service.requestCount(), 3);
    // Closing the panel keeps the loop; turning the setting off then stops it.
    loop->setPanelShown(false);
    QVERIFY(loop->isRunning());
    state->setSettings(AppSettings{});
    QTest::qWait(400);
    QCOMPARE(service.requestCount(), 3);

    // Without background refresh the panel alone runs the loop.
    loop->setPanelShown(true);
    QTRY_COMPARE(service.requestCount(), 5);
    loop->setPanelShown(false);
    loop->setPanelShown(true);
    loop->setPanelShown(false); // while that refresh is in flight: nothing follows it
    QTest::qWait(400);
    QCOMPARE(service.requestCount(), 6);

    // A session handed over while the panel shows another is fetched at once.
    loop->setPanelShown(true);
    QTRY_VERIFY(service.requestCount() == 7 && !state->isLoading());
    state->applyCommandLineSession(StartupOptions::parse({"--sk=k2", "--org-id=o2"}));
    QVERIFY(state->isLoading());
    QTRY_COMPARE(service.requestCount("/api/organizations/o2/usage"), 1);

    // Against a service that does not answer, each new session's refresh takes the place of
    // the one in flight: the seventh still goes out, past the six connections Qt opens to a
    // host, and only the last session's report is shown.
    service.hold("slow-");
    for (const QString org :
         {"slow-1", "slow-2", "slow-3", "slow-4", "slow-5", "slow-6", "slow-7"}) {
        state->applyCommandLineSession(StartupOptions::parse({"--sk=k", "--org-id=" + org}));
        QTRY_COMPARE(service.requestCount("/api/organizations/" + org + "/usage"), 1);
    }
    service.setUsageFor("slow-7", usageReport(7));
    service.release();
    QTRY_VERIFY(state->usage() && !state->isLoading());
    QCOMPARE(state->menuBarPercent(), 7);
}

void TestRefreshLoop::wakeRefreshesWhenDue_data()
{
    QTest::addColumn<bool>("resume"); // else the network comes back
    QTest::addColumn<int>("secondsAway");
    QTest::addColumn<int>("firstStatus");
    QTest::addColumn<int>("refreshes");

    QTest::newRow("resume, due") << true << 301 << 200 << 1;
    QTest::newRow("resume, not due") << true << 120 << 200 << 0;
    QTest::newRow("network back, due") << false << 900 << 200 << 1;
    QTest::newRow("network back, not due") << false << 10 << 200 << 0;
    QTest::newRow("network back after a failure") << false << 10 << 503 << 1;
}

void TestRefreshLoop::wakeRefreshesWhenDue()
{
    QFETCH(bool, resume);
    QFETCH(int, secondsAway);
    QFETCH(int, firstStatus);
    QFETCH(int, refreshes);
    TemporaryHome home;
    UsageService service;
    service.setUsageBody("{}", firstStatus);
    LogindSleepWatcher sleepWatcher(QDBusConnection::sessionBus());
    ReachabilityWatcher reachabilityWatcher;
    const QList<WakeWatcher*> watchers{&sleepWatcher, &reachabilityWatcher};
    const auto state = stateFor(sessionArguments(service.origin()), home.dataFolder(),
                                [&](AppState::Parts& parts) { parts.wakeWatchers = watchers; });
    std::chrono::milliseconds now = 1h; // the suspend-proof clock, moved by hand
    state->refreshLoop()->setClock([&now] { return now; });
    state->refreshLoop()->setPanelShown(true);
    QTRY_VERIFY(service.requestCount() == 1 && !state->isLoading());

    now += std::chrono::seconds(secondsAway);
    service.setUsageBody("{}");
    QSignalSpy woke(resume ? static_cast<WakeWatcher*>(&sleepWatcher) : &reachabilityWatcher,
                    &WakeWatcher::woke);
    for (const bool first : {true, false}) // to sleep and back; disconnected, then online
        QVERIFY(resume ? m_logind->emitSignal("org.freedesktop.login1.Manager", "PrepareForSleep",
                                              "b", {first})
                       : m_networkManager->setProperty("org.freedesktop.NetworkManager", "State",
                                                       QVariant::fromValue(first ? 20u : 70u)));
    QTRY_COMPARE(woke.size(), 1);
    QTRY_COMPARE(service.requestCount(), 1 + refreshes);
    QTest::qWait(200);
    QCOMPARE(service.requestCount(), 1 + refreshes);
}

void TestRefreshLoop::alerts_data()
{
    // Each step: a refresh at "fiveHour[/sevenDay]" percent or "fail" (answered 500), "tN"
    // (threshold N), "off", "on", or "restart" (a new state, which remembers no alert).
    QTest::addColumn<QString>("steps");
    QTest::addColumn<Alerts>("alerts"); // the server hands out ids 1, 2, ...

    const auto alert = [](int percent, int threshold) {
        return QStringLiteral("Utilizzo al %1% — soglia %2% raggiunta.")
            .arg(percent)
            .arg(threshold);
    };
    QTest::newRow("once per crossing, again after falling")
        << "79.9 80 92 20/81.5 fail 50 85 restart 85"
        << Alerts{{alert(80, 80), 0}, {alert(85, 80), 1}, {alert(85, 80), 1}};
    QTest::newRow("threshold changes")
        << "85 t70 85 t85 87 off 10 on 90" << Alerts{{alert(85, 80), 0}, {alert(87, 85), 0}};
    QTest::newRow("alerts off, threshold 0") << "off 99 10 99 on t0 99 10 99" << Alerts{};
}

void TestRefreshLoop::alerts()
{
    QFETCH(QString, steps);
    QFETCH(Alerts, alerts);
    TemporaryHome home;
    UsageService service;
    DBusMock server;
    QVERIFY2(server.start(), qPrintable(server.failure()));
    FreedesktopNotifier notifier;
    connect(&notifier, &FreedesktopNotifier::undelivered, [] { QFAIL("a balloon"); });
    AppSettings settings;
    std::unique_ptr<AppState> state;
    for (const QString& step : ("restart " + steps).split(u' ')) {
        if (step == u"restart")
            state = stateFor(sessionArguments(service.origin()), home.dataFolder(),
                             [&](AppState::Parts& parts) { parts.notifier = &notifier; });
        else if (step == u"on" || step == u"off")
            settings.alertEnabled = step == u"on";
        else if (step.startsWith(u't'))
            settings.alertThresholdPercent = step.mid(1).toLongLong();
        else if (step == u"fail")
            service.setUsageBody("{}", 500);
        else
            service.setUsageBody(
                usageReport(step.section(u'/', 0, 0).toDouble(), step.section(u'/', 1).toDouble()));
        state->setSettings(settings);
        if (step == u"fail" || step[0].isDigit())
            QCoro::waitFor(state->refresh());
    }

    notifier.requestPermission(); // reaches the server after every alert posted before it
    QTRY_COMPARE(server.callsOf("GetCapabilities").size(), 1);
    const auto notified = [&] {
        Alerts posted;
        for (const QVariantList& call : server.callsOf("Notify"))
            posted.append({call[Body].toString(), call[ReplacesId].toUInt()});
        return posted;
    };
    QTRY_COMPARE(notified(), alerts);
}

QTEST_GUILESS_MAIN(TestRefreshLoop)
#include "test_refresh_loop.moc"
