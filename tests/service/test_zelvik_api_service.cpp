#include "TestHttpServer.h"
#include "service/ReplyClassifier.h"
#include "service/ZelvikApiService.h"

#include <QCoroTask>
#include <QTcpServer>
#include <QTest>
#include <httplib.h>

namespace {

const QByteArray kUsage = R"({"five_hour":{"utilization":42,"resets_at":"2026-12-06T10:00:00Z"}})";
const QByteArray kBootstrap =
    R"({"account":{"memberships":[{"organization":{"uuid":"A","name":"Uno"}},
        {"organization":{"uuid":"B","name":"Due","capabilities":["zelvik_max"]}}]}})";

template <typename T>
QString failureText(const ServiceResult<T>& result)
{
    return result ? QStringLiteral("") : userFacingText(result.error());
}

} // namespace

class TestZelvikApiService : public QObject
{
    Q_OBJECT

private slots:
    void sendsExactHeaders();
    void classifiesStatus_data();
    void classifiesStatus();
    void classifiesBodies_data();
    void classifiesBodies();
    void choosesOrganization();
    void describesTransportFailures_data();
    void describesTransportFailures();
    void statusDecidesBeforeBodySize_data();
    void statusDecidesBeforeBodySize();
    void neverSendsUnsafeRequest_data();
    void neverSendsUnsafeRequest();
    void ignoresCookiesSetByService();
};

void TestZelvikApiService::sendsExactHeaders()
{
    TestHttpServer server;
    server.reply("/api/organizations/org-1/usage", 200, kUsage);
    server.reply("/api/bootstrap", 200, kBootstrap);
    server.start();
    ZelvikApiService api(server.origin());

    QVERIFY(QCoro::waitFor(api.fetchUsage(QStringLiteral("sk-ant_1"), QStringLiteral("org-1"))));
    QVERIFY(QCoro::waitFor(api.fetchOrgInfo(QStringLiteral("sk-ant_1"))));

    const auto received = server.received();
    QCOMPARE(received.size(), 2);
    QCOMPARE(received[0].path, QStringLiteral("/api/organizations/org-1/usage"));
    QCOMPARE(received[1].path, QStringLiteral("/api/bootstrap"));
    for (const auto& request : received) {
        QCOMPARE(request.method, QStringLiteral("GET"));
        QCOMPARE(request.headerCount("Cookie"), 1);
        QCOMPARE(request.header("Cookie"), QByteArray("sessionKey=sk-ant_1"));
        QCOMPARE(request.header("Referer"), server.origin().toUtf8());
        QCOMPARE(request.header("Accept"), QByteArray("application/json"));
        QVERIFY(request.header("User-Agent").startsWith("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7)"));
        QVERIFY(request.header("User-Agent").endsWith("Chrome/131.0.0.0 Safari/537.36"));
    }

    const auto request = ZelvikRequestFactory(server.origin()).usage("k", "o");
    QVERIFY(request);
    const QList<QByteArray> ours{"Cookie", "Referer", "Accept", "User-Agent"};
    QCOMPARE(request->rawHeaderList().mid(0, 4), ours);
    QCOMPARE(request->transferTimeout(), 60000);
}

void TestZelvikApiService::classifiesStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expected"); // empty: success

    QTest::newRow("200") << 200 << "";
    QTest::newRow("204") << 204 << "Errore di rete: HTTP 204";
    QTest::newRow("304") << 304 << "Errore di rete: HTTP 304";
    QTest::newRow("401") << 401 << "Sessione non valida o scaduta";
    QTest::newRow("403") << 403 << "Sessione non valida o scaduta";
    QTest::newRow("404") << 404 << "Errore di rete: HTTP 404";
    QTest::newRow("429") << 429 << "Errore di rete: HTTP 429";
    QTest::newRow("500") << 500 << "Errore di rete: HTTP 500";
}

void TestZelvikApiService::classifiesStatus()
{
    QFETCH(int, status);
    QFETCH(QString, expected);
    TestHttpServer server;
    server.reply("/api/organizations/o/usage", status, kUsage);
    server.reply("/api/bootstrap", status, kBootstrap);
    server.start();
    ZelvikApiService api(server.origin());

    const auto usage = QCoro::waitFor(api.fetchUsage("k", "o"));
    const auto org = QCoro::waitFor(api.fetchOrgInfo("k"));
    QCOMPARE(failureText(usage), expected);
    QCOMPARE(failureText(org), expected);
    if (status == 401 || status == 403)
        QVERIFY(isInvalidSession(usage.error()) && isInvalidSession(org.error()));
}

