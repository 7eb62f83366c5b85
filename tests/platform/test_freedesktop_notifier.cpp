#include "NotificationDaemonMock.h"
#include "platform/FreedesktopNotifier.h"

#include <QTest>

class TestFreedesktopNotifier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void post_data();
    void post();
};

void TestFreedesktopNotifier::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no D-Bus session bus: run this test under dbus-run-session");
}

void TestFreedesktopNotifier::post_data()
{
    QTest::addColumn<QString>("server"); // "mock", "slow" (answers after the call timed out),
                                         // "none" (a bus without one) or "no bus"
    QTest::addColumn<QStringList>("identifiers"); // posted in turn, each body its index
    QTest::addColumn<bool>("waitForEach");
    // Of each Notify call. The mock hands out ids 1, 2, ... and answers a replacement with the
    // id it replaced.
    QTest::addColumn<QList<uint>>("replacedIds");

    const QString a = "pallowe-alert-80", b = "pallowe-alert-85";
    QTest::newRow("one after another")
        << "mock" << QStringList{a, a, b, b, a} << true << QList<uint>{0, 1, 0, 2, 1};
    // Posts made while the first is unanswered collapse into one replacement showing the newest.
    QTest::newRow("before the server answered")
        << "mock" << QStringList{a, a, a} << false << QList<uint>{0, 1};
    // The second post waits for the first call, which fails: no reply is still no balloon.
    QTest::newRow("slow server") << "slow" << QStringList{a, a} << false << QList<uint>{0, 0};
    QTest::newRow("no server: balloons") << "none" << QStringList{a, a} << false << QList<uint>{};
    QTest::newRow("no bus: balloons") << "no bus" << QStringList{a, a} << false << QList<uint>{};
}

void TestFreedesktopNotifier::post()
{
    QFETCH(QString, server);
    QFETCH(QStringList, identifiers);
    QFETCH(bool, waitForEach);
    QFETCH(QList<uint>, replacedIds);
    const bool hasServer = server == u"mock" || server == u"slow";
    const QDBusConnection bus =
        server != u"no bus" ? QDBusConnection::sessionBus()
                            : QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "no-bus");
    NotificationDaemonMock mock;
    if (hasServer)
        QVERIFY2(mock.start(), qPrintable(mock.failure()));
    if (server == u"slow")
        QVERIFY(mock.answerNotifyLate(0.5));
    QList<QStringList> balloons;
    FreedesktopNotifier notifier(
        [&](const QString& title, const QString& body) {
            balloons << QStringList{title, body};
        },
        bus, server == u"slow" ? 100 : -1);

    notifier.requestPermission(); // freedesktop has no permission step: only a question
    QList<QStringList> posted;
    for (qsizetype i = 0; i < identifiers.size(); ++i) {
        notifier.post(identifiers[i], "Pallowe", QString::number(i));
        posted << QStringList{"Pallowe", QString::number(i)};
        if (waitForEach)
            QTRY_COMPARE(mock.callsOf("Notify").size(), i + 1);
    }
    if (!hasServer) {
        QTRY_COMPARE(balloons, posted);
        return;
    }
    QTRY_COMPARE(mock.callsOf("Notify").size(), replacedIds.size());
    const QList<QVariantList> calls = mock.callsOf("Notify");
    QList<uint> replaced;
    for (const QVariantList& call : calls)
        replaced << call[ReplacesId].toUInt();
    QCOMPARE(replaced, replacedIds);
    QCOMPARE(calls.last()[Body], posted.last()[1]);
    QCOMPARE(calls.first().mid(AppName, Body), (QVariantList{"Pallowe", 0u, "pallowe", "Pallowe"}));
    QCOMPARE(calls.first()[Actions].toStringList(), QStringList());
    const QVariantMap hints = calls.first()[Hints].toMap();
    QCOMPARE(hints.value("desktop-entry"), "pallowe");
    QCOMPARE(hints.value("sound-name"), "message-new-instant");
    QCOMPARE(calls.first()[Expire].toInt(), -1);
    QCOMPARE(mock.callsOf("GetCapabilities").size(), 1);
    QVERIFY(balloons.isEmpty());
}

QTEST_GUILESS_MAIN(TestFreedesktopNotifier)
#include "test_freedesktop_notifier.moc"
