#include "DBusMock.h"
#include "StateFor.h"
#include "UsageService.h"
#include "platform/LogindSleepWatcher.h"
#include "platform/ReachabilityWatcher.h"
#include "state/StartupOptions.h"

#include <QTest>

using namespace std::chrono_literals;

// What starts a refresh, on a private bus that stands for the system bus too: logind and
// NetworkManager are python-dbusmock's.
class TestRefreshLoop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void followsPanelSettingsAndSession();
    void wakeRefreshesWhenDue_data();
    void wakeRefreshesWhenDue();

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
                                [](AppState::Parts& parts) { parts.refreshInterval = 1s; });
    RefreshLoop* loop = state->refreshLoop();

    const auto settled = [&](int requests) {
        return service.requestCount() == requests && !state->isLoading();
    };

    QTRY_COMPARE(service.requestCount(), 1); // in the background from the start
    QTRY_VERIFY(settled(2));                 // and again after an interval
    // Opening the panel during the wait refreshes at once; the one timer waits again after it.
    QVERIFY(loop->isNextRefreshArmed());
    loop->setPanelShown(true);
    QVERIFY(state->isLoading() && !loop->isNextRefreshArmed());
    QTRY_VERIFY(settled(3));
    QVERIFY(loop->isNextRefreshArmed());
    // Closing the panel keeps the loop; turning the setting off then stops it.
    loop->setPanelShown(false);
    QVERIFY(loop->isRunning() && loop->isNextRefreshArmed());
    state->setSettings(AppSettings{});
    QVERIFY(!loop->isRunning() && !loop->isNextRefreshArmed());

    // Without background refresh the panel alone runs the loop.
    loop->setPanelShown(true);
    QTRY_VERIFY(settled(4));
    QVERIFY(loop->isNextRefreshArmed());
    loop->setPanelShown(false);
    loop->setPanelShown(true);
    loop->setPanelShown(false); // while that refresh is in flight: nothing follows it
    QTRY_VERIFY(settled(5));
    QVERIFY(!loop->isNextRefreshArmed());

    // A session handed over while the panel shows another is fetched at once.
    loop->setPanelShown(true);
    QTRY_VERIFY(settled(6));
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
    // Whether a refresh is under way once the loop, connected first, has seen the wake.
    int wakes = 0;
    bool refreshingOnWake = false;
    connect(resume ? static_cast<WakeWatcher*>(&sleepWatcher) : &reachabilityWatcher,
            &WakeWatcher::woke, this, [&] {
                refreshingOnWake = state->isLoading();
                ++wakes;
            });
    for (const bool first : {true, false}) // to sleep and back; disconnected, then online
        QVERIFY(resume ? m_logind->emitSignal("org.freedesktop.login1.Manager", "PrepareForSleep",
                                              "b", {first})
                       : m_networkManager->setProperty("org.freedesktop.NetworkManager", "State",
                                                       QVariant::fromValue(first ? 20u : 70u)));
    QTRY_COMPARE(wakes, 1);
    QCOMPARE(refreshingOnWake, refreshes > 0);
    QTRY_VERIFY(!state->isLoading());
    QCOMPARE(service.requestCount(), 1 + refreshes);
}

QTEST_GUILESS_MAIN(TestRefreshLoop)
#include "test_refresh_loop.moc"
