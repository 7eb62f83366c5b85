#include "TrayWaiter.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace {

// A tray host's watcher, the way desktop shells register one on the session bus.
class Watcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    bool hostRegistered() const { return true; }
};

} // namespace

class TestTrayWaiter : public QObject
{
    Q_OBJECT

private slots:
    void withoutAnyTrayItGivesUp()
    {
        // The offscreen platform has no X display, and nothing watches on this private bus.
        TrayWaiter waiter(std::chrono::milliseconds(300));
        QSignalSpy available(&waiter, &TrayWaiter::trayAvailable);
        QSignalSpy gaveUp(&waiter, &TrayWaiter::timedOut);
        waiter.start();
        QVERIFY(gaveUp.wait(5000));
        QCOMPARE(available.count(), 0);
    }

    void aWatcherThatAppearsLaterIsFound()
    {
        TrayWaiter waiter(std::chrono::seconds(20));
        QSignalSpy available(&waiter, &TrayWaiter::trayAvailable);
        QSignalSpy gaveUp(&waiter, &TrayWaiter::timedOut);
        waiter.start();
        QTest::qWait(100);
        QCOMPARE(available.count(), 0);

        // A second connection, as a separate process's would be.
        QDBusConnection shell =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("shell"));
        // Served from a thread of its own, since the waiter asks it with a blocking call.
        QThread serving;
        Watcher watcher;
        watcher.moveToThread(&serving);
        serving.start();
        QVERIFY(shell.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                     QDBusConnection::ExportAllProperties));
        QVERIFY(shell.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
        QVERIFY(available.wait(10000));
        QCOMPARE(gaveUp.count(), 0);
        QVERIFY(TrayWaiter::statusNotifierHostRegistered());
        shell.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        QDBusConnection::disconnectFromBus(QStringLiteral("shell"));
        serving.quit();
        serving.wait();
    }
};

QTEST_MAIN(TestTrayWaiter)
#include "test_tray_waiter.moc"
