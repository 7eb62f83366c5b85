#include "FileSizeLimit.h"
#include "Files.h"
#include "TemporaryHome.h"
#include "storage/CredentialStore.h"
#include "storage/SettingsStore.h"

#include <QCoroTask>
#include <QDir>
#include <QTest>
#include <fcntl.h>
#include <future>
#include <unistd.h>

// The credential and settings stores read and write through JsonFile.
class TestJsonFile : public QObject
{
    Q_OBJECT

private slots:
    void failedWriteKeepsOldFile()
    {
        TemporaryHome home;
        const CredentialStore credentials(home.dataFolder());
        const SettingsStore settings(home.dataFolder());
        const QByteArray old = R"({"sessionKey": "old", "orgId": "o0", "alertEnabled": true})";
        writeFile(credentials.filePath(), old);
        writeFile(settings.filePath(), old);
        {
            const FileSizeLimit limit(1024); // room for the lock file, not for the new session
            QVERIFY(!QCoro::waitFor(credentials.storeSession({QString(4096, u'k'), "o1", "n"})));
        }
        {
            const FileSizeLimit limit(16);
            QVERIFY(!settings.save({false, 55, true, 1e6}));
        }
        QCOMPARE(contents(credentials.filePath()), old);
        QCOMPARE(contents(settings.filePath()), old);
        // Neither the lock nor a temporary file is left behind.
        QCOMPARE(QDir(home.dataFolder()).entryList(QDir::Files),
                 QStringList({"credentials.json", "settings.json"}));
    }

    // Opening a FIFO for reading waits for a writer: at start-up, and in pallowe-status, for
    // ever. Under either file's name it must read as nothing, at once.
    void neverWaitsOnAFifo()
    {
        TemporaryHome home;
        const CredentialStore credentials(home.dataFolder());
        const SettingsStore settings(home.dataFolder());
        const QStringList paths{credentials.filePath(), settings.filePath()};
        for (const QString& path : paths)
            QCOMPARE(mkfifo(qPrintable(path), 0600), 0);
        auto reads = std::async(std::launch::async, [&] {
            return !credentials.sessionKey() && settings.load() == AppSettings{};
        });
        const bool atOnce = reads.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        while (reads.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
            for (const QString& path : paths) // a writer that comes and goes frees a stuck read
                close(open(qPrintable(path), O_WRONLY | O_NONBLOCK));
        QVERIFY2(atOnce, "a read waited for a writer");
        QVERIFY(reads.get());
    }
};

QTEST_GUILESS_MAIN(TestJsonFile)
#include "test_json_file.moc"
