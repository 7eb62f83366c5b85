#include "PaceForecast.h"

#include <algorithm>

namespace {

using Window = PaceForecast::Window;

std::array<std::pair<Window, const std::optional<UsageWindow>*>, 4>
windowsOf(const UsageResponse& usage)
{
    return {{
        {Window::FiveHour, &usage.fiveHour},
        {Window::SevenDay, &usage.sevenDay},
        {Window::SevenDayVelmar, &usage.sevenDayVelmar},
        {Window::SevenDayDrevan, &usage.sevenDayDrevan},
    }};
}

} // namespace

PaceForecast::PaceForecast(double timeScale) : m_timeScale(timeScale) {}

void PaceForecast::record(const UsageResponse& usage, const QDateTime& fetchedAt)
{
    for (const auto& [window, reading] : windowsOf(usage))
        if (*reading)
            record(window, **reading, fetchedAt);
}

void PaceForecast::restore(const QList<HistoryReading>& readings, const QDateTime& now)
{
    clear();
    for (size_t index = 0; index < m_readings.size(); ++index)
        m_readings[index] = currentOf(readings, Window(index), now);
}

// What recording the readings one by one would keep, without parsing every reset or moving
// every reading: from the latest back, those that share its reset, at most kMaximumReadings.
QList<PaceForecast::Reading> PaceForecast::currentOf(const QList<HistoryReading>& readings,
                                                     Window window, const QDateTime& now)
{
    QList<Reading> kept;
    QString text; // consecutive readings share their reset's text: it is parsed once
    std::optional<QDateTime> moment;
    for (auto it = readings.crbegin(); it != readings.crend(); ++it) {
        const auto& reading = *windowsOf(it->usage)[size_t(window)].second;
        if (!reading)
            continue;
        if (kept.isEmpty() || reading->resetsAt != text) {
            const auto resetsAt = reading->resetMoment();
            if (kept.isEmpty() ? !(resetsAt > now) : resetsAt != moment)
                break;
            text = reading->resetsAt;
            moment = resetsAt;
        }
        kept.append({reading->utilization, it->fetchedAt, moment});
        if (kept.size() == kMaximumReadings)
            break;
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

void PaceForecast::record(Window window, const UsageWindow& reading, const QDateTime& fetchedAt)
{
    QList<Reading>& readings = m_readings[size_t(window)];
    const auto resetsAt = reading.resetMoment();
    // Readings from before the window last reset, or of a reset that cannot be read, tell
    // nothing about the current one.
    readings.removeIf([&](const Reading& old) { return !resetsAt || old.resetsAt != resetsAt; });
    readings.append({reading.utilization, fetchedAt, resetsAt});
    if (readings.size() > kMaximumReadings)
        readings.removeFirst();
}

void PaceForecast::clear()
{
    for (auto& readings : m_readings)
        readings.clear();
}

qint64 PaceForecast::scaledMilliseconds(std::chrono::milliseconds span) const
{
    return qint64(double(span.count()) * m_timeScale);
}

std::optional<QDateTime> PaceForecast::fullAt(Window window) const
{
    const QList<Reading>& readings = m_readings[size_t(window)];
    if (readings.size() < 2)
        return std::nullopt;
    const Reading& latest = readings.last();
    const Reading& oldest = readings.first(); // every reading shares the latest's reset
    const qint64 minimumSpan = scaledMilliseconds(kMinimumSpan);
    if (!latest.resetsAt || latest.utilization >= 100 ||
        oldest.fetchedAt.msecsTo(latest.fetchedAt) < minimumSpan)
        return std::nullopt;

    // The pace of the last hour, or of the whole window when the last hour is too short.
    const QDateTime recentStart = latest.fetchedAt.addMSecs(-scaledMilliseconds(kRecentSpan));
    const Reading* base = &oldest;
    for (const Reading& reading : readings)
        if (reading.fetchedAt >= recentStart) {
            if (reading.fetchedAt.msecsTo(latest.fetchedAt) >= minimumSpan)
                base = &reading;
            break;
        }
    const double rise = latest.utilization - base->utilization;
    if (!(rise > 0))
        return std::nullopt;
    const double millisecondsPerPercent = double(base->fetchedAt.msecsTo(latest.fetchedAt)) / rise;
    const double untilFull = (100 - latest.utilization) * millisecondsPerPercent;
    if (!(untilFull < double(latest.fetchedAt.msecsTo(*latest.resetsAt))))
        return std::nullopt;
    return latest.fetchedAt.addMSecs(qint64(untilFull));
}
