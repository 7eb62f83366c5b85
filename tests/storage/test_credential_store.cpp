#include "Files.h"
#include "TemporaryHome.h"
#include "storage/AppDataFolder.h"
#include "storage/CredentialStore.h"

#include <QDir>
#include <QTest>

class TestCredentialStore : public QObject
{
    Q_OBJECT

private slots:
    void writesCredentialsPrivately()
    {
        TemporaryHome home;
        const QString folder = AppDataFolder::defaultPath(), path = folder + "/credentials.json";
        QCOMPARE(folder, home.dataFolder());
        const CredentialStore store(folder);
        QCOMPARE(modeOf(folder), 0700);
        QVERIFY(!store.sessionKey() && !store.orgId() && !store.orgName());

        store.setSessionKey(QStringLiteral("sk-1"));
        QCOMPARE(modeOf(path), 0600);
        store.setOrgId(QStringLiteral("org"));
        store.setOrgName(QStringLiteral("Studio Rossi"));
        QVERIFY(store.hasCredentials() && store.orgName() == QStringLiteral("Studio Rossi"));
        store.setOrgName(std::nullopt);
        QCOMPARE(contents(path), R"({"orgId":"org","sessionKey":"sk-1"})");
        QCOMPARE(modeOf(path), 0600);
        store.clear();
        QVERIFY(!QFile::exists(path) && QDir(folder).exists());
    }

    void readsCredentials_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("sessionKey"); // "-": absent
        QTest::addColumn<bool>("hasCredentials");

        const auto row = [](const char* name, const QByteArray& file, const char* key,
                            bool usable) { QTest::newRow(name) << file << QString(key) << usable; };
        const QByteArray complete = R"({"sessionKey":"k","orgId":"o"})";
        row("complete", R"({"sessionKey":"k","orgId":"o","orgName":"n"})", "k", true);
        row("empty key", R"({"sessionKey":"","orgId":"o"})", "", false);
        row("empty org", R"({"sessionKey":"k","orgId":""})", "k", false);
        row("null org", R"({"sessionKey":"k","orgId":null})", "k", false);
        row("org is a number", R"({"sessionKey":"k","orgId":5})", "-", false);
        row("invalid JSON", R"({"sessionKey":"k",)", "-", false);
        row("1 MiB", complete.leftJustified(1 << 20, ' '), "k", true);
        row("over 1 MiB", complete.leftJustified((1 << 20) + 1, ' '), "-", false);
    }

    void readsCredentials()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, sessionKey);
        QFETCH(bool, hasCredentials);
        TemporaryHome home;
        const CredentialStore store(home.dataFolder());
        writeFile(store.filePath(), file);
        QCOMPARE(store.sessionKey().value_or(QStringLiteral("-")), sessionKey);
        QCOMPARE(store.hasCredentials(), hasCredentials);
    }
};

QTEST_GUILESS_MAIN(TestCredentialStore)
#include "test_credential_store.moc"
