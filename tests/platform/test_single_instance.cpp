#include "TemporaryHome.h"
#include "platform/SingleInstance.h"
#include "storage/AppDataFolder.h"

#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTest>

// One Pallowe per data folder: what a start finds in a leftover instance.lock decides whether
// it runs, and what it says when it does not. Holding the folder's bus name, only a live
// Pallowe started without a bus can stand in the way; without a bus, an unreadable lock is
// taken over once it is a few seconds old.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void leftoverLocks_data()
    {
        QTest::addColumn<QByteArray>("lock"); // "live": held by a running process
        QTest::addColumn<bool>("bus");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<QString>("refusal"); // part of what is said; empty: this one runs

        const QByteArray elsewhere = "999999\nPallowe\nanother-host\n";
        QTest::newRow("empty, bus name held") << QByteArray() << true << 0 << "";
        QTest::newRow("garbage, bus name held") << QByteArray("\x01\xfe\n") << true << 0 << "";
        QTest::newRow("another host, bus name held") << elsewhere << true << 0 << "";
        QTest::newRow("empty and old, no bus") << QByteArray() << false << 60 << "";
        QTest::newRow("empty and new, no bus")
            << QByteArray() << false << 0 << "un altro Pallowe si sta avviando";
        QTest::newRow("another host, no bus")
            << elsewhere << false << 60 << "è in uso da Pallowe sull'host another-host";
        QTest::newRow("live, no bus") << QByteArray("live") << false << 60
                                      << "e senza un bus di sessione non può essere raggiunto";
        QTest::newRow("live without a bus, bus name held")
            << QByteArray("live") << true << 60 << "è in esecuzione per";
    }

    void leftoverLocks()
    {
        QFETCH(QByteArray, lock);
        QFETCH(bool, bus);
        QFETCH(int, ageSeconds);
        QFETCH(QString, refusal);
        TemporaryHome home;
        AppDataFolder::ensureExists(home.dataFolder());
        QProcess holder;
        if (lock == "live") {
            holder.start("sleep", {"60"});
            QVERIFY(holder.waitForStarted());
            lock = QByteArray::number(holder.processId()) + "\nsleep\n" +
                   QSysInfo::machineHostName().toUtf8() + "\n";
        }
        QFile file(home.dataFolder() + "/instance.lock");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lock) == lock.size());
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                                 QFileDevice::FileModificationTime));
        file.close();

        const QDBusConnection connection =
            bus ? QDBusConnection::sessionBus()
                : QDBusConnection::connectToBus("unix:path=/nonexistent", "no bus");
        SingleInstance instance(home.dataFolder(), connection);
        const auto claim = instance.claim({});
        QCOMPARE(claim == SingleInstance::Claim::Owner, refusal.isEmpty());
        QVERIFY2(instance.report().startsWith("pallowe: ") == !refusal.isEmpty() &&
                     instance.report().contains(refusal),
                 qPrintable(instance.report()));
        qint64 pid = 0;
        if (refusal.isEmpty()) // the leftover was replaced by this process's own
            QVERIFY(QLockFile(file.fileName()).getLockInfo(&pid, nullptr, nullptr) &&
                    pid == QCoreApplication::applicationPid());
        holder.kill();
        holder.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
