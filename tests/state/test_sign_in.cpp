#include "StateFixture.h"
#include "state/LoginWindowLauncher.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace {

const QByteArray kBootstrap = R"({"account":{"memberships":[
    {"organization":{"uuid":"org-a","name":"Personale","capabilities":["chat"]}},
    {"organization":{"uuid":"org-max","name":"Studio Max","capabilities":["chat","zelvik_max"]}}]}})";

QJsonObject storedCredentials(const AppState& state)
{
    QFile file(state.credentialStore().filePath());
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

// Like the real sign-in window, reports from inside itself and then still uses its own
// members; the state is its only owner.
struct FakeLoginWindow : WindowController
{
    LoginWindowLauncher::Callback callback;
    int reports = 0;
    void report(const QString& key)
    {
        callback(key);
        ++reports;
    }
};

struct FakeLoginWindows : LoginWindowLauncher
{
    QList<std::weak_ptr<FakeLoginWindow>> shown;
    QList<Callback> callbacks;
    std::shared_ptr<WindowController> show(Callback onAuthenticated) override
    {
        auto window = std::make_shared<FakeLoginWindow>();
        window->callback = onAuthenticated;
        shown << window;
        callbacks << onAuthenticated;
        return window;
    }
};

} // namespace

class TestSignIn : public QObject
{
    Q_OBJECT

private slots:
    void signIn_data();
    void signIn();
    void windowsReplacedOrOutlivingTheState();
    void logoutKeepsLastUpdated();
};

void TestSignIn::signIn_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("bootstrapStatus");
    QTest::addColumn<QByteArray>("bootstrap");
    QTest::addColumn<int>("deliveries");
    QTest::addColumn<QString>("error"); // empty: signed in to the preferred organization

    QTest::newRow("preferred organization") << "sk-new" << 200 << kBootstrap << 1 << "";
    QTest::newRow("delivered twice: all twice") << "sk-new" << 200 << kBootstrap << 2 << "";
    QTest::newRow("no organization")
        << "sk-new" << 200 << QByteArray(R"({"account":{"memberships":[]}})") << 1
        << "Errore parsing risposta: Nessuna organizzazione trovata";
    QTest::newRow("key refused") << "sk-new" << 401 << kBootstrap << 1
                                 << "Sessione non valida o scaduta";
    // Refused before any request, so nothing in the completion would wait.
    QTest::newRow("unsafe key") << "bad;key" << 200 << kBootstrap << 1
                                << "Errore di rete: Richiesta non valida";
}

void TestSignIn::signIn()
{
    QFETCH(QString, key);
    QFETCH(int, bootstrapStatus);
    QFETCH(QByteArray, bootstrap);
    QFETCH(int, deliveries);
    QFETCH(QString, error);
    TemporaryHome home;
    UsageService service;
    service.setBootstrap(bootstrapStatus, bootstrap);
    service.setUsage(33);
    CredentialStore(home.dataFolder()).setSessionKey("old"); // not a whole session
    FakeLoginWindows windows;
    AppState state({"pallowe", "--service-origin=" + service.origin()},
                   {home.dataFolder(), nullptr, &windows});
    const QJsonObject before = storedCredentials(state);

    state.startOAuthLogin();
    FakeLoginWindow* window = windows.shown.first().lock().get(); // the state owns it
    QCOMPARE(state.loginWindowController(), window);
    QSignalSpy loading(&state, &AppState::isLoadingChanged);
    for (int i = 0; i < deliveries; ++i)
        window->report(key);
    // The completion may release the calling window: it waits for a later turn.
    QCOMPARE(loading.count(), 0);
    QVERIFY(state.loginWindowController());

    const bool signedIn = error.isEmpty();
    QTRY_VERIFY(!state.loginWindowController() && !state.isLoading());
    QTRY_COMPARE(service.requestCount("/api/organizations/org-max/usage"),
                 signedIn ? deliveries : 0);
    QCOMPARE(service.requestCount("/api/bootstrap"), key.contains(';') ? 0 : deliveries);
    QCOMPARE(state.error().value_or(""), error);
    QCOMPARE(state.isConfigured(), signedIn);
    QCOMPARE(state.orgName().value_or(""), QString(signedIn ? "Studio Max" : ""));
    QCOMPARE(state.menuBarPercent(), signedIn ? 33 : 0);
    QCOMPARE(storedCredentials(state), signedIn ? QJsonObject({{"sessionKey", "sk-new"},
                                                               {"orgId", "org-max"},
                                                               {"orgName", "Studio Max"}})
                                                : before);
}

void TestSignIn::windowsReplacedOrOutlivingTheState()
{
    TemporaryHome home;
    UsageService service;
    FakeLoginWindows windows;
    auto state =
        std::make_unique<AppState>(QStringList{"pallowe", "--service-origin=" + service.origin()},
                                   AppState::Services{home.dataFolder(), nullptr, &windows});
    state->startOAuthLogin();
    state->startOAuthLogin();
    QVERIFY(windows.shown.first().expired()); // the second window replaced the first
    QCOMPARE(state->loginWindowController(), windows.shown.last().lock().get());

    state.reset();
    windows.callbacks.last()(QStringLiteral("sk"));
    QTest::qWait(50);
    QCOMPARE(service.requestCount(), 0);
}

void TestSignIn::logoutKeepsLastUpdated()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(50);
    AppState state(sessionArguments(service.origin()) << "--org-name=N", {home.dataFolder()});
    refreshNow(state);
    service.setStatus(500);
    refreshNow(state);
    const auto lastUpdated = state.lastUpdated();

    state.logout();
    QVERIFY(!QFile::exists(state.credentialStore().filePath()));
    QVERIFY(!state.usage() && !state.orgName() && !state.isConfigured() && !state.error());
    QCOMPARE(state.lastUpdated(), lastUpdated);
    state.logout(); // with nothing stored it still clears, and nothing breaks
    QVERIFY(!state.isConfigured());
}

QTEST_GUILESS_MAIN(TestSignIn)
#include "test_sign_in.moc"
