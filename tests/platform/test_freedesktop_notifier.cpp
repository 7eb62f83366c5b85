#include "DBusMock.h"
#include "platform/FreedesktopNotifier.h"

#include <QTest>

class TestFreedesktopNotifier : public QObject
{
    Q_OBJECT

private slots:
    void post_data();
    void post();
};

void TestFreedesktopNotifier::post_data()
{
    QTest::addColumn<QString>("server"); // "mock", "slow" (answers after the call timed out),
                                         // "none" (a bus without one) or "no bus"
    // Of each Notify call. The mock hands out ids 1, 2, ... and answers a replacement with the
    // id it replaced.
    QTest::addColumn<QList<uint>>("replacedIds");

    QTest::addColumn<QStringList>("balloons");

    // Three posts of one identifier: those made while the first is unanswered collapse into one
    // that shows the newest.
    QTest::newRow("server") << "mock" << QList<uint>{0, 1} << QStringList{};
    // The first call fails for want of a reply: still no balloon.
    QTest::newRow("slow server") << "slow" << QList<uint>{0, 0} << QStringList{};
    QTest::newRow("no server") << "none" << QList<uint>{}
                               << QStringList{"Pallowe: 1", "Pallowe: 3"};
    QTest::newRow("no bus") << "no bus" << QList<uint>{}
                            << QStringList{"Pallowe: 1", "Pallowe: 2", "Pallowe: 3"};
}

void TestFreedesktopNotifier::post()
{
    QFETCH(QString, server);
    QFETCH(QList<uint>, replacedIds);
    QFETCH(QStringList, balloons);
    const QDBusConnection bus =
        server != u"no bus" ? QDBusConnection::sessionBus()
                            : QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "no-bus");
    DBusMock mock;
    if (!replacedIds.isEmpty()) // a server
        QVERIFY2(mock.start(), qPrintable(mock.failure()));
    if (server == u"slow")
        QVERIFY(mock.answerNotifyLate(0.5));
    FreedesktopNotifier notifier(bus, server == u"slow" ? 100 : -1);
    QStringList shown; // by the tray's balloon
    connect(&notifier, &FreedesktopNotifier::undelivered,
            [&](const QString& title, const QString& body) { shown << title + ": " + body; });

    notifier.requestPermission(); // freedesktop has no permission step: only a question
    for (const char* body : {"1", "2", "3"})
        notifier.post("pallowe-alert-80", "Pallowe", body);
    if (!replacedIds.isEmpty()) {
        QTRY_COMPARE(mock.callsOf("Notify").size(), replacedIds.size());
        const QList<QVariantList> calls = mock.callsOf("Notify");
        QList<uint> replaced;
        for (const QVariantList& call : calls)
            replaced << call[ReplacesId].toUInt();
        QCOMPARE(replaced, replacedIds);
        QCOMPARE(calls.last()[Body].toString(), "3");
        QCOMPARE(
            calls.first().mid(AppName, Hints),
            (QVariantList{"Pallowe", 0u, "org.pallowe.Pallowe", "Pallowe", "1", QStringList()}));
        const QVariantMap hints = calls.first()[Hints].toMap();
        QCOMPARE(hints.value("desktop-entry"), "org.pallowe.Pallowe");
        QCOMPARE(hints.value("sound-name"), "message-new-instant");
        QCOMPARE(calls.first()[Expire].toInt(), -1);
        QCOMPARE(mock.callsOf("GetCapabilities").size(), 1);
    }
    QTRY_COMPARE(shown, balloons);
}

QTEST_GUILESS_MAIN(TestFreedesktopNotifier)
#include "test_freedesktop_notifier.moc"
