#include "FileSizeLimit.h"
#include "Files.h"
#include "ImmutableFile.h"
#include "StateFor.h"
#include "UsageService.h"
#include "state/LoginWindowLauncher.h"
#include "state/Notifier.h"
#include "state/StartupOptions.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void writeCredentials(const QString& folder, const QByteArray& json)
{
    writeFile(CredentialStore(folder).filePath(), json); // the store creates the folder
}

// The session window's figures of an organization's stored readings of the last day.
QList<double> storedPercents(const QString& folder, const QString& orgId)
{
    QList<double> percents;
    const auto readings =
        HistoryStore(folder).readings(orgId, QDateTime::currentDateTimeUtc().addDays(-1));
    for (const HistoryReading& reading : readings.value())
        percents << reading.usage.fiveHour->utilization;
    return percents;
}

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
    std::shared_ptr<WindowController> show(Request request) override
    {
        auto window = std::make_shared<FakeLoginWindow>();
        window->callback = callbacks.emplace_back(request.onAuthenticated);
        shown << window;
        return window;
    }
};

struct CountingNotifier : Notifier
{
    int posts = 0;
    void post(const QString&, const QString&, const QString&) override { ++posts; }
    void requestPermission() override {}
};

const QByteArray kOrgB =
    R"({"account":{"memberships":[{"organization":{"uuid":"orgB","name":"AccountB"}}]}})";
const QStringList kSessionB{"--sk=kB", "--org-id=orgB", "--org-name=AccountB"};

// Session A, stored, and its first report at 30 %; B, at 12 %, is to take its place.
std::unique_ptr<AppState> stateWithSessionA(UsageService& service, const QString& folder,
                                            Notifier* notifier, LoginWindowLauncher* windows)
{
    service.setUsageFor("orgA", usageReport(30));
    service.setUsageFor("orgB", usageReport(12));
    service.setBootstrap(200, kOrgB);
    auto state = stateFor({"pallowe", "--sk=kA", "--org-id=orgA", "--org-name=AccountA",
                           "--service-origin=" + service.origin()},
                          folder, [&](AppState::Parts& parts) {
                              parts.notifier = notifier;
                              parts.loginWindows = windows;
                          });
    QCoro::waitFor(state->refresh());
    return state;
}

// Hands B over, or signs in to it through the window; whether it was stored, once done.
std::optional<bool> bringInSessionB(AppState& state, FakeLoginWindows& windows, bool signIn)
{
    if (!signIn)
        return QCoro::waitFor(state.applyCommandLineSession(StartupOptions::parse(kSessionB)));
    state.startOAuthLogin();
    windows.shown.last().lock()->report("kB");
    if (!QTest::qWaitFor([&] { return !state.loginWindowController(); }))
        return std::nullopt;
    return !state.isSessionUnsaved();
}

} // namespace

struct RefreshCase
{
    QByteArray credentials = {}; // replaces credentials.json; empty: kept, "-": removed
    QByteArray body = usageReport(50);
    int status = 200;
    qint64 percent = 30; // the report before this refresh stands at 30 %
    QString error = {};
    bool configured = true; // unconfigured without an error: no request made
    int nameChanges = 0;
};
Q_DECLARE_METATYPE(RefreshCase)

struct StartupCase
{
    QStringList arguments = {};
    QByteArray stored = {};                // credentials.json before the start; empty: none
    QStringList session = {"-", "-", "-"}; // after it: key, organization id and name
    bool configured = false;
    QString origin = "https://zelvik.ai";
    int interval = 300;   // seconds
    QString warning = {}; // how the one warning ends; empty: none
};
Q_DECLARE_METATYPE(StartupCase)

class TestAppState : public QObject
{
    Q_OBJECT

private slots:
    void refresh_data();
    void refresh();
    void signIn_data();
    void signIn();
    void lateRepliesChangeNothing_data();
    void lateRepliesChangeNothing();
    void unstoredSessionLastsTheRun_data();
    void unstoredSessionLastsTheRun();
    void startup_data();
    void startup();
    void history_data();
    void history();
};

