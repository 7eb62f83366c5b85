#include "TemporaryHome.h"
#include "storage/AppDataFolder.h"
#include "storage/CredentialStore.h"
#include "storage/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QFile::Permissions ownerOnlyFile()
{
    return QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
}

// While it lives, no file of this process grows past the size: a write beyond fails as on a
// full disk, with the signal that would end the process ignored.
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    rlimit saved{};
};

} // namespace

class TestCredentialStore : public QObject
{
    Q_OBJECT

private slots:
    void firstRunCreatesPrivateFolder();
    void writesFieldByFieldAsSecret();
    void readsFile_data();
    void readsFile();
    void rewritesWhatItCouldNotRead();
    void keepsLooserExistingFolder();
    void clearWithoutFileAndUnwritableFolder();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
};

void TestCredentialStore::firstRunCreatesPrivateFolder()
{
    TemporaryHome home;
    const QString folder = AppDataFolder::defaultPath();
    QCOMPARE(folder, home.dataFolder());
    QVERIFY(!QDir(folder).exists());

    const CredentialStore store(folder);
    QVERIFY(!store.sessionKey() && !store.orgId() && !store.orgName());
    QVERIFY(!store.hasCredentials());
    QVERIFY(QDir(folder).exists());
    QCOMPARE(QFile::permissions(folder),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

void TestCredentialStore::writesFieldByFieldAsSecret()
{
    TemporaryHome home;
    const CredentialStore store(home.dataFolder());

    store.setSessionKey(QStringLiteral("sk-1"));
    QCOMPARE(contents(store.filePath()), QByteArray(R"({"sessionKey":"sk-1"})"));
    QCOMPARE(QFile::permissions(store.filePath()), ownerOnlyFile());

    store.setOrgId(QStringLiteral("org"));
    store.setOrgName(QStringLiteral("Studio Rossi"));
    QCOMPARE(store.sessionKey(), std::optional(QStringLiteral("sk-1")));
    QCOMPARE(store.orgId(), std::optional(QStringLiteral("org")));
    QCOMPARE(store.orgName(), std::optional(QStringLiteral("Studio Rossi")));
    QVERIFY(store.hasCredentials());

    store.setOrgName(std::nullopt);
    const QJsonObject object = QJsonDocument::fromJson(contents(store.filePath())).object();
    QCOMPARE(object.keys(), QStringList({"orgId", "sessionKey"}));
    QCOMPARE(QFile::permissions(store.filePath()), ownerOnlyFile());
    QVERIFY(!contents(store.filePath()).contains('\n'));
}

void TestCredentialStore::readsFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("sessionKey"); // "<absent>" for absent
    QTest::addColumn<bool>("hasCredentials");

    QTest::newRow("complete") << QByteArray(R"({"sessionKey":"k","orgId":"o","orgName":"n"})") << "k" << true;
    QTest::newRow("extra keys") << QByteArray(R"({"sessionKey":"k","orgId":"o","x":[1]})") << "k" << true;
    QTest::newRow("empty key") << QByteArray(R"({"sessionKey":"","orgId":"o"})") << "" << false;
    QTest::newRow("empty org") << QByteArray(R"({"sessionKey":"k","orgId":""})") << "k" << false;
    QTest::newRow("null org") << QByteArray(R"({"sessionKey":"k","orgId":null})") << "k" << false;
    QTest::newRow("org is number") << QByteArray(R"({"sessionKey":"k","orgId":5})") << "<absent>" << false;
    QTest::newRow("invalid JSON") << QByteArray(R"({"sessionKey":"k",)") << "<absent>" << false;
    QTest::newRow("array") << QByteArray(R"(["k"])") << "<absent>" << false;
    const QByteArray complete = R"({"sessionKey":"k","orgId":"o"})";
    QTest::newRow("1 MiB") << complete.leftJustified(1 << 20, ' ') << "k" << true;
    QTest::newRow("over 1 MiB") << complete.leftJustified((1 << 20) + 1, ' ') << "<absent>" << false;
}

void TestCredentialStore::readsFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, sessionKey);
    QFETCH(bool, hasCredentials);
    TemporaryHome home;
    const CredentialStore store(home.dataFolder());
    writeRaw(store.filePath(), file);

    QCOMPARE(store.sessionKey().value_or(QStringLiteral("<absent>")), sessionKey);
    QCOMPARE(store.hasCredentials(), hasCredentials);
}

