#include "OrgInfo.h"

#include "JsonReader.h"

OrgInfo OrgInfo::fromJson(const JsonReader& json)
{
    OrgInfo org;
    org.uuid = json.requiredString(QStringLiteral("uuid"));
    org.name = json.optionalString(QStringLiteral("name"));
    org.capabilities = json.optionalStringArray(QStringLiteral("capabilities"));
    return org;
}
