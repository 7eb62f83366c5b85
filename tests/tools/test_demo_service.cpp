#include "DemoServiceProcess.h"
#include "model/ServiceError.h"
#include "service/ZelvikApiService.h"

#include <QCoroTask>
#include <QProcess>
#include <QTest>
#include <httplib.h>

namespace {

const QString kKey = QStringLiteral("demo-test-key");
const QString kMaxOrgId = QStringLiteral("8e41d6c2-05b9-4f37-a2de-91c7b3f46a58");
const QString kPersonalOrgId = QStringLiteral("3c9f2b1e-7a4d-4e0b-9c61-5d8e2f7a1b04");

// QCoro::waitFor needs a default-constructible result, which Expected is not.
QCoro::Task<std::optional<ServiceResult<OrgInfo>>> orgInfoTask(QString origin, QString key)
{
    ZelvikApiService api(origin);
    co_return co_await api.fetchOrgInfo(key);
}

QCoro::Task<std::optional<ServiceResult<UsageResponse>>> usageTask(QString origin, QString key,
                                                                   QString orgId)
{
    ZelvikApiService api(origin);
    co_return co_await api.fetchUsage(key, orgId);
}

ServiceResult<OrgInfo> fetchOrgInfo(const DemoServiceProcess& service, const QString& key)
{
    return *QCoro::waitFor(orgInfoTask(service.origin(), key));
}

ServiceResult<UsageResponse> fetchUsage(const DemoServiceProcess& service, const QString& key,
                                        const QString& orgId)
{
    return *QCoro::waitFor(usageTask(service.origin(), key, orgId));
}

QString failureText(const ServiceResult<UsageResponse>& result)
{
    return result ? QStringLiteral("success") : userFacingText(result.error());
}

} // namespace

class TestDemoService : public QObject
{
    Q_OBJECT

private slots:
    void bootstrapAndUsageDecode();
    void failures_data();
    void failures();
    void sessionExpiresAfterRequests();
    void usageCrosses80AtTheGivenReply();
    void signInSetsSessionCookie();
    void logsWithoutTheKeyAndStopsOnSigterm();
    void helpMentionsEveryOption();
};

void TestDemoService::bootstrapAndUsageDecode()
{
    DemoServiceProcess service({"--session-key=" + kKey, "--speed=60"});
    QVERIFY(service.isRunning());

    const auto org = fetchOrgInfo(service, kKey);
    QVERIFY2(org, org ? "" : qPrintable(userFacingText(org.error())));
    QCOMPARE(org->uuid, kMaxOrgId);
    QVERIFY(org->capabilities->contains(QStringLiteral("zelvik_max")));

    for (const QString& orgId : {kMaxOrgId, kPersonalOrgId}) {
        const auto usage = fetchUsage(service, kKey, orgId);
        QVERIFY2(usage, qPrintable(failureText(usage)));
        for (const auto& window :
             {usage->fiveHour, usage->sevenDay, usage->sevenDayVelmar, usage->sevenDayDrevan}) {
            QVERIFY(window);
            QVERIFY(window->utilization >= 0 && window->utilization <= 100);
            QVERIFY2(window->timeUntilReset() != QStringLiteral("–"), qPrintable(window->resetsAt));
        }
        QVERIFY(usage->extraUsage && usage->extraUsage->isEnabled);
        QCOMPARE(usage->extraUsage->currency, std::optional(QStringLiteral("EUR")));
        QVERIFY(usage->extraUsage->monthlyLimit && usage->extraUsage->usedCredits);
    }
}

void TestDemoService::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("orgId"); // empty: ask for the bootstrap
    QTest::addColumn<QString>("text");

    const QStringList plain{"--session-key=" + kKey};
    const QString refused = QStringLiteral("Sessione non valida o scaduta");
    QTest::newRow("unknown key, bootstrap") << plain << "other"
                                            << "" << refused;
    QTest::newRow("unknown key, usage") << plain << "other" << kMaxOrgId << refused;
    QTest::newRow("unknown organization") << plain << kKey << "0000"
                                          << "Errore di rete: HTTP 404";
    QTest::newRow("fixed status, bootstrap")
        << (plain + QStringList{"--status=/api/bootstrap=429"}) << kKey << ""
        << "Errore di rete: HTTP 429";
    QTest::newRow("fixed status for a path prefix")
        << (plain + QStringList{"--status=/api/organizations/*=503"}) << kKey << kMaxOrgId
        << "Errore di rete: HTTP 503";
    QTest::newRow("fixed status wins over a bad key")
        << (plain + QStringList{"--status=/api/bootstrap=500"}) << "other"
        << ""
        << "Errore di rete: HTTP 500";
}

void TestDemoService::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, key);
    QFETCH(QString, orgId);
    QFETCH(QString, text);
    DemoServiceProcess service(arguments);
    QVERIFY(service.isRunning());

    if (orgId.isEmpty()) {
        const auto org = fetchOrgInfo(service, key);
        QVERIFY(!org);
        QCOMPARE(userFacingText(org.error()), text);
    } else {
        QCOMPARE(failureText(fetchUsage(service, key, orgId)), text);
    }
}

