#pragma once

// The bands of a usage percentage, from 65 and from 85: the colour of the tray face and of
// the usage bars, the tray needle's last two positions, and the class a status bar is given.
enum class UsageBand
{
    Normal,
    Warning,
    Critical
};

// Where the Warning and the Critical bands begin.
constexpr double kUsageWarningFrom = 65;
constexpr double kUsageCriticalFrom = 85;

UsageBand usageBandOf(double percent);
