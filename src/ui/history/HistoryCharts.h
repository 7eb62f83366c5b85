#pragma once

#include "HistoryChartInput.h"
#include "storage/HistoryReading.h"

#include <QDateTime>
#include <QList>
#include <QTimeZone>
#include <optional>

// The two views of the history window, built from the stored readings: the five-hour window
// read last, with its reset and the alert threshold, and the session and the weekly window
// over the last seven days.
struct HistoryCharts
{
    static constexpr auto kSessionName = "Sessione";
    static constexpr auto kWeeklyName = "Settimana";

    HistoryChartInput session;
    HistoryChartInput week;

    // Readings in any order. The threshold is drawn only when given (alerts on); days and
    // times are written in the time zone.
    static HistoryCharts fromReadings(const QList<HistoryReading>& readings, const QDateTime& now,
                                      std::optional<double> threshold,
                                      const QTimeZone& timeZone = QTimeZone::systemTimeZone());
};