void TestAppState::refresh_data()
{
    using R = RefreshCase;
    QTest::addColumn<R>("row");
    const QString expired = "Sessione scaduta — accedi di nuovo.";
    QTest::newRow("headline truncates") << R{.body = usageReport(79.9), .percent = 79};
    QTest::newRow("seven day larger") << R{.body = usageReport(12, 97.2), .percent = 97};
    QTest::newRow("huge") << R{.body = usageReport(1e300), .percent = 0};
    QTest::newRow("per-model ignored")
        << R{.body = R"({"seven_day_velmar":{"utilization":100,"resets_at":"x"}})", .percent = 0};
    QTest::newRow("equal report notifies") << R{.body = usageReport(30)};
    QTest::newRow("500") << R{.status = 500, .error = "Errore di rete: HTTP 500"};
    QTest::newRow("401") << R{.status = 401, .error = expired, .configured = false};
    QTest::newRow("403") << R{.status = 403, .error = expired, .configured = false};
    QTest::newRow("no file") << R{.credentials = "-", .configured = false};
    QTest::newRow("no org") << R{.credentials = R"({"sessionKey":"k"})", .configured = false};
    QTest::newRow("empty key") << R{.credentials = R"({"sessionKey":"","orgId":"o"})",
                                    .configured = false};
    QTest::newRow("empty org still sent, the name follows the store")
        << R{.credentials = R"({"sessionKey":"k","orgId":""})", .percent = 50, .nameChanges = 1};
    QTest::newRow("canonically equal name") << R{
        .credentials = R"({"sessionKey":"k","orgId":"o","orgName":"Caffe\u0300"})", .percent = 50};
}

void TestAppState::refresh()
{
    QFETCH(RefreshCase, row);
    const int requests = row.configured || !row.error.isEmpty() ? 1 : 0;
    TemporaryHome home;
    UsageService service;
    service.setUsageBody(usageReport(30));
    const auto state =
        stateFor(sessionArguments(service.origin()) << "--org-name=Caff\u00e8", home.dataFolder());
    QCoro::waitFor(state->refresh());
    const QDateTime firstUpdate = *state->lastUpdated();
    // The file changed behind the state's back: each refresh reads it anew.
    if (row.credentials == "-")
        QFile::remove(state->credentialStore().filePath());
    else if (!row.credentials.isEmpty())
        writeCredentials(home.dataFolder(), row.credentials);

    service.setUsageBody(row.body, row.status);
    QSignalSpy loading(state.get(), &AppState::isLoadingChanged);
    QSignalSpy usage(state.get(), &AppState::usageChanged);
    QSignalSpy names(state.get(), &AppState::orgNameChanged);
    QSignalSpy settings(state.get(), &AppState::settingsChanged);
    state->setSettings(state->settings()); // an equal value: no signal
    QCoro::waitFor(state->refresh());
    QCOMPARE(service.requestCount(), 1 + requests);
    QCOMPARE(loading.count(), 2 * requests);
    QCOMPARE(usage.count(), requests && row.error.isEmpty() ? 1 : 0);
    QCOMPARE(names.count(), row.nameChanges);
    QCOMPARE(settings.count(), 0);
    QCOMPARE(state->menuBarPercent(), row.percent);
    QCOMPARE(state->error().value_or(""), row.error);
    QCOMPARE(state->isConfigured(), row.configured);
    if (!row.configured) // a refused session is gone from the disk too
        QVERIFY(!state->credentialStore().hasCredentials());
    if (!row.error.isEmpty())
        QCOMPARE(*state->lastUpdated(), firstUpdate);

    // The next refresh that gets past its session test clears the error as it starts.
    service.setUsageBody(usageReport(60));
    QCoro::waitFor(state->refresh());
    QCOMPARE(state->error().has_value(), !row.configured && !row.error.isEmpty());
}

