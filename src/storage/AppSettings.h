#pragma once

#include <QtGlobal>
#include <optional>

// The user's settings; the defaults are those of a first run.
struct AppSettings
{
    bool alertEnabled = true;
    qint64 alertThresholdPercent = 80;
    bool showExtraCredits = true;
    std::optional<double> extraCreditsMonthlyLimit;
    bool backgroundRefresh = false; // refresh with the panel closed too
    bool keepHistory = false;       // every successful reading kept in history.sqlite
    bool resetAlert = false;        // a notification when a full session window resets

    bool operator==(const AppSettings&) const = default;
};
