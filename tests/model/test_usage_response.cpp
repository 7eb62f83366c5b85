#include "model/UsageResponse.h"

#include <QTest>

class TestUsageResponse : public QObject
{
    Q_OBJECT

private slots:
    void decodesPresenceRules_data();
    void decodesPresenceRules();
    void decodesFullReport();
    void timeUntilReset_data();
    void timeUntilReset();
};

void TestUsageResponse::decodesPresenceRules_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("errorMentions");

    QTest::newRow("empty object") << QByteArray("{}") << true << "";
    QTest::newRow("unknown keys")
        << QByteArray(R"({"x":1,"five_hour":{"utilization":1,"resets_at":"a","y":2}})") << true
        << "";
    QTest::newRow("null window") << QByteArray(R"({"five_hour":null})") << true << "";
    QTest::newRow("integer utilization")
        << QByteArray(R"({"five_hour":{"utilization":42,"resets_at":"a"}})") << true << "";
    QTest::newRow("missing resets_at")
        << QByteArray(
               R"({"seven_day":{"utilization":1},"five_hour":{"utilization":1,"resets_at":"a"}})")
        << false << "seven_day.resets_at";
    QTest::newRow("null utilization")
        << QByteArray(R"({"seven_day_drevan":{"utilization":null,"resets_at":"a"}})") << false
        << "seven_day_drevan.utilization";
    QTest::newRow("string utilization")
        << QByteArray(R"({"five_hour":{"utilization":"42","resets_at":"a"}})") << false
        << "five_hour.utilization";
    QTest::newRow("window not object")
        << QByteArray(R"({"seven_day_velmar":[]})") << false << "seven_day_velmar";
    QTest::newRow("extra only is_enabled")
        << QByteArray(R"({"extra_usage":{"is_enabled":false}})") << true << "";
    QTest::newRow("extra without is_enabled")
        << QByteArray(R"({"extra_usage":{"utilization":3}})") << false << "extra_usage.is_enabled";
    QTest::newRow("extra currency wrong type")
        << QByteArray(R"({"extra_usage":{"is_enabled":true,"currency":5}})") << false
        << "extra_usage.currency";
    QTest::newRow("not json") << QByteArray("<html>") << false << "JSON non valido";
    QTest::newRow("array root") << QByteArray("[]") << false << "oggetto";
}

void TestUsageResponse::decodesPresenceRules()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, ok);
    QFETCH(QString, errorMentions);
    const auto report = UsageResponse::decode(json);
    QCOMPARE(report.hasValue(), ok);
    if (!ok)
        QVERIFY2(report.error().contains(errorMentions), qPrintable(report.error()));
}

void TestUsageResponse::decodesFullReport()
{
    const auto report = UsageResponse::decode(R"({
        "five_hour": {"utilization": 42.5, "resets_at": "2026-12-06T10:00:00.5+01:00"},
        "seven_day": {"utilization": 12, "resets_at": "2026-12-10T10:00:00Z"},
        "extra_usage": {"is_enabled": true, "monthly_limit": 50, "used_credits": null,
                        "utilization": 10.0, "currency": "EUR"}})");
    QVERIFY(report);
    QCOMPARE(report->fiveHour->utilization, 42.5);
    QCOMPARE(report->fiveHour->resetsAt, QStringLiteral("2026-12-06T10:00:00.5+01:00"));
    QVERIFY(!report->sevenDayVelmar && !report->sevenDayDrevan);
    QCOMPARE(report->extraUsage->monthlyLimit, std::optional(50.0));
    QVERIFY(!report->extraUsage->usedCredits);
    QCOMPARE(report->extraUsage->currency, std::optional(QStringLiteral("EUR")));
    QCOMPARE(report->headlineUtilization(), 42.5);
}

void TestUsageResponse::timeUntilReset_data()
{
    QTest::addColumn<QString>("resetsAt");
    QTest::addColumn<QString>("expected");

    // now is 2026-12-06T12:00:00Z
    QTest::newRow("fraction and offset") << "2026-12-06T13:02:05.900+01:00"
                                         << "2 min";
    QTest::newRow("no fraction, Z") << "2026-12-06T12:02:05Z"
                                    << "2 min";
    QTest::newRow("59 s") << "2026-12-06T12:00:59Z"
                          << "0 min";
    QTest::newRow("exactly one hour") << "2026-12-06T13:00:00Z"
                                      << "1h 0min";
    QTest::newRow("3 days 5 min") << "2026-12-09T12:05:00.000Z"
                                  << "72h 5min";
    QTest::newRow("exactly now") << "2026-12-06T12:00:00Z"
                                 << "ora";
    QTest::newRow("past") << "2026-12-01T00:00:00Z"
                          << "ora";
    QTest::newRow("no time zone") << "2026-12-06T13:00:00" << QString(QChar(0x2013));
    QTest::newRow("date only") << "2026-12-07" << QString(QChar(0x2013));
    QTest::newRow("garbage") << "domani" << QString(QChar(0x2013));
    QTest::newRow("invalid month") << "2026-13-06T13:00:00Z" << QString(QChar(0x2013));
}

void TestUsageResponse::timeUntilReset()
{
    QFETCH(QString, resetsAt);
    QFETCH(QString, expected);
    const QDateTime now(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);
    const UsageWindow window{50, resetsAt};
    QCOMPARE(window.timeUntilReset(now), expected);
}

QTEST_GUILESS_MAIN(TestUsageResponse)
#include "test_usage_response.moc"