void TestZelvikApiService::classifiesBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("usagePrefix");   // empty: success
    QTest::addColumn<QString>("bootstrapText"); // empty: success

    QTest::newRow("html") << QByteArray("<html>ciao</html>") << "Errore parsing risposta: JSON non valido"
                          << "JSON non valido";
    QTest::newRow("empty") << QByteArray() << "Errore parsing risposta: " << "JSON non valido";
    QTest::newRow("wrong type") << QByteArray(R"({"five_hour":{"utilization":"x","resets_at":"t"},"account":[]})")
                                << "Errore parsing risposta: tipo errato per five_hour.utilization"
                                << "tipo errato per account";
    QTest::newRow("missing required") << QByteArray(R"({"seven_day":{"utilization":1},"account":{"memberships":[{"organization":{}}]}})")
                                      << "Errore parsing risposta: chiave obbligatoria assente: seven_day.resets_at"
                                      << "chiave obbligatoria assente: account.memberships[0].organization.uuid";
    QTest::newRow("empty object") << QByteArray("{}") << ""
                                  << "Errore parsing risposta: Nessuna organizzazione trovata";
}

void TestZelvikApiService::classifiesBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, usagePrefix);
    QFETCH(QString, bootstrapText);
    TestHttpServer server;
    server.reply("/api/organizations/o/usage", 200, body);
    server.reply("/api/bootstrap", 200, body);
    server.start();
    ZelvikApiService api(server.origin());

    const auto usage = QCoro::waitFor(api.fetchUsage("k", "o"));
    QVERIFY2(failureText(usage).startsWith(usagePrefix), qPrintable(failureText(usage)));
    QCOMPARE(usage.hasValue(), usagePrefix.isEmpty());
    if (!usage)
        QVERIFY(std::holds_alternative<AppError>(usage.error()));

    const auto org = QCoro::waitFor(api.fetchOrgInfo("k"));
    QVERIFY2(failureText(org).startsWith(bootstrapText), qPrintable(failureText(org)));
    // The bootstrap decoder's own failure is passed on, not wrapped in an AppError.
    const bool decoderFailure = !bootstrapText.startsWith(QStringLiteral("Errore"));
    QCOMPARE(std::holds_alternative<PlatformError>(org.error()), decoderFailure);
}

void TestZelvikApiService::choosesOrganization()
{
    TestHttpServer server;
    server.reply("/api/bootstrap", 200, kBootstrap);
    server.start();
    ZelvikApiService api(server.origin());
    const auto org = QCoro::waitFor(api.fetchOrgInfo("k"));
    QVERIFY(org);
    QCOMPARE(org->uuid, QStringLiteral("B"));
    QCOMPARE(org->name, std::optional(QStringLiteral("Due")));
}

void TestZelvikApiService::describesTransportFailures_data()
{
    QTest::addColumn<QString>("origin"); // where a real request fails; empty: the error alone
    QTest::addColumn<QNetworkReply::NetworkError>("error");
    QTest::addColumn<QString>("qtText");
    QTest::addColumn<QString>("expected");

    QTest::newRow("refused") << TestHttpServer::unusedOrigin()
                             << QNetworkReply::ConnectionRefusedError << "Connection refused"
                             << "Connessione rifiutata";
    QTest::newRow("host not found") << "http://pallowe.invalid" << QNetworkReply::HostNotFoundError
                                    << "Host pallowe.invalid not found"
                                    << "Server non trovato";
    QTest::newRow("no answer in time")
        << "silent" << QNetworkReply::OperationCanceledError << "Operation canceled"
        << "Tempo scaduto";
    QTest::newRow("host unreachable")
        << "" << QNetworkReply::UnknownNetworkError << "Host unreachable"
        << "Server non raggiungibile";
    QTest::newRow("anything else keeps Qt's text")
        << "" << QNetworkReply::UnknownNetworkError << "Permission denied"
        << "Permission denied";
}

void TestZelvikApiService::describesTransportFailures()
{
    QFETCH(QString, origin);
    QFETCH(QNetworkReply::NetworkError, error);
    QFETCH(QString, qtText);
    QFETCH(QString, expected);
    QCOMPARE(ReplyClassifier::transportErrorText(error, qtText), expected);
    if (origin.isEmpty())
        return;

    QTcpServer silent; // takes the connection and never answers
    if (origin == u"silent") {
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        origin = QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort());
    }
    ZelvikApiService api(origin, nullptr, 200);
    // The platform's own failure: shown as it is, without "Errore di rete: ".
    QCOMPARE(failureText(QCoro::waitFor(api.fetchUsage("k", "o"))), expected);
}

