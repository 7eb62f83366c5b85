#include "NotificationDaemonMock.h"
#include "StateFixture.h"
#include "platform/FreedesktopNotifier.h"

#include <QCoroTask>
#include <QTest>

namespace {

QVariantMap hintsOf(const QVariantList& call)
{
    return call.value(Hints).toMap();
}

} // namespace

// The alert path end to end: the state, the adapter, a real bus and a real server.
class TestAlertNotifications : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void onePerCrossing();
    void noneWhenSilenced_data();
    void noneWhenSilenced();

private:
    struct Setup
    {
        TemporaryHome home;
        UsageService service;
        NotificationDaemonMock server;
        QStringList fallbacks;
        FreedesktopNotifier notifier{[this](const QString& t, const QString&) { fallbacks << t; }};
        std::unique_ptr<AppState> state;

        explicit Setup(AppSettings settings = {})
        {
            state = std::make_unique<AppState>(sessionArguments(service.origin()),
                                               AppState::Services{home.dataFolder(), &notifier});
            state->setSettings(settings);
        }
        void refreshAt(double percent)
        {
            service.setUsage(percent);
            QCoro::waitFor(state->refresh());
        }
    };
};

void TestAlertNotifications::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no D-Bus session bus: run this test under dbus-run-session");
}

void TestAlertNotifications::onePerCrossing()
{
    Setup s;
    QVERIFY2(s.server.start(), qPrintable(s.server.failure()));

    s.refreshAt(79.9);
    s.refreshAt(80);
    s.refreshAt(92);
    QTRY_COMPARE(s.server.callsOf("Notify").size(), 1);
    const QVariantList first = s.server.callsOf("Notify").first();
    QCOMPARE(first[Summary].toString(), QStringLiteral("Pallowe"));
    QCOMPARE(first[Body].toString(), QStringLiteral("Utilizzo al 80% — soglia 80% raggiunta."));
    QCOMPARE(hintsOf(first).value("sound-name").toString(), QStringLiteral("message-new-instant"));
    QCOMPARE(hintsOf(first).value("desktop-entry").toString(), QStringLiteral("pallowe"));

    s.refreshAt(50);
    s.refreshAt(81);
    QTRY_COMPARE(s.server.callsOf("Notify").size(), 2);
    QCOMPARE(s.server.callsOf("Notify").last()[Body].toString(),
             QStringLiteral("Utilizzo al 81% — soglia 80% raggiunta."));

    s.state->setSettings(AppSettings{true, 85, true, {}});
    s.refreshAt(87);
    QTRY_COMPARE(s.server.callsOf("Notify").size(), 3);
    QCOMPARE(s.server.callsOf("Notify").last()[Body].toString(),
             QStringLiteral("Utilizzo al 87% — soglia 85% raggiunta."));
    QVERIFY(s.fallbacks.isEmpty());
}

void TestAlertNotifications::noneWhenSilenced_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<qint64>("threshold");
    QTest::newRow("alerts off") << false << qint64(80);
    QTest::newRow("threshold 0") << true << qint64(0);
}

void TestAlertNotifications::noneWhenSilenced()
{
    QFETCH(bool, enabled);
    QFETCH(qint64, threshold);
    Setup s(AppSettings{enabled, threshold, true, {}});
    QVERIFY2(s.server.start(), qPrintable(s.server.failure()));
    s.refreshAt(99);
    s.refreshAt(10);
    s.refreshAt(99);
    s.notifier
        .requestPermission(); // a call that does arrive, so the server is known to be listening
    QTRY_COMPARE(s.server.callsOf("GetCapabilities").size(), 1);
    QCOMPARE(s.server.callsOf("Notify").size(), 0);
}

QTEST_GUILESS_MAIN(TestAlertNotifications)
#include "test_alert_notifications.moc"
