#include "StateFixture.h"
#include "state/LoginWindowLauncher.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList stored(const AppState& state)
{
    const CredentialStore& store = state.credentialStore();
    return {store.sessionKey().value_or("-"), store.orgId().value_or("-"),
            store.orgName().value_or("-")};
}

// Like the real sign-in window, reports from inside itself and then still uses its own
// members, while the state may be its only owner.
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
        window->callback = callbacks.emplace_back(onAuthenticated);
        shown << window;
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
};

void TestSignIn::signIn_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("bootstrapStatus");
    QTest::addColumn<QByteArray>("bootstrap");
    QTest::addColumn<int>("deliveries");
    QTest::addColumn<QString>("error"); // empty: signed in to the preferred organization

    const QByteArray orgs = R"({"account":{"memberships":[
        {"organization":{"uuid":"org-a","name":"Personale","capabilities":["chat"]}},
        {"organization":{"uuid":"org-max","name":"Studio Max","capabilities":["zelvik_max"]}}]}})";
    QTest::newRow("preferred organization") << "sk-new" << 200 << orgs << 1 << "";
    QTest::newRow("delivered twice: all twice") << "sk-new" << 200 << orgs << 2 << "";
    QTest::newRow("no organization")
        << "sk-new" << 200 << R"({"account":{"memberships":[]}})"_ba << 1
        << "Errore parsing risposta: Nessuna organizzazione trovata";
    QTest::newRow("key refused") << "sk-new" << 401 << orgs << 1 << "Sessione non valida o scaduta";
    // Refused before any request, so nothing in the completion would wait.
    QTest::newRow("unsafe key") << "bad;key" << 200 << orgs << 1
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
    auto state =
        std::make_unique<AppState>(QStringList{"pallowe", "--service-origin=" + service.origin()},
                                   AppState::Services{home.dataFolder(), nullptr, &windows});
    const QStringList before = stored(*state);

    state->startOAuthLogin();
    state->startOAuthLogin(); // the second window replaces the first
    QVERIFY(windows.shown.first().expired());
    FakeLoginWindow* window = windows.shown.last().lock().get(); // the state owns it
    QCOMPARE(state->loginWindowController(), window);
    QSignalSpy loading(state.get(), &AppState::isLoadingChanged);
    for (int i = 0; i < deliveries; ++i)
        window->report(key);
    // The completion may release the calling window: it waits for a later turn.
    QCOMPARE(loading.count(), 0);
    QVERIFY(state->loginWindowController());

    const bool signedIn = error.isEmpty();
    QTRY_VERIFY(!state->loginWindowController() && !state->isLoading());
    QTRY_COMPARE(service.requestCount("/api/organizations/org-max/usage"), signedIn * deliveries);
    QCOMPARE(service.requestCount("/api/bootstrap"), key.contains(';') ? 0 : deliveries);
    QCOMPARE(state->error().value_or(""), error);
    QCOMPARE(state->isConfigured(), signedIn);
    QCOMPARE(state->orgName(), state->credentialStore().orgName());
    QCOMPARE(state->menuBarPercent(), signedIn * 33);
    QCOMPARE(stored(*state), (signedIn ? QStringList{"sk-new", "org-max", "Studio Max"} : before));

    // Signing out clears all but the time of the last report.
    const auto lastUpdated = state->lastUpdated();
    state->logout();
    QVERIFY(!QFile::exists(state->credentialStore().filePath()));
    QVERIFY(!state->usage() && !state->orgName() && !state->isConfigured() && !state->error());
    QCOMPARE(state->lastUpdated(), lastUpdated);

    // A window that outlives the state calls back into nothing.
    const int requests = service.requestCount();
    state.reset();
    windows.callbacks.first()(QStringLiteral("sk"));
    QTest::qWait(50);
    QCOMPARE(service.requestCount(), requests);
}

QTEST_GUILESS_MAIN(TestSignIn)
#include "test_sign_in.moc"
