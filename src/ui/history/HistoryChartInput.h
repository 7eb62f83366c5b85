#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// What one view of the history chart draws, in plain values: the chart needs no store, clock
// or time zone. Moments are milliseconds since the epoch; percentages as the service
// sends them, not clamped.
struct HistoryChartInput
{
    struct Point
    {
        qint64 at = 0;
        double percent = 0;
    };

    // The view's own figure stands out and turns orange and red with its band, as the
    // panel's bars do; another line gives it context, muted.
    enum class Ink
    {
        Main,
        Context,
    };

    struct Line
    {
        Ink ink = Ink::Main;
        QString name; // in the legend and the hover text
        QList<Point> readings;
        // The readings, plus a drop to 0 where a window reset between two of them.
        QList<Point> path;
    };

    // A moment named on the time axis (a tick or a reset), or a stretch of it (a day): the
    // text is centred over from..to and left out where it does not fit.
    struct TimeLabel
    {
        qint64 from = 0;
        qint64 to = 0;
        QString text;
    };

    qint64 from = 0;
    qint64 to = 0;
    QList<Line> lines;
    // Each reading drawn as a dot too, where there is room between them.
    bool dots = false;
    std::optional<double> threshold;
    QList<TimeLabel> resets;
    QList<qint64> gridLines;
    QList<TimeLabel> timeLabels;
    // A reading's moment as the hover text writes it; asked only for the hovered one.
    std::function<QString(qint64)> momentText;

    // Above the chart: the latest figure and what it is.
    std::optional<double> headline;
    QString caption;

    bool isEmpty() const
    {
        for (const Line& line : lines)
            if (!line.readings.isEmpty())
                return false;
        return true;
    }
};
