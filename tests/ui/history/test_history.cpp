#include "ScreenTest.h"
#include "ui/history/HistoryCharts.h"
#include "ui/history/HistoryView.h"

#include <QAbstractButton>
#include <QMouseEvent>

Q_DECLARE_METATYPE(HistoryReading)

namespace {

// The highest and lowest point in each pixel column.
std::map<int, std::pair<qreal, qreal>> columnSpans(const QList<QPointF>& points)
{
    std::map<int, std::pair<qreal, qreal>> spans;
    for (const QPointF& point : points) {
        auto& [top, bottom] =
            spans.try_emplace(qFloor(point.x()), point.y(), point.y()).first->second;
        top = std::min(top, point.y());
        bottom = std::max(bottom, point.y());
    }
    return spans;
}

// A Wednesday noon, in UTC.
const QDateTime kNow = QDateTime(QDate(2030, 1, 9), QTime(12, 0), Qt::UTC);

// Read `minutes` before now; the session resets `reset` minutes from now (nothing: an
// unreadable reset), the weekly window in three days.
HistoryReading reading(int minutes, double session, std::optional<int> reset,
                       std::optional<double> week = std::nullopt)
{
    const auto text = [](const QDateTime& moment) { return moment.toString(Qt::ISODateWithMs); };
    HistoryReading reading{kNow.addSecs(-60 * minutes), {}};
    reading.usage.fiveHour =
        UsageWindow{session, reset ? text(kNow.addSecs(60 * *reset)) : QStringLiteral("presto")};
    if (week)
        reading.usage.sevenDay = UsageWindow{*week, text(kNow.addDays(3))};
    return reading;
}

// The last `count` quarter hours before the Wednesday noon: the session climbing to 70 %, the week
// at 30 %. A fixed clock: near midnight the day's label has no room on the week's chart.
HistoryCharts historyOf(int count)
{
    QList<HistoryReading> readings;
    for (int quarter = count; quarter > 0; --quarter)
        readings << reading(15 * quarter, 85.0 - 15 * quarter, 60, 30);
    return HistoryCharts::fromReadings(readings, kNow, 80, QTimeZone::utc());
}

} // namespace