void TestZelvikApiService::statusDecidesBeforeBodySize_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("chunked");
    QTest::addColumn<QString>("expected");

    QTest::newRow("200, announced length")
        << 200 << false << "Errore di rete: Risposta troppo grande";
    QTest::newRow("200, chunked") << 200 << true << "Errore di rete: Risposta troppo grande";
    QTest::newRow("401, announced length") << 401 << false << "Sessione non valida o scaduta";
    QTest::newRow("403, chunked") << 403 << true << "Sessione non valida o scaduta";
    QTest::newRow("500, chunked") << 500 << true << "Errore di rete: HTTP 500";
}

void TestZelvikApiService::statusDecidesBeforeBodySize()
{
    QFETCH(int, status);
    QFETCH(bool, chunked);
    QFETCH(QString, expected);
    const std::string big(ZelvikApiService::kMaxBodyBytes + 1, ' '); // outlives the server
    TestHttpServer server;
    server.onGet("/api/.*", [&](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        if (!chunked) {
            res.set_content(big, "application/json");
            return;
        }
        res.set_chunked_content_provider("application/json", [&](size_t, httplib::DataSink& sink) {
            for (size_t sent = 0; sent < big.size(); sent += 65536)
                if (!sink.write(big.data() + sent, std::min<size_t>(65536, big.size() - sent)))
                    return false;
            sink.done();
            return true;
        });
    });
    server.start();
    ZelvikApiService api(server.origin());
    QCOMPARE(failureText(QCoro::waitFor(api.fetchUsage("k", "o"))), expected);
    QCOMPARE(failureText(QCoro::waitFor(api.fetchOrgInfo("k"))), expected);
}

void TestZelvikApiService::neverSendsUnsafeRequest_data()
{
    QTest::addColumn<QString>("sessionKey");
    QTest::addColumn<QString>("orgId");

    QTest::newRow("CRLF in key") << "k\r\nX-Injected: 1" << "o";
    QTest::newRow("LF in key") << "k\nx" << "o";
    QTest::newRow("NUL in key") << QString("k") + QChar(0) << "o";
    QTest::newRow("second cookie in key") << "k; admin=1" << "o";
    QTest::newRow("slash in org") << "k" << "a/../b";
    QTest::newRow("query in org") << "k" << "a?x=1";
    QTest::newRow("fragment in org") << "k" << "a#b";
    QTest::newRow("percent in org") << "k" << "a%2Fb";
    QTest::newRow("space in org") << "k" << "a b";
    QTest::newRow("dot-dot org") << "k" << "..";
    QTest::newRow("tab in org") << "k" << "a\tb";
}

void TestZelvikApiService::neverSendsUnsafeRequest()
{
    QFETCH(QString, sessionKey);
    QFETCH(QString, orgId);
    TestHttpServer server;
    server.reply(".*", 200, kUsage);
    server.start();
    ZelvikApiService api(server.origin());

    QCOMPARE(failureText(QCoro::waitFor(api.fetchUsage(sessionKey, orgId))),
             QStringLiteral("Errore di rete: Richiesta non valida"));
    if (orgId == u"o")
        QCOMPARE(failureText(QCoro::waitFor(api.fetchOrgInfo(sessionKey))),
                 QStringLiteral("Errore di rete: Richiesta non valida"));
    QCOMPARE(server.requestCount(), 0);
}

void TestZelvikApiService::ignoresCookiesSetByService()
{
    TestHttpServer server;
    server.onGet("/api/bootstrap", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "tracker=1; Path=/");
        res.set_content(kBootstrap.toStdString(), "application/json");
    });
    // A redirect must not be followed: the session cookie would go wherever it points.
    server.onGet("/api/organizations/o/usage", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/elsewhere", 302);
    });
    server.reply("/elsewhere", 200, kUsage);
    server.start();
    ZelvikApiService api(server.origin());

    QVERIFY(QCoro::waitFor(api.fetchOrgInfo("k")));
    QCOMPARE(failureText(QCoro::waitFor(api.fetchUsage("k", "o"))), QStringLiteral("Errore di rete: HTTP 302"));
    const auto received = server.received();
    QCOMPARE(received.size(), 2);
    QCOMPARE(received[1].header("Cookie"), QByteArray("sessionKey=k"));
}

QTEST_GUILESS_MAIN(TestZelvikApiService)
#include "test_zelvik_api_service.moc"
