#include "DBusMock.h"
#include "StateFixture.h"
#include "platform/LogindSleepWatcher.h"
#include "platform/ReachabilityWatcher.h"
#include "state/StartupOptions.h"
#include "storage/SettingsStore.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

AppState::Services withInterval(const TemporaryHome& home, std::chrono::milliseconds interval)
{
    return {home.dataFolder(), nullptr, nullptr, nullptr, interval};
}

} // namespace

class TestRefreshLoop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void runsWhileShown();
    void followsConfiguration();
    void backgroundRefreshKeepsOneLoop();
    void wakeRefreshesWhenDue_data();
    void wakeRefreshesWhenDue();

private:
    // logind and NetworkManager on a private bus that stands for the system bus too.
    std::unique_ptr<DBusMock> m_logind;
    std::unique_ptr<DBusMock> m_networkManager;
};

void TestRefreshLoop::initTestCase()
{
    // Before the first bus connection, when Qt settles both addresses.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", qgetenv("DBUS_SESSION_BUS_ADDRESS"));
    if (!QDBusConnection::sessionBus().isConnected())
        return;
    m_logind = std::make_unique<DBusMock>(DBusMock::kLogind);
    m_networkManager = std::make_unique<DBusMock>(DBusMock::kNetworkManager);
    QVERIFY2(m_logind->start() && m_networkManager->start(), "python-dbusmock did not start");
}

void TestRefreshLoop::runsWhileShown()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(5);
    AppState state(sessionArguments(service.origin()), withInterval(home, 150ms));
    RefreshLoop* loop = state.refreshLoop();
    loop->setPanelShown(true);
    QTRY_COMPARE(service.requestCount(), 1); // at once
    QTRY_VERIFY(service.requestCount() >= 3);
    loop->setPanelShown(false);
    QVERIFY(!loop->isRunning());
    const int count = service.requestCount();
    QTest::qWait(400);
    QCOMPARE(service.requestCount(), count);

    // Hidden while a refresh is in flight: nothing is scheduled after it.
    loop->setPanelShown(true);
    loop->setPanelShown(false);
    QTest::qWait(400);
    QCOMPARE(service.requestCount(), count + 1);
}

void TestRefreshLoop::followsConfiguration()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(5);
    AppState state({"pallowe", "--service-origin=" + service.origin()}, withInterval(home, 60ms));
    state.refreshLoop()->setPanelShown(true);
    QTest::qWait(200);
    QCOMPARE(service.requestCount(), 0); // not configured: nothing to refresh

    // The service refuses the session: the loop ends with it.
    AppState configured(sessionArguments(service.origin()), withInterval(home, 60ms));
    service.setStatus(401);
    configured.refreshLoop()->setPanelShown(true);
    QTRY_VERIFY(!configured.isConfigured());
    const int count = service.requestCount();
    QTest::qWait(300);
    QCOMPARE(service.requestCount(), count);

    // A session handed over while the panel shows another is fetched at once.
    service.setStatus(200);
    AppState open(sessionArguments(service.origin()), withInterval(home, 10s));
    open.refreshLoop()->setPanelShown(true);
    QTRY_VERIFY(open.usage());
    open.applyCommandLineSession(StartupOptions::parse({"--sk=k2", "--org-id=o2"}));
    QTRY_COMPARE(service.requestCount("/api/organizations/o2/usage"), 1);
}

void TestRefreshLoop::backgroundRefreshKeepsOneLoop()
{
    constexpr auto interval = 400ms;
    TemporaryHome home;
    UsageService service;
    service.setUsage(5);
    AppSettings background;
    background.backgroundRefresh = true;
    SettingsStore(home.dataFolder()).save(background);
    AppState state(sessionArguments(service.origin()), withInterval(home, interval));
    RefreshLoop* loop = state.refreshLoop();

    QTRY_COMPARE(service.requestCount(), 2); // the panel never opened
    QTRY_VERIFY(!state.isLoading());

    // Opening the panel half-way through a wait refreshes at once and re-arms the one timer:
    // nothing more comes before a whole interval has passed.
    QTest::qWait(interval.count() / 2);
    loop->setPanelShown(true);
    QTRY_COMPARE(service.requestCount(), 3);
    QTest::qWait(interval.count() * 7 / 10);
    QCOMPARE(service.requestCount(), 3);

    // Closing the panel keeps the loop; turning the setting off then stops it.
    loop->setPanelShown(false);
    QVERIFY(loop->isRunning());
    state.setSettings(AppSettings{});
    QVERIFY(!loop->isRunning());
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
    if (!m_logind)
        QSKIP("no D-Bus session bus: run this test under dbus-run-session");

    TemporaryHome home;
    UsageService service;
    service.setStatus(firstStatus);
    LogindSleepWatcher sleepWatcher(QDBusConnection::sessionBus());
    ReachabilityWatcher reachabilityWatcher;
    AppState::Services services = withInterval(home, RefreshLoop::kDefaultInterval);
    services.wakeWatchers = {&sleepWatcher, &reachabilityWatcher};
    AppState state(sessionArguments(service.origin()), services);
    std::chrono::milliseconds now = 1h; // the suspend-proof clock, moved by hand
    state.refreshLoop()->setClock([&now] { return now; });
    state.refreshLoop()->setPanelShown(true);
    QTRY_VERIFY(service.requestCount() == 1 && !state.isLoading());

    now += std::chrono::seconds(secondsAway);
    service.setStatus(200);
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

QTEST_GUILESS_MAIN(TestRefreshLoop)
#include "test_refresh_loop.moc"
