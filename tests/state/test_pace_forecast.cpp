#include "state/PaceForecast.h"

#include <QRegularExpression>
#include <QTest>

namespace {

const QDateTime start = QDateTime::fromString(QStringLiteral("2026-03-04T10:00:00Z"), Qt::ISODate);

QString resetText(int minute)
{
    return minute < 0 ? QStringLiteral("presto")
                      : start.addSecs(minute * 60).toString(Qt::ISODateWithMs);
}

} // namespace

class TestPaceForecast : public QObject
{
    Q_OBJECT

private slots:
    void fullAt_data();
    void fullAt();
};

void TestPaceForecast::fullAt_data()
{
    QTest::addColumn<QString>("readings"); // "minute:percent" or "minute:percent@resetMinute"
    QTest::addColumn<int>("resetMinute");  // of readings without their own; -1: unreadable
    QTest::addColumn<double>("timeScale");
    QTest::addColumn<int>("fullMinute"); // -1: no forecast

    QTest::newRow("rising fast") << "0:10 15:20" << 300 << 1.0 << 135;
    QTest::newRow("single reading") << "0:10" << 300 << 1.0 << -1;
    QTest::newRow("under 10 minutes apart") << "0:10 9:40" << 300 << 1.0 << -1;
    QTest::newRow("flat") << "0:30 20:30" << 300 << 1.0 << -1;
    QTest::newRow("falling") << "0:30 20:25" << 300 << 1.0 << -1;
    QTest::newRow("too slow for the reset") << "0:10 20:11" << 300 << 1.0 << -1;
    QTest::newRow("full exactly at the reset") << "0:0 60:20" << 300 << 1.0 << -1;
    QTest::newRow("already full") << "0:90 15:100" << 300 << 1.0 << -1;
    QTest::newRow("unreadable reset") << "0:10 15:20" << -1 << 1.0 << -1;
    QTest::newRow("pace of the last hour") << "0:10 60:11 100:21 120:31" << 400 << 1.0 << 327;
    QTest::newRow("last hour too short: whole window") << "0:10 100:50 105:55" << 300 << 1.0 << 210;
    QTest::newRow("earlier reset dropped") << "0:50@20 15:60@20 30:5 45:20" << 300 << 1.0 << 125;
    QTest::newRow("shorter interval, shorter spans") << "0:10 2:20" << 300 << 0.1 << 18;
}

void TestPaceForecast::fullAt()
{
    QFETCH(QString, readings);
    QFETCH(int, resetMinute);
    QFETCH(double, timeScale);
    QFETCH(int, fullMinute);

    PaceForecast forecast(timeScale);
    for (const QString& reading : readings.split(u' ')) {
        const QStringList parts = reading.split(QRegularExpression(QStringLiteral("[:@]")));
        const int reset = parts.size() > 2 ? parts[2].toInt() : resetMinute;
        forecast.record(PaceForecast::Window::SevenDayDrevan,
                        UsageWindow{parts[1].toDouble(), resetText(reset)},
                        start.addSecs(parts[0].toInt() * 60));
    }
    const auto fullAt = forecast.fullAt(PaceForecast::Window::SevenDayDrevan);
    QCOMPARE(fullAt.has_value(), fullMinute >= 0);
    if (fullAt)
        QCOMPARE(*fullAt, start.addSecs(fullMinute * 60));
}

QTEST_GUILESS_MAIN(TestPaceForecast)
#include "test_pace_forecast.moc"
