#pragma once

#include <QString>
#include <optional>

class JsonReader;

// The month's extra-usage credits.
struct ExtraUsage
{
    // The keys the service sends the fields under; pallowe-status writes them back as such.
    struct Key
    {
        static constexpr QLatin1String isEnabled{"is_enabled"};
        static constexpr QLatin1String monthlyLimit{"monthly_limit"};
        static constexpr QLatin1String usedCredits{"used_credits"};
        static constexpr QLatin1String utilization{"utilization"};
        static constexpr QLatin1String currency{"currency"};
    };

    bool isEnabled = false;
    std::optional<double> monthlyLimit;
    std::optional<double> usedCredits;
    std::optional<double> utilization;
    std::optional<QString> currency;

    static ExtraUsage fromJson(const JsonReader& json);
};
