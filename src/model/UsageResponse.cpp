#include "UsageResponse.h"

#include "JsonReader.h"

#include <algorithm>
#include <cmath>

namespace {

std::optional<UsageWindow> windowAt(const JsonReader& json, const QString& key)
{
    const auto object = json.optionalObject(key);
    return object ? std::optional(UsageWindow::fromJson(*object)) : std::nullopt;
}

UsageResponse fromJson(const JsonReader& json)
{
    UsageResponse report;
    report.fiveHour = windowAt(json, QStringLiteral("five_hour"));
    report.sevenDay = windowAt(json, QStringLiteral("seven_day"));
    report.sevenDayVelmar = windowAt(json, QStringLiteral("seven_day_velmar"));
    report.sevenDayDrevan = windowAt(json, QStringLiteral("seven_day_drevan"));
    if (const auto extra = json.optionalObject(QStringLiteral("extra_usage")))
        report.extraUsage = ExtraUsage::fromJson(*extra);
    return report;
}

} // namespace

Expected<UsageResponse, QString> UsageResponse::decode(const QByteArray& body)
{
    return JsonReader::decode<UsageResponse>(body, fromJson);
}

double UsageResponse::headlineUtilization() const
{
    const double fiveHourValue = fiveHour ? fiveHour->utilization : 0.0;
    const double sevenDayValue = sevenDay ? sevenDay->utilization : 0.0;
    return std::max(fiveHourValue, sevenDayValue);
}

qint64 UsageResponse::headlinePercent() const
{
    const double value = std::trunc(headlineUtilization());
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18)
        return 0;
    return static_cast<qint64>(value);
}
