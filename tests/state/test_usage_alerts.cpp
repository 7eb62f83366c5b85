#include "NotificationDaemonMock.h"
#include "StateFixture.h"
#include "platform/FreedesktopNotifier.h"

#include <QTest>

// The alert path end to end: the state, the adapter, a real bus and a real server.
class TestUsageAlerts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void alerts_data();
    void alerts();
};

void TestUsageAlerts::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no D-Bus session bus: run this test under dbus-run-session");
}

void TestUsageAlerts::alerts_data()
{
    // Each step: a refresh at "fiveHour[/sevenDay]" percent, "fail" (answered 500), "tN"
    // (threshold N), "off", "on" or "restart".
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("notified");        // "percent/threshold" of each alert
    QTest::addColumn<QList<uint>>("replacedIds"); // the server hands out ids 1, 2, ...

    QTest::newRow("once per crossing, again after falling")
        << "79.9 80 92 20/81.5 fail 50 85 restart 85"
        << "80/80 85/80 85/80" << QList<uint>{0, 1, 1};
    QTest::newRow("threshold changes") << "85 t70 85 t85 87 off 10 on 90"
                                       << "85/80 87/85" << QList<uint>{0, 0};
    QTest::newRow("alerts off") << "off 99 10 99"
                                << "" << QList<uint>{};
    QTest::newRow("threshold 0") << "t0 99 10 99"
                                 << "" << QList<uint>{};
}

void TestUsageAlerts::alerts()
{
    QFETCH(QString, steps);
    QFETCH(QString, notified);
    QFETCH(QList<uint>, replacedIds);
    TemporaryHome home;
    UsageService service;
    NotificationDaemonMock server;
    QVERIFY2(server.start(), qPrintable(server.failure()));
    QStringList fallbacks;
    FreedesktopNotifier notifier([&](const QString& title, const QString&) { fallbacks << title; });
    AppSettings settings;
    std::unique_ptr<AppState> state;
    const auto start = [&] {
        state = std::make_unique<AppState>(sessionArguments(service.origin()),
                                           AppState::Services{home.dataFolder(), &notifier});
        state->setSettings(settings);
    };
    start();

    for (const QString& step : steps.split(u' ')) {
        if (step == u"restart") {
            start();
        } else if (step == u"on" || step == u"off" || step.startsWith(u't')) {
            settings.alertEnabled = step != u"off";
            if (step.startsWith(u't'))
                settings.alertThresholdPercent = step.mid(1).toLongLong();
            state->setSettings(settings);
        } else {
            const QStringList percents = step.split(u'/');
            if (step == u"fail")
                service.setStatus(500);
            else
                service.setUsage(percents[0].toDouble(), percents.value(1).toDouble());
            refreshNow(*state);
        }
    }
    notifier.requestPermission(); // reaches the server after every alert posted before it
    QTRY_COMPARE(server.callsOf("GetCapabilities").size(), 1);

    QStringList expected;
    for (const QString& alert : notified.split(u' ', Qt::SkipEmptyParts))
        expected << QStringLiteral("Utilizzo al %1% — soglia %2% raggiunta.")
                        .arg(alert.section(u'/', 0, 0), alert.section(u'/', 1));
    const auto bodies = [&] {
        QStringList texts;
        for (const QVariantList& call : server.callsOf("Notify"))
            texts << call[Body].toString();
        return texts;
    };
    QTRY_COMPARE(bodies(), expected);
    QList<uint> replaced;
    for (const QVariantList& call : server.callsOf("Notify"))
        replaced << call[ReplacesId].toUInt();
    QCOMPARE(replaced, replacedIds);
    QVERIFY(fallbacks.isEmpty());
}

QTEST_GUILESS_MAIN(TestUsageAlerts)
#include "test_usage_alerts.moc"