void TestAppState::signIn_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("bootstrapStatus");
    QTest::addColumn<QByteArray>("bootstrap");
    QTest::addColumn<int>("deliveries");
    QTest::addColumn<QString>("error");    // empty: signed in to the preferred organization
    QTest::addColumn<bool>("undeletable"); // credentials.json at sign-out

    const QByteArray orgs = R"({"account":{"memberships":[
        {"organization":{"uuid":"org-a","name":"Personale","capabilities":["chat"]}},
        {"organization":{"uuid":"org-max","name":"Studio Max","capabilities":["zelvik_max"]}}]}})";
    QTest::newRow("preferred organization") << "sk-new" << 200 << orgs << 1 << "" << false;
    QTest::newRow("delivered twice: all twice") << "sk-new" << 200 << orgs << 2 << "" << false;
    QTest::newRow("no organization")
        << "sk-new" << 200 << R"({"account":{"memberships":[]}})"_ba << 1
        << "Errore parsing risposta: Nessuna organizzazione trovata" << false;
    QTest::newRow("key refused") << "sk-new" << 401 << orgs << 1 << "Sessione non valida o scaduta"
                                 << false;
    // Refused before any request, so nothing in the completion would wait.
    QTest::newRow("unsafe key") << "bad;key" << 200 << orgs << 1
                                << "Errore di rete: Richiesta non valida" << false;
    QTest::newRow("session that cannot be deleted") << "sk-new" << 200 << orgs << 1 << "" << true;
}

void TestAppState::signIn()
{
    QFETCH(QString, key);
    QFETCH(int, bootstrapStatus);
    QFETCH(QByteArray, bootstrap);
    QFETCH(int, deliveries);
    QFETCH(QString, error);
    QFETCH(bool, undeletable);
    TemporaryHome home;
    UsageService service;
    service.setBootstrap(bootstrapStatus, bootstrap);
    service.setUsageBody(usageReport(33));
    CredentialStore(home.dataFolder()).setSessionKey("old"); // not a whole session
    FakeLoginWindows windows;
    auto state = stateFor({"pallowe", "--service-origin=" + service.origin()}, home.dataFolder(),
                          [&](AppState::Parts& parts) { parts.loginWindows = &windows; });
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
    // A later delivery's refresh takes the place of one still in flight.
    const int refreshes = service.requestCount("/api/organizations/org-max/usage");
    QVERIFY2(signedIn ? refreshes >= 1 && refreshes <= deliveries : refreshes == 0,
             qPrintable(QString::number(refreshes)));
    QCOMPARE(service.requestCount("/api/bootstrap"), key.contains(';') ? 0 : deliveries);
    QCOMPARE(state->error().value_or(""), error);
    QCOMPARE(state->isConfigured(), signedIn);
    QCOMPARE(state->menuBarPercent(), signedIn * 33);
    QCOMPARE(stored(*state), (signedIn ? QStringList{"sk-new", "org-max", "Studio Max"} : before));

    // Signing out clears all but the time of the last report; a file it cannot delete is
    // named, and stays as it was.
    const QString path = state->credentialStore().filePath();
    const QByteArray bytes = contents(path);
    std::optional<ImmutableFile> pinned;
    if (undeletable && !pinned.emplace(path).held())
        QSKIP("this file system or process cannot make a file immutable");
    const auto lastUpdated = state->lastUpdated();
    state->logout();
    QCOMPARE(QFile::exists(path), undeletable);
    QVERIFY(!state->usage() && !state->orgName() && !state->isConfigured());
    QCOMPARE(state->error().value_or(""),
             undeletable ? "Impossibile eliminare la sessione salvata: elimina a mano " + path + "."
                         : QString());
    if (undeletable)
        QCOMPARE(contents(path), bytes);
    QCOMPARE(state->lastUpdated(), lastUpdated);

    // A window that outlives the state calls back into nothing.
    const int requests = service.requestCount();
    state.reset();
    windows.callbacks.first()(QStringLiteral("sk"));
    QCoreApplication::sendPostedEvents(); // where a completion it queued would run
    QCOMPARE(service.requestCount(), requests);
}

