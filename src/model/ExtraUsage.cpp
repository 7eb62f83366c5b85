#include "ExtraUsage.h"

#include "JsonReader.h"

ExtraUsage ExtraUsage::fromJson(const JsonReader& json)
{
    ExtraUsage extra;
    extra.isEnabled = json.requiredBool(QStringLiteral("is_enabled"));
    extra.monthlyLimit = json.optionalNumber(QStringLiteral("monthly_limit"));
    extra.usedCredits = json.optionalNumber(QStringLiteral("used_credits"));
    extra.utilization = json.optionalNumber(QStringLiteral("utilization"));
    extra.currency = json.optionalString(QStringLiteral("currency"));
    return extra;
}
