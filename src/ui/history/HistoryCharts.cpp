#include "HistoryCharts.h"

#include "ui/dates/DateTexts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

using Point = HistoryChartInput::Point;
using Line = HistoryChartInput::Line;

constexpr qint64 kMinute = 60'000;
constexpr qint64 kHour = 60 * kMinute;
constexpr qint64 kFiveHours = 5 * kHour;
constexpr qint64 kWeek = 7 * 24 * kHour;
constexpr int kMostTimeTicks = 6;

struct Dated
{
    qint64 at;
    const HistoryReading* reading;
};

// One window of one reading, its reset read.
struct Sample
{
    qint64 at;
    double percent;
    std::optional<qint64> resetAt;
};

using WindowOf = const std::optional<UsageWindow>& (*)(const UsageResponse&);

const std::optional<UsageWindow>& fiveHourOf(const UsageResponse& usage)
{
    return usage.fiveHour;
}

const std::optional<UsageWindow>& sevenDayOf(const UsageResponse& usage)
{
    return usage.sevenDay;
}

// Consecutive readings of one window repeat its reset text: each text is parsed once.
class ResetReader
{
public:
    std::optional<qint64> operator()(const UsageWindow& window)
    {
        if (!m_read || window.resetsAt != m_text) {
            m_read = true;
            m_text = window.resetsAt;
            const auto moment = window.resetMoment();
            m_moment = moment ? std::optional(moment->toMSecsSinceEpoch()) : std::nullopt;
        }
        return m_moment;
    }

private:
    bool m_read = false;
    QString m_text;
    std::optional<qint64> m_moment;
};

std::vector<Dated> inTimeOrder(const QList<HistoryReading>& readings)
{
    std::vector<Dated> dated;
    dated.reserve(readings.size());
    for (const HistoryReading& reading : readings)
        if (reading.fetchedAt.isValid())
            dated.push_back({reading.fetchedAt.toMSecsSinceEpoch(), &reading});
    const auto earlier = [](const Dated& a, const Dated& b) { return a.at < b.at; };
    if (!std::is_sorted(dated.begin(), dated.end(), earlier))
        std::stable_sort(dated.begin(), dated.end(), earlier);
    return dated;
}

// The readings from..to (both included) that hold the window with a usable figure.
std::vector<Sample> samplesOf(const std::vector<Dated>& dated, WindowOf windowOf, qint64 from,
                              qint64 to)
{
    const auto first = std::lower_bound(dated.begin(), dated.end(), from,
                                        [](const Dated& d, qint64 at) { return d.at < at; });
    std::vector<Sample> samples;
    ResetReader resetOf;
    for (auto it = first; it != dated.end() && it->at <= to; ++it) {
        const auto& window = windowOf(it->reading->usage);
        if (window && std::isfinite(window->utilization))
            samples.push_back({it->at, window->utilization, resetOf(*window)});
    }
    return samples;
}

// Whether the sample's window reset after it was read and by that moment.
bool resetBetween(const Sample& sample, qint64 until)
{
    return sample.resetAt && *sample.resetAt >= sample.at && *sample.resetAt <= until;
}

// Where a window reset between two readings, its figure holds until the reset, drops to 0
// and stays there until the next window began.
QList<Point> pathOf(const std::vector<Sample>& samples, qint64 windowLength, qint64 to)
{
    QList<Point> path;
    path.reserve(qsizetype(samples.size()));
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample& sample = samples[i];
        if (i > 0) {
            const Sample& before = samples[i - 1];
            if (resetBetween(before, sample.at)) {
                path << Point{*before.resetAt, before.percent} << Point{*before.resetAt, 0};
                const qint64 began = sample.resetAt.value_or(0) - windowLength;
                if (sample.resetAt && began > *before.resetAt && began < sample.at)
                    path << Point{began, 0};
            }
        }
        path << Point{sample.at, sample.percent};
    }
    if (!samples.empty() && resetBetween(samples.back(), to))
        path << Point{*samples.back().resetAt, samples.back().percent}
             << Point{*samples.back().resetAt, 0};
    return path;
}

Line lineOf(HistoryChartInput::Ink ink, const char* name, const std::vector<Sample>& samples,
            qint64 windowLength, qint64 to)
{
    Line line{ink, QString::fromUtf8(name), {}, pathOf(samples, windowLength, to)};
    line.readings.reserve(qsizetype(samples.size()));
    for (const Sample& sample : samples)
        line.readings << Point{sample.at, sample.percent};
    return line;
}

QDateTime utc(qint64 at)
{
    return QDateTime::fromMSecsSinceEpoch(at, Qt::UTC);
}

// Ticks on whole local steps of time, the shortest step that gives at most a handful.
void addTimeTicks(HistoryChartInput& chart, const QTimeZone& timeZone)
{
    static constexpr std::array<qint64, 9> steps{1, 2, 5, 10, 15, 30, 60, 120, 300};
    const qint64 span = chart.to - chart.from;
    const qint64 step =
        kMinute * *std::find_if(steps.begin(), steps.end() - 1, [span](qint64 minutes) {
            return span / (minutes * kMinute) < kMostTimeTicks;
        });
    const qint64 offset = qint64(timeZone.offsetFromUtc(utc(chart.from))) * 1000;
    const qint64 firstLocal = (chart.from + offset + step - 1) / step * step;
    for (qint64 local = firstLocal; local - offset <= chart.to; local += step) {
        const qint64 at = local - offset;
        chart.gridLines << at;
        chart.timeLabels << HistoryChartInput::TimeLabel{
            at, at, utc(at).toTimeZone(timeZone).toString(QStringLiteral("HH:mm"))};
    }
}

