#include "StateFixture.h"
#include "state/RefreshLoop.h"

#include <QTest>

using namespace std::chrono_literals;

class TestRefreshLoop : public QObject
{
    Q_OBJECT

private slots:
    void refreshesAtOnceThenPeriodically();
    void stopCancelsPendingWait();
    void followsConfiguration();
};

void TestRefreshLoop::refreshesAtOnceThenPeriodically()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(5);
    AppState state(sessionArguments(service.origin()), {home.dataFolder()});
    RefreshLoop loop(&state, 80ms);

    loop.start();
    QTRY_COMPARE(service.requestCount(), 1);
    QTRY_VERIFY(service.requestCount() >= 3);
}

void TestRefreshLoop::stopCancelsPendingWait()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(5);
    AppState state(sessionArguments(service.origin()), {home.dataFolder()});
    {
        RefreshLoop loop(&state, 150ms);
        loop.start();
        QTRY_VERIFY(state.usage());
        loop.stop();
        QVERIFY(!loop.isRunning());
    }
    const int count = service.requestCount();
    QTest::qWait(400);
    QCOMPARE(service.requestCount(), count);

    // Destroyed while a refresh is in flight: nothing is scheduled afterwards.
    auto loop = std::make_unique<RefreshLoop>(&state, 50ms);
    loop->start();
    loop.reset();
    QTest::qWait(300);
    QCOMPARE(service.requestCount(), count + 1);
}

void TestRefreshLoop::followsConfiguration()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(5);
    AppState state(QStringList{"pallowe", "--service-origin=" + service.origin()},
                   {home.dataFolder()});
    RefreshLoop loop(&state, 60ms);
    loop.start();
    QTest::qWait(200);
    QCOMPARE(service.requestCount(), 0); // not configured: nothing to refresh

    // The service refuses the session: the loop ends with it.
    AppState configured(sessionArguments(service.origin()), {home.dataFolder()});
    RefreshLoop second(&configured, 60ms);
    service.setStatus(401);
    second.start();
    QTRY_VERIFY(!configured.isConfigured());
    const int count = service.requestCount();
    QTest::qWait(300);
    QCOMPARE(service.requestCount(), count);
}

QTEST_GUILESS_MAIN(TestRefreshLoop)
#include "test_refresh_loop.moc"
