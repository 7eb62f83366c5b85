#include "Account.h"

#include "JsonReader.h"

Account Account::fromJson(const JsonReader& json)
{
    Account account;
    account.emailAddress = json.optionalString(QStringLiteral("email_address"));
    if (const auto list = json.optionalObjectArray(QStringLiteral("memberships"))) {
        QList<AccountMembership> memberships;
        for (const JsonReader& element : *list)
            memberships.append(AccountMembership::fromJson(element));
        account.memberships = memberships;
    }
    return account;
}
