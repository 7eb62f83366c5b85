#include "StatusNotifierWatcher.h"
#include "TrayWaiter.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

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

        // The desktop shell's, as another process would register it.
        StatusNotifierWatcher watcher;
        QVERIFY(watcher.isRegistered());
        QVERIFY(available.wait(10000));
        QCOMPARE(gaveUp.count(), 0);
        QVERIFY(TrayWaiter::statusNotifierHostRegistered());
    }
};

QTEST_MAIN(TestTrayWaiter)
#include "test_tray_waiter.moc"
