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
    // The panel closed, background refresh off: only the reset alert's single refresh waits,
    // for a session window full and reset in an hour.
    QTest::addColumn<bool>("resetAwaited");

    QTest::newRow("resume, due") << true << 301 << 200 << 1 << false;
    QTest::newRow("resume, not due") << true << 120 << 200 << 0 << false;
    QTest::newRow("network back, due") << false << 900 << 200 << 1 << false;
    QTest::newRow("network back, not due") << false << 10 << 200 << 0 << false;
    QTest::newRow("network back after a failure") << false << 10 << 503 << 1 << false;
    QTest::newRow("resume, reset past") << true << 3606 << 200 << 1 << true;
    QTest::newRow("network back, reset ahead") << false << 3500 << 200 << 0 << true;
}

void TestRefreshLoop::wakeRefreshesWhenDue()
{
    QFETCH(bool, resume);
    QFETCH(int, secondsAway);
    QFETCH(int, firstStatus);
    QFETCH(int, refreshes);
    QFETCH(bool, resetAwaited);
    TemporaryHome home;
    UsageService service;
    service.setUsageBody(resetAwaited ? usageReport(90, 0, resetIn(1h)) : "{}", firstStatus);
    LogindSleepWatcher sleepWatcher(QDBusConnection::sessionBus());
    ReachabilityWatcher reachabilityWatcher;
    const QList<WakeWatcher*> watchers{&sleepWatcher, &reachabilityWatcher};
    const auto state = stateFor(sessionArguments(service.origin()), home.dataFolder(),
                                [&](AppState::Parts& parts) { parts.wakeWatchers = watchers; });
    std::chrono::milliseconds now = 1h; // the suspend-proof clock, moved by hand
    state->refreshLoop()->setClock([&now] { return now; });
    if (resetAwaited) {
        AppSettings settings;
        settings.resetAlert = true;
        state->setSettings(settings);
        QCoro::waitFor(state->refresh()); // as an open panel would, once
        QVERIFY(state->refreshLoop()->isRefreshOnceArmed() && !state->refreshLoop()->isRunning());
    } else {
        state->refreshLoop()->setPanelShown(true);
    }
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
    // Each step: a refresh at "fiveHour[/sevenDay][@ms to the session's reset]" percent or
    // "fail" (answered 500); the same after "~" is the reply to the refresh the state makes by
    // itself at the reset, after "!" to the one a wake from suspend makes. Or: "tN" (threshold
    // N), "off", "on", "r" (reset alert on), "signout", "restart" (a new state, which
    // remembers no alert), "+" or "-" (a refresh at the reset is armed, or none).
    QTest::addColumn<QString>("steps");
    QTest::addColumn<Alerts>("alerts"); // the server hands out ids 1, 2, ...

    const auto alert = [](int percent, int threshold) {
        return QStringLiteral("Utilizzo al %1% — soglia %2% raggiunta.")
            .arg(percent)
            .arg(threshold);
    };
    const auto back = [](int percent) {
        return QStringLiteral("Sessione ripristinata — utilizzo: %1%.").arg(percent);
    };
    QTest::newRow("once per crossing, again after falling")
        << "79.9 80 92 20/81.5 fail 50 85 restart 85"
        << Alerts{{alert(80, 80), 0}, {alert(85, 80), 1}, {alert(85, 80), 1}};
    QTest::newRow("threshold changes")
        << "85 t70 85 t85 87 off 10 on 90" << Alerts{{alert(85, 80), 0}, {alert(87, 85), 0}};
    QTest::newRow("alerts off, threshold 0") << "off 99 10 99 on t0 99 10 99" << Alerts{};
    QTest::newRow("reset alert: once per reset, in place of the threshold alert")
        << "r 70@500 - 85@500 + ~10 - 10 85@500 ~0 0"
        << Alerts{{alert(85, 80), 0}, {back(10), 1}, {alert(85, 80), 1}, {back(0), 1}};
    QTest::newRow("reset alert: turned on when full, still full at the reset")
        << "85@500 - r + ~95@1200 + ~5 5" << Alerts{{alert(85, 80), 0}, {back(5), 1}};
    QTest::newRow("reset alert: a failed refresh at the reset, retried by a wake")
        << "r 85@500 ~fail + !12" << Alerts{{alert(85, 80), 0}, {back(12), 1}};
    QTest::newRow("reset alert: only a full session window, and no longer than it lasts")
        << "r 20/90 - t90 85@60000 - t80 + off - on + t90 - t80 + signout -"
        << Alerts{{alert(90, 80), 0}};
    QTest::newRow("reset alert: none at threshold 0 or with alerts off, gone with a restart")
        << "t0 r 99@60000 - off t80 85@60000 - on + 85@60000 + restart -"
        << Alerts{{alert(85, 80), 0}};
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
    const auto reply = [&](const QString& reading) {
        if (reading == u"fail")
            return service.setUsageBody("{}", 500);
        const QString percents = reading.section(u'@', 0, 0);
        const QString reset =
            reading.contains(u'@')
                ? resetIn(std::chrono::milliseconds(reading.section(u'@', 1).toInt()))
                : QStringLiteral("x");
        service.setUsageBody(usageReport(percents.section(u'/', 0, 0).toDouble(),
                                         percents.section(u'/', 1).toDouble(), reset));
    };
    int index = 0;
    for (const QString& step : ("restart " + steps).split(u' ')) {
        ++index;
        if (step == u"restart")
            state = stateFor(sessionArguments(service.origin()), home.dataFolder(),
                             [&](AppState::Parts& parts) {
                                 parts.notifier = &notifier;
                                 parts.refreshInterval = 300ms; // the reset's grace with it
                             });
        else if (step == u"on" || step == u"off")
            settings.alertEnabled = step == u"on";
        else if (step == u"r")
            settings.resetAlert = true;
        else if (step.startsWith(u't'))
            settings.alertThresholdPercent = step.mid(1).toLongLong();
        else if (step == u"signout")
            state->logout();
        state->setSettings(settings);
        if (step == u"+" || step == u"-")
            QVERIFY2(state->refreshLoop()->isRefreshOnceArmed() == (step == u"+"),
                     qPrintable(QStringLiteral("step %1").arg(index)));
        if (step == u"fail" || step[0].isDigit()) {
            reply(step);
            QCoro::waitFor(state->refresh());
        }
        if (step[0] == u'~' || step[0] == u'!') { // the state's own refresh, not the test's
            const int before = service.requestCount();
            reply(step.mid(1));
            if (step[0] == u'!')
                state->refreshLoop()->refreshIfDue();
            QTRY_COMPARE(service.requestCount(), before + 1);
            QTRY_VERIFY(!state->isLoading());
        }
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
