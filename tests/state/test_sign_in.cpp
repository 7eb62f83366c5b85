#include "StateFixture.h"

#include <QCoroTask>
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

// Like the real sign-in windows, reports from inside itself and then still uses its own
// members; the state is its only owner.
struct SelfReportingWindow : WindowController
{
    LoginWindowLauncher::Callback callback;
    int reports = 0;
    void report(const QString& key)
    {
        callback(key);
        ++reports;
    }
};

struct SelfReportingWindows : LoginWindowLauncher
{
    SelfReportingWindow* last = nullptr;
    std::shared_ptr<WindowController> show(Callback onAuthenticated) override
    {
        auto window = std::make_shared<SelfReportingWindow>();
        window->callback = std::move(onAuthenticated);
        last = window.get();
        return window;
    }
};

} // namespace

class TestSignIn : public QObject
{
    Q_OBJECT

private slots:
    void signInStoresSessionAndRefreshes();
    void failedLookupChangesNothingStored();
    void completionRunsAfterTheCallbackReturned();
    void repeatedDeliveryRepeatsEverything();
    void secondWindowReplacesFirst();
    void callbackOutlivingStateDoesNothing();
    void logoutKeepsLastUpdated();
};

void TestSignIn::signInStoresSessionAndRefreshes()
{
    TemporaryHome home;
    UsageService service;
    service.setBootstrap(200, kBootstrap);
    service.setUsage(33);
    FakeLoginWindows windows;
    AppState state({"pallowe", "--service-origin=" + service.origin()},
                   {home.dataFolder(), nullptr, &windows});
    QVERIFY(!state.isConfigured());

    QSignalSpy loading(&state, &AppState::isLoadingChanged);
    state.startOAuthLogin();
    QCOMPARE(windows.callbacks.size(), 1);
    QCOMPARE(state.loginWindowController(), windows.controllers.first().get());

    windows.callbacks.first()(QStringLiteral("sk-new"));
    QTRY_VERIFY(!state.loginWindowController());
    QCOMPARE(
        storedCredentials(state),
        QJsonObject({{"sessionKey", "sk-new"}, {"orgId", "org-max"}, {"orgName", "Studio Max"}}));
    QVERIFY(state.isConfigured());
    QCOMPARE(state.orgName(), std::optional(QStringLiteral("Studio Max")));
    QCOMPARE(service.requestCount("/api/organizations/org-max/usage"), 1);
    QCOMPARE(state.menuBarPercent(), 33);
    QVERIFY(!state.isLoading());
    QCOMPARE(loading.count(), 2);
}

void TestSignIn::failedLookupChangesNothingStored()
{
    TemporaryHome home;
    UsageService service;
    service.setBootstrap(200, R"({"account":{"memberships":[]}})");
    FakeLoginWindows windows;
    AppState state({"pallowe", "--sk=old", "--org-id=o", "--service-origin=" + service.origin()},
                   {home.dataFolder(), nullptr, &windows});
    const QJsonObject before = storedCredentials(state);

    state.startOAuthLogin();
    windows.callbacks.first()(QStringLiteral("sk-new"));
    QTRY_VERIFY(!state.loginWindowController());
    QCOMPARE(state.error(), std::optional(QStringLiteral(
                                "Errore parsing risposta: Nessuna organizzazione trovata")));
    QCOMPARE(storedCredentials(state), before);
    QVERIFY(state.isConfigured());
    QVERIFY(!state.isLoading());

    // A refused key at this point shows its own text and clears nothing.
    service.setBootstrap(401, "{}");
    state.startOAuthLogin();
    QVERIFY(!state.error());
    windows.callbacks.last()(QStringLiteral("sk-new"));
    QTRY_COMPARE(state.error(), std::optional(QStringLiteral("Sessione non valida o scaduta")));
    QCOMPARE(storedCredentials(state), before);
}

void TestSignIn::completionRunsAfterTheCallbackReturned()
{
    TemporaryHome home;
    SelfReportingWindows windows;
    AppState state({"pallowe"}, {home.dataFolder(), nullptr, &windows});
    state.startOAuthLogin();
    QSignalSpy loading(&state, &AppState::isLoadingChanged);
    QSignalSpy errors(&state, &AppState::errorChanged);

    // Refused before any request is made, so nothing in the completion would wait.
    windows.last->report(QStringLiteral("bad;key"));
    QCOMPARE(loading.count() + errors.count(), 0);
    QVERIFY(state.loginWindowController());

    QTRY_VERIFY(!state.loginWindowController());
    QCOMPARE(state.error(), std::optional(QStringLiteral("Errore di rete: Richiesta non valida")));
}

void TestSignIn::repeatedDeliveryRepeatsEverything()
{
    TemporaryHome home;
    UsageService service;
    service.setBootstrap(200, kBootstrap);
    service.setUsage(10);
    FakeLoginWindows windows;
    AppState state({"pallowe", "--service-origin=" + service.origin()},
                   {home.dataFolder(), nullptr, &windows});

    state.startOAuthLogin();
    windows.callbacks.first()(QStringLiteral("sk"));
    windows.callbacks.first()(QStringLiteral("sk"));
    QTRY_COMPARE(service.requestCount("/api/organizations/org-max/usage"), 2);
    QTRY_VERIFY(!state.isLoading());
    QCOMPARE(service.requestCount("/api/bootstrap"), 2);
    QCOMPARE(storedCredentials(state).value("sessionKey").toString(), QStringLiteral("sk"));
}

void TestSignIn::secondWindowReplacesFirst()
{
    TemporaryHome home;
    FakeLoginWindows windows;
    AppState state({"pallowe"}, {home.dataFolder(), nullptr, &windows});
    state.startOAuthLogin();
    state.startOAuthLogin();
    QCOMPARE(windows.controllers.size(), 2);
    QCOMPARE(state.loginWindowController(), windows.controllers.last().get());
    QCOMPARE(windows.controllers.first().use_count(), 1); // only the test still holds the first
}

void TestSignIn::callbackOutlivingStateDoesNothing()
{
    TemporaryHome home;
    UsageService service;
    FakeLoginWindows windows;
    auto state =
        std::make_unique<AppState>(QStringList{"pallowe", "--service-origin=" + service.origin()},
                                   AppState::Services{home.dataFolder(), nullptr, &windows});
    state->startOAuthLogin();
    state.reset();
    windows.callbacks.first()(QStringLiteral("sk"));
    QTest::qWait(50);
    QCOMPARE(service.requestCount(), 0);
}

void TestSignIn::logoutKeepsLastUpdated()
{
    TemporaryHome home;
    UsageService service;
    service.setUsage(50);
    AppState state(sessionArguments(service.origin()) << "--org-name=N", {home.dataFolder()});
    QCoro::waitFor(state.refresh());
    service.setStatus(500);
    QCoro::waitFor(state.refresh());
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
