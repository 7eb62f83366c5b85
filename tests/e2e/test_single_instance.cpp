#include "TemporaryHome.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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

// The real program, offscreen: with no tray to wait for, it runs until killed.
struct Program : QProcess
{
    explicit Program(const QStringList& arguments, const QProcessEnvironment& environment =
                                                       QProcessEnvironment::systemEnvironment())
    {
        setProcessEnvironment(environment);
        start(QStringLiteral(PALLOWE_BINARY), arguments);
    }
    ~Program() override
    {
        kill();
        waitForFinished();
    }
    bool ended() const { return state() == QProcess::NotRunning; }
};

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
    QTest::addColumn<int>("exitCode"); // -1: started with another data folder, runs beside
    QTest::addColumn<QByteArray>("firstRecord");

    QTest::newRow("hands over") << true << 0 << kRecordB;
    QTest::newRow("other folder runs beside") << true << -1 << kRecordA;
    QTest::newRow("no session bus, refused") << false << 1 << kRecordA;
}

void TestSingleInstance::secondStart()
{
    QFETCH(bool, sessionBus);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, firstRecord);
    TemporaryHome home;
    QTemporaryDir otherHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!sessionBus) // an address that fails, so no bus is launched either
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    const Program first(kSessionA, environment);
    QTRY_COMPARE_WITH_TIMEOUT(credentials(home.dataFolder()), kRecordA, kTimeoutMs);

    if (exitCode < 0)
        environment.insert("XDG_DATA_HOME", otherHome.path());
    Program second(kSessionB, environment);
    if (exitCode < 0) {
        QTRY_COMPARE_WITH_TIMEOUT(credentials(otherHome.path() + "/Pallowe"), kRecordB, kTimeoutMs);
        QCOMPARE(second.state(), QProcess::Running);
    } else {
        QVERIFY(second.waitForFinished(kTimeoutMs));
        QCOMPARE(second.exitCode(), exitCode);
        const QString said = QString::fromUtf8(second.readAllStandardError());
        QCOMPARE(said.split(u'\n').filter(QRegularExpression("^pallowe: ")).size(), 1);
        QVERIFY2(!said.contains("sk-BBBB"), qPrintable(said));
    }
    QCOMPARE(credentials(home.dataFolder()), firstRecord);
    QCOMPARE(first.state(), QProcess::Running);
}

void TestSingleInstance::simultaneousStartsStoreOneWholeSession()
{
    TemporaryHome home;
    for (int round = 0; round < 5; ++round) {
        const Program a(kSessionA), b(kSessionB);
        QTRY_VERIFY_WITH_TIMEOUT(a.ended() || b.ended(), kTimeoutMs);
        // The one that ended handed its session over; the one that stays stored it whole.
        QVERIFY(a.ended() != b.ended());
        QCOMPARE((a.ended() ? a : b).exitCode(), 0);
        QCOMPARE(credentials(home.dataFolder()), a.ended() ? kRecordA : kRecordB);
    }
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