void TestCredentialStore::rewritesWhatItCouldNotRead()
{
    TemporaryHome home;
    const CredentialStore store(home.dataFolder());
    writeRaw(store.filePath(), "not json");
    store.setOrgId(QStringLiteral("o"));
    QCOMPARE(contents(store.filePath()), QByteArray(R"({"orgId":"o"})"));

    writeRaw(store.filePath(), R"({"sessionKey":"k","orgId":"o","legacy":true})");
    store.setOrgName(QString());
    QCOMPARE(QJsonDocument::fromJson(contents(store.filePath())).object(),
             QJsonObject({{"sessionKey", "k"}, {"orgId", "o"}, {"orgName", ""}}));
}

void TestCredentialStore::keepsLooserExistingFolder()
{
    TemporaryHome home;
    const QFile::Permissions loose = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                     QFile::ReadUser | QFile::WriteUser | QFile::ExeUser |
                                     QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QDir().mkpath(home.dataFolder()));
    QVERIFY(QFile::setPermissions(home.dataFolder(), loose));

    const CredentialStore store(home.dataFolder());
    store.setSessionKey(QStringLiteral("k"));
    QCOMPARE(QFile::permissions(home.dataFolder()), loose);
    QCOMPARE(QFile::permissions(store.filePath()), ownerOnlyFile());
}

void TestCredentialStore::clearWithoutFileAndUnwritableFolder()
{
    TemporaryHome home;
    {
        const CredentialStore store(home.dataFolder());
        store.clear();
        store.setSessionKey(QStringLiteral("k"));
        store.clear();
        QVERIFY(!QFile::exists(store.filePath()));
        QVERIFY(QDir(home.dataFolder()).exists());
    }
    // A plain file where the folder should be: nothing can be written, nothing breaks.
    QVERIFY(QDir(home.dataFolder()).removeRecursively());
    writeRaw(home.dataFolder(), "in the way");
    const CredentialStore blocked(home.dataFolder());
    blocked.setSessionKey(QStringLiteral("k"));
    blocked.clear();
    QVERIFY(!blocked.sessionKey());
    QCOMPARE(contents(home.dataFolder()), QByteArray("in the way"));
}

void TestCredentialStore::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sizeLimit"); // room for the lock file, not for the new content

    QTest::newRow("credentials.json") << "credentials.json" << 1024;
    QTest::newRow("settings.json") << "settings.json" << 16;
}

void TestCredentialStore::failedWriteKeepsOldFile()
{
    QFETCH(QString, file);
    QFETCH(int, sizeLimit);
    TemporaryHome home;
    const CredentialStore credentials(home.dataFolder());
    const QString path = home.dataFolder() + u'/' + file;
    const QByteArray old = R"({"sessionKey": "old", "orgId": "o0", "alertEnabled": true})";
    writeRaw(path, old);

    const bool written = [&] {
        const FileSizeLimit limit(sizeLimit);
        return file == u"settings.json"
                   ? SettingsStore(home.dataFolder()).save({false, 55, true, 1e6})
                   : credentials.storeSession(QString(4096, u'k'), "o1", "n");
    }();
    QVERIFY(!written);
    QCOMPARE(contents(path), old);
    QCOMPARE(QDir(home.dataFolder()).entryList(QDir::Files), QStringList{file});
}

QTEST_GUILESS_MAIN(TestCredentialStore)
#include "test_credential_store.moc"
