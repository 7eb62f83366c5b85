#pragma once

#include <QJsonObject>
#include <chrono>
#include <optional>

// The usage report as a function of time: each window fills linearly from 0 towards its peak,
// never above 100, and starts again at 0 when it resets. A speed factor makes the simulated
// time run faster than the real clock; resets_at is given in real time, so it matches what a
// client sees.
class UsageSimulation
{
public:
    using Clock = std::chrono::system_clock;

    UsageSimulation(Clock::time_point start, double speed, std::optional<int> cross80After);

    // The report for the replyNumber-th usage reply (counting from 1) at the moment now.
    QJsonObject report(Clock::time_point now, int replyNumber) const;

private:
    struct Window
    {
        double periodHours; // simulated length of one window
        double startPhase;  // how far into a window the simulation starts, 0..1
        double peak;        // utilization the window would reach at its end, unbounded
    };

    struct Reading
    {
        double utilization;
        Clock::time_point resetsAt;
    };

    Reading read(const Window& window, Clock::time_point now) const;
    QJsonObject windowJson(const Reading& reading) const;
    QJsonObject extraUsageJson(Clock::time_point now) const;
    double crossingUtilization(int replyNumber) const;

    Clock::time_point m_start;
    double m_speed;
    std::optional<int> m_cross80After;
};