void TestDemoService::sessionExpiresAfterRequests()
{
    DemoServiceProcess service(
        {"--session-key=" + kKey, "--session-key=spare", "--expire-after=3"});
    QVERIFY(service.isRunning());

    QVERIFY(fetchOrgInfo(service, kKey));
    QVERIFY(fetchUsage(service, kKey, kMaxOrgId));
    QVERIFY(fetchUsage(service, kKey, kMaxOrgId));
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto usage = fetchUsage(service, kKey, kMaxOrgId);
        QVERIFY(!usage && isInvalidSession(usage.error()));
    }
    const auto bootstrap = fetchOrgInfo(service, kKey);
    QVERIFY(!bootstrap && isInvalidSession(bootstrap.error()));
    QVERIFY2(fetchUsage(service, "spare", kMaxOrgId), "each session counts its own requests");
}

void TestDemoService::usageCrosses80AtTheGivenReply()
{
    DemoServiceProcess service({"--session-key=" + kKey, "--cross-80-after=4"});
    QVERIFY(service.isRunning());

    double previous = 0;
    for (int reply = 1; reply <= 6; ++reply) {
        const auto usage = fetchUsage(service, kKey, kMaxOrgId);
        QVERIFY2(usage, qPrintable(failureText(usage)));
        const double headline = usage->headlineUtilization();
        QVERIFY2(reply < 4 ? headline < 80 : headline >= 80,
                 qPrintable(QStringLiteral("reply %1: %2").arg(reply).arg(headline)));
        QVERIFY(headline >= previous);
        previous = headline;
    }
}

void TestDemoService::signInSetsSessionCookie()
{
    DemoServiceProcess service({});
    QVERIFY(service.isRunning());
    httplib::Client browser("127.0.0.1", service.port());

    const auto page = browser.Get("/login");
    QVERIFY(page && page->status == 200);
    for (const char* id : {"id=\"login-form\"", "id=\"email\"", "id=\"password\""})
        QVERIFY2(page->body.find(id) != std::string::npos, id);

    const char* form = "application/x-www-form-urlencoded";
    const auto empty = browser.Post("/login", "email=mario%40example.com&password=", form);
    QVERIFY(empty && empty->status == 200);
    QVERIFY(empty->body.find("Inserisci l'indirizzo e-mail e la password.") != std::string::npos);
    QVERIFY(!empty->has_header("Set-Cookie"));

    const auto signedIn = browser.Post("/login", "email=mario%40example.com&password=x", form);
    QVERIFY(signedIn && signedIn->status == 303);
    QCOMPARE(signedIn->get_header_value("Location"), std::string("/"));
    const QString cookie = QString::fromStdString(signedIn->get_header_value("Set-Cookie"));
    const QStringList attributes = cookie.split(QStringLiteral("; "));
    QVERIFY2(attributes.first().startsWith("sessionKey=sk-demo-"), qPrintable(cookie));
    QVERIFY(attributes.contains("HttpOnly") && attributes.contains("Path=/"));
    QVERIFY2(!cookie.contains("Domain", Qt::CaseInsensitive), "the cookie must be host-only");

    const QString key = attributes.first().section(u'=', 1);
    const httplib::Headers withCookie{{"Cookie", "sessionKey=" + key.toStdString()}};
    const auto welcome = browser.Get("/login", withCookie);
    QVERIFY(welcome && welcome->body.find("Accesso effettuato") != std::string::npos);
    QVERIFY(welcome->body.find("mario@example.com") != std::string::npos);
    QVERIFY2(fetchOrgInfo(service, key), "the signed-in key opens the API");
}

void TestDemoService::logsWithoutTheKeyAndStopsOnSigterm()
{
    DemoServiceProcess service({"--session-key=" + kKey});
    QVERIFY(service.isRunning());
    QVERIFY(fetchOrgInfo(service, kKey));
    QVERIFY(!fetchUsage(service, QString(), kMaxOrgId));

    QVERIFY(service.stop());
    const QByteArray log = service.log();
    QVERIFY2(log.contains("GET /api/bootstrap 200 session-cookie=yes"), log.constData());
    QVERIFY(log.contains(kMaxOrgId.toLatin1()) && log.contains(kPersonalOrgId.toLatin1()));
    QVERIFY2(!log.contains(kKey.toLatin1()), "the session key must never be logged");
}

void TestDemoService::helpMentionsEveryOption()
{
    QProcess help;
    help.start(DemoServiceProcess::program(), {"--help"});
    QVERIFY(help.waitForFinished(10000));
    QCOMPARE(help.exitCode(), 0);
    const QByteArray text = help.readAllStandardOutput();
    for (const char* option : {"--address", "--port", "--speed", "--session-key",
                               "--cross-80-after", "--expire-after", "--status", "--delay"})
        QVERIFY2(text.contains(option), option);

    QProcess wrong;
    wrong.start(DemoServiceProcess::program(), {"--status=/api/bootstrap=abc"});
    QVERIFY(wrong.waitForFinished(10000));
    QCOMPARE(wrong.exitCode(), 2);
    QVERIFY(wrong.readAllStandardError().contains("invalid --status"));
}

QTEST_GUILESS_MAIN(TestDemoService)
#include "test_demo_service.moc"
