#include "NotificationDaemonMock.h"
#include "platform/FreedesktopNotifier.h"

#include <QDBusConnection>
#include <QTest>

namespace {

const QString kAlertBody = QStringLiteral("Utilizzo al 80% — soglia 80% raggiunta.");

struct FallbackRecord
{
    QList<QStringList> shown;

    FreedesktopNotifier::Fallback callback()
    {
        return [this](const QString& title, const QString& body) {
            shown << QStringList{title, body};
        };
    }
};

QList<uint> replacedIds(const QList<QVariantList>& calls)
{
    QList<uint> ids;
    for (const auto& call : calls)
        ids << call.value(ReplacesId).toUInt();
    return ids;
}

} // namespace

class TestFreedesktopNotifier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void postsTheNotification();
    void sameIdentifierReplaces_data();
    void sameIdentifierReplaces();
    void fallsBackOnlyWithoutServer_data();
    void fallsBackOnlyWithoutServer();
};

void TestFreedesktopNotifier::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no D-Bus session bus: run this test under dbus-run-session");
}

void TestFreedesktopNotifier::postsTheNotification()
{
    NotificationDaemonMock server;
    QVERIFY2(server.start(), qPrintable(server.failure()));
    FallbackRecord fallback;
    FreedesktopNotifier notifier(fallback.callback());

    notifier.requestPermission(); // freedesktop has no permission step: only a question
    QTRY_COMPARE(server.callsOf("GetCapabilities").size(), 1);
    QVERIFY(server.callsOf("Notify").isEmpty());
    notifier.post("pallowe-alert-80", "Pallowe", kAlertBody);
    QTRY_COMPARE(server.callsOf("Notify").size(), 1);
    const QVariantList call = server.callsOf("Notify").constFirst();
    const QVariantMap hints = call[Hints].toMap();
    QCOMPARE(call.mid(AppName, Actions),
             (QVariantList{"Pallowe", 0u, "pallowe", "Pallowe", kAlertBody}));
    QCOMPARE(call[Actions].toStringList(), QStringList());
    QCOMPARE(hints.value("desktop-entry").toString(), QStringLiteral("pallowe"));
    QCOMPARE(hints.value("sound-name").toString(), QStringLiteral("message-new-instant"));
    QCOMPARE(call[Expire].toInt(), -1);
    QVERIFY(fallback.shown.isEmpty());
}

void TestFreedesktopNotifier::sameIdentifierReplaces_data()
{
    QTest::addColumn<QStringList>("identifiers");
    QTest::addColumn<bool>("waitForEach");
    QTest::addColumn<QList<uint>>("expectedReplacedIds");

    // The mock hands out ids 1, 2, … and answers a replacement with the id it replaced. Posts
    // made while the first is unanswered collapse into one replacement showing the newest.
    QTest::newRow("one after another")
        << QStringList{"pallowe-alert-80", "pallowe-alert-80", "pallowe-alert-85",
                       "pallowe-alert-85", "pallowe-alert-80"}
        << true << QList<uint>{0, 1, 0, 2, 1};
    QTest::newRow("before the server answered")
        << QStringList{"pallowe-alert-80", "pallowe-alert-80", "pallowe-alert-80"} << false
        << QList<uint>{0, 1};
}

void TestFreedesktopNotifier::sameIdentifierReplaces()
{
    QFETCH(QStringList, identifiers);
    QFETCH(bool, waitForEach);
    QFETCH(QList<uint>, expectedReplacedIds);
    NotificationDaemonMock server;
    QVERIFY2(server.start(), qPrintable(server.failure()));
    FallbackRecord fallback;
    FreedesktopNotifier notifier(fallback.callback());

    for (qsizetype i = 0; i < identifiers.size(); ++i) {
        notifier.post(identifiers[i], "Pallowe", QString::number(i));
        if (waitForEach)
            QTRY_COMPARE(server.callsOf("Notify").size(), i + 1);
    }

    QTRY_COMPARE(server.callsOf("Notify").size(), expectedReplacedIds.size());
    QCOMPARE(replacedIds(server.callsOf("Notify")), expectedReplacedIds);
    QCOMPARE(server.callsOf("Notify").constLast().value(Body).toString(),
             QString::number(identifiers.size() - 1));
    QVERIFY(fallback.shown.isEmpty());
}

void TestFreedesktopNotifier::fallsBackOnlyWithoutServer_data()
{
    QTest::addColumn<QString>("server");

    QTest::newRow("bus without notification server") << "none";
    QTest::newRow("no bus at all") << "no bus";
    QTest::newRow("a server too slow to answer in time") << "slow";
}

void TestFreedesktopNotifier::fallsBackOnlyWithoutServer()
{
    QFETCH(QString, server);
    const QDBusConnection bus =
        server != u"no bus" ? QDBusConnection::sessionBus()
                            : QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "no-bus");
    QCOMPARE(bus.isConnected(), server != u"no bus");
    NotificationDaemonMock slowServer;
    if (server == u"slow") {
        QVERIFY2(slowServer.start(), qPrintable(slowServer.failure()));
        QVERIFY(slowServer.answerNotifyLate(0.5));
    }
    FallbackRecord fallback;
    FreedesktopNotifier notifier(fallback.callback(), bus, 100);

    notifier.requestPermission();
    notifier.post("pallowe-alert-80", "Pallowe", kAlertBody);
    notifier.post("pallowe-alert-80", "Pallowe", "seconda");

    const QList<QStringList> expected{{"Pallowe", kAlertBody}, {"Pallowe", "seconda"}};
    if (server != u"slow") {
        QTRY_COMPARE(fallback.shown, expected);
        return;
    }
    // The second post goes out only once the first call has failed: no reply is no balloon.
    QTRY_COMPARE(slowServer.callsOf("Notify").size(), 2);
    QVERIFY(fallback.shown.isEmpty());
}

QTEST_GUILESS_MAIN(TestFreedesktopNotifier)
#include "test_freedesktop_notifier.moc"
