#pragma once

#include "Expected.h"
#include "ExtraUsage.h"
#include "UsageWindow.h"

#include <QByteArray>
#include <optional>

// The usage report of one organization.
struct UsageResponse
{
    // The keys the service sends the windows under; pallowe-status writes them back as such.
    struct Key
    {
        static constexpr QLatin1String fiveHour{"five_hour"};
        static constexpr QLatin1String sevenDay{"seven_day"};
        static constexpr QLatin1String sevenDayVelmar{"seven_day_velmar"};
        static constexpr QLatin1String sevenDayDrevan{"seven_day_drevan"};
        static constexpr QLatin1String extraUsage{"extra_usage"};
    };

    std::optional<UsageWindow> fiveHour;
    std::optional<UsageWindow> sevenDay;
    std::optional<UsageWindow> sevenDayVelmar;
    std::optional<UsageWindow> sevenDayDrevan;
    std::optional<ExtraUsage> extraUsage;

    // The report, or the decoder's description of what is wrong with the body.
    static Expected<UsageResponse, QString> decode(const QByteArray& body);

    // The larger of the five-hour and seven-day utilization, an absent window counting as 0.
    double headlineUtilization() const;
    // The headline as the tray shows it: truncated toward zero; 0 when it is not a number or
    // does not fit in 64 bits.
    qint64 headlinePercent() const;
};
