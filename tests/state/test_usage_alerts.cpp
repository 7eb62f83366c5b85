#include "StateFixture.h"

#include <QCoroTask>
#include <QTest>

class TestUsageAlerts : public QObject
{
    Q_OBJECT

private slots:
    void alertsOncePerCrossing();
    void thresholdChanges();
    void neverAlerts_data();
    void neverAlerts();

private:
    struct Setup
    {
        TemporaryHome home;
        UsageService service;
        RecordingNotifier notifier;
        std::unique_ptr<AppState> state;

        explicit Setup(AppSettings settings = {})
        {
            state = std::make_unique<AppState>(sessionArguments(service.origin()),
                                               AppState::Services{home.dataFolder(), &notifier});
            state->setSettings(settings);
        }
        void refreshAt(double fiveHour, double sevenDay = 0)
        {
            service.setUsage(fiveHour, sevenDay);
            QCoro::waitFor(state->refresh());
        }
    };
};

void TestUsageAlerts::alertsOncePerCrossing()
{
    Setup s;
    s.refreshAt(79.9);
    QCOMPARE(s.notifier.posted.size(), 0);

    s.refreshAt(80.0);
    QCOMPARE(s.notifier.posted.size(), 1);
    QCOMPARE(s.notifier.posted[0].identifier, QStringLiteral("pallowe-alert-80"));
    QCOMPARE(s.notifier.posted[0].title, QStringLiteral("Pallowe"));
    QCOMPARE(s.notifier.posted[0].body, QStringLiteral("Utilizzo al 80% — soglia 80% raggiunta."));

    s.refreshAt(95);
    s.refreshAt(20, 81.5); // the seven-day window counts too
    QCOMPARE(s.notifier.posted.size(), 1);

    s.service.setStatus(500); // a failed refresh changes nothing
    QCoro::waitFor(s.state->refresh());
    s.refreshAt(50);
    s.refreshAt(85);
    QCOMPARE(s.notifier.posted.size(), 2);
    QCOMPARE(s.notifier.posted[1].body, QStringLiteral("Utilizzo al 85% — soglia 80% raggiunta."));

    // A restart forgets the alert.
    s.state = std::make_unique<AppState>(sessionArguments(s.service.origin()),
                                         AppState::Services{s.home.dataFolder(), &s.notifier});
    s.refreshAt(85);
    QCOMPARE(s.notifier.posted.size(), 3);
}

void TestUsageAlerts::thresholdChanges()
{
    Setup s;
    s.refreshAt(85);
    QCOMPARE(s.notifier.posted.size(), 1);

    s.state->setSettings(AppSettings{true, 70, true, {}}); // lowered: 80 already covers it
    s.refreshAt(85);
    QCOMPARE(s.notifier.posted.size(), 1);

    s.state->setSettings(AppSettings{true, 85, true, {}}); // raised past the notified one
    s.refreshAt(87);
    QCOMPARE(s.notifier.posted.size(), 2);
    QCOMPARE(s.notifier.posted[1].identifier, QStringLiteral("pallowe-alert-85"));

    s.state->setSettings(AppSettings{false, 85, true, {}}); // off does not reset the memory
    s.refreshAt(10);
    s.state->setSettings(AppSettings{true, 85, true, {}});
    s.refreshAt(90);
    QCOMPARE(s.notifier.posted.size(), 2);
}

void TestUsageAlerts::neverAlerts_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<qint64>("threshold");
    QTest::addColumn<QByteArray>("report");

    QTest::newRow("alerts off") << false << qint64(80)
                                << QByteArray(
                                       R"({"five_hour":{"utilization":99,"resets_at":"x"}})");
    QTest::newRow("threshold 0") << true << qint64(0)
                                 << QByteArray(
                                        R"({"five_hour":{"utilization":99,"resets_at":"x"}})");
    QTest::newRow("per-model only")
        << true << qint64(80)
        << QByteArray(
               R"({"five_hour":{"utilization":10,"resets_at":"x"},"seven_day_velmar":{"utilization":100,"resets_at":"x"},"seven_day_drevan":{"utilization":100,"resets_at":"x"}})");
}

void TestUsageAlerts::neverAlerts()
{
    QFETCH(bool, enabled);
    QFETCH(qint64, threshold);
    QFETCH(QByteArray, report);
    Setup s(AppSettings{enabled, threshold, true, {}});
    s.service.setUsageBody(report);
    QCoro::waitFor(s.state->refresh());
    QCoro::waitFor(s.state->refresh());
    QCOMPARE(s.notifier.posted.size(), 0);
}

QTEST_GUILESS_MAIN(TestUsageAlerts)
#include "test_usage_alerts.moc"
