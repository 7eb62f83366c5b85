#include "DBusMock.h"
#include "StateFor.h"
#include "UsageService.h"
#include "platform/FreedesktopNotifier.h"

#include <QTest>

using namespace std::chrono_literals;

using Alerts = QList<std::pair<QString, uint>>; // body, id of the notification it replaces

// The threshold alert and the notice that the session is back, as a notification server on a
// private bus receives them.
class TestUsageAlerts : public QObject
{
    Q_OBJECT

private slots:
    void alerts_data();
    void alerts();
};

void TestUsageAlerts::alerts_data()
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
    QTest::newRow("reset alert: the service resets late, so the reading is asked again")
        << "r 85@500 + ~90@-100 + ~10 -" << Alerts{{alert(85, 80), 0}, {back(10), 1}};
    QTest::newRow("reset alert: a failed refresh at the reset, retried by a wake")
        << "r 85@500 ~fail + !12" << Alerts{{alert(85, 80), 0}, {back(12), 1}};
    QTest::newRow("reset alert: only a full session window, and no longer than it lasts")
        << "r 20/90 - t90 85@60000 - t80 + off - on + t90 - t80 + signout -"
        << Alerts{{alert(90, 80), 0}};
    QTest::newRow("reset alert: none at threshold 0 or with alerts off, gone with a restart")
        << "t0 r 99@60000 - off t80 85@60000 - on + 85@60000 + restart -"
        << Alerts{{alert(85, 80), 0}};
}

void TestUsageAlerts::alerts()
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

QTEST_GUILESS_MAIN(TestUsageAlerts)
#include "test_usage_alerts.moc"
