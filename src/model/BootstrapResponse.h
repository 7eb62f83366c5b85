#pragma once

#include "Account.h"
#include "AppError.h"
#include "Expected.h"

#include <QByteArray>
#include <optional>

// The account bootstrap reply, read once per sign-in to find the organization to meter.
struct BootstrapResponse
{
    std::optional<Account> account;

    static Expected<BootstrapResponse, QString> decode(const QByteArray& body);

    // The first membership whose organization holds "zelvik_max", else the first membership.
    Expected<OrgInfo, AppError> chooseOrganization() const;
};
