#include "ui/DateTexts.h"

#include <QTest>

class TestDateTexts : public QObject
{
    Q_OBJECT

private slots:
    void resetDateLabel_data();
    void resetDateLabel();
    void paceForecastLabel();
    void relativeTimeText_data();
    void relativeTimeText();
    void relativeTimeFollowsLocale();
};

namespace {

// A Wednesday morning in Rome (UTC+1 until the end of March).
const QDateTime fixedNow =
    QDateTime::fromString(QStringLiteral("2026-03-04T10:00:00Z"), Qt::ISODate);
const QTimeZone rome(QByteArrayLiteral("Europe/Rome"));

} // namespace

void TestDateTexts::resetDateLabel_data()
{
    QTest::addColumn<QString>("resetText");
    QTest::addColumn<QString>("expected");

    QTest::newRow("later today") << "2026-03-04T13:30:00.000Z"
                                 << "oggi 14:30";
    QTest::newRow("tomorrow") << "2026-03-05T08:00:00.123Z"
                              << "domani 09:00";
    QTest::newRow("tomorrow by local date only") << "2026-03-04T23:30:00.000Z"
                                                 << "domani 00:30";
    QTest::newRow("offset form") << "2026-03-05T09:00:00.5+01:00"
                                 << "domani 09:00";
    QTest::newRow("weekday") << "2026-03-09T08:00:00.000Z"
                             << "lunedì 09:00";
    QTest::newRow("a week ahead") << "2026-03-11T08:00:00.000Z"
                                  << "mercoledì 09:00";
    QTest::newRow("no fraction stays raw") << "2026-03-05T08:00:00Z"
                                           << "2026-03-05T08:00:00Z";
    QTest::newRow("unparsable stays raw") << "presto"
                                          << "presto";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDateTexts::resetDateLabel()
{
    QFETCH(QString, resetText);
    QFETCH(QString, expected);
    QCOMPARE(DateTexts::resetDateLabel(resetText, fixedNow, rome), expected);
}

void TestDateTexts::paceForecastLabel()
{
    const auto label = [](const char* fullAt) {
        return DateTexts::paceForecastLabel(QDateTime::fromString(fullAt, Qt::ISODate), fixedNow,
                                            rome);
    };
    QCOMPARE(label("2026-03-04T15:40:00Z"), QStringLiteral("Al ritmo attuale: 100% alle 16:40"));
    QCOMPARE(label("2026-03-05T08:10:00Z"),
             QStringLiteral("Al ritmo attuale: 100% domani alle 09:10"));
    QCOMPARE(label("2026-03-07T08:10:00Z"),
             QStringLiteral("Al ritmo attuale: 100% sabato alle 09:10"));
    QCOMPARE(label("2026-03-04T09:59:00Z"), QString()); // already passed
}

void TestDateTexts::relativeTimeText_data()
{
    QTest::addColumn<qint64>("offsetSeconds");
    QTest::addColumn<QString>("expected");

    QTest::newRow("same moment") << qint64(0) << "ora";
    QTest::newRow("seconds") << qint64(-30) << "30 secondi fa";
    QTest::newRow("minutes") << qint64(-5 * 60 - 20) << "5 minuti fa";
    QTest::newRow("one minute") << qint64(-60) << "1 minuto fa";
    QTest::newRow("hours") << qint64(-3 * 3600) << "3 ore fa";
    QTest::newRow("yesterday") << qint64(-24 * 3600) << "ieri";
    QTest::newRow("future") << qint64(10 * 60) << "tra 10 minuti";
}

void TestDateTexts::relativeTimeText()
{
    QFETCH(qint64, offsetSeconds);
    QFETCH(QString, expected);
    const QDateTime then = fixedNow.addSecs(offsetSeconds);
    QCOMPARE(DateTexts::relativeTimeText(then, fixedNow, QStringLiteral("it")), expected);
}

void TestDateTexts::relativeTimeFollowsLocale()
{
    const QDateTime then = fixedNow.addSecs(-5 * 60);
    QCOMPARE(DateTexts::relativeTimeText(then, fixedNow, QStringLiteral("en_US")),
             QStringLiteral("5 minutes ago"));
    const QString weeks =
        DateTexts::relativeTimeText(fixedNow.addDays(-15), fixedNow, QStringLiteral("it"));
    QVERIFY2(weeks.contains(QStringLiteral("2 settimane")), qPrintable(weeks));
}

QTEST_GUILESS_MAIN(TestDateTexts)
#include "test_date_texts.moc"