// The history window and its chart.
class TestHistory : public ScreenTest
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    // The window read on a light palette, switched to dark when asked, with the pointer on the
    // last reading.
    void showsItsChartsReadably_data()
    {
        QTest::addColumn<int>("quarters"); // of readings
        QTest::addColumn<bool>("week");    // chosen from the keyboard
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QStringList>("texts");
        const auto row = [](const char* name, int quarters, bool week, const QStringList& texts) {
            for (const bool dark : {false, true})
                QTest::addRow("%s%s", name, dark ? ", dark" : "")
                    << quarters << week << dark << texts;
        };
        row("empty", 0, false, {HistoryChart::kEmptyText, "Sessione corrente"});
        row("session", 4, false,
            {"Cronologia", "Ultimi 7 giorni", "Soglia 80%", "Ripristino", "100%", "75%"});
        row("week", 4, true, {"Limite settimanale", "Settimana", "oggi", "Sessione 70%"});
    }

    void showsItsChartsReadably()
    {
        QFETCH(int, quarters);
        QFETCH(bool, week);
        QFETCH(bool, dark);
        QFETCH(QStringList, texts);
        HistoryView window(historyOf(quarters));
        if (week)
            QTest::keyClick(window.findChildren<QAbstractButton*>().first(), Qt::Key_Right);
        if (dark) { // delivered as events
            QApplication::setPalette(darkPalette(m_light));
            QCoreApplication::sendPostedEvents();
        }
        layOut(&window);
        HistoryChart* chart = window.chart();
        window.grab();
        const auto readings = chart->input().lines.value(0).readings;
        const QPointF at = chart->position(readings.value(readings.size() - 1));
        QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, {}, {});
        QCoreApplication::sendEvent(chart, &move);
        QCOMPARE(chart->hoverText().isEmpty(), quarters == 0);
        checkTexts(&window, texts);
        QCOMPARE(shownOf(&window, {"headlineText", "captionText"}),
                 quarters ? QStringList({"headlineText", "captionText"}) : QStringList());
    }

    // A view of the history: the readings it takes, the drop to 0 at each reset, the dots in
    // their bands, the reset marked, a few points per pixel column that keep the extremes, the
    // axis grown past 100, and the hovered reading's moment and figures.
    void historyChart_data()
    {
        QTest::addColumn<QList<HistoryReading>>("readings");
        QTest::addColumn<bool>("week");
        QTest::addColumn<QString>("path"); // of the first line: minutes from now:percent
        QTest::addColumn<int>("hovered");  // minutes before now
        QTest::addColumn<QString>("hover");
        QTest::addColumn<QString>("caption");
        QTest::newRow("current session, the one before left out")
            << QList{reading(30, 42.4, 120), reading(300, 80, -250), reading(60, 10, 120),
                     reading(10, 70, 120)}
            << false << "-60:10 -30:42.4 -10:70" << 30 << "oggi 11:30\n42%"
            << "Ultima lettura oggi 11:50 · si ripristina oggi 14:00";
        QTest::newRow("week: the session drops at each reset, waits for the next")
            << QList{reading(1500, 60, -1400, 10), reading(1380, 5, -1085, 12),
                     reading(60, 20, 120, 15)}
            << true << "-1500:60 -1400:60 -1400:0 -1385:0 -1380:5 -1085:5 -1085:0 -180:0 -60:20"
            << 1380 << "ieri 13:00\nSessione 5%\nSettimana 12%"
            << "Limite settimanale · ultima lettura oggi 11:00";
        QTest::newRow("past 100, reset unreadable")
            << QList{reading(20, 120, std::nullopt)} << false << "-20:120" << 20
            << "oggi 11:40\n120%"
            << "Ultima lettura oggi 11:40";
        QList<HistoryReading> many; // a week every 5 minutes, each session climbing for 5 hours
        for (int k = 0; k < 2016; ++k)
            many << reading((2015 - k) * 5, k % 60, ((k / 60 + 1) * 60 - 2015) * 5, k / 40.0);
        QTest::newRow("a week every 5 minutes")
            << many << true << "" << 0 << "oggi 12:00\nSessione 35%\nSettimana 50%"
            << "Limite settimanale · ultima lettura oggi 12:00";
    }

    void historyChart()
    {
        QFETCH(QList<HistoryReading>, readings);
        QFETCH(bool, week);
        QFETCH(QString, path);
        QFETCH(int, hovered);
        QFETCH(QString, hover);
        QFETCH(QString, caption);
        const auto charts = HistoryCharts::fromReadings(readings, kNow, 80, QTimeZone::utc());
        const HistoryChartInput& input = week ? charts.week : charts.session;
        QCOMPARE(input.caption, caption);
        QStringList points;
        for (const auto& point : input.lines.value(0).path)
            points << QStringLiteral("%1:%2")
                          .arg((point.at - kNow.toMSecsSinceEpoch()) / 60000)
                          .arg(point.percent);
        if (readings.size() < 10)
            QCOMPARE(points.join(u' '), path);

        HistoryChart chart;
        chart.resize(readings.size() < 10 ? 520 : 240, 280);
        chart.setInput(input);
        const QImage image = chart.grab().toImage();
        const QRectF plot = chart.plotRect();
        double highest = 0;
        for (qsizetype i = 0; i < input.lines.size(); ++i) {
            const QPolygonF& drawn = chart.drawnLines().at(i);
            QList<QPointF> wanted;
            for (const auto& point : input.lines[i].path) {
                wanted << chart.position(point);
                highest = std::max(highest, point.percent);
            }
            QVERIFY(drawn.size() <= 4 * plot.width() + 8);
            QVERIFY(columnSpans(drawn) == columnSpans(wanted));
            for (const auto& point : input.lines[i].readings) {
                const QPointF at = chart.position(point);
                if (input.dots)
                    QCOMPARE(image.pixelColor(qFloor(at.x()), qFloor(at.y())),
                             UsageBar::bandColor(point.percent, chart.palette()));
            }
        }
        QCOMPARE(chart.axisTop(), highest > 100 ? 125.0 : 100.0);
        for (const auto& reset : input.resets) { // a dashed line down the plot
            const int x = qRound(chart.position({reset.from, 0}).x()) - 1;
            int dashes = 0;
            for (int y = qCeil(plot.top()); y < plot.bottom(); ++y)
                dashes += image.pixel(x, y) == SystemColors::secondary(chart.palette()).rgb();
            QVERIFY2(dashes > plot.height() / 4, qPrintable(QString::number(dashes)));
        }

        const QPointF at = chart.position({kNow.addSecs(-60 * hovered).toMSecsSinceEpoch(), 50});
        QMouseEvent move(QEvent::MouseMove, at, chart.mapToGlobal(at), Qt::NoButton, {}, {});
        QCoreApplication::sendEvent(&chart, &move);
        QCOMPARE(chart.hoverText(), hover);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&chart, &leave);
        QCOMPARE(chart.hoverText(), QString());
    }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