// One label per calendar day, over the part of it the chart shows; a line where it begins.
void addDays(HistoryChartInput& chart, const QDateTime& now, const QTimeZone& timeZone)
{
    const QDate today = now.toTimeZone(timeZone).date();
    const QDate last = utc(chart.to).toTimeZone(timeZone).date();
    for (QDate day = utc(chart.from).toTimeZone(timeZone).date(); day <= last;
         day = day.addDays(1)) {
        const qint64 begins = QDateTime(day, QTime(0, 0), timeZone).toMSecsSinceEpoch();
        const qint64 ends = QDateTime(day.addDays(1), QTime(0, 0), timeZone).toMSecsSinceEpoch();
        if (begins > chart.from)
            chart.gridLines << begins;
        chart.timeLabels << HistoryChartInput::TimeLabel{std::max(begins, chart.from),
                                                         std::min(ends, chart.to),
                                                         DateTexts::nearDayName(day, today)};
    }
}

// When the session window read at that moment resets; nothing for a reset that cannot end it.
std::optional<qint64> sessionEnd(const UsageWindow& window, qint64 readAt)
{
    const auto moment = window.resetMoment();
    const qint64 at = moment ? moment->toMSecsSinceEpoch() : 0;
    if (!moment || at < readAt || at - kFiveHours > readAt)
        return std::nullopt;
    return at;
}

HistoryChartInput sessionChart(const std::vector<Dated>& dated, const QDateTime& now,
                               std::optional<double> threshold, const QTimeZone& timeZone)
{
    HistoryChartInput chart;
    chart.to = now.toMSecsSinceEpoch();
    chart.from = chart.to - kFiveHours;
    const auto latest = std::find_if(dated.rbegin(), dated.rend(), [](const Dated& d) {
        const auto& window = d.reading->usage.fiveHour;
        return window && std::isfinite(window->utilization);
    });
    if (latest == dated.rend())
        return chart;
    const UsageWindow& window = *latest->reading->usage.fiveHour;
    const auto resetAt = sessionEnd(window, latest->at);
    chart.to = resetAt.value_or(latest->at);
    chart.from = chart.to - kFiveHours;
    const auto samples = samplesOf(dated, &fiveHourOf, chart.from, chart.to);
    chart.lines << lineOf(HistoryChartInput::Ink::Main, HistoryCharts::kSessionName, samples,
                          kFiveHours, now.toMSecsSinceEpoch());
    chart.dots = true;
    chart.threshold = threshold;
    addTimeTicks(chart, timeZone);

    chart.headline = window.utilization;
    chart.caption = QStringLiteral("Ultima lettura ") +
                    DateTexts::nearDayAndTime(utc(latest->at), now, timeZone);
    if (resetAt) {
        const QString when = DateTexts::nearDayAndTime(utc(*resetAt), now, timeZone);
        chart.resets << HistoryChartInput::TimeLabel{*resetAt, *resetAt,
                                                     QStringLiteral("Ripristino")};
        chart.caption += (*resetAt > now.toMSecsSinceEpoch() ? QStringLiteral(" · si ripristina ")
                                                             : QStringLiteral(" · ripristinata ")) +
                         when;
    }
    return chart;
}

HistoryChartInput weekChart(const std::vector<Dated>& dated, const QDateTime& now,
                            const QTimeZone& timeZone)
{
    HistoryChartInput chart;
    chart.to = now.toMSecsSinceEpoch();
    chart.from = chart.to - kWeek;
    const auto sessions = samplesOf(dated, &fiveHourOf, chart.from, chart.to);
    const auto weeks = samplesOf(dated, &sevenDayOf, chart.from, chart.to);
    if (sessions.empty() && weeks.empty())
        return chart;
    using Ink = HistoryChartInput::Ink;
    if (!sessions.empty())
        chart.lines << lineOf(weeks.empty() ? Ink::Main : Ink::Context, HistoryCharts::kSessionName,
                              sessions, kFiveHours, chart.to);
    if (!weeks.empty()) {
        chart.lines << lineOf(Ink::Main, HistoryCharts::kWeeklyName, weeks, kWeek, chart.to);
        chart.headline = weeks.back().percent;
    }
    addDays(chart, now, timeZone);
    const qint64 last =
        std::max(sessions.empty() ? 0 : sessions.back().at, weeks.empty() ? 0 : weeks.back().at);
    chart.caption = (chart.headline ? QStringLiteral("Limite settimanale · ultima lettura ")
                                    : QStringLiteral("Ultima lettura ")) +
                    DateTexts::nearDayAndTime(utc(last), now, timeZone);
    return chart;
}

} // namespace

HistoryCharts HistoryCharts::fromReadings(const QList<HistoryReading>& readings,
                                          const QDateTime& now, std::optional<double> threshold,
                                          const QTimeZone& timeZone)
{
    const std::vector<Dated> dated = inTimeOrder(readings);
    HistoryCharts charts{sessionChart(dated, now, threshold, timeZone),
                         weekChart(dated, now, timeZone)};
    const auto momentText = [now, timeZone](qint64 at) {
        return DateTexts::nearDayAndTime(utc(at), now, timeZone);
    };
    charts.session.momentText = momentText;
    charts.week.momentText = momentText;
    return charts;
}