// A reply applies only to the session it was asked for: one that comes back after another
// session took its place changes nothing, whether it refuses its session or reports on it.
void TestAppState::lateRepliesChangeNothing_data()
{
    QTest::addColumn<QString>("newSession"); // how B takes A's place
    QTest::addColumn<int>("lateStatus");     // of A's reply
    for (const char* way : {"hand-over", "sign-in", "file"})
        for (const int status : {200, 401, 403})
            QTest::addRow("%s, late %d", way, status) << QString(way) << status;
}

void TestAppState::lateRepliesChangeNothing()
{
    QFETCH(QString, newSession);
    QFETCH(int, lateStatus);
    TemporaryHome home;
    UsageService service;
    CountingNotifier notifier;
    FakeLoginWindows windows;
    const auto state = stateWithSessionA(service, home.dataFolder(), &notifier, &windows);

    AppSettings keep;
    keep.keepHistory = true;
    state->setSettings(keep);
    // A's next reply would be over the alert's 80 %, or a refusal; it waits until B is in.
    service.hold("orgA");
    service.setUsageFor("orgA", usageReport(91), lateStatus);
    auto lateReply = state->refresh();
    QTRY_COMPARE(service.requestCount("/api/organizations/orgA/usage"), 2);
    if (newSession == u"file") {
        writeCredentials(home.dataFolder(), R"({"sessionKey":"kB","orgId":"orgB",)"
                                            R"("orgName":"AccountB"})");
    } else {
        QCOMPARE(bringInSessionB(*state, windows, newSession == u"sign-in"), true);
        if (newSession == u"hand-over")
            QVERIFY(!state->usage()); // A's report is not B's, not even for a moment
    }
    QCoro::waitFor(state->refresh());
    QCOMPARE(state->menuBarPercent(), 12);

    service.release();
    QCoro::waitFor(std::move(lateReply));
    QCOMPARE(state->menuBarPercent(), 12);
    QCOMPARE(stored(*state), (QStringList{"kB", "orgB", "AccountB"}));
    QCOMPARE(state->orgName(), QStringLiteral("AccountB"));
    QVERIFY(state->isConfigured() && !state->error() && !state->isLoading());
    QCOMPARE(notifier.posts, 0);
    QCOMPARE(storedPercents(home.dataFolder(), "orgA"), QList<double>());
    QVERIFY(storedPercents(home.dataFolder(), "orgB").contains(12));
}

// A session the store cannot take is used all the same for this run, and the state says so,
// while the file keeps what it held, until the file holds a session of its own again. A lock
// held by another process is waited for with the event loop running.
void TestAppState::unstoredSessionLastsTheRun_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<bool>("signIn"); // else handed over
    QTest::newRow("file-size limit, hand-over") << "limit" << false;
    QTest::newRow("file-size limit, sign-in") << "limit" << true;
    QTest::newRow("a dangling link where the folder goes") << "link" << true;
    QTest::newRow("lock held, then let go") << "lock" << false;
}

void TestAppState::unstoredSessionLastsTheRun()
{
    QFETCH(QString, obstacle);
    QFETCH(bool, signIn);
    TemporaryHome home;
    UsageService service;
    FakeLoginWindows windows;
    const auto state = stateWithSessionA(service, home.dataFolder(), nullptr, &windows);
    const QString folder = home.dataFolder(), moved = folder + ".moved";
    const QByteArray before = contents(state->credentialStore().filePath());

    std::optional<FileSizeLimit> limit;
    if (obstacle == u"limit")
        limit.emplace(16);
    if (obstacle == u"link")
        QVERIFY(QDir().rename(folder, moved) && QFile::link(home.path() + "/nowhere", folder));
    QLockFile lock(folder + "/credentials.json.lock");
    if (obstacle == u"lock") {
        QVERIFY(lock.tryLock(0));
        auto handOver = state->applyCommandLineSession(StartupOptions::parse(kSessionB));
        QCOMPARE(state->orgName(), QStringLiteral("AccountA")); // still waiting, not blocking
        lock.unlock();
        QVERIFY(QCoro::waitFor(std::move(handOver)));
    } else {
        QCOMPARE(bringInSessionB(*state, windows, signIn), false);
    }
    limit.reset();
    QCOMPARE(state->isSessionUnsaved(), obstacle != u"lock");
    QCoro::waitFor(state->refresh());
    QCOMPARE(state->menuBarPercent(), 12);
    QCOMPARE(state->orgName(), QStringLiteral("AccountB"));
    QVERIFY(state->isConfigured());
    if (obstacle != u"lock")
        QCOMPARE(contents((QFile::exists(moved) ? moved : folder) + "/credentials.json"), before);

    // Once the file holds a session of its own, it is the one used.
    QFile::remove(folder);
    QDir().rename(moved, folder);
    writeCredentials(folder, R"({"sessionKey":"kC","orgId":"orgC"})");
    QCoro::waitFor(state->refresh());
    QVERIFY(!state->isSessionUnsaved());
    QCOMPARE(service.requestCount("/api/organizations/orgC/usage"), 1);
}

