#pragma once

#include "OrgInfo.h"

#include <optional>

struct AccountMembership
{
    std::optional<OrgInfo> organization;

    static AccountMembership fromJson(const JsonReader& json);
};
