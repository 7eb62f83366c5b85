#include "TestHttpServer.h"
#include "service/ZelvikApiService.h"

#include <QCoroTask>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

namespace {

// Both decoders take it: each ignores the other's keys.
const QByteArray kReport = R"({"five_hour":{"utilization":42,"resets_at":"2026-12-06T10:00:00Z"},
    "account":{"memberships":[{"organization":{"uuid":"A","name":"Uno"}},
        {"organization":{"uuid":"B","name":"Due","capabilities":["zelvik_max"]}}]}})";

template <typename T> QString failureText(const ServiceResult<T>& result)
{
    return result ? QStringLiteral("") : userFacingText(result.error());
}

// What the user is shown for the usage report and for the bootstrap; empty: success.
QStringList failures(ZelvikApiService& api, const QString& key = "k", const QString& org = "o")
{
    return {failureText(QCoro::waitFor(api.fetchUsage(key, org))),
            failureText(QCoro::waitFor(api.fetchOrgInfo(key)))};
}

} // namespace

class TestZelvikApiService : public QObject
{
    Q_OBJECT

private slots:
    // Qt warns on standard error about a reply handled wrongly; users see those lines.
    void init() { QTest::failOnWarning(QRegularExpression(".")); }

    void sendsOnlyItsOwnHeaders()
    {
        TestHttpServer server;
        server.onGet("/api/bootstrap", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "tracker=1; Path=/");
            res.set_content(kReport.toStdString(), "application/json");
        });
        // A redirect must not be followed: the session cookie would go wherever it points.
        server.onGet("/api/organizations/org-1/usage",
                     [](const httplib::Request&, httplib::Response& res) {
                         res.set_redirect("/elsewhere", 302);
                     });
        server.reply("/elsewhere", 200, kReport);
        server.start();
        ZelvikApiService api(server.origin());

        const auto org = QCoro::waitFor(api.fetchOrgInfo("sk-ant_1"));
        QVERIFY(org && org->uuid == u"B" && org->name == u"Due");
        QCOMPARE(failures(api, "sk-ant_1", "org-1"), QStringList({"Errore di rete: HTTP 302", ""}));
        const auto received = server.received();
        QCOMPARE(received.size(), 3);
        QCOMPARE(received[1].path, "/api/organizations/org-1/usage");
        for (const auto& request : received) {
            const auto header = [&](const char* name) { // every value, joined
                QStringList values;
                for (auto [it, end] = request.headers.equal_range(name); it != end; ++it)
                    values << QString::fromStdString(it->second);
                return values.join(" | ");
            };
            QCOMPARE(request.method, "GET");
            QCOMPARE(header("Cookie"), "sessionKey=sk-ant_1"); // not the one the service set
            QCOMPARE(header("Referer"), server.origin());
            QCOMPARE(header("Accept"), "application/json");
            QVERIFY(
                header("User-Agent").startsWith("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7)"));
            QVERIFY(header("User-Agent").endsWith("Chrome/131.0.0.0 Safari/537.36"));
        }
    }

    void classifiesReplies_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("usageText"); // what the user is shown; empty: success
        QTest::addColumn<QString>("orgText");
        QTest::addColumn<QByteArray>("encoding"); // a Content-Encoding the body does not have
        const auto row = [](const char* name, int status, const QByteArray& body,
                            const QString& usage, const QString& org,
                            const QByteArray& encoding = {}) {
            QTest::newRow(name) << status << body << usage << org << encoding;
        };
        const QString refused = QStringLiteral("Sessione non valida o scaduta");
        row("200", 200, kReport, "", "");
        for (int status : {204, 304, 404, 500}) {
            const QString text = QStringLiteral("Errore di rete: HTTP %1").arg(status);
            row(qPrintable(text), status, kReport, text, text);
        }
        row("401", 401, kReport, refused, refused);
        row("403", 403, kReport, refused, refused);
        // The bootstrap decoder's own failure is passed on, not wrapped in an AppError.
        row("html", 200, "<html>ciao</html>", "Errore parsing risposta: JSON non valido",
            "JSON non valido");
        row("no organization", 200, "{}", "",
            "Errore parsing risposta: Nessuna organizzazione trovata");
        // The status decides before the size: a huge refusal still ends the session.
        const QString tooLarge = QStringLiteral("Errore di rete: Risposta troppo grande");
        const QByteArray big(ZelvikApiService::kMaxBodyBytes + 1, ' ');
        row("200, too large", 200, big, tooLarge, tooLarge);
        row("401, too large", 401, big, refused, refused);
        row("403, too large", 403, big, refused, refused);
        const QString broken = QStringLiteral("Risposta compressa non valida");
        for (const char* encoding : {"gzip", "deflate", "br"})
            row(encoding, 200, "not compressed at all, plain text", broken, broken, encoding);
    }
    void classifiesReplies()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, usageText);
        QFETCH(QString, orgText);
        QFETCH(QByteArray, encoding);
        const std::string content = body.toStdString(); // outlives the server
        // The test server compresses JSON itself; a type it leaves alone keeps the false header.
        const char* type = encoding.isEmpty() ? "application/json" : "application/octet-stream";
        TestHttpServer server;
        // The usage report comes with its length announced, the bootstrap chunked.
        server.onGet("/api/.*", [&](const httplib::Request& req, httplib::Response& res) {
            res.status = status;
            if (!encoding.isEmpty())
                res.set_header("Content-Encoding", encoding.toStdString());
            if (req.path != "/api/bootstrap")
                return res.set_content(content, type);
            res.set_chunked_content_provider(type, [&](size_t, auto& sink) {
                sink.write(content.data(), content.size());
                sink.done();
                return true;
            });
        });
        server.start();
        ZelvikApiService api(server.origin());
        QCOMPARE(failures(api).replaceInStrings(QRegularExpression(": illegal value.*"), ""),
                 QStringList({usageText, orgText})); // Qt's own detail of a JSON error aside
    }

    void describesTransportFailures_data()
    {
        QTest::addColumn<QString>("origin"); // "silent": takes the connection and never answers
        QTest::addColumn<QString>("expected");
        QTest::newRow("refused") << TestHttpServer::unusedOrigin() << "Connessione rifiutata";
        QTest::newRow("host not found")
            << "http://pallowe.invalid" << QString("Server non trovato");
        QTest::newRow("no answer in time") << "silent" << QString("Tempo scaduto");
    }
    void describesTransportFailures()
    {
        QFETCH(QString, origin);
        QFETCH(QString, expected);
        QTcpServer silent;
        if (origin == u"silent") {
            QVERIFY(silent.listen(QHostAddress::LocalHost));
            origin = QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort());
        }
        ZelvikApiService api(origin, nullptr, 200);
        // The platform's own failure, in Italian, without "Errore di rete: ".
        QCOMPARE(failures(api), QStringList({expected, expected}));
    }

    void neverSendsUnsafeRequest_data()
    {
        QTest::addColumn<QString>("sessionKey");
        QTest::addColumn<QString>("orgId");
        QTest::newRow("CRLF in key") << "k\r\nX-Injected: 1" << QString("o");
        QTest::newRow("NUL in key") << QString("k") + QChar(0) << "o";
        QTest::newRow("second cookie in key") << "k; admin=1" << QString("o");
        for (const char* orgId : {"a/../b", "a?x=1", "a#b", "a%2Fb", "a b", "..", "a\tb"})
            QTest::newRow(orgId) << "k" << orgId;
    }
    void neverSendsUnsafeRequest()
    {
        QFETCH(QString, sessionKey);
        QFETCH(QString, orgId);
        TestHttpServer server;
        server.reply(".*", 200, kReport);
        server.start();
        ZelvikApiService api(server.origin());
        const QString refused = QStringLiteral("Errore di rete: Richiesta non valida");
        QCOMPARE(failures(api, sessionKey, orgId),
                 QStringList({refused, orgId == u"o" ? refused : QString()}));
        QCOMPARE(server.requestCount(), orgId == u"o" ? 0 : 1); // the bootstrap takes no org id
    }
};

QTEST_GUILESS_MAIN(TestZelvikApiService)
#include "test_zelvik_api_service.moc"
