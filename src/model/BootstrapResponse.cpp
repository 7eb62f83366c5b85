#include "BootstrapResponse.h"

#include "JsonReader.h"

namespace {

const QString kPreferredCapability = QStringLiteral("zelvik_max");

AppError noOrganization()
{
    return AppError::decodingError(QStringLiteral("Nessuna organizzazione trovata"));
}

BootstrapResponse fromJson(const JsonReader& json)
{
    BootstrapResponse reply;
    if (const auto account = json.optionalObject(QStringLiteral("account")))
        reply.account = Account::fromJson(*account);
    return reply;
}

} // namespace

Expected<BootstrapResponse, QString> BootstrapResponse::decode(const QByteArray& body)
{
    return JsonReader::decode<BootstrapResponse>(body, fromJson);
}

Expected<OrgInfo, AppError> BootstrapResponse::chooseOrganization() const
{
    const QList<AccountMembership> memberships =
        account && account->memberships ? *account->memberships : QList<AccountMembership>{};
    if (memberships.isEmpty())
        return noOrganization();

    for (const AccountMembership& membership : memberships) {
        const auto& org = membership.organization;
        if (org && org->capabilities && org->capabilities->contains(kPreferredCapability))
            return *org;
    }
    if (const auto& first = memberships.first().organization)
        return *first;
    return noOrganization();
}
