#include "TemporaryHome.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

constexpr int kTimeoutMs = 20000;
const QStringList kSessionA{"--sk=sk-AAAA", "--org-id=org-AAAA", "--org-name=AAAA"};
const QStringList kSessionB{"--sk=sk-BBBB", "--org-id=org-BBBB"};
const QByteArray kRecordA = R"({"orgId":"org-AAAA","orgName":"AAAA","sessionKey":"sk-AAAA"})";
const QByteArray kRecordB = R"({"orgId":"org-BBBB","sessionKey":"sk-BBBB"})";

QByteArray credentials(const QString& dataFolder)
{
    QFile file(dataFolder + QStringLiteral("/credentials.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The real program, offscreen: with no tray to wait for, it keeps running until killed.
std::unique_ptr<QProcess> start(const QStringList& arguments,
                                const QProcessEnvironment& environment)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(PALLOWE_BINARY), arguments);
    process->waitForStarted();
    return process;
}

QStringList ownLines(QProcess& process)
{
    const QString text = QString::fromUtf8(process.readAllStandardError());
    return text.split(u'\n', Qt::SkipEmptyParts).filter(QRegularExpression("^pallowe: "));
}

void stop(QProcess& process)
{
    process.kill();
    process.waitForFinished();
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondStart_data();
    void secondStart();
    void simultaneousStartsStoreOneWholeSession();
};

void TestSingleInstance::secondStart_data()
{
    QTest::addColumn<bool>("sessionBus");
    QTest::addColumn<bool>("sameFolder");
    QTest::addColumn<int>("exitCode"); // -1: keeps running beside the first
    QTest::addColumn<QByteArray>("firstRecord");

    QTest::newRow("hands over") << true << true << 0 << kRecordB;
    QTest::newRow("other folder runs beside") << true << false << -1 << kRecordA;
    QTest::newRow("no session bus, refused") << false << true << 1 << kRecordA;
}

void TestSingleInstance::secondStart()
{
    QFETCH(bool, sessionBus);
    QFETCH(bool, sameFolder);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, firstRecord);
    TemporaryHome home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!sessionBus) // an address that fails, so no bus is launched either
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    const auto first = start(kSessionA, environment);
    QTRY_COMPARE_WITH_TIMEOUT(credentials(home.dataFolder()), kRecordA, kTimeoutMs);

    QTemporaryDir otherHome;
    if (!sameFolder)
        environment.insert("XDG_DATA_HOME", otherHome.path());
    const auto second = start(kSessionB, environment);
    if (exitCode < 0) {
        QTRY_COMPARE_WITH_TIMEOUT(credentials(otherHome.path() + "/Pallowe"), kRecordB, kTimeoutMs);
        QCOMPARE(second->state(), QProcess::Running);
        stop(*second);
    } else {
        QVERIFY(second->waitForFinished(kTimeoutMs));
        QCOMPARE(second->exitCode(), exitCode);
        const QStringList said = ownLines(*second);
        QCOMPARE(said.size(), 1);
        QVERIFY2(!said.first().contains("sk-BBBB"), qPrintable(said.first()));
    }
    QCOMPARE(credentials(home.dataFolder()), firstRecord);
    QCOMPARE(first->state(), QProcess::Running);
    stop(*first);
}

// Started at the same moment, one program stays and stores the other's session whole.
void TestSingleInstance::simultaneousStartsStoreOneWholeSession()
{
    TemporaryHome home;
    const auto environment = QProcessEnvironment::systemEnvironment();
    for (int round = 0; round < 5; ++round) {
        const auto a = start(kSessionA, environment);
        const auto b = start(kSessionB, environment);
        QTRY_VERIFY_WITH_TIMEOUT(a->state() != b->state(), kTimeoutMs);
        QProcess& ended = a->state() == QProcess::NotRunning ? *a : *b;
        QCOMPARE(ended.exitCode(), 0);
        QCOMPARE(credentials(home.dataFolder()), &ended == a.get() ? kRecordA : kRecordB);
        stop(a->state() == QProcess::Running ? *a : *b);
    }
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
