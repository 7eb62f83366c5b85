#include "ExtraUsage.h"

#include "JsonReader.h"

ExtraUsage ExtraUsage::fromJson(const JsonReader& json)
{
    ExtraUsage extra;
    extra.isEnabled = json.requiredBool(Key::isEnabled);
    extra.monthlyLimit = json.optionalNumber(Key::monthlyLimit);
    extra.usedCredits = json.optionalNumber(Key::usedCredits);
    extra.utilization = json.optionalNumber(Key::utilization);
    extra.currency = json.optionalString(Key::currency);
    return extra;
}
