#pragma once

#include <QString>
#include <optional>

class JsonReader;

// The month's extra-usage credits.
struct ExtraUsage
{
    bool isEnabled = false;
    std::optional<double> monthlyLimit;
    std::optional<double> usedCredits;
    std::optional<double> utilization;
    std::optional<QString> currency;

    static ExtraUsage fromJson(const JsonReader& json);
};
