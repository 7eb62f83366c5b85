#include "UsageResponse.h"

#include "JsonReader.h"

#include <algorithm>

namespace {

std::optional<UsageWindow> windowAt(const JsonReader& json, const QString& key)
{
    const auto object = json.optionalObject(key);
    return object ? std::optional(UsageWindow::fromJson(*object)) : std::nullopt;
}

UsageResponse fromJson(const JsonReader& json)
{
    UsageResponse report;
    using Key = UsageResponse::Key;
    report.fiveHour = windowAt(json, Key::fiveHour);
    report.sevenDay = windowAt(json, Key::sevenDay);
    report.sevenDayVelmar = windowAt(json, Key::sevenDayVelmar);
    report.sevenDayDrevan = windowAt(json, Key::sevenDayDrevan);
    if (const auto extra = json.optionalObject(Key::extraUsage))
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
    return UsageWindow::wholePercent(headlineUtilization());
}
