#include "UsageSimulation.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace {

using Microseconds = std::chrono::microseconds;

// The seven-day peaks stay below 80 so that only the five-hour window decides when the
// headline crosses 80 percent. The five-hour window fills faster than it resets (its peak
// is above 100) and then stays full until it does, as a heavy user's would.
constexpr double kFiveHourPeriod = 5;
constexpr double kFiveHourPeak = 120;
constexpr double kFull = 100;
constexpr double kSevenDayPeriod = 7 * 24;
constexpr double kMonthPeriod = 30 * 24;
constexpr double kMonthlyLimit = 50;

double oneDecimal(double value)
{
    return std::round(value * 10) / 10;
}

// "2026-12-06T14:00:00.123456+00:00"
QString isoWithMicroseconds(UsageSimulation::Clock::time_point moment)
{
    const qint64 micros =
        std::chrono::duration_cast<Microseconds>(moment.time_since_epoch()).count();
    const qint64 seconds = micros / 1000000;
    const QString whole = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC)
                              .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    return QStringLiteral("%1.%2+00:00").arg(whole).arg(micros % 1000000, 6, 10, QLatin1Char('0'));
}

} // namespace

UsageSimulation::UsageSimulation(Clock::time_point start, double speed,
                                 std::optional<int> cross80After)
    : m_start(start), m_speed(speed), m_cross80After(cross80After)
{}

QJsonObject UsageSimulation::report(Clock::time_point now, int replyNumber) const
{
    Reading fiveHour = read({kFiveHourPeriod, 0.4, kFiveHourPeak}, now);
    if (m_cross80After)
        fiveHour.utilization = crossingUtilization(replyNumber);
    return {
        {QStringLiteral("five_hour"), windowJson(fiveHour)},
        {QStringLiteral("seven_day"), windowJson(read({kSevenDayPeriod, 0.5, 70}, now))},
        {QStringLiteral("seven_day_velmar"), windowJson(read({kSevenDayPeriod, 0.5, 55}, now))},
        {QStringLiteral("seven_day_drevan"), windowJson(read({kSevenDayPeriod, 0.5, 30}, now))},
        {QStringLiteral("extra_usage"), extraUsageJson(now)},
    };
}

UsageSimulation::Reading UsageSimulation::read(const Window& window, Clock::time_point now) const
{
    const double elapsedHours =
        std::chrono::duration<double, std::ratio<3600>>(now - m_start).count();
    const double position = window.startPhase * window.periodHours + elapsedHours * m_speed;
    const double windowIndex = std::floor(position / window.periodHours);
    const double fraction = position / window.periodHours - windowIndex;
    const double endInRealHours =
        ((windowIndex + 1) * window.periodHours - window.startPhase * window.periodHours) / m_speed;
    const auto resetsAt =
        m_start + std::chrono::duration_cast<Clock::duration>(
                      std::chrono::duration<double, std::ratio<3600>>(endInRealHours));
    return {oneDecimal(std::min(kFull, window.peak * fraction)), resetsAt};
}

QJsonObject UsageSimulation::windowJson(const Reading& reading) const
{
    return {{QStringLiteral("utilization"), reading.utilization},
            {QStringLiteral("resets_at"), isoWithMicroseconds(reading.resetsAt)}};
}

QJsonObject UsageSimulation::extraUsageJson(Clock::time_point now) const
{
    const double utilization = read({kMonthPeriod, 0.25, 60}, now).utilization;
    return {{QStringLiteral("is_enabled"), true},
            {QStringLiteral("monthly_limit"), kMonthlyLimit},
            {QStringLiteral("used_credits"), std::round(kMonthlyLimit * utilization) / 100},
            {QStringLiteral("utilization"), utilization},
            {QStringLiteral("currency"), QStringLiteral("EUR")}};
}

// Before the Nth reply it climbs from 60 towards 79; from the Nth on it goes up from 80 by
// two points a reply, up to 100.
double UsageSimulation::crossingUtilization(int replyNumber) const
{
    const int crossing = *m_cross80After;
    if (replyNumber >= crossing)
        return std::min(100, 80 + 2 * (replyNumber - crossing));
    return std::floor(60 + 19.0 * (replyNumber - 1) / std::max(1, crossing - 2));
}
