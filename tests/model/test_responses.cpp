#include "model/BootstrapResponse.h"
#include "model/UsageResponse.h"

#include <QTest>

namespace {

QByteArray members(const QByteArray& memberships)
{
    return R"({"account":{"memberships":[)" + memberships + "]}}";
}

QByteArray org(const char* uuid, const char* capabilities = "[]")
{
    return R"({"organization":{"uuid":")" + QByteArray(uuid) + R"(","capabilities":)" +
           capabilities + "}}";
}

} // namespace

class TestResponses : public QObject
{
    Q_OBJECT

private slots:
    void bootstrap_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");  // a part of the decoder's error; empty: it decodes
        QTest::addColumn<QString>("chosen"); // empty: "Nessuna organizzazione trovata"
        const auto row = [](const char* name, const QByteArray& json, const char* error,
                            const char* chosen) {
            QTest::newRow(name) << json << QString(error) << QString(chosen);
        };
        row("no account", "{}", "", "");
        row("null organization, null capabilities",
            members(R"({"organization":null},{"organization":{"uuid":"u","capabilities":null}})"),
            "", "");
        row("no max: first", members(org("A") + "," + org("B", R"(["chat"])")), "", "A");
        row("no max, first has none", members("{}," + org("B")), "", "");
        row("first has none, second max", members("{}," + org("B", R"(["zelvik_max"])")), "", "B");
        row("case or suffix differs",
            members(org("A") + "," + org("B", R"(["Zelvik_Max","zelvik_max_x"])")), "", "A");
        row("missing uuid beside a usable one",
            members(org("ok") + R"(,{"organization":{"name":"x"}})"),
            "account.memberships[1].organization.uuid", "");
    }
    void bootstrap()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        QFETCH(QString, chosen);
        const auto reply = BootstrapResponse::decode(json);
        QCOMPARE(reply.hasValue(), error.isEmpty());
        if (!reply) {
            QVERIFY2(reply.error().contains(error), qPrintable(reply.error()));
        } else if (chosen.isEmpty()) {
            QCOMPARE(reply->chooseOrganization().error().errorDescription(),
                     "Errore parsing risposta: Nessuna organizzazione trovata");
        } else {
            QCOMPARE(reply->chooseOrganization()->uuid, chosen);
        }
    }

    void usage_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error"); // a part of the decoder's error; empty: it decodes
        const auto row = [](const char* name, const QByteArray& json, const char* error) {
            QTest::newRow(name) << json << QString(error);
        };
        row("empty object", "{}", "");
        row("null window", R"({"five_hour":null})", "");
        row("extra, only is_enabled", R"({"extra_usage":{"is_enabled":false}})", "");
        row("missing resets_at",
            R"({"seven_day":{"utilization":1},"five_hour":{"utilization":1,"resets_at":"a"}})",
            "seven_day.resets_at");
        row("null utilization", R"({"seven_day_drevan":{"utilization":null,"resets_at":"a"}})",
            "seven_day_drevan.utilization");
        row("extra without is_enabled", R"({"extra_usage":{"utilization":3}})",
            "extra_usage.is_enabled");
        row("not JSON", "<html>", "JSON non valido");
    }
    void usage()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const auto report = UsageResponse::decode(json);
        QCOMPARE(report.hasValue(), error.isEmpty());
        if (!report)
            QVERIFY2(report.error().contains(error), qPrintable(report.error()));
    }

    void timeUntilReset_data()
    {
        QTest::addColumn<QString>("resetsAt"); // seen at 2026-12-06T12:00:00Z
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* resetsAt, const QString& expected) {
            QTest::newRow(resetsAt) << QString(resetsAt) << expected;
        };
        const QString unreadable(QChar(0x2013));
        row("2026-12-06T13:02:05.900+01:00", "2 min"); // fraction and offset
        row("2026-12-06T12:00:59Z", "0 min");
        row("2026-12-06T13:00:00Z", "1h 0min");
        row("2026-12-09T12:05:00.000Z", "72h 5min");
        row("2026-12-06T12:00:00Z", "ora");
        row("2026-12-06T13:00:00", unreadable); // no time zone
        row("domani", unreadable);
        row("2026-13-06T13:00:00Z", unreadable);
    }
    void timeUntilReset()
    {
        QFETCH(QString, resetsAt);
        QFETCH(QString, expected);
        const QDateTime now(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);
        QCOMPARE((UsageWindow{50, resetsAt}.timeUntilReset(now)), expected);
    }
};

QTEST_GUILESS_MAIN(TestResponses)
#include "test_responses.moc"
