#pragma once

#include "model/UsageResponse.h"
#include "storage/HistoryReading.h"

#include <QDateTime>
#include <QList>
#include <array>
#include <chrono>
#include <optional>

// When a usage window will reach 100 % at its recent pace, from the readings of successful
// refreshes kept in memory. A window gets a forecast only when at least two readings of its
// current reset lie far enough apart, usage rises, and 100 % comes before the reset.
class PaceForecast
{
public:
    enum class Window
    {
        FiveHour,
        SevenDay,
        SevenDayVelmar,
        SevenDayDrevan
    };

    static constexpr int kMaximumReadings = 300; // per window
    // The spans at the standard refresh interval of 300 s; a shorter interval (demo and
    // tests) shrinks them in proportion, so a faster stand-in service shows a forecast too.
    static constexpr std::chrono::minutes kMinimumSpan{10};
    static constexpr std::chrono::minutes kRecentSpan{60};

    explicit PaceForecast(double timeScale = 1.0);

    void record(const UsageResponse& usage, const QDateTime& fetchedAt);
    void record(Window window, const UsageWindow& reading, const QDateTime& fetchedAt);
    // Starts over from the readings of an earlier run, oldest first, leaving out the windows
    // that have reset by now.
    void restore(const QList<HistoryReading>& readings, const QDateTime& now);
    void clear();

    std::optional<QDateTime> fullAt(Window window) const;

private:
    struct Reading
    {
        double utilization;
        QDateTime fetchedAt;
        std::optional<QDateTime> resetsAt;
    };

    static QList<Reading> currentOf(const QList<HistoryReading>& readings, Window window,
                                    const QDateTime& now);
    qint64 scaledMilliseconds(std::chrono::milliseconds span) const;

    double m_timeScale;
    std::array<QList<Reading>, 4> m_readings;
};
