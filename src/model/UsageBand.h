#pragma once

#include <QtGlobal>

// The bands of the headline percentage: the tray face's colour and the class a status bar
// is given for it.
enum class UsageBand
{
    Normal,
    Warning,
    Critical
};

UsageBand usageBandOf(qint64 percent);
