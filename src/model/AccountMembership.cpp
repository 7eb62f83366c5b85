#include "AccountMembership.h"

#include "JsonReader.h"

AccountMembership AccountMembership::fromJson(const JsonReader& json)
{
    AccountMembership membership;
    if (const auto org = json.optionalObject(QStringLiteral("organization")))
        membership.organization = OrgInfo::fromJson(*org);
    return membership;
}
