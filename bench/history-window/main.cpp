// The history window on made-up readings, one every five minutes up to now.
//   history-window                 prints how long 90 days of readings (about 26,000) take to
//                                  turn into charts, to open and to draw (run it offscreen)
//   history-window --show[=DAYS]   leaves the window up on DAYS days (default 4), for looking
//                                  at it; --week opens the week's view
// The same moment gives the same readings. Working hours fill the session window; each
// session resets five hours after it began, the weekly window every seven days.
#include "ui/history/HistoryChart.h"
#include "ui/history/HistoryCharts.h"
#include "ui/history/HistoryView.h"
#include "ui/history/HistoryWindowController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 kInterval = 300;
constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 24 * kHour;

QString resetText(qint64 epochSeconds)
{
    return QDateTime::fromSecsSinceEpoch(epochSeconds, Qt::UTC).toString(Qt::ISODateWithMs);
}

// A reading every five minutes (background refresh on); busy in office hours, on some days more
// than others; busy too in the last hours before now, so the current session always has readings.
QList<HistoryReading> madeUpReadings(const QDateTime& now, int days)
{
    const qint64 end = now.toSecsSinceEpoch() / kInterval * kInterval;
    const qint64 start = end - days * kDay;
    qint64 weekReset = end + 3 * kDay + 7 * kHour;
    while (weekReset - 7 * kDay > start)
        weekReset -= 7 * kDay;
    qint64 sessionReset = 0; // none while no session runs
    double session = 0, week = 0;
    QList<HistoryReading> readings;
    if (days == 0)
        return readings;
    readings.reserve(days * kDay / kInterval + 1);
    for (qint64 t = start; t <= end; t += kInterval) {
        const int hour = QDateTime::fromSecsSinceEpoch(t).time().hour();
        QRandomGenerator dice(quint32(t / kInterval));
        if (sessionReset && t >= sessionReset) {
            sessionReset = 0;
            session = 0;
        }
        if (t >= weekReset) {
            weekReset += 7 * kDay;
            week = 0;
        }
        const bool recent = end - t < 3 * kHour;
        const bool office = (hour >= 9 && hour < 13) || (hour >= 14 && hour < 19);
        if ((office || recent) && dice.bounded(10) < 7) {
            if (!sessionReset)
                sessionReset = t / kHour * kHour + 5 * kHour;
            const double pace =
                recent ? 0.6 // % a minute
                       : 0.15 + 0.35 * QRandomGenerator(quint32(t / kDay)).generateDouble();
            session = std::min(100.0, session + pace * kInterval / 60);
            week += pace * kInterval / 60 * 0.07;
        }
        HistoryReading reading{QDateTime::fromSecsSinceEpoch(t, Qt::UTC), {}};
        if (sessionReset)
            reading.usage.fiveHour = UsageWindow{session, resetText(sessionReset)};
        reading.usage.sevenDay = UsageWindow{week, resetText(weekReset)};
        readings << reading;
    }
    return readings;
}

// Waits for the widget's next paint and says how long it took from `since`.
double msUntilPainted(QWidget* widget, const QElapsedTimer& since)
{
    struct Watcher : QObject
    {
        bool painted = false;
        bool eventFilter(QObject*, QEvent* event) override
        {
            painted = painted || event->type() == QEvent::Paint;
            return false;
        }
    } watcher;
    widget->installEventFilter(&watcher);
    while (!watcher.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    widget->removeEventFilter(&watcher);
    return double(since.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int bench()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<HistoryReading> readings = madeUpReadings(now, 90);
    std::vector<double> build, open, week, wholeSpan, repaint;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer clock;
        clock.start();
        HistoryCharts charts = HistoryCharts::fromReadings(readings, now, 80);
        build.push_back(double(clock.nsecsElapsed()) / 1e6);
        auto controller = HistoryWindowController::show(std::move(charts));
        HistoryChart* chart = controller->view()->chart();
        open.push_back(msUntilPainted(chart, clock));

        clock.restart();
        controller->view()->setPage(HistoryView::Page::Week);
        week.push_back(msUntilPainted(chart, clock));

        // Every reading of the 90 days in one chart: the lines are reduced per pixel column.
        HistoryChartInput all = controller->view()->chart()->input();
        all.from = readings.first().fetchedAt.toMSecsSinceEpoch();
        for (auto& line : all.lines)
            line.path.clear();
        for (const HistoryReading& reading : readings)
            all.lines.first().path << HistoryChartInput::Point{
                reading.fetchedAt.toMSecsSinceEpoch(),
                reading.usage.fiveHour ? reading.usage.fiveHour->utilization : 0};
        clock.restart();
        chart->setInput(all);
        wholeSpan.push_back(msUntilPainted(chart, clock));

        clock.restart();
        chart->update();
        repaint.push_back(msUntilPainted(chart, clock));
        controller->window()->close();
        QCoreApplication::processEvents();
    }
    std::printf("%-60s %8lld\n", "readings (90 days, one every 5 minutes)",
                static_cast<long long>(readings.size()));
    std::printf("%-60s %8.1f\n", "charts built from the readings (ms, median of 7)", median(build));
    std::printf("%-60s %8.1f\n", "built, window opened and first paint (ms, median of 7)",
                median(open));
    std::printf("%-60s %8.1f\n", "the same, the first time in the process (ms)", open.front());
    std::printf("%-60s %8.1f\n", "switch to the 7 days and paint (ms, median of 7)", median(week));
    std::printf("%-60s %8.1f\n", "all 90 days in one chart, reduced and painted (ms, median)",
                median(wholeSpan));
    std::printf("%-60s %8.1f\n", "repaint of that chart (ms, median of 7)", median(repaint));
    std::printf("goal: open and first paint under 100 ms\n");
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const auto show = std::find_if(arguments.begin(), arguments.end(), [](const QString& a) {
        return a.startsWith(QLatin1String("--show"));
    });
    if (show == arguments.end())
        return bench();
    const int days = show->contains(u'=') ? show->section(u'=', 1).toInt() : 4;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    auto controller = HistoryWindowController::show(
        HistoryCharts::fromReadings(madeUpReadings(now, std::max(0, days)), now, 80));
    if (arguments.contains(QLatin1String("--week")))
        controller->view()->setPage(HistoryView::Page::Week);
    return QApplication::exec();
}
