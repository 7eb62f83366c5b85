#include "HistoryFormatter.h"

#include "StatusFormatter.h"

#include <charconv>
#include <chrono>
#include <iterator>

namespace HistoryFormatter {

namespace {

// The shortest text that reads back as the same number, as JSON writes it. Qt's own number
// and date texts go through printf, and 90 days of readings have half a million of them.
void appendNumber(QString& text, const std::optional<double>& value)
{
    if (!value)
        return;
    char digits[32];
    const auto end =
        std::to_chars(std::begin(digits), std::end(digits), *value, std::chars_format::general);
    text += QLatin1String(digits, end.ptr);
}

void appendDigits(char*& out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i, value /= 10)
        out[i] = char('0' + value % 10);
    out += width;
}

// "2026-12-06T09:30:00Z", as Qt::ISODate writes a UTC moment.
QString isoText(const QDateTime& moment)
{
    using namespace std::chrono;
    const sys_time<milliseconds> time{milliseconds(moment.toMSecsSinceEpoch())};
    const auto day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{floor<seconds>(time - day)};
    if (int(date.year()) < 0 || int(date.year()) > 9999)
        return moment.toString(Qt::ISODate);
    char text[] = "0000-00-00T00:00:00Z";
    char* out = text;
    const auto field = [&out](int value, int width, char separator) {
        appendDigits(out, value, width);
        *out++ = separator;
    };
    field(int(date.year()), 4, '-');
    field(int(unsigned(date.month())), 2, '-');
    field(int(unsigned(date.day())), 2, 'T');
    field(int(clock.hours().count()), 2, ':');
    field(int(clock.minutes().count()), 2, ':');
    field(int(clock.seconds().count()), 2, 'Z');
    return QString::fromLatin1(text, out - text);
}

std::optional<double> utilizationOf(const std::optional<UsageWindow>& window)
{
    return window ? std::optional(window->utilization) : std::nullopt;
}

QJsonObject windowJson(const UsageWindow& window)
{
    return {{UsageWindow::Key::utilization, window.utilization},
            {UsageWindow::Key::resetsAt, window.resetsAt}};
}

} // namespace

QString csvHeader()
{
    return QStringLiteral(
        "fetched_at,five_hour,seven_day,seven_day_velmar,seven_day_drevan,extra_usage");
}

QString csvRow(const HistoryReading& reading)
{
    const UsageResponse& usage = reading.usage;
    const auto& extra = usage.extraUsage;
    QString row = isoText(reading.fetchedAt);
    for (const auto& window :
         {usage.fiveHour, usage.sevenDay, usage.sevenDayVelmar, usage.sevenDayDrevan}) {
        row += u',';
        appendNumber(row, utilizationOf(window));
    }
    row += u',';
    appendNumber(row, extra ? extra->utilization : std::nullopt);
    return row;
}

QJsonObject json(const HistoryReading& reading)
{
    const UsageResponse& usage = reading.usage;
    QJsonObject object{{QStringLiteral("fetched_at"), isoText(reading.fetchedAt)},
                       {QStringLiteral("percent"), usage.headlinePercent()}};
    StatusFormatter::insertUsage(object, usage, windowJson);
    return object;
}

} // namespace HistoryFormatter
