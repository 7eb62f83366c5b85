#include "state/PaceForecast.h"

#include <QRegularExpression>
#include <QTest>

class TestPaceForecast : public QObject
{
    Q_OBJECT

private slots:
    void fullAt_data();
    void fullAt();
};

void TestPaceForecast::fullAt_data()
{
    // Each reading "minute:percent", or "minute:percent@resetMinute" when the window does not
    // reset at minute 400; a reset at minute -1 cannot be read.
    QTest::addColumn<QString>("readings");
    QTest::addColumn<double>("timeScale");
    QTest::addColumn<int>("fullMinute"); // -1: no forecast

    QTest::newRow("rising fast") << "0:10 15:20" << 1.0 << 135;
    QTest::newRow("single reading") << "0:10" << 1.0 << -1;
    QTest::newRow("under 10 minutes apart") << "0:10 9:40" << 1.0 << -1;
    QTest::newRow("flat") << "0:30 20:30" << 1.0 << -1;
    QTest::newRow("falling") << "0:30 20:25" << 1.0 << -1;
    QTest::newRow("too slow for the reset") << "0:10 20:11" << 1.0 << -1;
    QTest::newRow("full exactly at the reset") << "0:0@300 60:20@300" << 1.0 << -1;
    QTest::newRow("already full") << "0:90 15:100" << 1.0 << -1;
    QTest::newRow("unreadable reset") << "0:10@-1 15:20@-1" << 1.0 << -1;
    QTest::newRow("pace of the last hour") << "0:10 60:11 100:21 120:31" << 1.0 << 327;
    QTest::newRow("last hour too short: whole window") << "0:10 100:50 105:55" << 1.0 << 210;
    QTest::newRow("earlier reset dropped") << "0:50@20 15:60@20 30:5 45:20" << 1.0 << 125;
    QTest::newRow("shorter interval, shorter spans") << "0:10 2:20" << 0.1 << 18;
}

void TestPaceForecast::fullAt()
{
    QFETCH(QString, readings);
    QFETCH(double, timeScale);
    QFETCH(int, fullMinute);
    const auto start = QDateTime::fromString("2026-03-04T10:00:00Z", Qt::ISODate);
    const auto at = [&](int minute) { return start.addSecs(minute * 60); };

    // Recorded one by one as refreshes come, or restored at once from the same readings stored.
    PaceForecast forecast(timeScale), restored(timeScale);
    QList<HistoryReading> stored;
    for (const QString& reading : readings.split(u' ')) {
        const QStringList parts = (reading + "@400").split(QRegularExpression("[:@]"));
        const QString reset =
            parts[2] == u"-1" ? "presto" : at(parts[2].toInt()).toString(Qt::ISODate);
        const UsageWindow window{parts[1].toDouble(), reset};
        forecast.record(PaceForecast::Window::SevenDayDrevan, window, at(parts[0].toInt()));
        stored << HistoryReading{at(parts[0].toInt()), {}};
        stored.last().usage.sevenDayDrevan = window;
    }
    restored.restore(stored, start);
    const auto expected = fullMinute < 0 ? std::nullopt : std::optional(at(fullMinute));
    QCOMPARE(forecast.fullAt(PaceForecast::Window::SevenDayDrevan), expected);
    QCOMPARE(restored.fullAt(PaceForecast::Window::SevenDayDrevan), expected);
}
QTEST_GUILESS_MAIN(TestPaceForecast)
#include "test_pace_forecast.moc"