void TestAppState::startup_data()
{
    using S = StartupCase;
    QTest::addColumn<S>("row");
    const QByteArray earlier = R"({"sessionKey":"old","orgId":"o1","orgName":"Vecchio"})";
    QTest::newRow("empty org id") << S{.arguments = {"--sk=k", "--org-id="},
                                       .session = {"k", "", "-"}};
    QTest::newRow("key alone") << S{.arguments = {"--sk=k"}};
    QTest::newRow("last key wins, stored name gone")
        << S{.arguments = {"--sk=a", "--org-id=o", "--sk=b"},
             .stored = earlier,
             .session = {"b", "o", "-"},
             .configured = true};
    QTest::newRow("capitals ignored") << S{.arguments = {"--SK=k", "--org-id=o"}};
    QTest::newRow("values verbatim")
        << S{.arguments = {"--sk= k=1 ", "--org-id=o", "--org-name=Studio Rossi"},
             .session = {" k=1 ", "o", "Studio Rossi"},
             .configured = true};
    QTest::newRow("origin") << S{.arguments = {"--service-origin=http://127.0.0.1:8080/"},
                                 .origin = "http://127.0.0.1:8080"};
    for (const char* invalid :
         {"ftp://x", "http://", "https://x/api", "http://x?a=1", "http://u:p@x", "file:///etc"})
        QTest::addRow("origin %s", invalid)
            << S{.arguments = {QString("--service-origin=") + invalid}, .warning = invalid};
    // A terminal must never receive the value's escape sequences or direction overrides.
    QTest::newRow("origin escaped") << S{.arguments = {"--service-origin=\x1b]0;x\x07\u202e\\"},
                                         .warning = R"(\x1b]0;x\x07\u202e\\)"};
    QTest::newRow("interval") << S{.arguments = {"--refresh-interval=5"}, .interval = 5};
    QTest::newRow("longest timer wait")
        << S{.arguments = {"--refresh-interval=2147483"}, .interval = 2147483};
    for (const char* ignored : {"0", "-5", "+5", "1.5", "5s", " 5", "2147484"})
        QTest::addRow("interval %s", ignored)
            << S{.arguments = {QString("--refresh-interval=") + ignored}, .warning = ignored};
}

void TestAppState::startup()
{
    QFETCH(StartupCase, row);
    TemporaryHome home;
    if (!row.stored.isEmpty())
        writeCredentials(home.dataFolder(), row.stored);
    const QStringList arguments = QStringList{"/usr/bin/pallowe"} + row.arguments;
    const auto state = stateFor(arguments, home.dataFolder());
    QCOMPARE(stored(*state), row.session);
    QCOMPARE(state->isConfigured(), row.configured);
    QCOMPARE(state->orgName(), state->credentialStore().orgName());
    const StartupOptions options = StartupOptions::parse(arguments);
    QCOMPARE(options.serviceOriginOrDefault(), row.origin);
    QCOMPARE(options.refreshIntervalOrDefault(), std::chrono::seconds(row.interval));
    const QStringList warnings = options.warnings;
    QCOMPARE(warnings.size(), row.warning.isEmpty() ? 0 : 1);
    QVERIFY2(warnings.isEmpty() ||
                 (warnings[0].contains(" ignorato, ") && warnings[0].endsWith(": " + row.warning)),
             qPrintable(warnings.value(0)));
}

