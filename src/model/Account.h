#pragma once

#include "AccountMembership.h"

#include <QList>
#include <QString>
#include <optional>

struct Account
{
    std::optional<QString> emailAddress;
    std::optional<QList<AccountMembership>> memberships; // in the service's order

    static Account fromJson(const JsonReader& json);
};
