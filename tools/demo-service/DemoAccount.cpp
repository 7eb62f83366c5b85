#include "DemoAccount.h"

#include <QJsonArray>

namespace {

struct Organization
{
    const char* uuid;
    const char* name;
    QStringList capabilities;
    const char* rateLimitTier;
    const char* role;
};

const Organization kOrganizations[] = {
    {"3c9f2b1e-7a4d-4e0b-9c61-5d8e2f7a1b04",
     "Personale di Mario",
     {QStringLiteral("chat")},
     "default",
     "admin"},
    {"8e41d6c2-05b9-4f37-a2de-91c7b3f46a58",
     "Studio Rossi & Associati",
     {QStringLiteral("chat"), QStringLiteral("zelvik_max"), QStringLiteral("projects")},
     "max_5x",
     "user"},
};

QJsonObject organizationJson(const Organization& org)
{
    return {{QStringLiteral("uuid"), QString::fromLatin1(org.uuid)},
            {QStringLiteral("name"), QString::fromUtf8(org.name)},
            {QStringLiteral("capabilities"), QJsonArray::fromStringList(org.capabilities)},
            {QStringLiteral("rate_limit_tier"), QString::fromLatin1(org.rateLimitTier)},
            {QStringLiteral("billing_type"), QStringLiteral("subscription")},
            {QStringLiteral("created_at"), QStringLiteral("2025-03-14T09:26:53.589793+00:00")},
            {QStringLiteral("settings"), QJsonObject{{QStringLiteral("locale"), "it-IT"}}}};
}

} // namespace

QStringList DemoAccount::organizationIds()
{
    QStringList ids;
    for (const auto& org : kOrganizations)
        ids.append(QString::fromLatin1(org.uuid));
    return ids;
}

QString DemoAccount::describeOrganizations()
{
    QStringList lines;
    for (const auto& org : kOrganizations)
        lines.append(QStringLiteral("organization %1 \"%2\" capabilities: %3")
                         .arg(QString::fromLatin1(org.uuid), QString::fromUtf8(org.name),
                              org.capabilities.join(QStringLiteral(", "))));
    return lines.join(u'\n');
}

bool DemoAccount::hasOrganization(const QString& uuid)
{
    return organizationIds().contains(uuid);
}

QJsonObject DemoAccount::bootstrap(const QString& email)
{
    QJsonArray memberships;
    for (const auto& org : kOrganizations)
        memberships.append(QJsonObject{{QStringLiteral("role"), QString::fromLatin1(org.role)},
                                       {QStringLiteral("organization"), organizationJson(org)}});
    const QJsonObject account{{QStringLiteral("uuid"), "0b7e5a3d-6c21-4f89-b4e2-d31a9c08f7e6"},
                              {QStringLiteral("email_address"), email},
                              {QStringLiteral("full_name"), "Mario Rossi"},
                              {QStringLiteral("memberships"), memberships}};
    return {{QStringLiteral("account"), account}, {QStringLiteral("locale"), "it-IT"}};
}
