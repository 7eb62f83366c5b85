#include "StatusNotifierWatcher.h"
#include "platform/TrayWaiter.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

class TestTrayWaiter : public QObject
{
    Q_OBJECT

private slots:
    // The test plays the desktop shell's tray watcher on its private bus, where at first
    // nothing watches (and the offscreen platform has no X display).
    void waitsForAWatcher()
    {
        TrayWaiter quick(300ms), patient(20s);
        QSignalSpy quickFound(&quick, &TrayWaiter::trayAvailable);
        QSignalSpy quickGaveUp(&quick, &TrayWaiter::timedOut);
        QSignalSpy found(&patient, &TrayWaiter::trayAvailable);
        QSignalSpy gaveUp(&patient, &TrayWaiter::timedOut);
        quick.start();
        patient.start();
        QVERIFY(quickGaveUp.wait(5000) && quickFound.isEmpty() && found.isEmpty());
        StatusNotifierWatcher watcher; // as another process would register it
        QVERIFY(watcher.isRegistered() && found.wait(10000) && gaveUp.isEmpty());
        QVERIFY(TrayWaiter::statusNotifierHostRegistered());
    }
};

QTEST_MAIN(TestTrayWaiter)
#include "test_tray_waiter.moc"