// With the history kept, each successful refresh stores the organization's reading, and a new
// state finds an earlier run's: the last figure before any request while its session window
// runs, the pace for a forecast on the first refresh. Off, nothing is even created; a damaged
// file changes nothing but says so.
void TestAppState::history_data()
{
    QTest::addColumn<QString>("file"); // "reset": the earlier reading's session window has reset
    for (const char* file : {"off", "kept", "reset", "damaged"})
        QTest::newRow(file) << QString(file);
}

void TestAppState::history()
{
    QFETCH(QString, file);
    const bool kept = file == u"kept";
    TemporaryHome home;
    const QString folder = home.dataFolder();
    const QDateTime now = QDateTime::currentDateTimeUtc(), reset = now.addSecs(3 * 3600);
    const auto earlier = [&](double percent, int minutesAgo, const QDateTime& resetsAt) {
        return HistoryReading{
            now.addSecs(-60 * minutesAgo),
            UsageResponse::decode(usageReport(percent, 5, resetsAt.toString(Qt::ISODateWithMs)))
                .value()};
    };
    const HistoryStore store(folder);
    QVERIFY(store.append("org-1", earlier(10, 20, file == u"reset" ? now : reset)).succeeded());
    QVERIFY(store.append("org-2", earlier(77, 30, reset)).succeeded());
    const QByteArray garbage = QByteArray("not a database ").repeated(100);
    if (file == u"off" || file == u"damaged")
        QVERIFY(store.deleteAll());
    if (file == u"damaged")
        writeFile(store.filePath(), garbage);
    AppSettings settings;
    settings.keepHistory = file != u"off";
    QVERIFY(SettingsStore(folder).save(settings));
    UsageService service;
    service.setUsageBody(usageReport(40, 5, reset.toString(Qt::ISODateWithMs)));
    const auto state = stateFor(sessionArguments(service.origin()), folder);
    QCOMPARE(state->menuBarPercent(), kept ? 10 : 0); // before any request
    QCOMPARE(state->lastUpdated().value_or(QDateTime()), kept ? now.addSecs(-1200) : QDateTime());

    QCoro::waitFor(state->refresh());
    QVERIFY(!state->error() && state->menuBarPercent() == 40);
    QCOMPARE(state->paceForecast().fullAt(PaceForecast::Window::FiveHour).has_value(), kept);
    QCOMPARE(state->history()->failure().value_or(""),
             file == u"damaged" ? "Cronologia non salvata: history.sqlite è danneggiato." : "");
    if (file == u"off" || file == u"damaged") {
        QCOMPARE(QDir(folder).entryList(QDir::Files).join(' '),
                 file == u"off" ? "credentials.json settings.json"
                                : "credentials.json history.sqlite settings.json");
        QCOMPARE(contents(store.filePath()), file == u"off" ? QByteArray() : garbage);
        return;
    }
    QCOMPARE(storedPercents(folder, "org-1"), QList<double>({10, 40}));
    state->setSettings(AppSettings{}); // off: the next refresh keeps nothing
    QCoro::waitFor(state->refresh());
    QCOMPARE(storedPercents(folder, "org-1"), QList<double>({10, 40}));

    // Another organization's session finds its own readings; signing out keeps them.
    state->setSettings(settings);
    QVERIFY(QCoro::waitFor(
        state->applyCommandLineSession(StartupOptions::parse({"--sk=key-2", "--org-id=org-2"}))));
    QCOMPARE(state->menuBarPercent(), 77);
    QCOMPARE(service.requestCount(), 2);
    state->logout();
    QCOMPARE(storedPercents(folder, "org-2"), QList<double>({77}));
}

QTEST_GUILESS_MAIN(TestAppState)
#include "test_app_state.moc"
